// The overlay's font: a system font with Hangul and Latin found through fontconfig and drawn by
// FreeType, or, where there is none, the built-in Latin font.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One character's picture: coverage 0..255, rows from the top, placed against the pen on the
// baseline.
struct GlyphImage {
  int width = 0, height = 0;
  int left = 0;  // pixels from the pen to the picture's left edge
  int top = 0;   // pixels from the baseline up to the picture's top row
  int advance = 0;
  std::vector<std::uint8_t> coverage;
};

class OverlayFont {
 public:
  virtual ~OverlayFont() = default;
  virtual GlyphImage glyph(char32_t c) = 0;
  virtual int ascent() const = 0;
  virtual int lineHeight() const = 0;
};

// The built-in Latin font: printable ASCII; any other character is drawn as '?'.
std::unique_ptr<OverlayFont> builtinFont();

// The system font at this pixel size, or the built-in font with a one-line warning saying why.
std::unique_ptr<OverlayFont> openOverlayFont(int pixelSize, std::string& warning);
