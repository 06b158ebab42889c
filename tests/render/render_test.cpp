// The renderer drawing frames offscreen: what shows where, and what the switches change.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "core/drawstuff.h"
#include "offscreen.h"
#include "renderer_gl.h"
#include "tests/render/render_scene.h"
#include "view_math.h"

namespace {

struct Pixel {
  float r = 0, g = 0, b = 0;
  float brightness() const { return (r + g + b) / 3; }
  float spread() const { return std::max({r, g, b}) - std::min({r, g, b}); }
};

// The mean colour of the 3 x 3 pixels around (x, y), in 0..255.
Pixel around(const Image& image, float x, float y) {
  Pixel sum;
  int count = 0;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int px = static_cast<int>(x) + dx, py = static_cast<int>(y) + dy;
      if (px < 0 || py < 0 || px >= image.width || py >= image.height) continue;
      const std::uint8_t* p =
          &image.rgba[(std::size_t(py) * std::size_t(image.width) + std::size_t(px)) * 4];
      sum.r += p[0];
      sum.g += p[1];
      sum.b += p[2];
      ++count;
    }
  if (count) sum = {sum.r / count, sum.g / count, sum.b / count};
  return sum;
}

Pixel at(const Image& image, const View& view, Point point) {
  const auto pixel = projectToPixel(view, image.width, image.height, point);
  EXPECT_TRUE(pixel) << "point behind the camera";
  return pixel ? around(image, (*pixel)[0], (*pixel)[1]) : Pixel{};
}

bool greenish(Pixel p) {
  return p.g > p.r + 40 && p.g > p.b + 40;
}

::testing::AssertionResult isGreen(Pixel p) {
  if (greenish(p)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "rgb " << p.r << " " << p.g << " " << p.b;
}

// White as lit paint: bright, and no colour when untextured.
::testing::AssertionResult isWhite(Pixel p, float maxSpread) {
  if (p.brightness() > 120 && p.spread() <= maxSpread) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "rgb " << p.r << " " << p.g << " " << p.b;
}

// The fraction of pixels that differ by more than `by` in some channel.
double changedFraction(const Image& a, const Image& b, int by) {
  std::size_t changed = 0;
  for (std::size_t i = 0; i < a.rgba.size(); i += 4)
    for (std::size_t c = 0; c < 3; ++c)
      if (std::abs(int(a.rgba[i + c]) - int(b.rgba[i + c])) > by) {
        ++changed;
        break;
      }
  return double(changed) / double(a.rgba.size() / 4);
}

// The spread of brightness over a block of pixels: texture shows as variation.
float variation(const Image& image, int x0, int y0, int size) {
  float low = 255, high = 0;
  for (int y = y0; y < y0 + size; ++y)
    for (int x = x0; x < x0 + size; ++x) {
      const float b = around(image, float(x), float(y)).brightness();
      low = std::min(low, b);
      high = std::max(high, b);
    }
  return high - low;
}

class FirstFramePicture : public ::testing::Test {
 protected:
  View view = startView();
  FirstFrame scene;
};

TEST_F(FirstFramePicture, ShowsCarAndMigsInTheirColoursFromTheStartCamera) {
  for (bool textures : {true, false}) {
    SCOPED_TRACE(textures ? "textures on" : "textures off");
    view.textures = textures;
    const Image image = renderFrame(view, scene.calls(DS_WOOD));
    ASSERT_EQ(image.width, 800);
    ASSERT_EQ(image.height, 600);
    // The wood tints white paint; untextured white stays grey-free.
    const float whiteSpread = textures ? 110 : 12;

    // the chassis top near the camera, and the cannon base above it
    EXPECT_TRUE(isGreen(at(image, view, {1.5f, 1.0f, 1.5f})));
    EXPECT_TRUE(isGreen(at(image, view, {0.9f, 0.4f, 2.8f})));
    // a barrel, half-way along its axis, which leans toward -x and up
    EXPECT_TRUE(isGreen(at(image, view, {0.25f - 0.45f, 0.75f, 2.5f + 0.17f})));
    // the near wheel, on the side that peeps out from under the chassis
    EXPECT_TRUE(isWhite(at(image, view, {1.55f, 1.45f, 0.45f}), whiteSpread));
    // every MiG but the last, which the right edge of the picture cuts
    for (int lane = 0; lane < 9; ++lane)
      EXPECT_TRUE(isWhite(
          at(image, view, {FirstFrame::kMigX + 1.4f, FirstFrame::migY(lane), FirstFrame::kMigZ}),
          whiteSpread))
          << "MiG " << lane;
  }
}

TEST_F(FirstFramePicture, SkyAboveTheHorizonGroundBelow) {
  const Image image = renderFrame(view, scene.calls(DS_WOOD));
  for (float x : {20.0f, 400.0f, 780.0f}) {
    const Pixel sky = around(image, x, 3);
    EXPECT_GT(sky.b, sky.r + 10) << "x " << x;
    EXPECT_GT(sky.brightness(), 150) << "x " << x;
    const Pixel ground = around(image, x, 596);
    EXPECT_GT(ground.g, ground.b + 20) << "x " << x;
  }
}

TEST_F(FirstFramePicture, ShadowsDarkenTheGroundBesideTheCar) {
  const Image lit = renderFrame(view, scene.calls(DS_WOOD));
  view.shadows = false;
  const Image unlit = renderFrame(view, scene.calls(DS_WOOD));
  // Ground behind the chassis, between the shadows of its -x face's lower and upper edges.
  const Point behind = {-2.5f, 0.3f, 0};
  EXPECT_LT(at(lit, view, behind).brightness(), at(unlit, view, behind).brightness() * 0.8f);
  // Sky and open ground stay as they were.
  const double changed = changedFraction(lit, unlit, 2);
  EXPECT_GT(changed, 0.002);
  EXPECT_LT(changed, 0.05);
}

TEST_F(FirstFramePicture, NotexPaintsFlatColours) {
  const Image textured = renderFrame(view, scene.calls(DS_WOOD));
  view.textures = false;
  const Image flat = renderFrame(view, scene.calls(DS_WOOD));
  // The ground in front of the camera carries its texture only with textures on.
  EXPECT_GT(variation(textured, 380, 520, 40), 3 * variation(flat, 380, 520, 40));
  EXPECT_GT(changedFraction(textured, flat, 8), 0.5);
}

TEST_F(FirstFramePicture, UntexturedShapesIgnoreTheWood) {
  view.textures = true;
  const Image wood = renderFrame(view, scene.calls(DS_WOOD));
  const Image plain = renderFrame(view, scene.calls(DS_NONE));
  const Point wheel = {1.55f, 1.45f, 0.45f};
  EXPECT_TRUE(isWhite(at(plain, view, wheel), 12));
  EXPECT_FALSE(isWhite(at(wood, view, wheel), 12));
}

TEST(PictureSize, FollowsTheViewSize) {
  struct Case {
    int width, height;
  };
  for (Case c : {Case{320, 240}, Case{1, 1}, Case{640, 960}}) {
    View view = startView();
    view.width = c.width;
    view.height = c.height;
    const Image image = renderFrame(view, FirstFrame{}.calls(DS_WOOD));
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
  }
}

// A minimised window's size: nothing to draw, and no picture to write.
TEST(PictureSize, ZeroSizeIsRefusedWithAReason) {
  View view = startView();
  view.width = 0;
  view.height = 0;
  std::string error;
  auto backend = makeOffscreenBackend(view, error);
  ASSERT_TRUE(backend) << error;
  backend->beginFrame(FrameInfo{});
  for (const DrawCall& c : FirstFrame{}.calls(DS_WOOD)) backend->draw(c);
  backend->endFrame();
  const auto path = std::filesystem::temp_directory_path() / "cannoncar_zero.png";
  std::filesystem::remove(path);
  EXPECT_FALSE(backend->writePng(path.string(), error));
  EXPECT_NE(error.find("cannoncar_zero.png"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(path));
}

// A lone shape 2 up at the origin, seen level from 12 units down -y: x runs across the picture,
// z up it.
class ShapeGeometry : public ::testing::Test {
 protected:
  ShapeGeometry() {
    const float xyz[3] = {0, -12, 2}, hpr[3] = {90, 0, 0};
    std::copy(xyz, xyz + 3, view.xyz);
    std::copy(hpr, hpr + 3, view.hpr);
    view.textures = false;
    view.shadows = false;
  }
  bool painted(const Image& image, Point p) { return greenish(at(image, view, p)); }
  View view = startView();
};

TEST_F(ShapeGeometry, BoxSidesAreFullLengths) {
  const Image image = renderFrame(view, {boxCall({0, 0, 2}, {4, 1, 1}, kGreen, DS_NONE)});
  EXPECT_TRUE(painted(image, {1.85f, 0, 2}));
  EXPECT_TRUE(painted(image, {-1.85f, 0, 2}));
  EXPECT_FALSE(painted(image, {2.2f, 0, 2}));
  EXPECT_TRUE(painted(image, {0, 0, 2.4f}));
  EXPECT_FALSE(painted(image, {0, 0, 2.65f}));
}

TEST_F(ShapeGeometry, CylinderLiesAlongTheRotationsThirdColumn) {
  struct Case {
    float angle;  // about y: 0 stands the cylinder up, a quarter turn lays it along x
    Point inside, outside;
  };
  const float kQuarter = 1.5707963f;
  for (Case c : {Case{0, {0, 0, 3.8f}, {1.8f, 0, 2}}, Case{kQuarter, {1.8f, 0, 2}, {0, 0, 3.8f}}}) {
    const Image image = renderFrame(
        view, {cylinderCall({0, 0, 2}, rotationAboutY(c.angle), 4, 0.3f, kGreen, DS_NONE)});
    EXPECT_TRUE(painted(image, c.inside)) << "angle " << c.angle;
    EXPECT_FALSE(painted(image, c.outside)) << "angle " << c.angle;
  }
}

TEST_F(ShapeGeometry, SphereReachesItsRadius) {
  const Image image = renderFrame(view, {sphereCall({0, 0, 2}, 1.5f, kGreen, DS_NONE)});
  EXPECT_TRUE(painted(image, {1.35f, 0, 2}));
  EXPECT_TRUE(painted(image, {0, 0, 3.35f}));
  EXPECT_FALSE(painted(image, {1.7f, 0, 2}));
}

TEST_F(ShapeGeometry, ShadowFallsWhereTheSunSendsIt) {
  view.xyz[2] = 8;
  view.hpr[1] = -40;
  const Point ball = {0, 0, 3};
  const std::vector<DrawCall> calls = {sphereCall(ball, 0.8f, kGreen, DS_NONE)};
  const Image open = renderFrame(view, calls);
  view.shadows = true;
  const Image shaded = renderFrame(view, calls);
  const Point shadow = shadowOnGround(ball);
  EXPECT_NEAR(shadow[2], 0, 0.05);
  EXPECT_LT(at(shaded, view, shadow).brightness(), at(open, view, shadow).brightness() * 0.8f);
  // Straight below the ball the ground is in the sun.
  EXPECT_NEAR(at(shaded, view, {ball[0], ball[1], 0}).brightness(),
              at(open, view, {ball[0], ball[1], 0}).brightness(), 2);
}

TEST_F(ShapeGeometry, NonFiniteShapesAreSkipped) {
  DrawCall broken = sphereCall({0, 0, 2}, 1, kGreen, DS_NONE);
  broken.pos[0] = std::nanf("");
  DrawCall flat = boxCall({0, 0, 2}, {0, 1, 1}, kGreen, DS_NONE);
  const Image image = renderFrame(view, {broken, flat});
  EXPECT_FALSE(painted(image, {0, 0, 2}));
}

// The game leaves the fourth value of each rotation row unset: whatever lies there, the shape is
// drawn.
TEST_F(ShapeGeometry, TheRotationsPaddingIsNeverRead) {
  DrawCall sphere = sphereCall({0, 0, 2}, 1, kGreen, DS_NONE);
  sphere.R[3] = std::nanf("");
  sphere.R[7] = INFINITY;
  sphere.R[11] = -INFINITY;
  EXPECT_TRUE(painted(renderFrame(view, {sphere}), {0, 0, 2}));
}

}  // namespace

namespace {

// The backend keeps the view it was made with by reference: what the host changes later (the
// mouse camera, ctrl-t, ctrl-s, the size) shows in the next frame's picture.
TEST(OffscreenBackend, FollowsItsViewFromFrameToFrame) {
  View view = startView();
  std::string error;
  auto backend = makeOffscreenBackend(view, error);
  ASSERT_TRUE(backend) << error;
  const auto path = (std::filesystem::temp_directory_path() / "cannoncar_follow.png").string();
  auto frame = [&] {
    backend->beginFrame(FrameInfo{});
    for (const DrawCall& c : FirstFrame{}.calls(DS_WOOD)) backend->draw(c);
    backend->endFrame();
    Image image;
    EXPECT_TRUE(backend->writePng(path, error)) << error;
    EXPECT_TRUE(readPng(path, image, error)) << error;
    return image;
  };
  auto greenPixels = [](const Image& image) {
    int count = 0;
    for (std::size_t i = 0; i < image.rgba.size(); i += 4)
      count += greenish({float(image.rgba[i]), float(image.rgba[i + 1]), float(image.rgba[i + 2])});
    return count;
  };

  view.width = 400;
  view.height = 300;
  const Image smaller = frame();
  EXPECT_EQ(smaller.width, 400);
  EXPECT_EQ(smaller.height, 300);
  EXPECT_TRUE(isGreen(at(smaller, view, FirstFrame::kCannonBase)));

  view.hpr[1] = 80;  // looking up into the sky
  EXPECT_EQ(greenPixels(frame()), 0);
  view.hpr[1] = startView().hpr[1];

  view.shadows = false;
  const Image unshadowed = frame();
  EXPECT_GT(changedFraction(smaller, unshadowed, 2), 0.002);
  std::filesystem::remove(path);
}

}  // namespace
