// The overlay drawn over the scene: the HUD in the top-left corner (the last line the game
// printed, then the host's line) and the help panel with the keys and the mouse. It draws into
// the current GL 3.3 context; GL and font headers stay in its .cpp files.
#pragma once

#include <array>
#include <memory>

#include "view.h"

class Overlay {
 public:
  Overlay();
  ~Overlay();
  Overlay(const Overlay&) = delete;
  Overlay& operator=(const Overlay&) = delete;

  // Draws what the view asks for (nothing unless view.overlay, then the HUD and the help as
  // switched) over the bound framebuffer of width x height. The font is found on the first draw.
  // Gives the pixels it may have changed, {left, top, right, bottom} from the top-left corner
  // (right and bottom past the last), all zero when it drew nothing.
  std::array<int, 4> draw(const View& view, int width, int height);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
