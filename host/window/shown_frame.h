// What the window shows, so that a frame that would look the same (a paused game under a still
// camera, its HUD standing still) is neither drawn, copied nor swapped again.
#pragma once

#include <string>
#include <vector>

#include "backend.h"
#include "view.h"

// A frame's drawing calls and texts, kept until the window draws them.
class FrameCalls : public Backend {
 public:
  std::vector<DrawCall> calls;
  std::vector<std::string> prints;
  void beginFrame(const FrameInfo&) override;
  void draw(const DrawCall& call) override { calls.push_back(call); }
  void print(std::string_view text) override { prints.emplace_back(text); }
};

class ShownFrame {
 public:
  // True when the frame, the view (camera, switches, HUD text, help panel) and the window's size
  // are those last shown.
  bool matches(const FrameCalls& next, const View& nextView, int nextWidth, int nextHeight) const;
  void remember(const FrameCalls& next, const View& nextView, int nextWidth, int nextHeight);

 private:
  FrameCalls frame_;
  View view_;
  int width_ = 0, height_ = 0;
  bool valid_ = false;
};
