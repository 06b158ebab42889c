// Writes the manual page from its template and the table behind --help: the options, the keys and
// the mouse come from the same place as --help, so the page cannot drift from the program.
//   make_manpage TEMPLATE OUTPUT VERSION TEXTURES
// In TEMPLATE, a line "@OPTIONS@" becomes the options, a line "@KEYS@" the keys and the mouse,
// and "@VERSION@" and "@TEXTURES@" (the installed texture directory) are replaced where they
// stand.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "help_table.h"

namespace {

// A word set in bold on the page: a backslash is written \e and a hyphen \-, the minus sign that
// readers type for an option.
std::string roffName(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  return out;
}

// Running text: a backslash is written \e, and a line must not start with a control character.
std::string roffText(std::string_view text) {
  std::string out = text.starts_with('.') || text.starts_with('\'') ? "\\&" : "";
  for (char c : text) out += c == '\\' ? std::string("\\e") : std::string(1, c);
  return out;
}

// "-noshadow, -noshadows" with each name in bold.
std::string boldNames(std::string_view names) {
  std::string out;
  while (!names.empty()) {
    const size_t comma = names.find(", ");
    out += "\\fB" + roffName(names.substr(0, comma)) + "\\fR";
    if (comma == std::string_view::npos) break;
    out += ", ";
    names.remove_prefix(comma + 2);
  }
  return out;
}

std::string optionsSection() {
  std::string out;
  for (const OptionHelp& option : optionHelp()) {
    out += ".TP\n" + boldNames(option.names);
    if (!option.value.empty()) out += " \\fI" + roffName(option.value) + "\\fR";
    out += "\n" + roffText(option.text) + "\n";
  }
  return out;
}

std::string keysSection() {
  std::string out;
  for (const KeyGroup& group : keyHelp()) {
    out += ".SS " + roffText(group.title) + "\n";
    for (const KeyHelp& key : group.keys)
      out += ".TP\n\\fB" + roffName(key.keys) + "\\fR\n" + roffText(key.text) + "\n";
  }
  return out;
}

void replaceAll(std::string& line, std::string_view token, std::string_view by) {
  for (size_t at = line.find(token); at != std::string::npos; at = line.find(token, at + by.size()))
    line.replace(at, token.size(), by);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: make_manpage TEMPLATE OUTPUT VERSION TEXTURES\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "make_manpage: cannot read %s\n", argv[1]);
    return 1;
  }
  std::ostringstream page;
  for (std::string line; std::getline(in, line);) {
    if (line == "@OPTIONS@") {
      page << optionsSection();
    } else if (line == "@KEYS@") {
      page << keysSection();
    } else {
      replaceAll(line, "@VERSION@", argv[3]);
      replaceAll(line, "@TEXTURES@", roffName(argv[4]));
      page << line << '\n';
    }
  }
  std::ofstream out(argv[2], std::ios::binary);
  out << page.str();
  if (!out.flush()) {
    std::fprintf(stderr, "make_manpage: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
