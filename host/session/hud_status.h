// The host's line of the HUD: which frame, how fast, and what the host is doing.
#pragma once

#include <string>

struct HudStatus {
  long frame = 0;
  double measuredFps = -1;  // over the last second, in a window; below 0: not measured
  double fps = 60;          // the speed set: --fps, PageUp, PageDown
  bool paused = false;
  bool writingFrames = false;
  bool textures = true;
  bool shadows = true;
};

std::string hudStatusLine(const HudStatus& status);
