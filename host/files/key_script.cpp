#include "key_script.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

constexpr size_t kShownToken = 24;
// Longer than any game played or written by hand (a 200,000-frame soak script is 13 MiB): what
// goes on past this is /dev/zero or an endless pipe, and reading stops rather than fill memory.
constexpr size_t kMaxScriptBytes = size_t{256} << 20;

// Reads to the end, or to one byte past kMaxScriptBytes; false on a read error.
bool readAtMost(std::istream& in, std::string& text) {
  char buffer[1 << 16];
  while (in && text.size() <= kMaxScriptBytes) {
    in.read(buffer, sizeof buffer);
    text.append(buffer, static_cast<size_t>(in.gcount()));
  }
  return !in.bad();
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string shown(std::string_view token) {
  std::string out;
  for (char c : token.substr(0, kShownToken)) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 32 && u < 127) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", u);
      out += hex;
    }
  }
  if (token.size() > kShownToken) out += "...";
  return out;
}

bool parseKey(std::string_view token, Key& key, std::string& why) {
  if (token.size() == 1) {
    unsigned char c = static_cast<unsigned char>(token[0]);
    if (c > 32 && c < 127 && c != '#') {
      key = Key{HostKey::None, c};
      return true;
    }
  } else if (token == "space") {
    key = Key{HostKey::None, ' '};
    return true;
  } else if (token.starts_with("code:")) {
    std::string_view digits = token.substr(5);
    int code = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
    if (!digits.empty() && ec == std::errc() && end == digits.data() + digits.size()) {
      key = Key{HostKey::None, code};
      return true;
    }
    why = "bad key code '" + shown(token) + "' (code:N takes a whole number that fits an int)";
    return false;
  } else if (auto host = hostKeyFromName(token)) {
    key = Key{*host, 0};
    return true;
  }
  why = "unknown key '" + shown(token) + "'";
  return false;
}

// Splits a line into words, dropping a comment; false on a byte that has no place in a script.
bool splitWords(std::string_view line, std::vector<std::string_view>& words, std::string& why) {
  words.clear();
  size_t i = 0;
  while (i < line.size()) {
    if (isSpace(line[i])) {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    size_t start = i;
    while (i < line.size() && !isSpace(line[i])) {
      unsigned char c = static_cast<unsigned char>(line[i]);
      if (c < 32 || c >= 127) {
        char text[64];
        std::snprintf(text, sizeof text, "unexpected byte 0x%02x at column %zu", c, i + 1);
        why = text;
        return false;
      }
      ++i;
    }
    words.push_back(line.substr(start, i - start));
  }
  return true;
}

}  // namespace

std::span<const Key> KeyScript::keysFor(long frame) {
  while (next_ < entries.size() && entries[next_].frame < frame) ++next_;
  merged_.clear();
  while (next_ < entries.size() && entries[next_].frame == frame) {
    merged_.insert(merged_.end(), entries[next_].keys.begin(), entries[next_].keys.end());
    ++next_;
  }
  return merged_;
}

bool parseKeyScript(std::string_view text, std::string_view name, KeyScript& script,
                    std::string& error) {
  script = KeyScript{};
  std::vector<std::string_view> words;
  long lineNumber = 0;
  long lastFrame = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++lineNumber;

    std::string why;
    auto fail = [&](const std::string& reason) {
      error = std::string(name) + ":" + std::to_string(lineNumber) + ": " + reason;
      return false;
    };
    if (!splitWords(line, words, why)) return fail(why);
    if (words.empty()) continue;

    KeyScript::Entry entry;
    std::string_view number = words[0];
    auto [numberEnd, ec] =
        std::from_chars(number.data(), number.data() + number.size(), entry.frame);
    if (number[0] == '-' || ec != std::errc() || numberEnd != number.data() + number.size()) {
      return fail("'" + shown(number) + "' is not a frame number (a whole number from 0)");
    }
    if (entry.frame < lastFrame) {
      return fail("frame " + std::to_string(entry.frame) + " comes after frame " +
                  std::to_string(lastFrame) + "; frame numbers never go down");
    }
    lastFrame = entry.frame;
    for (size_t i = 1; i < words.size(); ++i) {
      Key key;
      if (!parseKey(words[i], key, why)) return fail(why);
      entry.keys.push_back(key);
    }
    script.entries.push_back(std::move(entry));
  }
  return true;
}

bool loadKeyScript(const std::string& path, KeyScript& script, std::string& error) {
  const std::string name = path == "-" ? "standard input" : path;
  auto fail = [&](const std::string& why) {
    error = "cannot read key script '" + name + "': " + why;
    return false;
  };
  std::string text;
  if (path == "-") {
    if (!readAtMost(std::cin, text)) return fail(std::strerror(errno));
  } else if (std::error_code ec; std::filesystem::is_directory(path, ec)) {
    return fail(std::strerror(EISDIR));
  } else {
    std::ifstream in(path, std::ios::binary);
    if (!in || !readAtMost(in, text)) return fail(std::strerror(errno));
  }
  if (text.size() > kMaxScriptBytes) {
    return fail("longer than " + std::to_string(kMaxScriptBytes >> 20) + " MiB");
  }
  return parseKeyScript(text, name, script, error);
}

std::string keyToken(const Key& key) {
  if (key.host != HostKey::None) return std::string(hostKeyName(key.host));
  if (key.code == ' ') return "space";
  if (key.code > 32 && key.code < 127 && key.code != '#') return std::string(1, char(key.code));
  return "code:" + std::to_string(key.code);
}

std::string keyLine(long frame, std::span<const Key> keys) {
  std::string line = std::to_string(frame);
  for (const Key& key : keys) line += " " + keyToken(key);
  return line;
}
