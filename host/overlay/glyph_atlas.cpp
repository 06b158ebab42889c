#include "glyph_atlas.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int kSize = 512;   // the texture's side: room for some thousand glyphs at 16 pixels
constexpr int kSolid = 4;    // the block of full coverage in the corner
constexpr int kPadding = 1;  // between glyphs, so that no neighbour bleeds in

}  // namespace

GlyphAtlas::GlyphAtlas(OverlayFont& font) : font_(font) {
  glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  std::vector<std::uint8_t> blank(std::size_t(kSize) * kSize, 0);
  for (int y = 0; y < kSolid; ++y) std::fill_n(&blank[std::size_t(y) * kSize], kSolid, 255);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, kSize, kSize, 0, GL_RED, GL_UNSIGNED_BYTE, blank.data());
  // Glyphs land on whole pixels: nearest keeps them as FreeType drew them.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  // The first shelf starts right of the solid block and is at least as tall.
  shelfX_ = kSolid + kPadding;
  shelfHeight_ = kSolid;
}

GlyphAtlas::~GlyphAtlas() {
  glDeleteTextures(1, &texture_);
}

float GlyphAtlas::solidU() const {
  return (kSolid / 2.0f) / kSize;
}
float GlyphAtlas::solidV() const {
  return (kSolid / 2.0f) / kSize;
}

// Shelves from the top: a glyph goes right of the last one, or on a new shelf below.
bool GlyphAtlas::place(int width, int height, int& x, int& y) {
  if (shelfX_ + width > kSize) {
    shelfY_ += shelfHeight_ + kPadding;
    shelfX_ = 0;
    shelfHeight_ = 0;
  }
  if (shelfY_ + height > kSize || width > kSize) return false;
  x = shelfX_;
  y = shelfY_;
  shelfX_ += width + kPadding;
  shelfHeight_ = std::max(shelfHeight_, height);
  return true;
}

const AtlasGlyph& GlyphAtlas::glyph(char32_t c) {
  if (const auto found = glyphs_.find(c); found != glyphs_.end()) return found->second;
  const GlyphImage image = font_.glyph(c);
  AtlasGlyph glyph;
  glyph.advance = image.advance;
  int x = 0, y = 0;
  // A full texture leaves the rest of the characters as blanks of their width.
  if (image.width > 0 && image.height > 0 && place(image.width, image.height, x, y)) {
    glBindTexture(GL_TEXTURE_2D, texture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, image.width, image.height, GL_RED, GL_UNSIGNED_BYTE,
                    image.coverage.data());
    glyph.width = image.width;
    glyph.height = image.height;
    glyph.left = image.left;
    glyph.top = image.top;
    glyph.u0 = float(x) / kSize;
    glyph.v0 = float(y) / kSize;
    glyph.u1 = float(x + image.width) / kSize;
    glyph.v1 = float(y + image.height) / kSize;
  }
  return glyphs_.emplace(c, glyph).first->second;
}
