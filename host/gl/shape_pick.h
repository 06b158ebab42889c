// Which of a frame's shapes the player points at: the window asks, on a double-click, for the
// drawing call under the cursor.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "backend.h"
#include "view.h"

// The place in the frame's drawing order of the nearest shape drawn at pixel (x, y) of a
// width x height picture seen through the view; nothing where the pixel shows the ground or the
// sky.
std::optional<std::size_t> pickShape(std::span<const DrawCall> calls, const View& view, int width,
                                     int height, float x, float y);
