#include "camera_follow.h"

#include <algorithm>

#include "camera_control.h"

CameraFollow::CameraFollow(const View& startView) {
  std::copy_n(startView.xyz, 3, startXyz_.begin());
  std::copy_n(startView.hpr, 3, startHpr_.begin());
}

void CameraFollow::follow(View& view, std::span<const DrawCall> calls, std::size_t index) {
  if (index >= calls.size()) return stop();
  const DrawCall& call = calls[index];
  followed_ = index;
  std::copy_n(call.pos, 3, lastPos_.begin());
  lookAt(view, lastPos_);
}

void CameraFollow::home(View& view) {
  std::copy(startXyz_.begin(), startXyz_.end(), view.xyz);
  std::copy(startHpr_.begin(), startHpr_.end(), view.hpr);
  stop();
}

void CameraFollow::track(View& view, std::span<const DrawCall> calls) {
  if (!followed_) return;
  if (*followed_ >= calls.size()) return stop();
  const float* pos = calls[*followed_].pos;
  for (std::size_t i = 0; i < 3; ++i) {
    view.xyz[i] += pos[i] - lastPos_[i];
    lastPos_[i] = pos[i];
  }
}
