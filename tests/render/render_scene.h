// Frames for the renderer's tests: draw calls laid out the way the game's first frame lays them,
// and the offscreen picture of a frame.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "backend.h"
#include "png_image.h"
#include "view.h"

using Point = std::array<float, 3>;
using Rgb = std::array<float, 3>;

inline constexpr Rgb kGreen = {0.3f, 1.0f, 0.3f};
inline constexpr Rgb kWhite = {1.0f, 1.0f, 1.0f};

// Rotation about y, rows padded to four.
std::array<float, 12> rotationAboutY(float angle);

DrawCall boxCall(Point pos, Point sides, Rgb color, int texture);
DrawCall sphereCall(Point pos, float radius, Rgb color, int texture);
DrawCall cylinderCall(Point pos, const std::array<float, 12>& R, float length, float radius,
                      Rgb color, int texture);

// The scene as the game draws it before anything has moved: ten MiGs in a row at x = -100,
// the green chassis, four white wheels, the cannon and the sixteen missiles at x = 50.
struct FirstFrame {
  static constexpr Point kChassis = {0, 0, 1};
  static constexpr Point kNearWheel = {1.4f, 1.0f, 0.5f};
  static constexpr Point kCannonBase = {0.5f, 0, 2};
  static constexpr float kMigX = -100, kMigZ = 10;
  static float migY(int lane) { return 6.0f * static_cast<float>(lane) - 30; }
  std::vector<DrawCall> calls(int texture) const;
};

// The start-up camera, at the game's window size.
View startView();

// One frame through the offscreen backend, written as a PNG and read back.
Image renderFrame(const View& view, const std::vector<DrawCall>& calls);
