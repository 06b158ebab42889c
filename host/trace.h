// Traces: every frame's calls as JSON Lines, one line per call of the step callback.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "host/backend.h"
#include "host/view.h"

class TraceWriter : public Backend {
 public:
  ~TraceWriter() override;

  // Creates the file; false with a one-line reason when it cannot.
  bool open(const std::string& path, std::string& error);
  // The first line: size, texture directory and the viewpoint.
  void writeHeader(const View& view);

  void beginFrame(const FrameInfo& info) override;
  void draw(const DrawCall& call) override;
  void print(std::string_view text) override;
  // Writes and flushes the frame's line, so a run cut short leaves whole lines.
  void endFrame() override;

  // Closes the file; false with a reason if any write failed.
  bool close(std::string& error);

 private:
  void flushLine();

  std::FILE* file_ = nullptr;
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
