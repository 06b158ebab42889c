// The GL renderer without a window: EGL on the surfaceless platform.
#pragma once

#include <memory>
#include <string>

#include "picture.h"
#include "view.h"

// The renderer offscreen. It follows the view it is given (camera, switches, size). nullptr with a
// one-line reason where no GL context can be made.
std::unique_ptr<PictureBackend> makeOffscreenBackend(const View& view, std::string& error);

// Makes a GL 3.3 core context on the surfaceless platform current on the calling thread, for
// drawing with the GL renderer directly (the renderer's benchmarks); false with a reason.
bool makeSurfacelessContextCurrent(std::string& error);
