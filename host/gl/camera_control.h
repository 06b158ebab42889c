// The mouse moves the camera: left drag turns it, right drag moves it across the ground, both
// buttons or the middle one move it up and down, the wheel moves it forward and back.
#pragma once

#include <array>

#include "view.h"

enum MouseButton : unsigned { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

// A drag of (dx, dy) pixels, right and down positive, with `buttons` (MouseButton bits) held.
void dragCamera(View& view, unsigned buttons, double dx, double dy);

// Wheel notches, away from the player positive: along the line of sight.
void scrollCamera(View& view, double notches);

// Turns the camera, where it stands, to look at a world point: heading and pitch change, the
// roll stays.
void lookAt(View& view, const std::array<float, 3>& point);
