#include "shape_pick.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "view_math.h"

namespace {

using Vec = std::array<float, 3>;
constexpr float kNoHit = std::numeric_limits<float>::infinity();

// The ray in the shape's own axes: the columns of its rotation, centred on its position.
Ray toShape(const Ray& ray, const DrawCall& call) {
  Ray local{};
  for (std::size_t col = 0; col < 3; ++col)
    for (std::size_t row = 0; row < 3; ++row) {
      const float axis = call.R[4 * row + col];
      local.origin[col] += axis * (ray.origin[row] - call.pos[row]);
      local.direction[col] += axis * ray.direction[row];
    }
  return local;
}

// The nearest t >= 0 at which the ray is inside all three slabs |p[i]| <= half[i].
float hitBox(const Ray& ray, const Vec& half) {
  float enter = 0, leave = kNoHit;
  for (std::size_t i = 0; i < 3; ++i) {
    const float o = ray.origin[i], d = ray.direction[i];
    if (d == 0) {
      if (std::abs(o) > half[i]) return kNoHit;
      continue;
    }
    float a = (-half[i] - o) / d, b = (half[i] - o) / d;
    if (a > b) std::swap(a, b);
    enter = std::max(enter, a);
    leave = std::min(leave, b);
    if (enter > leave) return kNoHit;
  }
  return enter;
}

// The nearest t >= 0 of a quadratic a t^2 + 2 b t + c = 0 that passes `inside`.
template <typename Inside>
float nearestRoot(float a, float b, float c, Inside inside) {
  if (a == 0) return kNoHit;
  const float discriminant = b * b - a * c;
  if (discriminant < 0) return kNoHit;
  const float root = std::sqrt(discriminant);
  for (const float t : {(-b - root) / a, (-b + root) / a})
    if (t >= 0 && inside(t)) return t;
  return kNoHit;
}

float hitSphere(const Ray& ray, float radius) {
  const Vec& o = ray.origin;
  const Vec& d = ray.direction;
  const float b = o[0] * d[0] + o[1] * d[1] + o[2] * d[2];
  const float c = o[0] * o[0] + o[1] * o[1] + o[2] * o[2] - radius * radius;
  if (c <= 0) return 0;  // the camera is inside
  return nearestRoot(1, b, c, [](float) { return true; });
}

// A solid cylinder along its own z: the side and the two caps.
float hitCylinder(const Ray& ray, float radius, float length) {
  const Vec& o = ray.origin;
  const Vec& d = ray.direction;
  const float half = length / 2;
  const auto within = [&](float t) { return std::abs(o[2] + d[2] * t) <= half; };
  float nearest = nearestRoot(d[0] * d[0] + d[1] * d[1], o[0] * d[0] + o[1] * d[1],
                              o[0] * o[0] + o[1] * o[1] - radius * radius, within);
  if (d[2] != 0)
    for (const float cap : {-half, half}) {
      const float t = (cap - o[2]) / d[2];
      const float x = o[0] + d[0] * t, y = o[1] + d[1] * t;
      if (t >= 0 && x * x + y * y <= radius * radius) nearest = std::min(nearest, t);
    }
  return nearest;
}

float hit(const Ray& ray, const DrawCall& call) {
  const Ray local = toShape(ray, call);
  switch (call.shape) {
    case DrawCall::Shape::Box:
      return hitBox(local, {call.sides[0] / 2, call.sides[1] / 2, call.sides[2] / 2});
    case DrawCall::Shape::Sphere:
      return hitSphere(local, call.radius);
    case DrawCall::Shape::Cylinder:
      return hitCylinder(local, call.radius, call.length);
  }
  return kNoHit;
}

}  // namespace

std::optional<std::size_t> pickShape(std::span<const DrawCall> calls, const View& view, int width,
                                     int height, float x, float y) {
  const Ray ray = pixelRay(view, width, height, x, y);
  // The ground hides whatever lies beyond the point where the line of sight meets it.
  float nearest = ray.direction[2] < 0 ? -ray.origin[2] / ray.direction[2] : kNoHit;
  std::optional<std::size_t> picked;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const float t = hit(ray, calls[i]);
    if (t < nearest) {
      nearest = t;
      picked = i;
    }
  }
  return picked;
}
