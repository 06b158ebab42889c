#include "options.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace {

constexpr long kMaxFrames = 1'000'000'000;
constexpr double kMaxFps = 1000;
constexpr int kMinSide = 16;
constexpr int kMaxSide = 8192;

// Control characters are shown as \xNN: a newline in an argument must not split the one line
// that answers it, nor an escape sequence reach the terminal.
std::string quoted(std::string_view text) {
  constexpr size_t kShown = 40;
  std::string shown;
  size_t i = 0;
  for (; i < text.size() && shown.size() < kShown; ++i) {
    const unsigned char u = static_cast<unsigned char>(text[i]);
    if (u < 0x20 || u == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", u);
      shown += hex;
    } else {
      shown += text[i];
    }
  }
  return "'" + shown + (i < text.size() ? "...'" : "'");
}

template <typename Int>
bool parseInt(std::string_view text, Int& value) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool parseFrames(std::string_view text, Options& options, std::string& error) {
  long frames = 0;
  if (!parseInt(text, frames) || frames <= 0 || frames > kMaxFrames) {
    error = "--frames needs a whole number from 1 to " + std::to_string(kMaxFrames) + ", not " +
            quoted(text);
    return false;
  }
  options.frames = frames;
  return true;
}

bool parseFps(std::string_view text, Options& options, std::string& error) {
  double fps = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), fps);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(fps) || fps <= 0 || fps > kMaxFps) {
    error = "--fps needs a number above 0 and at most 1000, not " + quoted(text);
    return false;
  }
  options.fps = fps;
  return true;
}

bool parseSize(std::string_view text, Options& options, std::string& error) {
  size_t x = text.find('x');
  int width = 0, height = 0;
  if (x == std::string_view::npos || !parseInt(text.substr(0, x), width) ||
      !parseInt(text.substr(x + 1), height) || width < kMinSide || height < kMinSide ||
      width > kMaxSide || height > kMaxSide) {
    error = "--size needs WIDTHxHEIGHT, each from 16 to 8192, not " + quoted(text);
    return false;
  }
  options.width = width;
  options.height = height;
  return true;
}

bool parseFile(std::string_view name, std::string_view text, std::string& file,
               std::string& error) {
  if (text.empty()) {
    error = std::string(name) + " needs a file name";
    return false;
  }
  file = text;
  return true;
}

}  // namespace

OptionsResult parseOptions(int argc, const char* const* argv) {
  OptionsResult result;
  Options& o = result.options;
  std::string& error = result.error;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.size() < 2 || arg[0] != '-') continue;  // the game's own argument

    if (arg == "-notex") {
      o.textures = false;
    } else if (arg == "-noshadow" || arg == "-noshadows") {
      o.shadows = false;
    } else if (arg == "-pause") {
      o.pause = true;
    } else if (arg == "--headless") {
      o.headless = true;
    } else if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else {
      // Options with a value, as "--name VALUE" or "--name=VALUE".
      std::string_view name = arg;
      std::string_view value;
      bool hasValue = false;
      if (size_t eq = arg.find('='); eq != std::string_view::npos && arg.starts_with("--")) {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
        hasValue = true;
      }
      static constexpr std::string_view kWithValue[] = {
          "--frames", "--keys", "--record", "--trace", "--screenshot", "--size", "--fps"};
      bool known = false;
      for (std::string_view n : kWithValue) known = known || n == name;
      if (!known) {
        error = "unknown option " + quoted(arg) + " (see --help)";
        return result;
      }
      if (!hasValue) {
        if (i + 1 >= argc) {
          error = std::string(name) + " needs a value (see --help)";
          return result;
        }
        value = argv[++i];
      }
      bool ok = name == "--frames"   ? parseFrames(value, o, error)
                : name == "--fps"    ? parseFps(value, o, error)
                : name == "--size"   ? parseSize(value, o, error)
                : name == "--keys"   ? parseFile(name, value, o.keysFile, error)
                : name == "--record" ? parseFile(name, value, o.recordFile, error)
                : name == "--trace"  ? parseFile(name, value, o.traceFile, error)
                                     : parseFile(name, value, o.screenshotFile, error);
      if (!ok) return result;
    }
  }
  return result;
}

std::string helpText() {
  return R"(usage: cannoncar [TEXTURE_DIR] [OPTIONS]

Drive the car, aim the cannon and shoot down the MiGs.
With exactly one argument, that argument is the texture directory (default "textures").

Options:
  -notex               start with textures off
  -noshadow, -noshadows
                       start with shadows off
  -pause               start paused
  --headless           no window: run the frames as fast as possible, then end
  --frames N           stop after N frames (default 600 when headless)
  --keys FILE          play a key script ("-" reads standard input)
  --record FILE        write every key pressed as a key script
  --trace FILE         write every frame's drawing calls as JSON Lines
  --screenshot FILE    after the last frame, write the picture as PNG
  --size WxH           window or picture size instead of 800x600
  --fps N              frames per second in a window (default 60; 20 is real time)
  --help               print this text

Game keys:
  w / s    speed up / slow down          a / d    steer left / right
  z        stop and straighten            space    fire a missile
  j / l    turn the cannon left / right   i / k    raise / lower the cannon
  f        toggle fast step mode          r        reset the simulation
  g / h    increase / decrease AutoEnableDepth (kept, but has no effect on this engine)

Host keys:
  ctrl-p pause, ctrl-o one step while paused, ctrl-t textures, ctrl-s shadows,
  ctrl-v print the viewpoint, ctrl-w write frames as PNG, ctrl-x (or Esc) quit

Key scripts: one line per frame, "FRAME KEY KEY ...", where a key is a printable
character, "space", "code:N" or a host key such as "ctrl-p"; "#" starts a comment.
)";
}
