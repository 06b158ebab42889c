#include "key_script.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "shown_text.h"

namespace {

constexpr size_t kShownToken = 24;
// Longer than any game played or written by hand (a 200,000-frame soak script is 13 MiB): what
// goes on past this is /dev/zero or an endless pipe, and reading stops rather than fill memory.
constexpr size_t kMaxScriptBytes = size_t{256} << 20;

// Reads to the end, or to one byte past kMaxScriptBytes; false with errno on a read error (a
// closed descriptor, a directory).
bool readAtMost(int fd, std::string& text) {
  char buffer[1 << 16];
  while (text.size() <= kMaxScriptBytes) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    text.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

bool isSpace(char c) {
  return c == ' ' || c == '\t';
}

std::string shown(std::string_view token) {
  return shownText(token, kShownToken);
}

// The next line of the text: LF, CRLF and a lone CR each end one.
std::string_view nextLine(std::string_view& text) {
  const size_t end = text.find_first_of("\r\n");
  const std::string_view line = text.substr(0, end);
  if (end == std::string_view::npos) {
    text = {};
  } else {
    const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    text.remove_prefix(end + (crlf ? 2 : 1));
  }
  return line;
}

// The words of one line, one at a time: '#' anywhere starts a comment that runs to the line's
// end. Kept to one word at a time, so a line of millions of keys takes no list of them.
class Words {
 public:
  explicit Words(std::string_view line) : line_(line) {}

  // The next word, or false at the end; false with a reason on a byte that has no place in a
  // script.
  bool next(std::string_view& word, std::string& why) {
    while (i_ < line_.size() && isSpace(line_[i_])) ++i_;
    if (i_ >= line_.size() || line_[i_] == '#') return false;
    const size_t start = i_;
    while (i_ < line_.size() && !isSpace(line_[i_]) && line_[i_] != '#') {
      const unsigned char c = static_cast<unsigned char>(line_[i_]);
      if (c < 32 || c >= 127) {
        char text[64];
        std::snprintf(text, sizeof text, "unexpected byte 0x%02x at column %zu", c, i_ + 1);
        why = text;
        return false;
      }
      ++i_;
    }
    word = line_.substr(start, i_ - start);
    return true;
  }

 private:
  std::string_view line_;
  size_t i_ = 0;
};

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

// Reads every line, calling onFrame(frame) for a line with a frame number and then onKey(key) for
// each of its keys; false with "NAME:LINE: reason" at the first malformed line.
template <typename OnFrame, typename OnKey>
bool readLines(std::string_view text, std::string_view name, std::string& error, OnFrame onFrame,
               OnKey onKey) {
  long lineNumber = 0;
  long lastFrame = 0;
  while (!text.empty()) {
    Words words(nextLine(text));
    ++lineNumber;
    std::string why;
    auto fail = [&](const std::string& reason) {
      error = std::string(name) + ":" + std::to_string(lineNumber) + ": " + reason;
      return false;
    };
    std::string_view number;
    if (!words.next(number, why)) {
      if (!why.empty()) return fail(why);
      continue;
    }
    long frame = 0;
    auto [numberEnd, ec] = std::from_chars(number.data(), number.data() + number.size(), frame);
    if (number[0] == '-' || ec != std::errc() || numberEnd != number.data() + number.size()) {
      return fail("'" + shown(number) + "' is not a frame number (a whole number from 0)");
    }
    if (frame < lastFrame) {
      return fail("frame " + std::to_string(frame) + " comes after frame " +
                  std::to_string(lastFrame) + "; frame numbers never go down");
    }
    lastFrame = frame;
    onFrame(frame);
    std::string_view word;
    while (words.next(word, why)) {
      Key key;
      if (!parseKey(word, key, why)) return fail(why);
      onKey(key);
    }
    if (!why.empty()) return fail(why);
  }
  return true;
}

}  // namespace

std::span<const Key> KeyScript::keysFor(long frame) {
  while (next_ < entries.size() && entries[next_].frame < frame) ++next_;
  if (next_ < entries.size() && entries[next_].frame == frame) return entries[next_].keys;
  return {};
}

bool parseKeyScript(std::string_view text, std::string_view name, KeyScript& script,
                    std::string& error) {
  script = KeyScript{};
  // Counted first and kept in one block, so a script takes a known, small multiple of its size
  // (no room left over from growing lists, no list per line).
  size_t entries = 0, keys = 0;
  long last = -1;
  auto countFrame = [&](long frame) {
    if (frame != last) ++entries;
    last = frame;
  };
  if (!readLines(text, name, error, countFrame, [&](const Key&) { ++keys; })) return false;
  script.entries.reserve(entries);
  script.keys_.reserve(keys);
  auto addFrame = [&](long frame) {
    if (script.entries.empty() || script.entries.back().frame != frame)
      script.entries.push_back({frame, {script.keys_.data() + script.keys_.size(), 0}});
  };
  auto addKey = [&](const Key& key) {
    script.keys_.push_back(key);
    std::span<const Key>& frameKeys = script.entries.back().keys;
    frameKeys = {frameKeys.data(), frameKeys.size() + 1};
  };
  std::string ignored;
  readLines(text, name, ignored, addFrame, addKey);
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
    if (!readAtMost(STDIN_FILENO, text)) return fail(std::strerror(errno));
  } else {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(std::strerror(errno));
    // Room for the whole file at once: grown step by step, the text would hold up to twice its
    // size while it is read.
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
      text.reserve(std::min(static_cast<size_t>(info.st_size), kMaxScriptBytes + 1));
    const bool read = readAtMost(fd, text);
    const int fault = errno;
    close(fd);
    if (!read) return fail(std::strerror(fault));
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
