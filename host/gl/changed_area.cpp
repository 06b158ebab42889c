#include "changed_area.h"

#include <algorithm>
#include <cmath>

void ChangedArea::reset(int width, int height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  all_ = false;
  const auto bands = static_cast<std::size_t>((height_ + kBand - 1) / kBand);
  low_.assign(bands, width_);
  high_.assign(bands, 0);
}

void ChangedArea::markSphere(const Mat4& viewProj, const std::array<float, 3>& centre,
                             float radius) {
  if (all_) return;
  // The sphere lies inside the box round it; the box's corners, all in front of the camera,
  // project to a rectangle that holds the sphere's picture.
  float low[2] = {INFINITY, INFINITY}, high[2] = {-INFINITY, -INFINITY};
  for (int corner = 0; corner < 8; ++corner) {
    float point[3];
    for (int axis = 0; axis < 3; ++axis)
      point[axis] =
          centre[static_cast<std::size_t>(axis)] + ((corner >> axis) & 1 ? radius : -radius);
    float clip[4];
    for (int row = 0; row < 4; ++row)
      clip[row] = viewProj.at(row, 0) * point[0] + viewProj.at(row, 1) * point[1] +
                  viewProj.at(row, 2) * point[2] + viewProj.at(row, 3);
    if (!(clip[3] > 0) || !std::isfinite(clip[0]) || !std::isfinite(clip[1])) {
      markAll();
      return;
    }
    for (int axis = 0; axis < 2; ++axis) {
      const float ndc = clip[axis] / clip[3];
      low[axis] = std::min(low[axis], ndc);
      high[axis] = std::max(high[axis], ndc);
    }
  }
  // From -1..1 to pixels, a pixel to spare each side; far outside the picture clamps to its edge.
  const auto toPixel = [](float ndc, int size, float spare) {
    const float pixel = (ndc + 1) * 0.5f * static_cast<float>(size) + spare;
    return static_cast<int>(std::clamp(pixel, -1.0f, static_cast<float>(size) + 1));
  };
  markRect({toPixel(low[0], width_, -1), toPixel(low[1], height_, -1), toPixel(high[0], width_, 2),
            toPixel(high[1], height_, 2)});
}

void ChangedArea::markRect(const PixelRect& rect) {
  if (all_) return;
  const int x0 = std::max(rect.x0, 0), y0 = std::max(rect.y0, 0);
  const int x1 = std::min(rect.x1, width_), y1 = std::min(rect.y1, height_);
  if (x0 >= x1 || y0 >= y1) return;
  for (int band = y0 / kBand; band <= (y1 - 1) / kBand; ++band) {
    const auto b = static_cast<std::size_t>(band);
    low_[b] = std::min(low_[b], x0);
    high_[b] = std::max(high_[b], x1);
  }
}

std::vector<PixelRect> ChangedArea::rects() const {
  std::vector<PixelRect> rects;
  for (std::size_t band = 0; band < low_.size(); ++band) {
    if (low_[band] >= high_[band]) continue;
    const int y0 = static_cast<int>(band) * kBand;
    const int y1 = std::min(height_, y0 + kBand);
    if (!rects.empty() && rects.back().y1 == y0 && rects.back().x0 == low_[band] &&
        rects.back().x1 == high_[band])
      rects.back().y1 = y1;
    else
      rects.push_back({low_[band], y0, high_[band], y1});
  }
  return rects;
}
