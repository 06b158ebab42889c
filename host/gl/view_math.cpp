#include "view_math.h"

#include <algorithm>
#include <cmath>

constexpr float kDegree = 3.14159265358979f / 180.0f;
constexpr float kNear = 0.1f;
constexpr float kFar = 4000.0f;
// The game's own picture, 800 x 600, sees 90 degrees across its width. Any other picture keeps
// that view whole inside it: a wider one sees more at the sides, a taller one more above and
// below.
constexpr float kGameAspect = 4.0f / 3.0f;

Mat4 identity() {
  Mat4 m;
  for (int i = 0; i < 4; ++i) m.at(i, i) = 1;
  return m;
}

Mat4 operator*(const Mat4& a, const Mat4& b) {
  Mat4 c;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += a.at(row, k) * b.at(k, col);
      c.at(row, col) = sum;
    }
  return c;
}

std::array<float, 3> transformPoint(const Mat4& m, const std::array<float, 3>& p) {
  std::array<float, 3> out{};
  for (int row = 0; row < 3; ++row)
    out[static_cast<std::size_t>(row)] =
        m.at(row, 0) * p[0] + m.at(row, 1) * p[1] + m.at(row, 2) * p[2] + m.at(row, 3);
  return out;
}

CameraAxes cameraAxes(const View& view) {
  const float h = view.hpr[0] * kDegree, p = view.hpr[1] * kDegree, r = view.hpr[2] * kDegree;
  const std::array<float, 3> forward = {std::cos(p) * std::cos(h), std::cos(p) * std::sin(h),
                                        std::sin(p)};
  // Level right and up before the roll: right stays in the ground plane.
  const std::array<float, 3> right0 = {std::sin(h), -std::cos(h), 0};
  const std::array<float, 3> up0 = {-std::sin(p) * std::cos(h), -std::sin(p) * std::sin(h),
                                    std::cos(p)};
  // The roll turns right and up about the line of sight, clockwise as the camera sees it.
  const float c = std::cos(r), s = std::sin(r);
  CameraAxes axes{forward, {}, {}};
  for (std::size_t i = 0; i < 3; ++i) {
    axes.right[i] = right0[i] * c - up0[i] * s;
    axes.up[i] = up0[i] * c + right0[i] * s;
  }
  return axes;
}

Mat4 viewMatrix(const View& view) {
  const CameraAxes axes = cameraAxes(view);
  Mat4 m = identity();
  for (int col = 0; col < 3; ++col) {
    const auto c = static_cast<std::size_t>(col);
    m.at(0, col) = axes.right[c];
    m.at(1, col) = axes.up[c];
    m.at(2, col) = -axes.forward[c];
  }
  for (int row = 0; row < 3; ++row)
    m.at(row, 3) =
        -(m.at(row, 0) * view.xyz[0] + m.at(row, 1) * view.xyz[1] + m.at(row, 2) * view.xyz[2]);
  return m;
}

Mat4 projectionMatrix(int width, int height) {
  const float aspect =
      height > 0 && width > 0 ? static_cast<float>(width) / static_cast<float>(height) : 1.0f;
  Mat4 m;
  if (aspect > kGameAspect) {
    // The game's height is kept; the width grows.
    m.at(0, 0) = kGameAspect / aspect;
    m.at(1, 1) = kGameAspect;
  } else {
    m.at(0, 0) = 1.0f;  // tan(45 degrees) across half the width
    m.at(1, 1) = aspect;
  }
  m.at(2, 2) = -(kFar + kNear) / (kFar - kNear);
  m.at(2, 3) = -2.0f * kFar * kNear / (kFar - kNear);
  m.at(3, 2) = -1.0f;
  return m;
}

std::optional<std::array<float, 2>> projectToPixel(const View& view, int width, int height,
                                                   const std::array<float, 3>& point) {
  const std::array<float, 3> eye = transformPoint(viewMatrix(view), point);
  if (eye[2] >= -kNear) return std::nullopt;
  const Mat4 projection = projectionMatrix(width, height);
  const float w = -eye[2];
  const float ndcX = projection.at(0, 0) * eye[0] / w, ndcY = projection.at(1, 1) * eye[1] / w;
  return std::array<float, 2>{(ndcX + 1) * 0.5f * static_cast<float>(width),
                              (1 - ndcY) * 0.5f * static_cast<float>(height)};
}

Ray pixelRay(const View& view, int width, int height, float x, float y) {
  const CameraAxes axes = cameraAxes(view);
  const Mat4 projection = projectionMatrix(width, height);
  const float ndcX = 2 * x / static_cast<float>(std::max(width, 1)) - 1;
  const float ndcY = 1 - 2 * y / static_cast<float>(std::max(height, 1));
  const float across = ndcX / projection.at(0, 0), upward = ndcY / projection.at(1, 1);
  Ray ray{{view.xyz[0], view.xyz[1], view.xyz[2]}, {}};
  float length = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    ray.direction[i] = axes.forward[i] + axes.right[i] * across + axes.up[i] * upward;
    length += ray.direction[i] * ray.direction[i];
  }
  for (float& d : ray.direction) d /= std::sqrt(length);
  return ray;
}

Mat4 inverse(const Mat4& a) {
  // Cofactor expansion of a general 4 x 4.
  const auto& m = a.m;
  std::array<float, 16> inv{};
  inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] +
           m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
  inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] -
           m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
  inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] +
           m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
  inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] -
            m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
  inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] -
           m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
  inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] +
           m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
  inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] -
           m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
  inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] +
            m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
  inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
           m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
  inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] -
           m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
  inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] +
            m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
  inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] -
            m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
  inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] -
           m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
  inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
           m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
  inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
            m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
  inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
            m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
  const float det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
  Mat4 out;
  for (std::size_t i = 0; i < 16; ++i) out.m[i] = det != 0 ? inv[i] / det : 0;
  return out;
}
