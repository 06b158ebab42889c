// Traces: every frame's calls as JSON Lines, one line per call of the step callback.
#pragma once

#include <string>
#include <string_view>

#include "backend.h"
#include "output_file.h"
#include "view.h"

class TraceWriter : public Backend {
 public:
  TraceWriter();

  // Opens the file (see OutputFile); false with a one-line reason when it cannot.
  bool open(const std::string& path, std::string& error);
  // The first line: size, texture directory and the viewpoint.
  // The game's own viewpoint, and beside it the --view camera that replaced it, if any.
  void writeHeader(const View& view, const float* viewOverride = nullptr);

  void beginFrame(const FrameInfo& info) override;
  void draw(const DrawCall& call) override;
  void print(std::string_view text) override;
  // Writes and flushes the frame's line, so a run cut short leaves whole lines.
  void endFrame() override;

  // Closes the file; false with a reason if any write failed. A trace that lost a write keeps
  // none of its lines (removed, or emptied when it was there before the run): cut at a line it
  // would pass for a whole trace, and the key script that made it makes it again.
  bool close(std::string& error) { return file_.close(error); }
  // Closes the file of a run that never started (see OutputFile::discard).
  void discard() { file_.discard(); }
  bool failed() const { return file_.failed(); }
  // Marks the file as failed for this reason (the run ran out of memory, say).
  void fail(const std::string& reason) { file_.fail(reason); }

 private:
  void flushLine() { file_.write(line_); }

  OutputFile file_;
  std::string line_;
  std::string prints_;
  bool firstDraw_ = true;
};

// Appends text as a JSON string literal.
void appendJsonString(std::string& out, std::string_view text);
// Appends a number as %.9g would write it (enough digits to read back the exact float), or null
// when it is not finite.
void appendJsonNumber(std::string& out, float value);
