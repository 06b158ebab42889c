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

  // Ready to show frames of this size (the shared image made again when the size changes); false
  // when the X server cannot share one, and GL shows the frame.
  bool ready(int width, int height);
  // Puts the picture in the framebuffer, single-sampled and of the size made ready, into the
  // window.
  void show(unsigned framebuffer);

 private:
  struct Impl;
  explicit SoftwarePresent(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};
