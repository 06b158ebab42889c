#include "builtin_textures.h"

#include <algorithm>
#include <cstdint>
#include <functional>

// Small enough to build at start-up in a blink, large enough to look like wood up close.
constexpr int kSize = 256;

// Only additions, multiplications and floor go into the pixels, so every compiler and C library
// makes the same bytes and the shipped files match the fallback.
namespace {

struct Rgb {
  float r, g, b;
};

Rgb mix(Rgb a, Rgb b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

float clamp01(float v) {
  return std::clamp(v, 0.0f, 1.0f);
}

float smooth(float t) {
  return t * t * (3 - 2 * t);
}

float lattice(int x, int y, std::uint32_t seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                    static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return static_cast<float>(h & 0xffffff) / static_cast<float>(0x1000000);
}

int wrap(int v, int period) {
  return ((v % period) + period) % period;
}

// Value noise over the unit square with `period` cells a side; it tiles at the square's edges.
float noise(float u, float v, int period, std::uint32_t seed) {
  const float x = u * static_cast<float>(period), y = v * static_cast<float>(period);
  const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
  const float fx = smooth(x - static_cast<float>(x0)), fy = smooth(y - static_cast<float>(y0));
  const int xa = wrap(x0, period), xb = wrap(x0 + 1, period);
  const int ya = wrap(y0, period), yb = wrap(y0 + 1, period);
  const float top = lattice(xa, ya, seed) + (lattice(xb, ya, seed) - lattice(xa, ya, seed)) * fx;
  const float bottom = lattice(xa, yb, seed) + (lattice(xb, yb, seed) - lattice(xa, yb, seed)) * fx;
  return top + (bottom - top) * fy;
}

float fbm(float u, float v, int period, int octaves, std::uint32_t seed) {
  float sum = 0, amplitude = 0.5f, total = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += noise(u, v, period << i, seed + static_cast<std::uint32_t>(i)) * amplitude;
    total += amplitude;
    amplitude *= 0.5f;
  }
  return sum / total;
}

std::uint8_t toByte(float v) {
  return static_cast<std::uint8_t>(clamp01(v) * 255.0f + 0.5f);
}

Image paint(const std::function<Rgb(float, float)>& shade) {
  Image image{kSize, kSize, std::vector<std::uint8_t>(std::size_t{kSize} * kSize * 4)};
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const Rgb c =
          shade((static_cast<float>(x) + 0.5f) / kSize, (static_cast<float>(y) + 0.5f) / kSize);
      std::uint8_t* p = &image.rgba[(std::size_t(y) * kSize + std::size_t(x)) * 4];
      p[0] = toByte(c.r);
      p[1] = toByte(c.g);
      p[2] = toByte(c.b);
      p[3] = 255;
    }
  }
  return image;
}

// Planks seen from the side: growth rings run along u, bent by slow noise, with fine streaks.
Rgb wood(float u, float v) {
  const Rgb light{0.92f, 0.80f, 0.62f}, dark{0.76f, 0.60f, 0.42f};
  const float bend = fbm(u, v, 3, 3, 11) * 2.2f;
  const float rings = v * 7.0f + bend;
  const float phase = rings - static_cast<float>(static_cast<int>(rings));
  // Late wood is a thin dark band; the rest of the ring is pale early wood.
  const float band = phase < 0.75f ? smooth(phase / 0.75f) * 0.35f
                                   : 1.0f - smooth((phase - 0.75f) / 0.25f) * 0.65f;
  const float streaks = noise(u, v * 0.5f, 64, 23) * 0.18f - 0.09f;
  return mix(light, dark, clamp01(band + streaks));
}

// Short grass on earth: a mottled green with darker patches and bright specks.
Rgb ground(float u, float v) {
  const Rgb grass{0.42f, 0.51f, 0.30f}, earth{0.46f, 0.41f, 0.31f}, bright{0.56f, 0.64f, 0.40f};
  const float patches = smooth(clamp01((fbm(u, v, 4, 4, 31) - 0.38f) * 3.0f));
  const float speck = noise(u, v, 96, 41);
  Rgb c = mix(grass, earth, patches * 0.8f);
  c = mix(c, bright, smooth(clamp01((speck - 0.8f) * 5.0f)) * 0.45f);
  const float shade = 0.88f + fbm(u, v, 32, 2, 53) * 0.24f;
  return {c.r * shade, c.g * shade, c.b * shade};
}

// Blue with soft white clouds.
Rgb sky(float u, float v) {
  const Rgb blue{0.36f, 0.58f, 0.92f}, cloud{0.97f, 0.98f, 1.0f};
  const float density = clamp01((fbm(u, v, 4, 5, 61) - 0.48f) * 3.2f);
  return mix(blue, cloud, smooth(density));
}

Rgb checkered(float u, float v) {
  const bool odd = ((static_cast<int>(u * 8) + static_cast<int>(v * 8)) & 1) != 0;
  return odd ? Rgb{0.55f, 0.55f, 0.58f} : Rgb{0.92f, 0.92f, 0.92f};
}

}  // namespace

std::string_view textureName(TextureKind kind) {
  switch (kind) {
    case TextureKind::Wood:
      return "wood";
    case TextureKind::Ground:
      return "ground";
    case TextureKind::Sky:
      return "sky";
    case TextureKind::Checkered:
      return "checkered";
  }
  return "";
}

Image makeBuiltinTexture(TextureKind kind) {
  switch (kind) {
    case TextureKind::Wood:
      return paint(wood);
    case TextureKind::Ground:
      return paint(ground);
    case TextureKind::Sky:
      return paint(sky);
    case TextureKind::Checkered:
      return paint(checkered);
  }
  return {};
}
