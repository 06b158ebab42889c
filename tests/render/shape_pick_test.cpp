// A double-click points at the shape drawn under the cursor, by its place in the drawing order.
#include <gtest/gtest.h>

#include "camera_follow.h"
#include "shape_pick.h"
#include "tests/render/render_scene.h"
#include "view_math.h"

namespace {

// Places in FirstFrame's drawing order.
constexpr std::size_t kChassis = 10, kNearWheel = 11, kCannonBase = 15, kFirstBarrel = 16;

std::optional<std::size_t> pickAt(const std::vector<DrawCall>& calls, const View& view,
                                  Point point) {
  const auto pixel = projectToPixel(view, view.width, view.height, point);
  EXPECT_TRUE(pixel);
  if (!pixel) return std::nullopt;
  return pickShape(calls, view, view.width, view.height, (*pixel)[0], (*pixel)[1]);
}

TEST(ShapePick, FindsTheNearestShapeUnderThePixelInPicturesOfAnyShape) {
  const std::vector<DrawCall> calls = FirstFrame{}.calls(0);
  struct Case {
    const char* what;
    Point point;
    std::optional<std::size_t> shape;
  };
  const Case cases[] = {
      {"the chassis top", {1.5f, 1.0f, 1.5f}, kChassis},
      {"the cannon base, above the chassis", {0.9f, 0.4f, 2.8f}, kCannonBase},
      // the barrel leans toward -x and up: its axis is the rotation's third column
      {"half-way along a barrel", {0.25f - 0.45f, 0.75f, 2.5f + 0.17f}, kFirstBarrel + 1},
      {"the side of the near wheel", {1.55f, 1.45f, 0.45f}, kNearWheel},
      {"a MiG", {FirstFrame::kMigX + 1.4f, FirstFrame::migY(3), FirstFrame::kMigZ}, 3},
      {"the ground beside the car", {4, -4, 0}, std::nullopt},
      {"the ground that a far shape's line of sight passes under", {-30, -30, 0}, std::nullopt},
  };
  for (const auto& [width, height] : {std::pair{800, 600}, {1280, 400}}) {
    View view = startView();
    view.width = width;
    view.height = height;
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " at " + std::to_string(width) + "x" +
                   std::to_string(height));
      EXPECT_EQ(pickAt(calls, view, c.point), c.shape);
    }
    // The sky, above the horizon.
    EXPECT_EQ(pickShape(calls, view, width, height, float(width) / 2, 2), std::nullopt);
  }
}

TEST(ShapePick, ShapesUnderTheGroundAreHidden) {
  const View view = startView();
  const std::vector<DrawCall> calls = {boxCall({0, 0, -2}, {3, 3, 1}, kGreen, 0)};
  EXPECT_EQ(pickAt(calls, view, {0, 0, 0}), std::nullopt);
}

TEST(ShapePick, ACylinderIsPickedAlongItsLengthNotAcrossIt) {
  View view = startView();
  // Lying along world x: the rotation's third column points along x.
  const auto alongX = rotationAboutY(3.14159265f / 2);
  const std::vector<DrawCall> calls = {cylinderCall({0, 0, 2}, alongX, 6, 0.3f, kGreen, 0)};
  EXPECT_EQ(pickAt(calls, view, {2.5f, 0, 2}), 0u);
  EXPECT_EQ(pickAt(calls, view, {-2.5f, 0, 2}), 0u);
  EXPECT_EQ(pickAt(calls, view, {3.5f, 0, 2}), std::nullopt);
  EXPECT_EQ(pickAt(calls, view, {0, 1.5f, 2}), std::nullopt);
}

// Following a shape keeps it where the camera turned to put it: the middle of the picture.
class FollowedShape : public ::testing::Test {
 protected:
  View view = startView();
  std::vector<DrawCall> calls = FirstFrame{}.calls(0);
  CameraFollow camera{view};

  std::array<float, 2> chassisPixel() {
    const Point at = {calls[kChassis].pos[0], calls[kChassis].pos[1], calls[kChassis].pos[2]};
    const auto pixel = projectToPixel(view, view.width, view.height, at);
    EXPECT_TRUE(pixel);
    return pixel.value_or(std::array<float, 2>{-1, -1});
  }

  void driveChassis(float dx, float dy) {
    calls[kChassis].pos[0] += dx;
    calls[kChassis].pos[1] += dy;
  }
};

TEST_F(FollowedShape, StaysInTheMiddleOfThePictureAsItMoves) {
  camera.follow(view, calls, kChassis);
  EXPECT_EQ(camera.followed(), kChassis);
  for (int frame = 0; frame < 3; ++frame) {
    const auto pixel = chassisPixel();
    EXPECT_NEAR(pixel[0], 400, 0.5f) << frame;
    EXPECT_NEAR(pixel[1], 300, 0.5f) << frame;
    driveChassis(-40, 25);
    camera.track(view, calls);
  }
  // The mouse may still move the camera: the offset goes on from where it leaves it.
  const float heading = view.hpr[0];
  view.xyz[2] += 3;
  const auto raised = chassisPixel();
  EXPECT_GT(raised[1], 310) << "seen from higher, lower in the picture";
  driveChassis(5, 5);
  camera.track(view, calls);
  EXPECT_EQ(view.hpr[0], heading);
  EXPECT_NEAR(chassisPixel()[0], raised[0], 0.5f);
  EXPECT_NEAR(chassisPixel()[1], raised[1], 0.5f);
}

TEST_F(FollowedShape, HomePutsBackTheStartCameraAndStopsFollowing) {
  const View start = view;
  view.textures = false;
  camera.follow(view, calls, kChassis);
  driveChassis(-40, 25);
  camera.track(view, calls);
  camera.home(view);
  EXPECT_EQ(camera.followed(), std::nullopt);
  driveChassis(-40, 25);
  camera.track(view, calls);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(view.xyz[i], start.xyz[i]);
    EXPECT_EQ(view.hpr[i], start.hpr[i]);
  }
  EXPECT_FALSE(view.textures) << "Home moves the camera and nothing else";
}

TEST_F(FollowedShape, StopsWhenTheFrameHasNoShapeAtItsPlace) {
  camera.follow(view, calls, kChassis);
  calls.resize(kChassis);
  const View before = view;
  camera.track(view, calls);
  EXPECT_EQ(camera.followed(), std::nullopt);
  calls = FirstFrame{}.calls(0);
  driveChassis(10, 10);
  camera.track(view, calls);
  EXPECT_EQ(view.xyz[0], before.xyz[0]);
}

}  // namespace
