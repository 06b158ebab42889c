// Asks fontconfig for a font that covers both Hangul and Latin.
#pragma once

#include <optional>
#include <string>

struct FontFile {
  std::string path;
  int index = 0;  // the face within a collection
};

// The preferred sans-serif font that has the characters of `sample` (UTF-32), or nothing.
std::optional<FontFile> findFontFor(const std::u32string& sample);
