// The texture levels made on the CPU: every level halves the one above, and on a software
// rasterizer they equal what its own glGenerateMipmap makes, so that pictures do not change.
#include "mipmaps.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "offscreen.h"

namespace {

Image noise(int width, int height, unsigned seed) {
  Image image{width, height,
              std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height) * 4)};
  std::mt19937 random(seed);
  for (std::uint8_t& sample : image.rgba) sample = static_cast<std::uint8_t>(random());
  return image;
}

struct Size {
  int width, height;
};

TEST(Mipmaps, OnlyPowerOfTwoSidesHalveEvenly) {
  const struct {
    Size size;
    bool even;
  } cases[] = {{{256, 256}, true}, {{1, 1}, true},  {{512, 2}, true},   {{1, 64}, true},
               {{100, 37}, false}, {{6, 6}, false}, {{256, 96}, false}, {{0, 0}, false},
               {{0, 8}, false},    {{-4, 4}, false}};
  for (const auto& c : cases) {
    const Image image = c.size.width > 0 && c.size.height > 0
                            ? noise(c.size.width, c.size.height, 1)
                            : Image{c.size.width, c.size.height, {}};
    EXPECT_EQ(halvesEvenly(image), c.even) << c.size.width << "x" << c.size.height;
    if (!c.even) {
      EXPECT_TRUE(mipmapLevels(image).empty()) << c.size.width << "x" << c.size.height;
    }
  }
  // Pixels that do not fill the declared size are no image to halve.
  Image short_ = noise(4, 4, 1);
  short_.rgba.pop_back();
  EXPECT_FALSE(halvesEvenly(short_));
}

TEST(Mipmaps, LevelsHalveDownToOnePixel) {
  const std::vector<Image> levels = mipmapLevels(noise(16, 4, 2));
  const Size expected[] = {{8, 2}, {4, 1}, {2, 1}, {1, 1}};
  ASSERT_EQ(levels.size(), std::size(expected));
  for (std::size_t i = 0; i < levels.size(); ++i) {
    EXPECT_EQ(levels[i].width, expected[i].width) << "level " << i + 1;
    EXPECT_EQ(levels[i].height, expected[i].height) << "level " << i + 1;
    EXPECT_EQ(levels[i].rgba.size(), std::size_t(expected[i].width) * expected[i].height * 4);
  }
  EXPECT_TRUE(mipmapLevels(noise(1, 1, 3)).empty());
}

// Row pairs first, each rounded up, then the two rows' means rounded up: (0, 1 | 0, 0) gives 1
// where the mean of the four rounded to nearest gives 0, and (2, 3 | 2, 2) gives 3 where it
// gives 2.
TEST(Mipmaps, RoundsPairsUpAlongRowsThenColumns) {
  const struct {
    std::uint8_t topLeft, topRight, bottomLeft, bottomRight, mean;
  } cases[] = {{0, 1, 0, 0, 1}, {0, 0, 0, 1, 1},           {0, 0, 1, 1, 1},
               {1, 0, 0, 0, 1}, {10, 20, 30, 40, 25},      {0, 255, 0, 0, 64},
               {0, 0, 0, 0, 0}, {255, 255, 255, 255, 255}, {254, 255, 255, 255, 255},
               {2, 3, 2, 2, 3}};
  for (const auto& c : cases) {
    Image image{2, 2, std::vector<std::uint8_t>(16)};
    const std::uint8_t corners[] = {c.topLeft, c.topRight, c.bottomLeft, c.bottomRight};
    for (int pixel = 0; pixel < 4; ++pixel)
      for (int channel = 0; channel < 4; ++channel)
        image.rgba[pixel * 4 + channel] = corners[pixel];
    const std::vector<Image> levels = mipmapLevels(image);
    ASSERT_EQ(levels.size(), 1u);
    for (int channel = 0; channel < 4; ++channel)
      EXPECT_EQ(levels[0].rgba[channel], c.mean)
          << int(c.topLeft) << " " << int(c.topRight) << " / " << int(c.bottomLeft) << " "
          << int(c.bottomRight);
  }
}

// The software rasterizer's own levels, read back, against ours: a million random samples reach
// every pair of values, and the thin sizes reach the sides of one pixel.
TEST(Mipmaps, EqualTheSoftwareRasterizersOwn) {
  std::string error;
  ASSERT_TRUE(makeSurfacelessContextCurrent(error)) << error;
  const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  if (renderer.find("llvmpipe") == std::string::npos)
    GTEST_SKIP() << "the levels are made on the CPU only for llvmpipe, not for " << renderer;
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  const Size sizes[] = {{1024, 1024}, {256, 64}, {8, 512}, {1, 32}, {32, 1}, {2, 2}};
  for (const Size& size : sizes) {
    const Image image = noise(size.width, size.height, unsigned(size.width * 7 + size.height));
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image.width, image.height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image.rgba.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    const std::vector<Image> levels = mipmapLevels(image);
    ASSERT_FALSE(levels.empty());
    for (std::size_t i = 0; i < levels.size(); ++i) {
      std::vector<std::uint8_t> theirs(levels[i].rgba.size());
      glGetTexImage(GL_TEXTURE_2D, GLint(i + 1), GL_RGBA, GL_UNSIGNED_BYTE, theirs.data());
      std::size_t differing = 0;
      for (std::size_t k = 0; k < theirs.size(); ++k) differing += theirs[k] != levels[i].rgba[k];
      EXPECT_EQ(differing, 0u) << size.width << "x" << size.height << ", level " << i + 1;
    }
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  glDeleteTextures(1, &texture);
}

}  // namespace
