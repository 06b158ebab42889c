#include "renderer_gl.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <vector>

#include "changed_area.h"
#include "drawstuff.h"
#include "mipmaps.h"
#include "overlay.h"
#include "renderer_shaders.h"
#include "shader_program.h"
#include "shape_meshes.h"
#include "textures.h"
#include "view_math.h"

// The sun stands high over +x: the three faces of a box that the start-up camera sees (+x, +y,
// top) each get a shade of their own, and shadows fall toward -x, beside the shapes rather than
// straight behind them.
constexpr std::array<float, 3> kToSun = {0.50f, 0.12f, 0.86f};
// The haze at the horizon: distant ground fades into it, and so does the sky.
constexpr std::array<float, 3> kHaze = {0.76f, 0.84f, 0.94f};
constexpr float kShadowAlpha = 0.45f;
constexpr float kGroundExtent = 2000.0f;  // half the side of the ground square, around the camera
constexpr int kMaxSamples = 4;
// Set to 0, the ground and the sky are drawn afresh every frame instead of copied from the picture
// kept of them: for comparing the two ways and for tests.
constexpr const char* kBackgroundCacheSwitch = "CANNONCAR_BACKGROUND_CACHE";
// Over the kept background, the stencil value of the pixels that take shadows: the ground's and
// the shapes'. The sky's stay 0 and are left alone, as the sky drawn last over them would have.
constexpr GLint kShadedStencil = 1;

namespace {

std::array<float, 3> normalized(std::array<float, 3> v) {
  const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  return {v[0] / length, v[1] / length, v[2] / length};
}

const std::array<float, 3> kSun = normalized(kToSun);

// What each shape gives the programs, one per shape and frame: the model matrix's rows
// (rotation times scale, then the position), the scale and the colour.
struct Instance {
  float model[3][4];
  float scale[3];
  float color[3];
};

struct Mesh {
  GLuint vao = 0, vbo = 0, ebo = 0;
  GLsizei count = 0;

  void upload(const MeshData& data, GLuint instances) {
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
    if (instances) {
      glBindBuffer(GL_ARRAY_BUFFER, instances);
      for (GLuint attribute = 2; attribute <= 6; ++attribute) {
        glEnableVertexAttribArray(attribute);
        glVertexAttribDivisor(attribute, 1);
      }
      pointInstancesAt(0);
    }
    glBindVertexArray(0);
    count = static_cast<GLsizei>(data.indices.size());
  }
  // With the VAO and the instance buffer bound: the shapes from `first` on.
  static void pointInstancesAt(std::size_t first) {
    const auto at = [first](std::size_t offset) {
      return reinterpret_cast<const void*>(first * sizeof(Instance) + offset);
    };
    const auto stride = static_cast<GLsizei>(sizeof(Instance));
    for (GLuint row = 0; row < 3; ++row)
      glVertexAttribPointer(2 + row, 4, GL_FLOAT, GL_FALSE, stride,
                            at(offsetof(Instance, model) + row * 4 * sizeof(float)));
    glVertexAttribPointer(5, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(Instance, scale)));
    glVertexAttribPointer(6, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(Instance, color)));
  }
  void draw() const {
    glBindVertexArray(vao);
    glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr);
  }
  void drawInstances(GLuint instances, std::size_t first, std::size_t shapes) const {
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, instances);
    pointInstancesAt(first);
    glDrawElementsInstanced(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr,
                            static_cast<GLsizei>(shapes));
  }
  void release() {
    glDeleteBuffers(1, &vbo);
    glDeleteBuffers(1, &ebo);
    glDeleteVertexArrays(1, &vao);
  }
};

// The current context's renderer, as GL names it ("llvmpipe (LLVM 15.0.6, 256 bits)").
std::string rendererName() {
  const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  return name ? name : "";
}

// Mesa's software rasterizers filter anisotropically so slowly that a frame takes seconds; the
// ground looks nearly as good without it.
bool softwareRasterizer(const std::string& renderer) {
  return renderer.find("llvmpipe") != std::string::npos ||
         renderer.find("softpipe") != std::string::npos ||
         renderer.find("swrast") != std::string::npos;
}

// The levels made on the CPU are rounded as llvmpipe rounds its own; softpipe and hardware filter
// in their own ways, and compile nothing for it at start-up.
bool llvmpipeRasterizer(const std::string& renderer) {
  return renderer.find("llvmpipe") != std::string::npos;
}

// The bound texture's smaller levels. llvmpipe would draw them with a shader it compiles first,
// the longest step of its start-up; the CPU makes the same levels at once.
void uploadMipmaps(const Image& image, bool llvmpipe) {
  if (!llvmpipe || !halvesEvenly(image)) {
    glGenerateMipmap(GL_TEXTURE_2D);
    return;
  }
  const std::vector<Image> levels = mipmapLevels(image);
  for (std::size_t level = 0; level < levels.size(); ++level) {
    const Image& l = levels[level];
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level + 1), GL_RGBA8, l.width, l.height, 0,
                 GL_RGBA, GL_UNSIGNED_BYTE, l.rgba.data());
  }
}

GLint uniform(GLuint program, const char* name) {
  return glGetUniformLocation(program, name);
}

bool finite(const float* values, int count) {
  for (int i = 0; i < count; ++i)
    if (!std::isfinite(values[i])) return false;
  return true;
}

// T(pos) * R * S(scale) as three rows, R read from rows padded to four.
Instance instanceOf(const DrawCall& call, const std::array<float, 3>& scale) {
  Instance instance{};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col)
      instance.model[row][col] = call.R[4 * row + col] * scale[static_cast<std::size_t>(col)];
    instance.model[row][3] = call.pos[row];
  }
  std::copy_n(scale.begin(), 3, instance.scale);
  std::copy_n(call.color, 3, instance.color);
  return instance;
}

// The planes of the camera's view (left, right, bottom, top, far) as a x + b y + c z + d >= 0
// inside, with (a, b, c) of unit length, from the rows of the view-projection matrix.
using Frustum = std::array<std::array<float, 4>, 5>;

Frustum frustumOf(const Mat4& viewProj) {
  Frustum planes{};
  const int rows[5] = {0, 0, 1, 1, 2};
  const float signs[5] = {1, -1, 1, -1, -1};
  for (std::size_t i = 0; i < planes.size(); ++i) {
    for (int col = 0; col < 4; ++col)
      planes[i][static_cast<std::size_t>(col)] =
          viewProj.at(3, col) + signs[i] * viewProj.at(rows[i], col);
    const float length = std::sqrt(planes[i][0] * planes[i][0] + planes[i][1] * planes[i][1] +
                                   planes[i][2] * planes[i][2]);
    for (float& v : planes[i]) v /= length;
  }
  return planes;
}

bool sphereVisible(const Frustum& frustum, const std::array<float, 3>& centre, float radius) {
  for (const auto& plane : frustum)
    if (plane[0] * centre[0] + plane[1] * centre[1] + plane[2] * centre[2] + plane[3] < -radius)
      return false;
  return true;
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

// Shapes that share a mesh and a texture, drawn with one call.
struct ShapeGroup {
  const Mesh* mesh;
  GLuint texture;  // 0: untextured
  std::size_t first, count;
};

struct GlRenderer::Impl {
  GLuint solid = 0, boxSolid = 0, ground = 0, sky = 0, shadow = 0;
  Mesh box, sphere, cylinder, groundQuad;
  GLuint emptyVao = 0, instanceVbo = 0;
  std::array<GLuint, kTextureKinds.size()> textures{};
  std::string textureDir;
  bool texturesLoaded = false;
  std::future<LoadedTextures> texturesLoading;  // of loadingDir, read on a thread
  std::string loadingDir;
  bool software = false;
  bool llvmpipe = false;
  unsigned textureGeneration = 0;  // counts texture loads: the background shows the textures
  // The renderer's own target, where every frame is drawn: multisampled and resolved for reading
  // or showing, or drawn and read as it is when single-sampled.
  GLuint drawnFbo = 0, drawnColor = 0, drawnDepth = 0, resolvedFbo = 0, resolvedColor = 0;
  int targetWidth = 0, targetHeight = 0;
  // The ground and the sky alone, colour, depth and stencil, as the camera last saw them: each
  // frame starts from a copy and draws only the shapes and their shadows.
  bool cacheBackground = true;
  GLuint backgroundFbo = 0, backgroundColor = 0, backgroundDepth = 0;
  struct BackgroundKey {
    Mat4 viewProj;
    float eye[3];
    bool textures;
    unsigned textureGeneration;
    int width, height;
    // Bit for bit, so that a camera that has not moved never costs a redraw.
    bool operator==(const BackgroundKey& other) const {
      return std::memcmp(viewProj.m.data(), other.viewProj.m.data(), sizeof viewProj.m) == 0 &&
             std::memcmp(eye, other.eye, sizeof eye) == 0 && textures == other.textures &&
             textureGeneration == other.textureGeneration && width == other.width &&
             height == other.height;
    }
  };
  BackgroundKey backgroundKey{};
  bool backgroundValid = false;
  // Where the target differs from the kept background (the last frame's shapes, shadows and HUD),
  // and where this frame's will: only those pixels are copied back before the next frame.
  ChangedArea changed, drawing;
  // What the target holds: a frame equal to it (a paused game under a still camera) is not drawn.
  std::vector<DrawCall> sceneCalls;
  bool sceneShadows = false;
  bool sceneValid = false;
  // This frame's shapes, grouped.
  std::vector<Instance> instances;
  std::vector<ShapeGroup> groups, shadowGroups;
  Overlay overlay;

  ~Impl();
  void loadTextures(const std::string& dir);
  GLuint textureFor(int texture) const;
  int samples() const;
  bool makeTarget(int width, int height);
  void releaseTarget();
  void beginPass(int width, int height) const;
  void drawFresh(const View& view, const Mat4& viewProj) const;
  void drawOverBackground(const View& view, const Mat4& viewProj, const BackgroundKey& key);
  void drawBackground(const View& view, const Mat4& viewProj) const;
  void drawScene(std::span<const DrawCall> calls, const View& view, int width, int height);
  void drawWithOverlay(std::span<const DrawCall> calls, const View& view, int width, int height);
  void setLighting(GLuint program, const View& view) const;
  const Mesh* meshFor(const DrawCall& call, std::array<float, 3>& scale) const;
  void gatherShapes(std::span<const DrawCall> calls, const View& view, const Mat4& viewProj,
                    int width, int height);
  void drawSky(const View& view, const Mat4& viewProj) const;
  void drawGround(const View& view, const Mat4& viewProj) const;
  void drawShadows(const View& view, const Mat4& viewProj, GLint stencil) const;
  void drawSolids(const View& view, const Mat4& viewProj, bool markStencil) const;
  Image readBack(int width, int height) const;
  // Where the last draw() copied its picture, and its size.
  GLuint shownFbo = 0;
  int shownWidth = 0, shownHeight = 0;
};

GlRenderer::Impl::~Impl() {
  if (!solid) return;  // never initialised: no context was ever current
  releaseTarget();
  for (Mesh* mesh : {&box, &sphere, &cylinder, &groundQuad}) mesh->release();
  glDeleteVertexArrays(1, &emptyVao);
  glDeleteBuffers(1, &instanceVbo);
  glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
  for (GLuint program : {solid, boxSolid, ground, sky, shadow}) glDeleteProgram(program);
}

void GlRenderer::Impl::loadTextures(const std::string& dir) {
  LoadedTextures loaded;
  if (texturesLoading.valid() && loadingDir == dir)
    loaded = texturesLoading.get();
  else
    loaded.set = ::loadTextures(dir, loaded.warning);
  texturesLoading = {};
  const TextureSet& set = loaded.set;
  if (!loaded.warning.empty()) std::fprintf(stderr, "cannoncar: %s\n", loaded.warning.c_str());
  if (!textures[0]) glGenTextures(static_cast<GLsizei>(textures.size()), textures.data());
  GLfloat maxAnisotropy = 1;
  if (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") && !software)
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy);
  for (std::size_t i = 0; i < set.size(); ++i) {
    glBindTexture(GL_TEXTURE_2D, textures[i]);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, set[i].width, set[i].height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, set[i].rgba.data());
    uploadMipmaps(set[i], llvmpipe);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    // A software rasterizer pays for every texel it blends; within one mip level the picture
    // is all but the same.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    software ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (maxAnisotropy > 1)
      glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, std::min(8.0f, maxAnisotropy));
  }
  textureDir = dir;
  texturesLoaded = true;
  ++textureGeneration;
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
  // The rows' fourth values are padding the game need not set: a NaN left there must not hide
  // the shape.
  if (!finite(call.pos, 3) || !finite(call.R, 3) || !finite(call.R + 4, 3) ||
      !finite(call.R + 8, 3))
    return nullptr;
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

// The frame's shapes into one buffer, ordered by mesh and texture: the solids take a draw per
// group and the shadows a draw per mesh, however many shapes there are.
// Shapes and shadows out of the camera's view are left out: the rasterizer would transform and
// clip every one of their triangles only to throw them away.
void GlRenderer::Impl::gatherShapes(std::span<const DrawCall> calls, const View& view,
                                    const Mat4& viewProj, int width, int height) {
  struct Keyed {
    const Mesh* mesh;
    GLuint texture;
    Instance instance;
    bool solid, shadow;
  };
  const Frustum frustum = frustumOf(viewProj);
  drawing.reset(width, height);
  std::vector<Keyed> keyed;
  keyed.reserve(calls.size());
  for (const DrawCall& call : calls) {
    std::array<float, 3> scale{};
    const Mesh* mesh = meshFor(call, scale);
    if (!mesh) continue;
    // The unit meshes reach at most half a unit along each scaled axis, the round ones one.
    const float reach = mesh == &box ? 0.5f : 1.0f;
    const float radius =
        reach * std::sqrt(scale[0] * scale[0] + scale[1] * scale[1] + scale[2] * scale[2]);
    const std::array<float, 3> centre = {call.pos[0], call.pos[1], call.pos[2]};
    // Flattened along the sun's rays, no distance grows by more than 1 / kSun[2].
    const bool solid = sphereVisible(frustum, centre, radius);
    const std::array<float, 3> shadowCentre = shadowOnGround(centre);
    const bool shadow = view.shadows && sphereVisible(frustum, shadowCentre, radius / kSun[2]);
    if (!solid && !shadow) continue;
    if (solid) drawing.markSphere(viewProj, centre, radius);
    if (shadow) drawing.markSphere(viewProj, shadowCentre, radius / kSun[2]);
    keyed.push_back({mesh, view.textures ? textureFor(call.texture) : 0, instanceOf(call, scale),
                     solid, shadow});
  }
  // Solids by mesh and texture, then the shadows by mesh; a shape seen with its shadow sits in
  // both runs.
  std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    return a.mesh != b.mesh ? a.mesh < b.mesh : a.texture < b.texture;
  });
  instances.clear();
  groups.clear();
  shadowGroups.clear();
  for (const Keyed& k : keyed) {
    if (!k.solid) continue;
    if (groups.empty() || groups.back().mesh != k.mesh || groups.back().texture != k.texture)
      groups.push_back({k.mesh, k.texture, instances.size(), 0});
    ++groups.back().count;
    instances.push_back(k.instance);
  }
  for (const Keyed& k : keyed) {
    if (!k.shadow) continue;
    if (shadowGroups.empty() || shadowGroups.back().mesh != k.mesh)
      shadowGroups.push_back({k.mesh, 0, instances.size(), 0});
    ++shadowGroups.back().count;
    instances.push_back(k.instance);
  }
  glBindBuffer(GL_ARRAY_BUFFER, instanceVbo);
  // Fresh storage each frame, so the driver need not wait for the last frame's draws.
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(instances.size() * sizeof(Instance)),
               instances.empty() ? nullptr : instances.data(), GL_STREAM_DRAW);
}

void GlRenderer::Impl::drawSky(const View& view, const Mat4& viewProj) const {
  // Last, on the far plane: only the pixels that the ground and the shapes left are shaded.
  glDepthMask(GL_FALSE);
  glUseProgram(sky);
  glUniformMatrix4fv(uniform(sky, "uInverseViewProj"), 1, GL_FALSE, inverse(viewProj).m.data());
  glUniform3fv(uniform(sky, "uEye"), 1, view.xyz);
  glUniform3fv(uniform(sky, "uHaze"), 1, kHaze.data());
  glUniform1i(uniform(sky, "uTextured"), view.textures);
  glBindTexture(GL_TEXTURE_2D, textures[static_cast<std::size_t>(TextureKind::Sky)]);
  glBindVertexArray(emptyVao);
  glDrawArrays(GL_TRIANGLES, 0, 3);
  glDepthMask(GL_TRUE);
}

void GlRenderer::Impl::drawGround(const View& view, const Mat4& viewProj) const {
  // After the shapes: the ground under them fails the depth test and is never shaded.
  glUseProgram(ground);
  setLighting(ground, view);
  glUniformMatrix4fv(uniform(ground, "uViewProj"), 1, GL_FALSE, viewProj.m.data());
  glUniform2f(uniform(ground, "uCenter"), view.xyz[0], view.xyz[1]);
  glUniform1f(uniform(ground, "uExtent"), kGroundExtent);
  glUniform1i(uniform(ground, "uTextured"), view.textures);
  glBindTexture(GL_TEXTURE_2D, textures[static_cast<std::size_t>(TextureKind::Ground)]);
  groundQuad.draw();
}

// Shadows fall on the pixels whose stencil holds `stencil`.
void GlRenderer::Impl::drawShadows(const View& view, const Mat4& viewProj, GLint stencil) const {
  // Each ground pixel darkens once however many shadows overlap on it.
  glEnable(GL_STENCIL_TEST);
  glStencilFunc(GL_EQUAL, stencil, 0xff);
  glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
  glEnable(GL_BLEND);
  glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
  glDepthMask(GL_FALSE);
  glEnable(GL_POLYGON_OFFSET_FILL);
  glPolygonOffset(-1.0f, -4.0f);
  // Flattened, the faces turned from the sun lie under the faces turned to it, wound the other
  // way: seen from above the ground only the sunlit half is drawn, and the shadow is the same.
  glEnable(GL_CULL_FACE);
  glCullFace(view.xyz[2] >= 0 ? GL_BACK : GL_FRONT);
  glUseProgram(shadow);
  glUniform1f(uniform(shadow, "uAlpha"), kShadowAlpha);
  glUniformMatrix4fv(uniform(shadow, "uViewProjFlatten"), 1, GL_FALSE,
                     (viewProj * shadowMatrix()).m.data());
  for (const ShapeGroup& group : shadowGroups)
    group.mesh->drawInstances(instanceVbo, group.first, group.count);
  glCullFace(GL_BACK);
  glDisable(GL_CULL_FACE);
  glDisable(GL_POLYGON_OFFSET_FILL);
  glDisable(GL_BLEND);
  glDisable(GL_STENCIL_TEST);
  glDepthMask(GL_TRUE);
}

void GlRenderer::Impl::drawSolids(const View& view, const Mat4& viewProj, bool markStencil) const {
  // The shapes are closed: their back faces are always hidden.
  glEnable(GL_CULL_FACE);
  // Over the kept background a shape hides the sky behind it: its pixels take shadows again.
  if (markStencil) {
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, kShadedStencil, 0xff);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
  }
  GLuint current = 0;
  for (const ShapeGroup& group : groups) {
    const GLuint program = group.mesh == &box ? boxSolid : solid;
    if (program != current) {
      glUseProgram(program);
      setLighting(program, view);
      glUniformMatrix4fv(uniform(program, "uViewProj"), 1, GL_FALSE, viewProj.m.data());
      current = program;
    }
    glUniform1i(uniform(program, "uTextured"), group.texture != 0);
    if (group.texture) glBindTexture(GL_TEXTURE_2D, group.texture);
    group.mesh->drawInstances(instanceVbo, group.first, group.count);
  }
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_CULL_FACE);
}

// Hardware GL smooths edges with four samples; a software rasterizer shades every sample, and
// four would cost more than the rest of the frame, so it draws one.
int GlRenderer::Impl::samples() const {
  if (software) return 1;
  GLint maxSamples = 0;
  glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
  return std::max(1, std::min(kMaxSamples, static_cast<int>(maxSamples)));
}

namespace {

// A framebuffer with a colour and a depth-stencil renderbuffer; false when the GL refuses it.
bool makeFramebuffer(GLsizei samples, int width, int height, GLuint& fbo, GLuint& color,
                     GLuint& depth) {
  glGenFramebuffers(1, &fbo);
  glGenRenderbuffers(1, &color);
  glGenRenderbuffers(1, &depth);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glBindRenderbuffer(GL_RENDERBUFFER, color);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples > 1 ? samples : 0, GL_RGBA8, width,
                                   height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
  glBindRenderbuffer(GL_RENDERBUFFER, depth);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples > 1 ? samples : 0, GL_DEPTH24_STENCIL8,
                                   width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
  return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void releaseFramebuffer(GLuint& fbo, GLuint& color, GLuint& depth) {
  if (!fbo) return;
  glDeleteFramebuffers(1, &fbo);
  const GLuint buffers[] = {color, depth};
  glDeleteRenderbuffers(depth ? 2 : 1, buffers);
  fbo = color = depth = 0;
}

}  // namespace

bool GlRenderer::Impl::makeTarget(int width, int height) {
  if (drawnFbo && width == targetWidth && height == targetHeight) return true;
  releaseTarget();
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
  if (width > maxSize || height > maxSize) return false;
  const GLsizei sampleCount = samples();
  bool ok = makeFramebuffer(sampleCount, width, height, drawnFbo, drawnColor, drawnDepth);
  if (sampleCount > 1) {
    glGenFramebuffers(1, &resolvedFbo);
    glGenRenderbuffers(1, &resolvedColor);
    glBindFramebuffer(GL_FRAMEBUFFER, resolvedFbo);
    glBindRenderbuffer(GL_RENDERBUFFER, resolvedColor);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, resolvedColor);
    ok = ok && glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  }
  // The background keeps the target's sampling, so that a frame starts from a plain copy.
  if (cacheBackground)
    ok = ok && makeFramebuffer(sampleCount, width, height, backgroundFbo, backgroundColor,
                               backgroundDepth);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  targetWidth = width;
  targetHeight = height;
  if (ok) return true;
  releaseTarget();
  return false;
}

void GlRenderer::Impl::releaseTarget() {
  GLuint noDepth = 0;
  releaseFramebuffer(drawnFbo, drawnColor, drawnDepth);
  releaseFramebuffer(resolvedFbo, resolvedColor, noDepth);
  releaseFramebuffer(backgroundFbo, backgroundColor, backgroundDepth);
  backgroundValid = sceneValid = false;
  changed.markAll();
}

// The state every pass starts from, on the bound framebuffer.
void GlRenderer::Impl::beginPass(int width, int height) const {
  glViewport(0, 0, width, height);
  glClearColor(kHaze[0], kHaze[1], kHaze[2], 1);
  glClearStencil(0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glActiveTexture(GL_TEXTURE0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
}

// Everything drawn afresh, nearest first, so that the depth test spares the pixels hidden behind.
void GlRenderer::Impl::drawFresh(const View& view, const Mat4& viewProj) const {
  drawSolids(view, viewProj, false);
  drawGround(view, viewProj);
  if (view.shadows) drawShadows(view, viewProj, 0);
  drawSky(view, viewProj);
}

// The ground, its pixels marked as taking shadows, then the sky where the ground left the far
// plane.
void GlRenderer::Impl::drawBackground(const View& view, const Mat4& viewProj) const {
  glEnable(GL_STENCIL_TEST);
  glStencilFunc(GL_ALWAYS, kShadedStencil, 0xff);
  glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
  drawGround(view, viewProj);
  glDisable(GL_STENCIL_TEST);
  drawSky(view, viewProj);
}

// Each pixel ends as in drawFresh. The kept colours, depths and stencil are copied (colour,
// depth and stencil together are a plain copy of memory on a software rasterizer, where depth
// alone would cost a pass of its own), so a shape in front of the ground wins its pixel either
// way, and the shadows meet the same depths. They fall only on the ground's and the shapes'
// pixels: the sky, drawn last, covers the others.
void GlRenderer::Impl::drawOverBackground(const View& view, const Mat4& viewProj,
                                          const BackgroundKey& key) {
  const int width = key.width, height = key.height;
  if (!backgroundValid || !(key == backgroundKey)) {
    glBindFramebuffer(GL_FRAMEBUFFER, backgroundFbo);
    beginPass(width, height);
    drawBackground(view, viewProj);
    backgroundKey = key;
    backgroundValid = true;
    changed.markAll();
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, backgroundFbo);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, drawnFbo);
  const std::vector<PixelRect> copied =
      changed.all() ? std::vector<PixelRect>{{0, 0, width, height}} : changed.rects();
  for (const PixelRect& r : copied)
    glBlitFramebuffer(r.x0, r.y0, r.x1, r.y1, r.x0, r.y0, r.x1, r.y1,
                      GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT,
                      GL_NEAREST);
  changed = drawing;
  glBindFramebuffer(GL_FRAMEBUFFER, drawnFbo);
  drawSolids(view, viewProj, true);
  // A software rasterizer starts shading the solids on its own threads while this one prepares
  // the shadows, instead of taking both when the picture is read.
  glFlush();
  if (view.shadows) drawShadows(view, viewProj, kShadedStencil);
}

// The frame into the renderer's own target.
void GlRenderer::Impl::drawScene(std::span<const DrawCall> calls, const View& view, int width,
                                 int height) {
  if (!texturesLoaded || textureDir != view.textureDir) loadTextures(view.textureDir);
  const Mat4 viewProj = projectionMatrix(width, height) * viewMatrix(view);
  const BackgroundKey key{viewProj,      {view.xyz[0], view.xyz[1], view.xyz[2]},
                          view.textures, textureGeneration,
                          width,         height};
  if (cacheBackground && sceneValid && key == backgroundKey && view.shadows == sceneShadows &&
      std::equal(calls.begin(), calls.end(), sceneCalls.begin(), sceneCalls.end()))
    return;
  glBindFramebuffer(GL_FRAMEBUFFER, drawnFbo);
  glViewport(0, 0, width, height);
  glActiveTexture(GL_TEXTURE0);
  gatherShapes(calls, view, viewProj, width, height);
  if (cacheBackground) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    drawOverBackground(view, viewProj, key);
    sceneCalls.assign(calls.begin(), calls.end());
    sceneShadows = view.shadows;
    sceneValid = true;
  } else {
    beginPass(width, height);
    drawFresh(view, viewProj);
  }
  glBindVertexArray(0);
  glUseProgram(0);
}

// An RGBA pixel's alpha byte, read as one 32-bit word.
constexpr std::uint32_t kOpaqueAlpha =
    std::endian::native == std::endian::little ? 0xff000000u : 0x000000ffu;

// A single-sampled framebuffer's pixels, rows from the top.
static Image readPixels(GLuint fbo, int width, int height) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
  Image image{width, height,
              std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height) * 4)};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  // GL's rows run from the bottom, pictures' from the top; the alpha the drawing left is made
  // opaque on the way, in the same pass over the pixels.
  const std::size_t rowBytes = std::size_t(width) * 4;
  const auto opaque = [](std::uint8_t* pixel) {
    std::uint32_t value;
    std::memcpy(&value, pixel, 4);
    value |= kOpaqueAlpha;
    return value;
  };
  for (int y = 0; y < (height + 1) / 2; ++y) {
    std::uint8_t* top = &image.rgba[std::size_t(y) * rowBytes];
    std::uint8_t* bottom = &image.rgba[std::size_t(height - 1 - y) * rowBytes];
    for (std::size_t i = 0; i < rowBytes; i += 4) {
      const std::uint32_t up = opaque(top + i), down = opaque(bottom + i);
      std::memcpy(top + i, &down, 4);
      std::memcpy(bottom + i, &up, 4);
    }
  }
  return image;
}

// The drawn target's pixels, resolved first when multisampled, rows from the top.
Image GlRenderer::Impl::readBack(int width, int height) const {
  if (resolvedFbo) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, drawnFbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolvedFbo);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  }
  return readPixels(resolvedFbo ? resolvedFbo : drawnFbo, width, height);
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
  r.solid = linkProgram(kSolidVertex, header + kLighting + kSolidFragment, error);
  r.boxSolid =
      r.solid ? linkProgram(kSolidVertex,
                            header + "#define FLAT_FACES\n" + kLighting + kSolidFragment, error)
              : 0;
  r.ground =
      r.boxSolid ? linkProgram(kGroundVertex, header + kLighting + kGroundFragment, error) : 0;
  r.sky = r.ground ? linkProgram(kSkyVertex, kSkyFragment, error) : 0;
  r.shadow = r.sky ? linkProgram(kShadowVertex, kShadowFragment, error) : 0;
  if (!r.shadow) {
    for (GLuint program : {r.solid, r.boxSolid, r.ground, r.sky})
      if (program) glDeleteProgram(program);
    r.solid = 0;
    return false;
  }
  const std::string renderer = rendererName();
  r.software = softwareRasterizer(renderer);
  r.llvmpipe = llvmpipeRasterizer(renderer);
  const char* cache = std::getenv(kBackgroundCacheSwitch);
  r.cacheBackground = !(cache && std::strcmp(cache, "0") == 0);
  glGenBuffers(1, &r.instanceVbo);
  r.box.upload(boxMesh(), r.instanceVbo);
  r.sphere.upload(sphereMesh(), r.instanceVbo);
  r.cylinder.upload(cylinderMesh(), r.instanceVbo);
  r.groundQuad.upload(squareMesh(), 0);
  glGenVertexArrays(1, &r.emptyVao);
  for (GLuint program : {r.solid, r.boxSolid, r.ground, r.sky}) {
    glUseProgram(program);
    glUniform1i(uniform(program, "uTexture"), 0);
  }
  return true;
}

void GlRenderer::startLoadingTextures(const std::string& dir) {
  impl_->loadingDir = dir;
  impl_->texturesLoading = loadTexturesInBackground(dir);
}

void GlRenderer::draw(std::span<const DrawCall> calls, const View& view, int width, int height) {
  Impl& r = *impl_;
  if (width <= 0 || height <= 0 || !r.solid) return;
  GLint destination = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &destination);
  if (!r.makeTarget(width, height)) return;
  r.drawScene(calls, view, width, height);
  // Shown with the renderer's own sampling: resolved by the copy when multisampled.
  glBindFramebuffer(GL_READ_FRAMEBUFFER, r.drawnFbo);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(destination));
  glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(destination));
  // Over the copy: the target keeps the scene alone, for the next frame.
  r.overlay.draw(view, width, height);
  r.shownFbo = static_cast<GLuint>(destination);
  r.shownWidth = width;
  r.shownHeight = height;
}

// The scene and then the overlay into the renderer's own target.
void GlRenderer::Impl::drawWithOverlay(std::span<const DrawCall> calls, const View& view, int width,
                                       int height) {
  drawScene(calls, view, width, height);
  if (!view.overlay) return;
  glBindFramebuffer(GL_FRAMEBUFFER, drawnFbo);
  const auto [left, top, right, bottom] = overlay.draw(view, width, height);
  sceneValid = false;  // the target holds more than the scene now
  // GL's rows run from the bottom.
  changed.markRect({left, height - bottom, right, height - top});
}

Image GlRenderer::picture(std::span<const DrawCall> calls, const View& view, int width,
                          int height) {
  Impl& r = *impl_;
  if (width <= 0 || height <= 0 || !r.solid || !r.makeTarget(width, height)) return {};
  r.drawWithOverlay(calls, view, width, height);
  return r.readBack(width, height);
}

unsigned GlRenderer::drawForReading(std::span<const DrawCall> calls, const View& view, int width,
                                    int height) {
  Impl& r = *impl_;
  if (width <= 0 || height <= 0 || !r.solid || r.samples() > 1 || !r.makeTarget(width, height))
    return 0;
  r.drawWithOverlay(calls, view, width, height);
  r.shownFbo = r.drawnFbo;
  r.shownWidth = width;
  r.shownHeight = height;
  return r.drawnFbo;
}

Image GlRenderer::shownPicture() {
  Impl& r = *impl_;
  if (r.shownWidth <= 0) return {};
  return readPixels(r.shownFbo, r.shownWidth, r.shownHeight);
}

Image GlRenderer::emptyPicture(int width, int height) {
  Impl& r = *impl_;
  if (width <= 0 || height <= 0 || !r.solid || !r.makeTarget(width, height)) return {};
  glBindFramebuffer(GL_FRAMEBUFFER, r.drawnFbo);
  r.beginPass(width, height);
  r.sceneValid = false;
  r.changed.markAll();
  return r.readBack(width, height);
}

bool GlRenderer::software() const {
  return impl_->software;
}
