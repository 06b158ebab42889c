#include "shown_text.h"

#include <cstdio>

std::string shownText(std::string_view text, std::size_t limit) {
  std::string shown;
  std::size_t i = 0;
  for (; i < text.size() && shown.size() < limit; ++i) {
    const unsigned char u = static_cast<unsigned char>(text[i]);
    if (u < 0x20 || u == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", u);
      shown += hex;
    } else {
      shown += text[i];
    }
  }
  if (i < text.size()) shown += "...";
  return shown;
}

std::string quotedText(std::string_view text, std::size_t limit) {
  return "'" + shownText(text, limit) + "'";
}
