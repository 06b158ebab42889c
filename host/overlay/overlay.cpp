#include "overlay.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "glyph_atlas.h"
#include "help_table.h"
#include "overlay_font.h"
#include "shader_program.h"
#include "utf8.h"

namespace {

constexpr int kFontPixels = 16;
constexpr int kMargin = 10;     // from the window's edges; the top rows stay sky
constexpr int kPadding = 6;     // inside a panel, around its text
constexpr int kColumnGap = 16;  // between a key and what it does
struct Rgba {
  float r, g, b, a;
};
constexpr Rgba kPanel = {0.0f, 0.0f, 0.0f, 0.55f};
constexpr Rgba kPrinted = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr Rgba kStatus = {1.0f, 0.9f, 0.55f, 1.0f};
constexpr Rgba kTitle = {1.0f, 0.9f, 0.55f, 1.0f};
constexpr Rgba kKeyName = {0.6f, 0.85f, 1.0f, 1.0f};
constexpr Rgba kKeyText = {1.0f, 1.0f, 1.0f, 1.0f};

constexpr const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec2 aPos;
layout(location = 1) in vec2 aUv;
layout(location = 2) in vec4 aColor;
uniform vec2 uScreen;
out vec2 vUv;
out vec4 vColor;
void main() {
  gl_Position = vec4(aPos.x / uScreen.x * 2.0 - 1.0, 1.0 - aPos.y / uScreen.y * 2.0, 0.0, 1.0);
  vUv = aUv;
  vColor = aColor;
}
)";
constexpr const char* kFragmentShader = R"(#version 330 core
in vec2 vUv;
in vec4 vColor;
uniform sampler2D uAtlas;
out vec4 fragColor;
void main() {
  fragColor = vec4(vColor.rgb, vColor.a * texture(uAtlas, vUv).r);
}
)";

struct Vertex {
  float x, y, u, v;
  Rgba color;
};

// A process may make several renderers (tests make many): the missing font is said once.
void warnOnce(const std::string& warning) {
  static bool warned = false;
  if (warning.empty() || warned) return;
  std::fprintf(stderr, "cannoncar: %s\n", warning.c_str());
  warned = true;
}

}  // namespace

struct Overlay::Impl {
  bool tried = false;
  GLuint program = 0, vao = 0, vbo = 0;
  GLint screenUniform = -1;
  std::unique_ptr<OverlayFont> font;
  std::unique_ptr<GlyphAtlas> atlas;
  std::vector<Vertex> vertices;

  ~Impl();
  bool ready();
  int textWidth(std::string_view text);
  void rectangle(float x0, float y0, float x1, float y1, Rgba color);
  void text(std::string_view text, int x, int y, Rgba color);
  int hud(const View& view);
  void help(int width, int top);
};

Overlay::Impl::~Impl() {
  atlas.reset();
  if (program) glDeleteProgram(program);
  if (vbo) glDeleteBuffers(1, &vbo);
  if (vao) glDeleteVertexArrays(1, &vao);
}

bool Overlay::Impl::ready() {
  if (tried) return program != 0;
  tried = true;
  std::string error;
  program = linkProgram(kVertexShader, kFragmentShader, error);
  if (!program) {
    warnOnce("the overlay cannot be drawn: " + error);
    return false;
  }
  std::string warning;
  font = openOverlayFont(kFontPixels, warning);
  warnOnce(warning);
  atlas = std::make_unique<GlyphAtlas>(*font);
  screenUniform = glGetUniformLocation(program, "uScreen");
  glUseProgram(program);
  glUniform1i(glGetUniformLocation(program, "uAtlas"), 0);
  glGenVertexArrays(1, &vao);
  glGenBuffers(1, &vbo);
  glBindVertexArray(vao);
  glBindBuffer(GL_ARRAY_BUFFER, vbo);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                        reinterpret_cast<const void*>(offsetof(Vertex, u)));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                        reinterpret_cast<const void*>(offsetof(Vertex, color)));
  glBindVertexArray(0);
  return true;
}

int Overlay::Impl::textWidth(std::string_view text) {
  int width = 0;
  for (std::size_t i = 0; i < text.size();) width += atlas->glyph(nextCodePoint(text, i)).advance;
  return width;
}

void Overlay::Impl::rectangle(float x0, float y0, float x1, float y1, Rgba color) {
  const float u = atlas->solidU(), v = atlas->solidV();
  const Vertex a{x0, y0, u, v, color}, b{x1, y0, u, v, color}, c{x1, y1, u, v, color},
      d{x0, y1, u, v, color};
  vertices.insert(vertices.end(), {a, b, c, a, c, d});
}

// Text with its top-left corner at (x, y), glyphs on whole pixels.
void Overlay::Impl::text(std::string_view text, int x, int y, Rgba color) {
  const int baseline = y + font->ascent();
  for (std::size_t i = 0; i < text.size();) {
    const AtlasGlyph& g = atlas->glyph(nextCodePoint(text, i));
    if (g.width > 0) {
      const float x0 = float(x + g.left), y0 = float(baseline - g.top);
      const float x1 = x0 + float(g.width), y1 = y0 + float(g.height);
      const Vertex a{x0, y0, g.u0, g.v0, color}, b{x1, y0, g.u1, g.v0, color},
          c{x1, y1, g.u1, g.v1, color}, d{x0, y1, g.u0, g.v1, color};
      vertices.insert(vertices.end(), {a, b, c, a, c, d});
    }
    x += g.advance;
  }
}

// Top left: the game's last line (once it has printed one), then the host's line. Returns the
// HUD's bottom edge.
int Overlay::Impl::hud(const View& view) {
  std::vector<std::pair<std::string_view, Rgba>> lines;
  if (!view.printed.empty()) lines.push_back({view.printed, kPrinted});
  if (!view.status.empty()) lines.push_back({view.status, kStatus});
  if (lines.empty()) return 0;
  int width = 0;
  for (const auto& line : lines) width = std::max(width, textWidth(line.first));
  const int lineHeight = font->lineHeight();
  rectangle(kMargin, kMargin, float(kMargin + width + 2 * kPadding),
            float(kMargin + int(lines.size()) * lineHeight + 2 * kPadding), kPanel);
  int y = kMargin + kPadding;
  for (const auto& [line, color] : lines) {
    text(line, kMargin + kPadding, y, color);
    y += lineHeight;
  }
  return y + kPadding;
}

// Right, below the HUD: every group of the help table, keys in one column and what they do in
// the next.
void Overlay::Impl::help(int windowWidth, int top) {
  int keyWidth = 0, textWidthMax = 0, lines = 0;
  for (const KeyGroup& group : keyHelp()) {
    textWidthMax = std::max(textWidthMax, textWidth(group.title));
    ++lines;
    for (const KeyHelp& key : group.keys) {
      keyWidth = std::max(keyWidth, textWidth(key.keys));
      textWidthMax = std::max(textWidthMax, textWidth(key.text));
      ++lines;
    }
  }
  const int lineHeight = font->lineHeight();
  const int width = keyWidth + kColumnGap + textWidthMax + 2 * kPadding;
  const int x = std::max(kMargin, windowWidth - kMargin - width);
  rectangle(float(x), float(top), float(x + width), float(top + lines * lineHeight + 2 * kPadding),
            kPanel);
  int y = top + kPadding;
  for (const KeyGroup& group : keyHelp()) {
    text(group.title, x + kPadding, y, kTitle);
    y += lineHeight;
    for (const KeyHelp& key : group.keys) {
      text(key.keys, x + kPadding, y, kKeyName);
      text(key.text, x + kPadding + keyWidth + kColumnGap, y, kKeyText);
      y += lineHeight;
    }
  }
}

Overlay::Overlay() : impl_(std::make_unique<Impl>()) {}
Overlay::~Overlay() = default;

std::array<int, 4> Overlay::draw(const View& view, int width, int height) {
  if (!view.overlay || (!view.hud && !view.help) || width <= 0 || height <= 0) return {};
  Impl& o = *impl_;
  if (!o.ready()) return {};
  o.vertices.clear();
  const int hudBottom = view.hud ? o.hud(view) : 0;
  if (view.help) o.help(width, std::max(kMargin, hudBottom + kMargin / 2));
  if (o.vertices.empty()) return {};
  // The quads' corners, a pixel to spare round them for the edges' blending.
  float low[2] = {o.vertices[0].x, o.vertices[0].y}, high[2] = {low[0], low[1]};
  for (const Vertex& v : o.vertices) {
    low[0] = std::min(low[0], v.x), low[1] = std::min(low[1], v.y);
    high[0] = std::max(high[0], v.x), high[1] = std::max(high[1], v.y);
  }
  const auto pixel = [](float at, int size) {
    return static_cast<int>(std::clamp(at, 0.0f, static_cast<float>(size)));
  };
  const std::array<int, 4> drawn = {pixel(low[0] - 1, width), pixel(low[1] - 1, height),
                                    pixel(high[0] + 2, width), pixel(high[1] + 2, height)};

  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  // The picture's alpha stays as the scene left it.
  glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
  glUseProgram(o.program);
  glUniform2f(o.screenUniform, float(width), float(height));
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, o.atlas->texture());
  glBindVertexArray(o.vao);
  glBindBuffer(GL_ARRAY_BUFFER, o.vbo);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(o.vertices.size() * sizeof(Vertex)), o.vertices.data(),
               GL_STREAM_DRAW);
  glDrawArrays(GL_TRIANGLES, 0, GLsizei(o.vertices.size()));
  glBindVertexArray(0);
  glUseProgram(0);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  return drawn;
}
