#include "options.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "help_table.h"
#include "shown_text.h"
#include "view.h"

namespace {

constexpr long kMaxFrames = 1'000'000'000;
constexpr double kMinFps = 0.1;
constexpr double kMaxFps = 1000;

// The shown part of a bad argument: enough to recognise it, short enough for one line.
constexpr std::size_t kShownArgument = 40;

std::string quoted(std::string_view text) {
  return quotedText(text, kShownArgument);
}

bool isDirectory(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
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
      !std::isfinite(fps) || fps < kMinFps || fps > kMaxFps) {
    error = "--fps needs a number from 0.1 to 1000, not " + quoted(text);
    return false;
  }
  options.fps = fps;
  return true;
}

bool parseSize(std::string_view text, Options& options, std::string& error) {
  size_t x = text.find('x');
  int width = 0, height = 0;
  if (x == std::string_view::npos || !parseInt(text.substr(0, x), width) ||
      !parseInt(text.substr(x + 1), height) || width < kSmallestSide || height < kSmallestSide ||
      width > kLargestSide || height > kLargestSide) {
    error = "--size needs WIDTHxHEIGHT, each from 16 to 8192, not " + quoted(text);
    return false;
  }
  options.width = width;
  options.height = height;
  return true;
}

bool parseView(std::string_view text, Options& options, std::string& error) {
  std::array<float, 6> view{};
  std::string_view rest = text;
  for (size_t i = 0; i < view.size(); ++i) {
    const size_t comma = i + 1 < view.size() ? rest.find(',') : rest.size();
    const std::string_view part = rest.substr(0, comma);
    auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), view[i]);
    if (comma == std::string_view::npos || part.empty() || ec != std::errc() ||
        end != part.data() + part.size() || !std::isfinite(view[i])) {
      error = "--view needs six numbers X,Y,Z,H,P,R, not " + quoted(text);
      return false;
    }
    rest = rest.substr(std::min(comma + 1, rest.size()));
  }
  options.view = view;
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

bool parseTexturesDir(std::string_view text, Options& options, std::string& error) {
  if (text.empty()) {
    error = "--textures needs a directory";
    return false;
  }
  options.texturesDir = std::string(text);
  return true;
}

}  // namespace

OptionsResult parseOptions(int argc, const char* const* argv) {
  OptionsResult result;
  Options& o = result.options;
  std::string& error = result.error;
  // The game takes a lone argument for its texture directory, whatever it holds; among several,
  // the directory goes with --textures.
  const bool lone = argc == 2;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.size() < 2 || arg[0] != '-') {
      if (lone) continue;
      error = "unexpected argument " + quoted(arg) +
              " (a texture directory among options goes with --textures DIR; see --help)";
      return result;
    }
    // A lone host option is the option, not the game's texture directory.
    o.gameArgumentIsOption = lone;

    if (arg == "-notex") {
      o.textures = false;
    } else if (arg == "-noshadow" || arg == "-noshadows") {
      o.shadows = false;
    } else if (arg == "-pause") {
      o.pause = true;
    } else if (arg == "--headless") {
      o.headless = true;
    } else if (arg == "--hud") {
      o.hud = true;
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
      static constexpr std::string_view kWithValue[] = {"--frames", "--keys",       "--record",
                                                        "--trace",  "--screenshot", "--size",
                                                        "--fps",    "--view",       "--textures"};
      bool known = false;
      for (std::string_view n : kWithValue) known = known || n == name;
      if (!known) {
        // A lone word that names a directory is the game's texture directory, even one that
        // reads like an option; only a word that names nothing is a mistyped option.
        if (lone && isDirectory(argv[i])) {
          o.gameArgumentIsOption = false;
          continue;
        }
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
      bool ok = name == "--frames"     ? parseFrames(value, o, error)
                : name == "--fps"      ? parseFps(value, o, error)
                : name == "--size"     ? parseSize(value, o, error)
                : name == "--view"     ? parseView(value, o, error)
                : name == "--textures" ? parseTexturesDir(value, o, error)
                : name == "--keys"     ? parseFile(name, value, o.keysFile, error)
                : name == "--record"   ? parseFile(name, value, o.recordFile, error)
                : name == "--trace"    ? parseFile(name, value, o.traceFile, error)
                                       : parseFile(name, value, o.screenshotFile, error);
      if (!ok) return result;
    }
  }
  return result;
}

std::string helpText() {
  constexpr size_t kColumn = 23;
  std::string text =
      "usage: cannoncar [TEXTURE_DIR] [OPTIONS]\n\n"
      "Drive the car, aim the cannon and shoot down the MiGs.\n"
      "A lone argument that is not an option is the texture directory (default \"textures\");\n"
      "among options, name it with --textures DIR.\n"
      "\nOptions:\n";
  for (const OptionHelp& option : optionHelp()) {
    std::string head = "  " + std::string(option.names);
    if (!option.value.empty()) head += " " + std::string(option.value);
    head += head.size() + 1 > kColumn ? "\n" + std::string(kColumn, ' ')
                                      : std::string(kColumn - head.size(), ' ');
    text += head + std::string(option.text) + "\n";
  }
  for (const KeyGroup& group : keyHelp()) {
    text += "\n" + std::string(group.title) + ":\n";
    for (const KeyHelp& key : group.keys) {
      std::string head = "  " + std::string(key.keys);
      head += head.size() + 1 > kColumn ? "\n" + std::string(kColumn, ' ')
                                        : std::string(kColumn - head.size(), ' ');
      text += head + std::string(key.text) + "\n";
    }
  }
  text +=
      "\nKey scripts: one line per frame, \"FRAME KEY KEY ...\", where a key is a printable\n"
      "character, \"space\", \"code:N\" or a host key such as \"ctrl-p\" or \"f1\"; \"#\" starts "
      "a\n"
      "comment.\n";
  return text;
}
