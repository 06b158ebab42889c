#include "font_lookup.h"

#include <fontconfig/fontconfig.h>

namespace {

// Korean first: among the fonts that carry Hangul, fontconfig ranks those made for it highest.
constexpr const char* kWanted = "sans-serif:lang=ko";

bool hasAll(FcPattern* font, const std::u32string& sample) {
  FcCharSet* charset = nullptr;
  if (FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch) return false;
  for (char32_t c : sample)
    if (!FcCharSetHasChar(charset, c)) return false;
  return true;
}

std::optional<FontFile> firstWithAll(FcFontSet* fonts, const std::u32string& sample) {
  for (int i = 0; fonts && i < fonts->nfont; ++i) {
    FcPattern* font = fonts->fonts[i];
    FcChar8* file = nullptr;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || !hasAll(font, sample))
      continue;
    int index = 0;
    FcPatternGetInteger(font, FC_INDEX, 0, &index);
    return FontFile{reinterpret_cast<const char*>(file), index};
  }
  return std::nullopt;
}

}  // namespace

std::optional<FontFile> findFontFor(const std::u32string& sample) {
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) return std::nullopt;
  std::optional<FontFile> found;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(kWanted));
  if (pattern) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* fonts = FcFontSort(config, pattern, FcFalse, nullptr, &result);
    found = firstWithAll(fonts, sample);
    if (fonts) FcFontSetDestroy(fonts);
    FcPatternDestroy(pattern);
  }
  // The configuration is the process's only for the look-up: the face is opened by its path.
  FcConfigDestroy(config);
  return found;
}
