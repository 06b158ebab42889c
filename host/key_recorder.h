// --record: every key delivered, written as a key script that replays the game frame for frame.
#pragma once

#include <cstdio>
#include <span>
#include <string>

#include "host/keys.h"

class KeyRecorder {
 public:
  ~KeyRecorder();
  bool open(const std::string& path, std::string& error);
  // One line for a frame that received keys; flushed at once, so a run cut short leaves whole
  // lines that replay.
  void record(long frame, std::span<const Key> keys);
  bool close(std::string& error);

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  int writeErrno_ = 0;
};
