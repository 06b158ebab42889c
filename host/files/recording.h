// The recording backend keeps every call, for tests and traces.
#pragma once

#include <string>
#include <vector>

#include "backend.h"

class RecordingBackend : public Backend {
 public:
  struct Frame {
    long frame = 0;
    int pause = 0;
    std::vector<Key> keys;
    std::vector<DrawCall> draws;
    std::vector<std::string> prints;
  };

  // Every call since the last clear, whether or not a frame was open.
  std::vector<DrawCall> draws;
  std::vector<std::string> prints;
  // The frames begun and ended since the last clear, each with its own calls.
  std::vector<Frame> frames;

  void clear();

  void beginFrame(const FrameInfo& info) override;
  void draw(const DrawCall& call) override;
  void print(std::string_view text) override;
  void endFrame() override;

 private:
  bool inFrame_ = false;
};
