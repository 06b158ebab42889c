#include "host/renderer_gl.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/drawstuff.h"
#include "host/renderer_shaders.h"
#include "host/shape_meshes.h"
#include "host/textures.h"
#include "host/view_math.h"

// The sun stands high over +x: the three faces of a box that the start-up camera sees (+x, +y,
// top) each get a shade of their own, and shadows fall toward -x, beside the shapes rather than
// straight behind them.
constexpr std::array<float, 3> kToSun = {0.50f, 0.12f, 0.86f};
// The haze at the horizon: distant ground fades into it, and so does the sky.
constexpr std::array<float, 3> kHaze = {0.76f, 0.84f, 0.94f};
constexpr float kShadowAlpha = 0.45f;
constexpr float kGroundExtent = 2000.0f;  // half the side of the ground square, around the camera
constexpr int kMaxSamples = 4;

namespace {

std::array<float, 3> normalized(std::array<float, 3> v) {
  const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  return {v[0] / length, v[1] / length, v[2] / length};
}

const std::array<float, 3> kSun = normalized(kToSun);

struct Mesh {
  GLuint vao = 0, vbo = 0, ebo = 0;
  GLsizei count = 0;

  void upload(const MeshData& data) {
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &vbo);
    glGenBuffers(1, &ebo);
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.vertices.size() * sizeof(Vertex)),
                 data.vertices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(data.indices.size() * sizeof(unsigned)),
                 data.indices.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offsetof(Vertex, normal)));
    glBindVertexArray(0);
    count = static_cast<GLsizei>(data.indices.size());
  }
  void draw() const {
    glBindVertexArray(vao);
    glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr);
  }
  void release() {
    glDeleteBuffers(1, &vbo);
    glDeleteBuffers(1, &ebo);
    glDeleteVertexArrays(1, &vao);
  }
};

GLuint compile(GLenum stage, const std::string& source, std::string& error) {
  const GLuint shader = glCreateShader(stage);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[512] = "";
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    error = std::string("shader does not compile: ") + log;
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

GLuint link(const std::string& vertex, const std::string& fragment, std::string& error) {
  const GLuint vs = compile(GL_VERTEX_SHADER, vertex, error);
  if (!vs) return 0;
  const GLuint fs = compile(GL_FRAGMENT_SHADER, fragment, error);
  if (!fs) {
    glDeleteShader(vs);
    return 0;
  }
  const GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[512] = "";
    glGetProgramInfoLog(program, sizeof log, nullptr, log);
    error = std::string("shaders do not link: ") + log;
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

// Mesa's software rasterizers filter anisotropically so slowly that a frame takes seconds; the
// ground looks nearly as good without it.
bool softwareRasterizer() {
  const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const std::string renderer = name ? name : "";
  return renderer.find("llvmpipe") != std::string::npos ||
         renderer.find("softpipe") != std::string::npos ||
         renderer.find("swrast") != std::string::npos;
}

GLint uniform(GLuint program, const char* name) {
  return glGetUniformLocation(program, name);
}

bool finite(const float* values, int count) {
  for (int i = 0; i < count; ++i)
    if (!std::isfinite(values[i])) return false;
  return true;
}

// T(pos) * R * S(scale), with R read from rows padded to four.
Mat4 modelMatrix(const DrawCall& call, const std::array<float, 3>& scale) {
  Mat4 m = identity();
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col)
      m.at(row, col) = call.R[4 * row + col] * scale[static_cast<std::size_t>(col)];
    m.at(row, 3) = call.pos[row];
  }
  return m;
}

// The shadow matrix: every point slides along the sun's rays down to the ground, lifted a hair
// so the ground does not show through.
Mat4 shadowMatrix() {
  Mat4 m = identity();
  m.at(0, 2) = -kSun[0] / kSun[2];
  m.at(1, 2) = -kSun[1] / kSun[2];
  m.at(2, 2) = 0;
  m.at(2, 3) = 0.01f;
  return m;
}

}  // namespace

std::array<float, 3> shadowOnGround(const std::array<float, 3>& point) {
  return transformPoint(shadowMatrix(), point);
}

struct GlRenderer::Impl {
  GLuint solid = 0, ground = 0, sky = 0, shadow = 0;
  Mesh box, sphere, cylinder, groundQuad;
  GLuint emptyVao = 0;
  std::array<GLuint, kTextureKinds.size()> textures{};
  std::string textureDir;
  bool texturesLoaded = false;
  // The offscreen target of picture(): multisampled, then resolved for reading.
  GLuint sampledFbo = 0, sampledColor = 0, sampledDepth = 0, resolvedFbo = 0, resolvedColor = 0;
  int targetWidth = 0, targetHeight = 0;

  ~Impl();
  void loadTextures(const std::string& dir);
  GLuint textureFor(int texture) const;
  bool makeTarget(int width, int height);
  void releaseTarget();
  void setLighting(GLuint program, const View& view) const;
  const Mesh* meshFor(const DrawCall& call, std::array<float, 3>& scale) const;
  void drawSky(const View& view, const Mat4& viewProj) const;
  void drawGround(const View& view, const Mat4& viewProj) const;
  void drawShadows(std::span<const DrawCall> calls, const Mat4& viewProj) const;
  void drawSolids(std::span<const DrawCall> calls, const View& view, const Mat4& viewProj) const;
};

GlRenderer::Impl::~Impl() {
  if (!solid) return;  // never initialised: no context was ever current
  releaseTarget();
  for (Mesh* mesh : {&box, &sphere, &cylinder, &groundQuad}) mesh->release();
  glDeleteVertexArrays(1, &emptyVao);
  glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
  for (GLuint program : {solid, ground, sky, shadow}) glDeleteProgram(program);
}

void GlRenderer::Impl::loadTextures(const std::string& dir) {
  std::string warning;
  const TextureSet set = ::loadTextures(dir, warning);
  if (!warning.empty()) std::fprintf(stderr, "cannoncar: %s\n", warning.c_str());
  if (!textures[0]) glGenTextures(static_cast<GLsizei>(textures.size()), textures.data());
  GLfloat maxAnisotropy = 1;
  if (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") && !softwareRasterizer())
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy);
  for (std::size_t i = 0; i < set.size(); ++i) {
    glBindTexture(GL_TEXTURE_2D, textures[i]);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, set[i].width, set[i].height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, set[i].rgba.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (maxAnisotropy > 1)
      glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, std::min(8.0f, maxAnisotropy));
  }
  textureDir = dir;
  texturesLoaded = true;
}

GLuint GlRenderer::Impl::textureFor(int texture) const {
  switch (texture) {
    case DS_WOOD:
      return textures[static_cast<std::size_t>(TextureKind::Wood)];
    case DS_CHECKERED:
      return textures[static_cast<std::size_t>(TextureKind::Checkered)];
    case DS_GROUND:
      return textures[static_cast<std::size_t>(TextureKind::Ground)];
    case DS_SKY:
      return textures[static_cast<std::size_t>(TextureKind::Sky)];
    default:
      return 0;
  }
}

void GlRenderer::Impl::setLighting(GLuint program, const View& view) const {
  glUniform3fv(uniform(program, "uSun"), 1, kSun.data());
  glUniform3fv(uniform(program, "uEye"), 1, view.xyz);
  glUniform3fv(uniform(program, "uHaze"), 1, kHaze.data());
}

const Mesh* GlRenderer::Impl::meshFor(const DrawCall& call, std::array<float, 3>& scale) const {
  if (!finite(call.pos, 3) || !finite(call.R, 12)) return nullptr;
  switch (call.shape) {
    case DrawCall::Shape::Box:
      scale = {call.sides[0], call.sides[1], call.sides[2]};
      break;
    case DrawCall::Shape::Sphere:
      scale = {call.radius, call.radius, call.radius};
      break;
    case DrawCall::Shape::Cylinder:
      scale = {call.radius, call.radius, call.length};
      break;
  }
  for (float s : scale)
    if (!(s > 0) || !std::isfinite(s)) return nullptr;
  switch (call.shape) {
    case DrawCall::Shape::Box:
      return &box;
    case DrawCall::Shape::Sphere:
      return &sphere;
    case DrawCall::Shape::Cylinder:
      return &cylinder;
  }
  return nullptr;
}

void GlRenderer::Impl::drawSky(const View& view, const Mat4& viewProj) const {
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glUseProgram(sky);
  glUniformMatrix4fv(uniform(sky, "uInverseViewProj"), 1, GL_FALSE, inverse(viewProj).m.data());
  glUniform3fv(uniform(sky, "uEye"), 1, view.xyz);
  glUniform3fv(uniform(sky, "uHaze"), 1, kHaze.data());
  glUniform1i(uniform(sky, "uTextured"), view.textures);
  glBindTexture(GL_TEXTURE_2D, textures[static_cast<std::size_t>(TextureKind::Sky)]);
  glBindVertexArray(emptyVao);
  glDrawArrays(GL_TRIANGLES, 0, 3);
}

void GlRenderer::Impl::drawGround(const View& view, const Mat4& viewProj) const {
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glUseProgram(ground);
  setLighting(ground, view);
  glUniformMatrix4fv(uniform(ground, "uViewProj"), 1, GL_FALSE, viewProj.m.data());
  glUniform2f(uniform(ground, "uCenter"), view.xyz[0], view.xyz[1]);
  glUniform1f(uniform(ground, "uExtent"), kGroundExtent);
  glUniform1i(uniform(ground, "uTextured"), view.textures);
  glBindTexture(GL_TEXTURE_2D, textures[static_cast<std::size_t>(TextureKind::Ground)]);
  groundQuad.draw();
}

void GlRenderer::Impl::drawShadows(std::span<const DrawCall> calls, const Mat4& viewProj) const {
  // Each ground pixel darkens once however many shadows overlap on it.
  glEnable(GL_STENCIL_TEST);
  glStencilFunc(GL_EQUAL, 0, 0xff);
  glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
  glEnable(GL_BLEND);
  glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
  glDepthMask(GL_FALSE);
  glEnable(GL_POLYGON_OFFSET_FILL);
  glPolygonOffset(-1.0f, -4.0f);
  glUseProgram(shadow);
  glUniformMatrix4fv(uniform(shadow, "uViewProj"), 1, GL_FALSE, viewProj.m.data());
  glUniform1f(uniform(shadow, "uAlpha"), kShadowAlpha);
  const Mat4 flatten = shadowMatrix();
  for (const DrawCall& call : calls) {
    std::array<float, 3> scale{};
    const Mesh* mesh = meshFor(call, scale);
    if (!mesh) continue;
    glUniformMatrix4fv(uniform(shadow, "uModel"), 1, GL_FALSE,
                       (flatten * modelMatrix(call, scale)).m.data());
    mesh->draw();
  }
  glDisable(GL_POLYGON_OFFSET_FILL);
  glDisable(GL_BLEND);
  glDisable(GL_STENCIL_TEST);
  glDepthMask(GL_TRUE);
}

void GlRenderer::Impl::drawSolids(std::span<const DrawCall> calls, const View& view,
                                  const Mat4& viewProj) const {
  glUseProgram(solid);
  setLighting(solid, view);
  glUniformMatrix4fv(uniform(solid, "uViewProj"), 1, GL_FALSE, viewProj.m.data());
  const GLint model = uniform(solid, "uModel"), normalMatrix = uniform(solid, "uNormalMatrix");
  const GLint scaleAt = uniform(solid, "uScale"), color = uniform(solid, "uColor");
  const GLint textured = uniform(solid, "uTextured");
  for (const DrawCall& call : calls) {
    std::array<float, 3> scale{};
    const Mesh* mesh = meshFor(call, scale);
    if (!mesh) continue;
    glUniformMatrix4fv(model, 1, GL_FALSE, modelMatrix(call, scale).m.data());
    // Normals go through R times the inverse scale (column-major 3 x 3).
    float normals[9];
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col)
        normals[col * 3 + row] = call.R[4 * row + col] / scale[static_cast<std::size_t>(col)];
    glUniformMatrix3fv(normalMatrix, 1, GL_FALSE, normals);
    glUniform3fv(scaleAt, 1, scale.data());
    glUniform3fv(color, 1, call.color);
    const GLuint texture = view.textures ? textureFor(call.texture) : 0;
    glUniform1i(textured, texture != 0);
    if (texture) glBindTexture(GL_TEXTURE_2D, texture);
    mesh->draw();
  }
}

bool GlRenderer::Impl::makeTarget(int width, int height) {
  if (sampledFbo && width == targetWidth && height == targetHeight) return true;
  releaseTarget();
  GLint maxSize = 0, maxSamples = 0;
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
  glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
  if (width > maxSize || height > maxSize) return false;
  const GLsizei samples = std::min(kMaxSamples, static_cast<int>(maxSamples));
  glGenFramebuffers(1, &sampledFbo);
  glGenRenderbuffers(1, &sampledColor);
  glGenRenderbuffers(1, &sampledDepth);
  glBindFramebuffer(GL_FRAMEBUFFER, sampledFbo);
  glBindRenderbuffer(GL_RENDERBUFFER, sampledColor);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, sampledColor);
  glBindRenderbuffer(GL_RENDERBUFFER, sampledDepth);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH24_STENCIL8, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                            sampledDepth);
  const bool sampledOk = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;

  glGenFramebuffers(1, &resolvedFbo);
  glGenRenderbuffers(1, &resolvedColor);
  glBindFramebuffer(GL_FRAMEBUFFER, resolvedFbo);
  glBindRenderbuffer(GL_RENDERBUFFER, resolvedColor);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, resolvedColor);
  const bool resolvedOk = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  targetWidth = width;
  targetHeight = height;
  if (sampledOk && resolvedOk) return true;
  releaseTarget();
  return false;
}

void GlRenderer::Impl::releaseTarget() {
  if (!sampledFbo) return;
  glDeleteFramebuffers(1, &sampledFbo);
  glDeleteFramebuffers(1, &resolvedFbo);
  const GLuint buffers[] = {sampledColor, sampledDepth, resolvedColor};
  glDeleteRenderbuffers(3, buffers);
  sampledFbo = resolvedFbo = sampledColor = sampledDepth = resolvedColor = 0;
}

GlRenderer::GlRenderer() : impl_(std::make_unique<Impl>()) {}
GlRenderer::~GlRenderer() = default;

bool GlRenderer::init(std::string& error) {
  if (epoxy_gl_version() < 33) {
    error = "OpenGL 3.3 is not available";
    return false;
  }
  Impl& r = *impl_;
  const std::string header = "#version 330 core\n";
  r.solid = link(kSolidVertex, header + kLighting + kSolidFragment, error);
  r.ground = r.solid ? link(kGroundVertex, header + kLighting + kGroundFragment, error) : 0;
  r.sky = r.ground ? link(kSkyVertex, kSkyFragment, error) : 0;
  r.shadow = r.sky ? link(kShadowVertex, kShadowFragment, error) : 0;
  if (!r.shadow) {
    for (GLuint program : {r.solid, r.ground, r.sky})
      if (program) glDeleteProgram(program);
    r.solid = 0;
    return false;
  }
  r.box.upload(boxMesh());
  r.sphere.upload(sphereMesh());
  r.cylinder.upload(cylinderMesh());
  r.groundQuad.upload(squareMesh());
  glGenVertexArrays(1, &r.emptyVao);
  for (GLuint program : {r.solid, r.ground, r.sky}) {
    glUseProgram(program);
    glUniform1i(uniform(program, "uTexture"), 0);
  }
  return true;
}

void GlRenderer::draw(std::span<const DrawCall> calls, const View& view, int width, int height) {
  Impl& r = *impl_;
  if (width <= 0 || height <= 0 || !r.solid) return;
  if (!r.texturesLoaded || r.textureDir != view.textureDir) r.loadTextures(view.textureDir);
  glViewport(0, 0, width, height);
  glClearColor(kHaze[0], kHaze[1], kHaze[2], 1);
  glClearStencil(0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glActiveTexture(GL_TEXTURE0);
  glDepthFunc(GL_LEQUAL);
  const Mat4 viewProj = projectionMatrix(width, height) * viewMatrix(view);
  r.drawSky(view, viewProj);
  r.drawGround(view, viewProj);
  if (view.shadows) r.drawShadows(calls, viewProj);
  r.drawSolids(calls, view, viewProj);
  glBindVertexArray(0);
  glUseProgram(0);
}

Image GlRenderer::picture(std::span<const DrawCall> calls, const View& view, int width,
                          int height) {
  Impl& r = *impl_;
  if (width <= 0 || height <= 0 || !r.solid || !r.makeTarget(width, height)) return {};
  glBindFramebuffer(GL_FRAMEBUFFER, r.sampledFbo);
  draw(calls, view, width, height);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, r.sampledFbo);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, r.resolvedFbo);
  glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, r.resolvedFbo);
  Image image{width, height,
              std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height) * 4)};
  std::vector<std::uint8_t> upsideDown(image.rgba.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, upsideDown.data());
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  // GL's rows run from the bottom; pictures' from the top.
  const std::size_t row = std::size_t(width) * 4;
  for (int y = 0; y < height; ++y)
    std::copy_n(&upsideDown[std::size_t(height - 1 - y) * row], row,
                &image.rgba[std::size_t(y) * row]);
  for (std::size_t i = 3; i < image.rgba.size(); i += 4) image.rgba[i] = 255;
  return image;
}
