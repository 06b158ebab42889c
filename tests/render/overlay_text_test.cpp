// The overlay's reading of UTF-8 texts and its built-in font.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "overlay_font.h"
#include "utf8.h"

namespace {

std::u32string decoded(std::string_view text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) out += nextCodePoint(text, i);
  return out;
}

TEST(Utf8, WholeSequencesDecodeAndBrokenBytesStandForThemselves) {
  struct Case {
    std::string text;
    std::u32string characters;
  };
  const std::vector<Case> cases = {
      {"frame 7", U"frame 7"},
      {"현제 점수 : 3", U"현제 점수 : 3"},
      {"\xf0\x9f\x9a\x97", U"\U0001F697"},
      {"a\xed\x98", U"a\u00ed\u0098"},  // cut short at the end: no read past it
      {"\x80x", U"\u0080x"},            // a stray continuation byte
      {"\xe2(\xa1", U"\u00e2(\u00a1"},  // a lead byte followed by a non-continuation
      {"\xff\xfe", U"\u00ff\u00fe"},    // bytes that never start a sequence
  };
  for (const Case& c : cases) EXPECT_EQ(decoded(c.text), c.characters) << c.text;
}

TEST(BuiltinFont, DrawsAsciiAndAQuestionMarkForAnythingElse) {
  auto font = builtinFont();
  const GlyphImage a = font->glyph(U'A');
  EXPECT_EQ(a.advance, 8);
  int inked = 0;
  for (auto c : a.coverage) inked += c == 255;
  EXPECT_GT(inked, 10);
  EXPECT_EQ(font->glyph(U'한').coverage, font->glyph(U'?').coverage);
  EXPECT_EQ(font->glyph(U'\t').coverage, font->glyph(U'?').coverage);
  int blank = 0;
  for (auto c : font->glyph(U' ').coverage) blank += c == 0;
  EXPECT_EQ(blank, 8 * 16);
}

}  // namespace
