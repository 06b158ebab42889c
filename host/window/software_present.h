// Frames drawn by a software rasterizer shown by putting their pixels into the window through the
// X server's shared memory, instead of GL's copy into the window's back buffer and its swap.
#pragma once

#include <memory>

struct GLFWwindow;

class SoftwarePresent {
 public:
  // Null when the window's X visual or the X server does not allow it: then GL shows the frames.
  static std::unique_ptr<SoftwarePresent> make(GLFWwindow* window);
  ~SoftwarePresent();
  SoftwarePresent(const SoftwarePresent&) = delete;
  SoftwarePresent& operator=(const SoftwarePresent&) = delete;

  // The framebuffer to draw a frame of this size into (made again when the size changes); 0 when
  // the GL or the X server cannot give one, and GL shows the frame.
  unsigned framebuffer(int width, int height);
  // Puts the framebuffer's picture into the window.
  void show();

 private:
  struct Impl;
  explicit SoftwarePresent(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};
