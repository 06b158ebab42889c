// --record: every key delivered, written as a key script that replays the game frame for frame.
#pragma once

#include <span>
#include <string>

#include "keys.h"
#include "output_file.h"

class KeyRecorder {
 public:
  KeyRecorder();
  // Opens the file (see OutputFile); false with a one-line reason when it cannot.
  bool open(const std::string& path, std::string& error);
  // The header line; false with a one-line reason when the file takes nothing (a full device),
  // so that is known before the first frame.
  bool writeHeader(std::string& error);
  // One line for a frame that received keys; written at once, so a run cut short leaves whole
  // lines that replay.
  void record(long frame, std::span<const Key> keys);
  // Closes the file; false with a reason if a write failed. A record that lost a write is the only
  // copy of a game played by hand, and each of its whole lines replays: it is kept, cut back to
  // its last whole line, and the reason says how far it reaches.
  bool close(std::string& error);
  // Closes the file of a run that never started (see OutputFile::discard).
  void discard() { file_.discard(); }
  bool failed() const { return file_.failed(); }
  // Marks the file as failed for this reason (the run ran out of memory, say).
  void fail(const std::string& reason) { file_.fail(reason); }

 private:
  OutputFile file_;
  long lastFrame_ = -1;  // the frame of the last whole line, -1 before any
};
