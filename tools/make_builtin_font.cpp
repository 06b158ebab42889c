// Writes the overlay's built-in Latin font, the one it falls back on when fontconfig finds no
// font: printable ASCII, one bit per pixel in 8 x 16 cells, drawn once from a monospaced outline
// font with FreeType and kept in the source, so the fallback needs no font on the machine.
//   make_builtin_font FONT_FILE > host/overlay/builtin_font_glyphs.inc
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>

constexpr int kCellWidth = 8;
constexpr int kCellHeight = 16;
constexpr int kPixelHeight = 14;
constexpr int kBaseline = 12;  // rows above the baseline in a cell
constexpr char32_t kFirst = 32, kLast = 126;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_builtin_font FONT_FILE\n");
    return 2;
  }
  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) || FT_New_Face(library, argv[1], 0, &face) ||
      FT_Set_Pixel_Sizes(face, 0, kPixelHeight)) {
    std::fprintf(stderr, "make_builtin_font: cannot read %s\n", argv[1]);
    return 1;
  }
  std::printf(
      "// Made by tools/make_builtin_font from %s: rows of 8 pixels, top first, the\n"
      "// leftmost pixel in the high bit; one line per character from ' ' to '~'.\n",
      face->family_name);
  for (char32_t c = kFirst; c <= kLast; ++c) {
    unsigned char rows[kCellHeight] = {};
    if (FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) == 0) {
      const FT_Bitmap& bitmap = face->glyph->bitmap;
      const int left = face->glyph->bitmap_left, top = kBaseline - face->glyph->bitmap_top;
      for (int y = 0; y < static_cast<int>(bitmap.rows); ++y) {
        for (int x = 0; x < static_cast<int>(bitmap.width); ++x) {
          const int cellX = left + x, cellY = top + y;
          if (cellX < 0 || cellX >= kCellWidth || cellY < 0 || cellY >= kCellHeight) continue;
          if (bitmap.buffer[y * bitmap.pitch + x / 8] & (0x80 >> (x % 8)))
            rows[cellY] |= static_cast<unsigned char>(0x80 >> cellX);
        }
      }
    }
    std::printf("{");
    for (int y = 0; y < kCellHeight; ++y)
      std::printf("0x%02x%s", rows[y], y + 1 < kCellHeight ? "," : "");
    // A backslash would end its comment line with a line splice.
    if (c == '\\')
      std::printf("},  // backslash\n");
    else
      std::printf("},  // %c\n", static_cast<char>(c));
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return 0;
}
