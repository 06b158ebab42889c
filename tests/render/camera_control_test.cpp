// Mouse drags and the wheel move the camera the way the player expects.
#include <gtest/gtest.h>

#include "camera_control.h"
#include "view_math.h"

namespace {

View startCamera() {
  View view;
  const float xyz[3] = {3.8548f, 9.0843f, 7.59f}, hpr[3] = {-145.5f, -22.5f, 0.25f};
  std::copy(xyz, xyz + 3, view.xyz);
  std::copy(hpr, hpr + 3, view.hpr);
  return view;
}

// Where the middle of the picture sees the world, relative to the camera, as it moves.
struct Seen {
  float right, up;  // of a point ahead, in pixels from the centre
};

Seen seenFromMoved(const View& before, const View& after) {
  // A point straight ahead of the camera before the move.
  const CameraAxes axes = cameraAxes(before);
  std::array<float, 3> ahead{};
  for (std::size_t i = 0; i < 3; ++i) ahead[i] = before.xyz[i] + axes.forward[i] * 10;
  const auto pixel = projectToPixel(after, 800, 600, ahead);
  EXPECT_TRUE(pixel);
  return pixel ? Seen{(*pixel)[0] - 400, 300 - (*pixel)[1]} : Seen{};
}

TEST(CameraDrag, LeftDragTurnsTheViewWithTheMouse) {
  const View start = startCamera();
  View view = start;
  dragCamera(view, kLeftButton, 40, 0);
  // Turning right: what was ahead now lies to the left; the camera stays where it was.
  EXPECT_LT(seenFromMoved(start, view).right, -50);
  EXPECT_EQ(view.xyz[0], start.xyz[0]);

  view = start;
  dragCamera(view, kLeftButton, 0, 40);
  // Looking further down: what was ahead now lies above the centre.
  EXPECT_GT(seenFromMoved(start, view).up, 50);
}

TEST(CameraDrag, PitchStopsShortOfStraightUpOrDownAndHeadingWraps) {
  View view = startCamera();
  dragCamera(view, kLeftButton, 0, 100000);
  EXPECT_GE(view.hpr[1], -89.0f);
  dragCamera(view, kLeftButton, 0, -100000);
  EXPECT_LE(view.hpr[1], 89.0f);
  for (int i = 0; i < 50; ++i) dragCamera(view, kLeftButton, 997, 0);
  EXPECT_GT(view.hpr[0], -180.0f);
  EXPECT_LE(view.hpr[0], 180.0f);
}

TEST(CameraDrag, RightDragMovesAcrossTheGroundAtTheSameHeight) {
  const View start = startCamera();
  View view = start;
  dragCamera(view, kRightButton, 0, -100);  // mouse up: ahead
  EXPECT_FLOAT_EQ(view.xyz[2], start.xyz[2]);
  const CameraAxes axes = cameraAxes(start);
  const float ahead = (view.xyz[0] - start.xyz[0]) * axes.forward[0] +
                      (view.xyz[1] - start.xyz[1]) * axes.forward[1];
  EXPECT_GT(ahead, 1);

  view = start;
  dragCamera(view, kRightButton, 100, 0);  // mouse right: to the camera's right
  const float right =
      (view.xyz[0] - start.xyz[0]) * axes.right[0] + (view.xyz[1] - start.xyz[1]) * axes.right[1];
  EXPECT_GT(right, 1);
  EXPECT_EQ(view.hpr[0], start.hpr[0]);
}

TEST(CameraDrag, BothButtonsOrMiddleMoveUpAndDownOnly) {
  for (unsigned buttons : {kLeftButton | kRightButton, unsigned{kMiddleButton}}) {
    const View start = startCamera();
    View view = start;
    dragCamera(view, buttons, 30, -40);  // mouse up: higher
    EXPECT_GT(view.xyz[2], start.xyz[2] + 1) << buttons;
    EXPECT_EQ(view.xyz[0], start.xyz[0]) << buttons;
    EXPECT_EQ(view.hpr[0], start.hpr[0]) << buttons;
    dragCamera(view, buttons, 0, 100000);
    EXPECT_GE(view.xyz[2], 0.1f) << "stays above the ground";
  }
}

TEST(CameraWheel, MovesAlongTheLineOfSight) {
  const View start = startCamera();
  View view = start;
  scrollCamera(view, 3);
  const CameraAxes axes = cameraAxes(start);
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_NEAR(view.xyz[i] - start.xyz[i], 3 * axes.forward[i], 1e-4);
  scrollCamera(view, -3);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(view.xyz[i], start.xyz[i], 1e-4);
}

}  // namespace
