// --record: every key delivered, written as a key script that replays the game frame for frame.
#pragma once

#include <cstdio>
#include <span>
#include <string>

#include "keys.h"

class KeyRecorder {
 public:
  ~KeyRecorder();
  // Creates the file and writes its header line; false with a one-line reason when it cannot.
  bool open(const std::string& path, std::string& error);
  // One line for a frame that received keys; flushed at once, so a run cut short leaves whole
  // lines that replay.
  void record(long frame, std::span<const Key> keys);
  // Closes the file; false with a reason if a write failed. A record that lost a write is the only
  // copy of a game played by hand, and each of its whole lines replays: it is kept, cut back to
  // its last whole line, and the reason says how far it reaches.
  bool close(std::string& error);
  // Closes and removes the file, which holds nothing of a run that never started.
  void discard();
  bool failed() const { return writeErrno_ != 0; }

 private:
  bool write(const std::string& text);

  std::FILE* file_ = nullptr;
  bool regular_ = false;  // a device such as /dev/full is never cut back or removed
  std::string path_;
  int writeErrno_ = 0;
  long whole_ = 0;       // bytes in the file up to its last whole line
  long lastFrame_ = -1;  // the frame of the last whole line, -1 before any
};
