#include "hud_status.h"

#include <cstdio>

namespace {

constexpr const char* kGap = "   ";

std::string formatted(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::string hudStatusLine(const HudStatus& status) {
  std::string line = "frame " + std::to_string(status.frame);
  if (status.measuredFps >= 0) line += kGap + formatted("%.1f fps", status.measuredFps);
  line += kGap + formatted("speed %g/s", status.fps);
  if (status.paused) line += std::string(kGap) + "PAUSE";
  if (status.writingFrames) line += std::string(kGap) + "REC";
  if (!status.textures) line += std::string(kGap) + "NO TEXTURES";
  if (!status.shadows) line += std::string(kGap) + "NO SHADOWS";
  return line;
}
