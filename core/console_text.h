// The game's texts are UTF-8 in the source; the console may want another code set (CP949 under a
// Korean CP949 or EUC-KR locale). Everything written to the console goes through here.
#pragma once

#include <string>
#include <string_view>

// The code set of the environment's LC_CTYPE locale, as nl_langinfo names it ("UTF-8",
// "CP949", "EUC-KR", "ANSI_X3.4-1968", ...).
std::string consoleCodeset();

// utf8 converted to the given code set. CP949 is used for both CP949 and EUC-KR consoles (its
// superset); any code set that is not Korean gets the UTF-8 text unchanged. Characters that the
// target cannot hold become '?', so no text is ever lost in whole.
std::string convertText(std::string_view utf8, std::string_view codeset);

// utf8 in the console's code set.
std::string toConsoleEncoding(std::string_view utf8);
