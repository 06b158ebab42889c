#include "tests/render/render_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "core/drawstuff.h"
#include "offscreen.h"

constexpr std::array<float, 12> kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
constexpr float kCannonPitch = -1.2f;

std::array<float, 12> rotationAboutY(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  return {c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0};
}

static DrawCall call(DrawCall::Shape shape, Point pos, const std::array<float, 12>& R, Rgb color,
                     int texture) {
  DrawCall c;
  c.shape = shape;
  std::copy(pos.begin(), pos.end(), c.pos);
  std::copy(R.begin(), R.end(), c.R);
  std::copy(color.begin(), color.end(), c.color);
  c.texture = texture;
  return c;
}

DrawCall boxCall(Point pos, Point sides, Rgb color, int texture) {
  DrawCall c = call(DrawCall::Shape::Box, pos, kIdentity, color, texture);
  std::copy(sides.begin(), sides.end(), c.sides);
  return c;
}

DrawCall sphereCall(Point pos, float radius, Rgb color, int texture) {
  DrawCall c = call(DrawCall::Shape::Sphere, pos, kIdentity, color, texture);
  c.radius = radius;
  return c;
}

DrawCall cylinderCall(Point pos, const std::array<float, 12>& R, float length, float radius,
                      Rgb color, int texture) {
  DrawCall c = call(DrawCall::Shape::Cylinder, pos, R, color, texture);
  c.length = length;
  c.radius = radius;
  return c;
}

std::vector<DrawCall> FirstFrame::calls(int texture) const {
  std::vector<DrawCall> calls;
  // MiGs
  for (int lane = 0; lane < 10; ++lane)
    calls.push_back(boxCall({kMigX, migY(lane), kMigZ}, {3, 1.5f, 1}, kWhite, texture));
  // chassis
  calls.push_back(boxCall(kChassis, {3.5f, 2.5f, 1}, kGreen, texture));
  // wheels
  for (float x : {1.4f, -1.4f})
    for (float y : {1.0f, -1.0f}) calls.push_back(sphereCall({x, y, 0.5f}, 0.5f, kWhite, texture));
  // cannon: base, then four barrels along the pitched cannon axis
  calls.push_back(boxCall(kCannonBase, {1.5f, 1, 2}, kGreen, texture));
  const auto M = rotationAboutY(kCannonPitch);
  for (Point barrel : {Point{0.25f, 0.75f, 2}, Point{0.25f, 0.75f, 2.5f},
                       Point{0.25f, -0.75f, 2.5f}, Point{0.25f, -0.75f, 2}})
    calls.push_back(cylinderCall(barrel, M, 2, 0.25f, kGreen, texture));
  // missiles
  for (int i = 0; i < 16; ++i)
    calls.push_back(cylinderCall({50, 2.0f * static_cast<float>(i), static_cast<float>(i)}, M, 2,
                                 0.2f, kGreen, texture));
  return calls;
}

View startView() {
  View view;
  const float xyz[3] = {3.8548f, 9.0843f, 7.5900f}, hpr[3] = {-145.5f, -22.5f, 0.25f};
  std::copy(xyz, xyz + 3, view.xyz);
  std::copy(hpr, hpr + 3, view.hpr);
  view.textureDir = TEXTURE_DIR;
  return view;
}

Image renderFrame(const View& view, const std::vector<DrawCall>& calls) {
  std::string error;
  auto backend = makeOffscreenBackend(view, error);
  EXPECT_TRUE(backend) << error;
  if (!backend) return {};
  backend->beginFrame(FrameInfo{});
  for (const DrawCall& c : calls) backend->draw(c);
  backend->endFrame();
  // CANNONCAR_KEEP_PICTURES names a folder where the pictures stay, to be looked at.
  const char* keep = std::getenv("CANNONCAR_KEEP_PICTURES");
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  static int count = 0;
  const std::string name = std::string(test->test_suite_name()) + "." + test->name() + "." +
                           std::to_string(count++) + ".png";
  const std::filesystem::path path =
      keep ? std::filesystem::path(keep) / name : std::filesystem::temp_directory_path() / name;
  EXPECT_TRUE(backend->writePng(path.string(), error)) << error;
  Image image;
  EXPECT_TRUE(readPng(path.string(), image, error)) << error;
  if (!keep) std::filesystem::remove(path);
  return image;
}
