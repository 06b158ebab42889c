// Where the drawing API's calls go. Every frame is handed to one backend, chosen at start:
// the GL renderer (window or offscreen), the recording backend or the null backend; the trace
// writer is a backend too, and a Tee feeds several.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "keys.h"

struct DrawCall {
  enum class Shape : std::uint8_t { Box, Sphere, Cylinder };
  Shape shape = Shape::Box;
  float pos[3] = {};
  float R[12] = {};     // rows padded to four
  float sides[3] = {};  // box: full side lengths
  float radius = 0;     // sphere, cylinder
  float length = 0;     // cylinder, along R's third column
  float color[3] = {1, 1, 1};
  int texture = 0;  // DS_NONE, DS_WOOD, ...
  bool operator==(const DrawCall&) const = default;
};

struct FrameInfo {
  long frame = 0;             // index of this call of the step callback, from 0
  int pause = 0;              // what the step callback receives
  std::span<const Key> keys;  // delivered just before this frame
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual void beginFrame(const FrameInfo&) {}
  virtual void draw(const DrawCall&) {}
  // A dsPrint text, UTF-8, as formatted.
  virtual void print(std::string_view) {}
  virtual void endFrame() {}
};

// The backend that receives the drawing API's calls from now on; nullptr selects the null
// backend, which drops everything.
void setBackend(Backend* backend);
Backend& currentBackend();
