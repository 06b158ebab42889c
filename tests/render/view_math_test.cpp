// The camera's geometry in pictures of any shape: the game's 800 x 600 view stays whole.
#include <gtest/gtest.h>

#include "view_math.h"

namespace {

View startCamera() {
  View view;
  const float xyz[3] = {3.8548f, 9.0843f, 7.59f}, hpr[3] = {-145.5f, -22.5f, 0.25f};
  std::copy(xyz, xyz + 3, view.xyz);
  std::copy(hpr, hpr + 3, view.hpr);
  return view;
}

// A world point seen at pixel (x, y) of the game's 800 x 600 picture.
std::array<float, 3> seenInGamePicture(const View& view, float x, float y) {
  const Ray ray = pixelRay(view, 800, 600, x, y);
  std::array<float, 3> point{};
  for (std::size_t i = 0; i < 3; ++i) point[i] = ray.origin[i] + ray.direction[i] * 20;
  return point;
}

TEST(PictureShape, TheGameViewStaysWholeAndFillsTheWidthOrTheHeight) {
  struct Case {
    int width, height;
    bool fillsWidth, fillsHeight;
  };
  const Case cases[] = {{800, 600, true, true},   {1024, 768, true, true},  {640, 480, true, true},
                        {1280, 400, false, true}, {1920, 600, false, true}, {600, 800, true, false},
                        {300, 900, true, false}};
  const View view = startCamera();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    const float w = float(c.width), h = float(c.height);
    for (const auto& [x, y] : {std::pair{0.0f, 0.0f},
                               {800.0f, 0.0f},
                               {0.0f, 600.0f},
                               {800.0f, 600.0f},
                               {400.0f, 300.0f}}) {
      const auto pixel = projectToPixel(view, c.width, c.height, seenInGamePicture(view, x, y));
      ASSERT_TRUE(pixel);
      const float px = (*pixel)[0], py = (*pixel)[1];
      // Where the game's picture has its corner, this one has it too, or inside.
      EXPECT_GE(px, -0.01f * w);
      EXPECT_LE(px, 1.01f * w);
      EXPECT_GE(py, -0.01f * h);
      EXPECT_LE(py, 1.01f * h);
      // The side that the game's view fills takes it edge to edge; the other shows more
      // around the same middle.
      const float expectedX = c.fillsWidth ? x / 800 * w : w / 2 + (x - 400) * h / 600;
      const float expectedY = c.fillsHeight ? y / 600 * h : h / 2 + (y - 300) * w / 800;
      EXPECT_NEAR(px, expectedX, 0.001f * w);
      EXPECT_NEAR(py, expectedY, 0.001f * h);
    }
  }
}

TEST(PixelRay, RunsFromTheCameraThroughThePixel) {
  const View view = startCamera();
  for (const auto& [width, height] : {std::pair{800, 600}, {1280, 400}, {300, 900}})
    for (const auto& [x, y] : {std::pair{10.0f, 20.0f},
                               {float(width) / 2, float(height) / 2},
                               {float(width) - 5, float(height) - 40}}) {
      const Ray ray = pixelRay(view, width, height, x, y);
      EXPECT_FLOAT_EQ(ray.origin[0], view.xyz[0]);
      float length = 0;
      std::array<float, 3> far{};
      for (std::size_t i = 0; i < 3; ++i) {
        length += ray.direction[i] * ray.direction[i];
        far[i] = ray.origin[i] + ray.direction[i] * 50;
      }
      EXPECT_NEAR(length, 1, 1e-5);
      const auto pixel = projectToPixel(view, width, height, far);
      ASSERT_TRUE(pixel);
      EXPECT_NEAR((*pixel)[0], x, 0.05f);
      EXPECT_NEAR((*pixel)[1], y, 0.05f);
    }
}

}  // namespace
