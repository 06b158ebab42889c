// Traces: every frame's calls as JSON Lines, one line per call of the step callback.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "backend.h"
#include "view.h"

class TraceWriter : public Backend {
 public:
  ~TraceWriter() override;

  // Creates the file; false with a one-line reason when it cannot.
  bool open(const std::string& path, std::string& error);
  // The first line: size, texture directory and the viewpoint.
  // The game's own viewpoint, and beside it the --view camera that replaced it, if any.
  void writeHeader(const View& view, const float* viewOverride = nullptr);

  void beginFrame(const FrameInfo& info) override;
  void draw(const DrawCall& call) override;
  void print(std::string_view text) override;
  // Writes and flushes the frame's line, so a run cut short leaves whole lines.
  void endFrame() override;

  // Closes the file; false with a reason if any write failed. A trace that lost a write is
  // removed (when it is a regular file): a cut-short trace would pass for a whole one, and the
  // key script that made it makes it again.
  bool close(std::string& error);
  // Closes and removes the file, which holds nothing of a run that never started.
  void discard();
  bool failed() const { return writeErrno_ != 0; }

 private:
  void flushLine();

  std::FILE* file_ = nullptr;
  bool regular_ = false;  // a device such as /dev/full is never removed
  std::string path_;
  std::string line_;
  std::string prints_;
  bool firstDraw_ = true;
  int writeErrno_ = 0;
};

// Appends text as a JSON string literal.
void appendJsonString(std::string& out, std::string_view text);
// Appends a number as %.9g would write it (enough digits to read back the exact float), or null
// when it is not finite.
void appendJsonNumber(std::string& out, float value);
