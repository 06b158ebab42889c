#include "utf8.h"

char32_t nextCodePoint(std::string_view text, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  const int extra = lead >= 0xf8 ? 0 : lead >= 0xf0 ? 3 : lead >= 0xe0 ? 2 : lead >= 0xc0 ? 1 : 0;
  if (extra == 0 || i + static_cast<std::size_t>(extra) >= text.size()) {
    ++i;
    return lead;
  }
  char32_t c = lead & (0x3f >> extra);
  for (int k = 1; k <= extra; ++k) {
    const unsigned char next = byte(i + static_cast<std::size_t>(k));
    if ((next & 0xc0) != 0x80) {
      ++i;
      return lead;
    }
    c = (c << 6) | (next & 0x3f);
  }
  i += static_cast<std::size_t>(extra) + 1;
  return c;
}
