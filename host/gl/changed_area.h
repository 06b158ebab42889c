// Where a picture differs from the picture it was drawn over: the pixels that must be copied back
// to make it that picture again. Kept as one span of columns per band of rows, so that the copy
// back takes a few rectangles however many shapes were drawn.
#pragma once

#include <array>
#include <vector>

#include "view_math.h"

// Columns [x0, x1) of rows [y0, y1), rows counted from the bottom as GL counts them.
struct PixelRect {
  int x0, y0, x1, y1;
  bool operator==(const PixelRect&) const = default;
};

class ChangedArea {
 public:
  // Rows per band: llvmpipe's tile height, so that a band's copy touches whole tiles.
  static constexpr int kBand = 64;

  // Nothing changed yet in a picture of width x height.
  void reset(int width, int height);
  // Everything changed (or unknown).
  void markAll() { all_ = true; }
  // The pixels of a rectangle, clamped to the picture.
  void markRect(const PixelRect& rect);
  // The pixels a sphere can cover seen through viewProj, with a pixel to spare round them;
  // everything when any of it reaches behind the camera or is not finite.
  void markSphere(const Mat4& viewProj, const std::array<float, 3>& centre, float radius);

  bool all() const { return all_; }
  // The rectangles that cover the changed pixels when not all() changed, none when nothing did;
  // bands one above the other with the same span make one rectangle.
  std::vector<PixelRect> rects() const;

 private:
  int width_ = 0, height_ = 0;
  bool all_ = true;
  std::vector<int> low_, high_;  // per band: the changed columns [low, high); empty if low >= high
};
