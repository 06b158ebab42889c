// The camera following a shape the player double-clicked: it turns to look at the shape, then
// moves with it from frame to frame, keeping its offset, while the mouse may still turn and move
// it. The shape is known only by its place in the frame's drawing order, which stays the same
// from frame to frame; Home puts back the camera the run started with.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>

#include "backend.h"
#include "view.h"

class CameraFollow {
 public:
  // Remembers the camera the run started with, for home().
  explicit CameraFollow(const View& startView);

  // Turns the camera to the call at `index` of the frame on screen and follows it from now on.
  void follow(View& view, std::span<const DrawCall> calls, std::size_t index);
  // Stops following; the camera stays where it is.
  void stop() { followed_.reset(); }
  // The camera the run started with, and no more following.
  void home(View& view);
  // After each frame: moves the camera by as much as the followed shape moved. A frame without a
  // call at that place ends the following.
  void track(View& view, std::span<const DrawCall> calls);

  std::optional<std::size_t> followed() const { return followed_; }

 private:
  std::array<float, 3> startXyz_, startHpr_;
  std::optional<std::size_t> followed_;
  std::array<float, 3> lastPos_{};
};
