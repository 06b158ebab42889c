// The built-in Latin font: 8 x 16 cells, one bit per pixel.
#include <array>
#include <cstdint>

#include "overlay_font.h"

namespace {

constexpr int kCellWidth = 8;
constexpr int kCellHeight = 16;
constexpr int kBaseline = 12;  // rows above the baseline in a cell
constexpr int kLineHeight = 18;
constexpr char32_t kFirst = ' ', kLast = '~', kMissing = '?';

constexpr std::uint8_t kGlyphs[][kCellHeight] = {
#include "builtin_font_glyphs.inc"
};
static_assert(std::size(kGlyphs) == kLast - kFirst + 1);

class BuiltinFont final : public OverlayFont {
 public:
  GlyphImage glyph(char32_t c) override {
    if (c < kFirst || c > kLast) c = kMissing;
    GlyphImage image;
    image.width = kCellWidth;
    image.height = kCellHeight;
    image.top = kBaseline;
    image.advance = kCellWidth;
    image.coverage.resize(kCellWidth * kCellHeight);
    const std::uint8_t* rows = kGlyphs[c - kFirst];
    for (int y = 0; y < kCellHeight; ++y)
      for (int x = 0; x < kCellWidth; ++x)
        image.coverage[y * kCellWidth + x] = (rows[y] & (0x80 >> x)) ? 255 : 0;
    return image;
  }
  int ascent() const override { return kBaseline; }
  int lineHeight() const override { return kLineHeight; }
};

}  // namespace

std::unique_ptr<OverlayFont> builtinFont() {
  return std::make_unique<BuiltinFont>();
}
