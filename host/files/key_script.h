// Key scripts: plain text, one line per frame that receives keys, "FRAME KEY KEY ...".
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keys.h"

struct KeyScript {
  struct Entry {
    long frame = 0;
    std::vector<Key> keys;
  };
  std::vector<Entry> entries;  // frames in order, never going down

  // The keys of frame f, in order; entries must be asked for in frame order.
  std::span<const Key> keysFor(long frame);

 private:
  size_t next_ = 0;
  std::vector<Key> merged_;
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
