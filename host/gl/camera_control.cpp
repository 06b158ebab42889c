#include "camera_control.h"

#include <algorithm>
#include <cmath>

#include "view_math.h"

constexpr float kDegreesPerPixel = 0.3f;
constexpr float kUnitsPerPixel = 0.05f;
constexpr float kUnitsPerNotch = 1.0f;
// Straight up or down the heading would lose its meaning.
constexpr float kPitchLimit = 89.0f;
// The camera stays above the ground it looks at.
constexpr float kLowestEye = 0.1f;

constexpr float kDegreesPerRadian = 180.0f / 3.14159265f;

static float wrapDegrees(float angle) {
  angle = std::fmod(angle, 360.0f);
  if (angle > 180) angle -= 360;
  if (angle <= -180) angle += 360;
  return angle;
}

static void keepAboveGround(View& view) {
  view.xyz[2] = std::max(view.xyz[2], kLowestEye);
}

void dragCamera(View& view, unsigned buttons, double dx, double dy) {
  const float x = static_cast<float>(dx), y = static_cast<float>(dy);
  const bool left = buttons & kLeftButton, right = buttons & kRightButton;
  if ((buttons & kMiddleButton) || (left && right)) {
    // up and down: dragging up lifts the camera
    view.xyz[2] -= y * kUnitsPerPixel;
  } else if (left) {
    // turn: the view follows the mouse
    view.hpr[0] = wrapDegrees(view.hpr[0] - x * kDegreesPerPixel);
    view.hpr[1] = std::clamp(view.hpr[1] - y * kDegreesPerPixel, -kPitchLimit, kPitchLimit);
  } else if (right) {
    // across the ground: sideways with x, ahead with -y, at the same height
    const float h = view.hpr[0] * 3.14159265f / 180.0f;
    const float ahead = -y * kUnitsPerPixel, side = x * kUnitsPerPixel;
    view.xyz[0] += std::cos(h) * ahead + std::sin(h) * side;
    view.xyz[1] += std::sin(h) * ahead - std::cos(h) * side;
  }
  keepAboveGround(view);
}

void scrollCamera(View& view, double notches) {
  const CameraAxes axes = cameraAxes(view);
  const float step = static_cast<float>(notches) * kUnitsPerNotch;
  for (std::size_t i = 0; i < 3; ++i) view.xyz[i] += axes.forward[i] * step;
  keepAboveGround(view);
}

void lookAt(View& view, const std::array<float, 3>& point) {
  const float dx = point[0] - view.xyz[0], dy = point[1] - view.xyz[1], dz = point[2] - view.xyz[2];
  const float across = std::hypot(dx, dy);
  if (across == 0 && dz == 0) return;
  // Straight above or below, the heading the camera has is as good as any.
  if (across > 0) view.hpr[0] = std::atan2(dy, dx) * kDegreesPerRadian;
  view.hpr[1] = std::clamp(std::atan2(dz, across) * kDegreesPerRadian, -kPitchLimit, kPitchLimit);
}
