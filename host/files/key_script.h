// Key scripts: plain text, one line per frame that receives keys, "FRAME KEY KEY ...". A line
// ends at LF, CRLF or a lone CR; '#' starts a comment anywhere on a line.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keys.h"

struct KeyScript {
  struct Entry {
    long frame = 0;
    std::span<const Key> keys;  // every key of this frame, from all its lines, in order
  };
  std::vector<Entry> entries;  // one per frame that has a line, frames going up

  KeyScript() = default;
  // Moved, never copied: the entries point into the one block of keys.
  KeyScript(KeyScript&&) = default;
  KeyScript& operator=(KeyScript&&) = default;

  // The keys of frame f, in order; frames must be asked for in order.
  std::span<const Key> keysFor(long frame);

 private:
  friend bool parseKeyScript(std::string_view, std::string_view, KeyScript&, std::string&);
  std::vector<Key> keys_;
  size_t next_ = 0;
};

// Parses a script; on a malformed line, false with "NAME:LINE: reason" in error.
bool parseKeyScript(std::string_view text, std::string_view name, KeyScript& script,
                    std::string& error);
// Reads and parses a file ("-" is standard input).
bool loadKeyScript(const std::string& path, KeyScript& script, std::string& error);

// One key as a script writes it: "w", "space", "code:200", "ctrl-p".
std::string keyToken(const Key& key);
// One line of a script, without its newline.
std::string keyLine(long frame, std::span<const Key> keys);
