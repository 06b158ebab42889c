#include "mipmaps.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

bool powerOfTwo(int side) {
  return side > 0 && (side & (side - 1)) == 0;
}

// The mean of two samples, halves rounded up.
std::uint8_t mean(unsigned a, unsigned b) {
  return static_cast<std::uint8_t>((a + b + 1) >> 1);
}

// Half the size; a side of 1 reads its one row or column twice.
Image halved(const Image& above) {
  const int width = std::max(1, above.width / 2), height = std::max(1, above.height / 2);
  Image level{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
  const std::size_t stride = std::size_t(above.width) * 4;
  const std::size_t right = above.width > 1 ? 4 : 0;
  const std::size_t below = above.height > 1 ? stride : 0;
  std::uint8_t* out = level.rgba.data();
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* top = above.rgba.data() + std::size_t(y) * (below ? 2 : 1) * stride;
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = top + std::size_t(x) * (right ? 8 : 4);
      for (int c = 0; c < 4; ++c)
        *out++ = mean(mean(p[c], p[right + c]), mean(p[below + c], p[below + right + c]));
    }
  }
  return level;
}

}  // namespace

bool halvesEvenly(const Image& image) {
  return powerOfTwo(image.width) && powerOfTwo(image.height) &&
         image.rgba.size() == std::size_t(image.width) * std::size_t(image.height) * 4;
}

std::vector<Image> mipmapLevels(const Image& image) {
  std::vector<Image> levels;
  if (!halvesEvenly(image)) return levels;
  const Image* above = &image;
  while (above->width > 1 || above->height > 1) {
    levels.push_back(halved(*above));
    above = &levels.back();
  }
  return levels;
}
