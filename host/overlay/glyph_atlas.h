// The glyphs the overlay has drawn so far, packed into one texture in the current GL context.
#pragma once

#include <unordered_map>

#include "overlay_font.h"

struct AtlasGlyph {
  float u0 = 0, v0 = 0, u1 = 0, v1 = 0;  // where the picture lies in the texture
  int width = 0, height = 0, left = 0, top = 0, advance = 0;
};

class GlyphAtlas {
 public:
  explicit GlyphAtlas(OverlayFont& font);
  ~GlyphAtlas();
  GlyphAtlas(const GlyphAtlas&) = delete;
  GlyphAtlas& operator=(const GlyphAtlas&) = delete;

  // The character's glyph, drawn into the texture the first time it is asked for.
  const AtlasGlyph& glyph(char32_t c);
  // A texel of full coverage, for the panels behind the text.
  float solidU() const;
  float solidV() const;
  unsigned texture() const { return texture_; }

 private:
  bool place(int width, int height, int& x, int& y);

  OverlayFont& font_;
  unsigned texture_ = 0;
  std::unordered_map<char32_t, AtlasGlyph> glyphs_;
  int shelfX_ = 0, shelfY_ = 0, shelfHeight_ = 0;
};
