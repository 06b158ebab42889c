// The GL renderer as a backend: it draws each frame handed to it into a picture.
#pragma once

#include <memory>
#include <string>

#include "host/backend.h"
#include "host/view.h"

class PictureBackend : public Backend {
 public:
  // Writes the last frame drawn as a PNG; false with a one-line reason when it cannot.
  virtual bool writePng(const std::string& path, std::string& error) = 0;
};

// The renderer without a window (EGL, surfaceless). It follows the view it is given (camera,
// switches, size). nullptr with a one-line reason where no GL context can be made.
std::unique_ptr<PictureBackend> makeOffscreenBackend(const View& view, std::string& error);

// Makes a GL 3.3 core context on the surfaceless platform current on the calling thread, for
// drawing with the GL renderer directly (the renderer's benchmarks); false with a reason.
bool makeSurfacelessContextCurrent(std::string& error);
