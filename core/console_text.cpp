#include "console_text.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace {

bool isKoreanCodeset(std::string_view codeset) {
  std::string name;
  for (char c : codeset) {
    if (std::isalnum(static_cast<unsigned char>(c))) name += static_cast<char>(std::toupper(c));
  }
  return name == "CP949" || name == "EUCKR" || name == "UHC";
}

// A character that the target cannot hold becomes '?' and the rest of the text goes on.
std::string iconvConvert(std::string_view utf8, const char* to) {
  iconv_t cd = iconv_open(to, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
  std::string out;
  std::string in(utf8);
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char buffer[256];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer, outPtr);
    if (done != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: skip one malformed or unmappable UTF-8 character.
    out += '?';
    size_t skip = 1;
    while (skip < inLeft && (static_cast<unsigned char>(inPtr[skip]) & 0xC0) == 0x80) ++skip;
    inPtr += skip;
    inLeft -= skip;
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string consoleCodeset() {
  locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return "ANSI_X3.4-1968";
  std::string codeset = nl_langinfo_l(CODESET, loc);
  freelocale(loc);
  return codeset;
}

std::string convertText(std::string_view utf8, std::string_view codeset) {
  if (!isKoreanCodeset(codeset)) return std::string(utf8);
  return iconvConvert(utf8, "CP949");
}

std::string toConsoleEncoding(std::string_view utf8) {
  static const std::string codeset = consoleCodeset();
  return convertText(utf8, codeset);
}
