// What the host keeps for drawing pictures: camera, switches and size.
#pragma once

#include <string>

// The sides a picture or a window may have: what the renderer is known to draw (--size takes the
// same). A window stretched past them is drawn at most this large.
inline constexpr int kSmallestSide = 16;
inline constexpr int kLargestSide = 8192;

struct View {
  float xyz[3] = {0, 0, 1};
  float hpr[3] = {0, 0, 0};  // degrees
  bool textures = true;
  bool shadows = true;
  bool overlay = false;  // the overlay is drawn at all: in a window, and with --hud headless
  bool hud = false;      // the score and status line
  bool help = false;     // the help panel
  std::string printed;   // the last line the game printed through dsPrint, UTF-8, for the HUD
  std::string status;    // the host's line of the HUD: frame, rate, markers
  int width = 800;
  int height = 600;
  std::string textureDir = "textures";
  bool operator==(const View&) const = default;
};

// The view of the running host; dsSetViewpoint and dsGetViewpoint work on its camera.
View& currentView();
