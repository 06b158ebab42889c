// A GL 3.3 core context of the benchmarks' own, without a window: EGL on Mesa's surfaceless
// platform, as the offscreen backend makes it, current on the calling thread.
#pragma once

#include <string>

// Makes the context current; false with a one-line reason where none can be made.
bool makeBenchContext(std::string& error);
// The GL renderer's name ("llvmpipe (LLVM 15.0.6, 256 bits)"), for the report.
std::string glRendererName();
