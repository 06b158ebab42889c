// The system font through FreeType. Glyphs are drawn one by one as the overlay's texts first use
// them: a Hangul font has thousands, the HUD needs a few dozen.
#include <ft2build.h>
#include FT_FREETYPE_H

#include "font_lookup.h"
#include "overlay_font.h"

namespace {

// What the overlay must be able to write: the score line's Hangul and the Latin of the rest.
const std::u32string kMustCover = U"현제점수총사용한미일Aa0";

class FreeTypeFont final : public OverlayFont {
 public:
  ~FreeTypeFont() override {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
  }

  bool open(const FontFile& file, int pixelSize) {
    return FT_Init_FreeType(&library_) == 0 &&
           FT_New_Face(library_, file.path.c_str(), file.index, &face_) == 0 &&
           FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixelSize)) == 0;
  }

  GlyphImage glyph(char32_t c) override {
    GlyphImage image;
    if (FT_Load_Char(face_, c, FT_LOAD_RENDER) != 0) return image;
    const FT_GlyphSlot slot = face_->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    image.width = static_cast<int>(bitmap.width);
    image.height = static_cast<int>(bitmap.rows);
    image.left = slot->bitmap_left;
    image.top = slot->bitmap_top;
    image.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    image.coverage.resize(static_cast<std::size_t>(image.width * image.height));
    for (int y = 0; y < image.height; ++y) {
      const unsigned char* row = bitmap.buffer + y * bitmap.pitch;
      for (int x = 0; x < image.width; ++x) {
        // Embedded bitmaps come one bit per pixel; outlines as grey levels.
        const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
        image.coverage[static_cast<std::size_t>(y * image.width + x)] =
            mono ? ((row[x / 8] & (0x80 >> (x % 8))) ? 255 : 0) : row[x];
      }
    }
    return image;
  }

  int ascent() const override {
    return static_cast<int>((face_->size->metrics.ascender + 63) >> 6);
  }
  int lineHeight() const override {
    return static_cast<int>((face_->size->metrics.height + 63) >> 6);
  }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

}  // namespace

std::unique_ptr<OverlayFont> openOverlayFont(int pixelSize, std::string& warning) {
  const std::optional<FontFile> file = findFontFor(kMustCover);
  if (!file) {
    warning =
        "no font with Hangul found through fontconfig; the overlay uses its built-in Latin font";
    return builtinFont();
  }
  auto font = std::make_unique<FreeTypeFont>();
  if (!font->open(*file, pixelSize)) {
    warning = "cannot read the font " + file->path + "; the overlay uses its built-in Latin font";
    return builtinFont();
  }
  return font;
}
