// The camera's geometry: from a View's position and heading, pitch, roll to the matrices the
// renderer draws with and the pixel a world point lands on.
#pragma once

#include <array>
#include <optional>

#include "view.h"

// 4 x 4, column-major as GL takes it.
struct Mat4 {
  std::array<float, 16> m{};
  float& at(int row, int col) { return m[static_cast<std::size_t>(col * 4 + row)]; }
  float at(int row, int col) const { return m[static_cast<std::size_t>(col * 4 + row)]; }
};

Mat4 identity();
Mat4 operator*(const Mat4& a, const Mat4& b);
// The inverse; all zeros for a singular matrix.
Mat4 inverse(const Mat4& m);
std::array<float, 3> transformPoint(const Mat4& m, const std::array<float, 3>& p);

// Unit vectors in world axes: where the camera looks (heading 0 looks along +x, heading turns
// about z, a negative pitch looks down), its right hand and its up.
struct CameraAxes {
  std::array<float, 3> forward, right, up;
};
CameraAxes cameraAxes(const View& view);

// World to GL eye coordinates.
Mat4 viewMatrix(const View& view);
// The game's 800 x 600 view, 90 degrees across, kept whole inside a picture of any shape: 90
// degrees across pictures of 4:3 or taller, the game's height of view across wider ones.
Mat4 projectionMatrix(int width, int height);

// The line of sight through a pixel (from the picture's top-left corner, fractions allowed):
// from the camera, along a unit direction in world axes.
struct Ray {
  std::array<float, 3> origin, direction;
};
Ray pixelRay(const View& view, int width, int height, float x, float y);

// The pixel (from the picture's top-left corner) on which a world point is drawn; nothing when
// the point is behind the camera.
std::optional<std::array<float, 2>> projectToPixel(const View& view, int width, int height,
                                                   const std::array<float, 3>& point);
