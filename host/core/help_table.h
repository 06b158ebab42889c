// What the program can be told, in one table: --help, the window's help panel and the manual page
// are all made from it, so they cannot drift apart.
#pragma once

#include <span>
#include <string_view>

struct OptionHelp {
  std::string_view names;  // "-noshadow, -noshadows"
  std::string_view value;  // "N", "FILE", or empty
  std::string_view text;
};

struct KeyHelp {
  std::string_view keys;  // "w / s", "ctrl-p", "left drag"
  std::string_view text;
};

struct KeyGroup {
  std::string_view title;  // "Game keys", "Host keys", "Mouse"
  std::span<const KeyHelp> keys;
};

std::span<const OptionHelp> optionHelp();
std::span<const KeyGroup> keyHelp();
