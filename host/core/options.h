// The host's command line.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

struct Options {
  bool textures = true;                      // -notex turns them off
  bool shadows = true;                       // -noshadow, -noshadows
  bool pause = false;                        // -pause
  bool headless = false;                     // --headless
  std::optional<long> frames;                // --frames N; headless runs default to 600
  std::string keysFile;                      // --keys FILE ("-" is standard input)
  std::string recordFile;                    // --record FILE
  std::string traceFile;                     // --trace FILE
  std::string screenshotFile;                // --screenshot FILE
  std::optional<int> width, height;          // --size WxH
  std::optional<double> fps;                 // --fps N
  bool hud = false;                          // --hud: the overlay in headless pictures too
  std::optional<std::array<float, 6>> view;  // --view X,Y,Z,H,P,R
  std::optional<std::string> texturesDir;    // --textures DIR
  bool help = false;                         // --help
  // The game took its lone argument for the texture directory, but it is one of these options:
  // the texture directory is then the default one.
  bool gameArgumentIsOption = false;
};

struct OptionsResult {
  Options options;
  std::string error;  // one line naming the bad option or value; empty when all is well
};

// Reads the host's options from argv[1..argc-1]. A lone word that is not an option (the game's
// texture directory; a lone unknown option that names a directory) is left to the game; among
// several arguments, a word that is neither an option nor an option's value is an error.
OptionsResult parseOptions(int argc, const char* const* argv);

// The text of --help: the options and the keys.
std::string helpText();
