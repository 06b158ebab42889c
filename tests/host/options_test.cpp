#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "options.h"

namespace {

OptionsResult parse(std::vector<const char*> args) {
  args.insert(args.begin(), "cannoncar");
  return parseOptions(static_cast<int>(args.size()), args.data());
}

TEST(Options, EveryOptionIsRead) {
  OptionsResult r = parse({"--textures",
                           "mytextures",
                           "-notex",
                           "-noshadows",
                           "-pause",
                           "--headless",
                           "--frames",
                           "200",
                           "--keys",
                           "k.txt",
                           "--record=r.txt",
                           "--trace",
                           "t.jsonl",
                           "--screenshot",
                           "s.png",
                           "--size",
                           "320x240",
                           "--fps",
                           "20",
                           "--view",
                           "-1.5,2,3e1,90,-22.5,0"});
  ASSERT_EQ(r.error, "");
  const Options& o = r.options;
  EXPECT_FALSE(o.textures);
  EXPECT_FALSE(o.shadows);
  EXPECT_TRUE(o.pause);
  EXPECT_TRUE(o.headless);
  EXPECT_EQ(o.frames, 200);
  EXPECT_EQ(o.keysFile, "k.txt");
  EXPECT_EQ(o.recordFile, "r.txt");
  EXPECT_EQ(o.traceFile, "t.jsonl");
  EXPECT_EQ(o.screenshotFile, "s.png");
  EXPECT_EQ(o.width, 320);
  EXPECT_EQ(o.height, 240);
  EXPECT_EQ(o.fps, 20.0);
  EXPECT_EQ(o.texturesDir, "mytextures");
  ASSERT_TRUE(o.view);
  EXPECT_EQ(*o.view, (std::array<float, 6>{-1.5f, 2, 30, 90, -22.5f, 0}));
  EXPECT_TRUE(parse({"-noshadow"}).options.shadows == false);
}

TEST(Options, DefaultsLeaveTheGameItsSettings) {
  OptionsResult r = parse({});
  ASSERT_EQ(r.error, "");
  EXPECT_TRUE(r.options.textures && r.options.shadows);
  EXPECT_FALSE(r.options.headless || r.options.pause || r.options.help);
  EXPECT_FALSE(r.options.frames || r.options.width || r.options.fps || r.options.view);
}

TEST(Options, BadOptionsAndValuesAreNamedInOneLine) {
  struct Case {
    std::vector<const char*> args;
    const char* named;
  };
  const std::vector<Case> cases = {
      {{"--bogus"}, "'--bogus'"},
      {{"-x"}, "'-x'"},
      {{"--frames"}, "--frames needs a value"},
      {{"--frames", "ten"}, "'ten'"},
      {{"--frames", "-5"}, "'-5'"},
      {{"--frames", "0"}, "'0'"},
      {{"--frames", "99999999999999999999999"}, "--frames"},
      {{"--frames", "1000000001"}, "'1000000001'"},
      {{"--frames", "12abc"}, "'12abc'"},
      {{"--fps", "0"}, "--fps"},
      {{"--fps", "-3"}, "--fps"},
      {{"--fps", "nan"}, "--fps"},
      {{"--fps", "1e9"}, "--fps"},
      {{"--fps", "1e-10"}, "--fps"},  // its frame period would overflow the clock
      {{"--fps", "0.09"}, "--fps"},
      {{"--fps", "1000.5"}, "--fps"},
      {{"--size", "800"}, "--size"},
      {{"--size", "0x0"}, "--size"},
      {{"--size", "-800x600"}, "--size"},
      {{"--size", "100000x600"}, "--size"},
      {{"--size", "800x600x3"}, "--size"},
      {{"--view"}, "--view needs a value"},
      {{"--view", "1,2,3"}, "'1,2,3'"},
      {{"--view", "1,2,3,4,5,6,7"}, "'1,2,3,4,5,6,7'"},
      {{"--view", "1,2,,4,5,6"}, "'1,2,,4,5,6'"},
      {{"--view", "1,2,3,4,5,"}, "'1,2,3,4,5,'"},
      {{"--view", "1,2,x,4,5,6"}, "'1,2,x,4,5,6'"},
      {{"--view", "1,2,3,4,5,inf"}, "--view needs six numbers"},
      {{"--view", "1,2,3,4,5,nan"}, "--view needs six numbers"},
      {{"--view", "1 ,2,3,4,5,6"}, "--view needs six numbers"},
      {{"--trace="}, "--trace needs a file name"},
      {{"--keys"}, "--keys needs a value"},
      // control characters are shown escaped, so the message stays one line (found by fuzzing)
      {{"--f\nx"}, "'--f\\x0ax'"},
      {{"--frames", "1\n2"}, "'1\\x0a2'"},
      {{"--size", "\x1b[2J"}, "'\\x1b[2J'"},
  };
  for (const Case& c : cases) {
    OptionsResult r = parse(c.args);
    EXPECT_NE(r.error.find(c.named), std::string::npos) << c.args[0] << ": " << r.error;
    EXPECT_EQ(r.error.find('\n'), std::string::npos) << r.error;
  }
}

// The game takes a lone argument for its texture directory; the host decides what it really is.
TEST(Options, ALoneArgumentIsAnOptionOrTheTextureDirectoryAndAStrayOneIsRefused) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("cannoncar-args-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "-tex");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  struct Case {
    std::vector<const char*> args;
    const char* error;  // part of the error, or "" for none
    bool gameArgumentIsOption;
  };
  const Case cases[] = {
      {{"-noshadow"}, "", true},                     // the option, and the default textures
      {{"--headless"}, "", true},                    //
      {{"--frames=5"}, "", true},                    //
      {{"mytex"}, "", false},                        // the texture directory, there or not
      {{"-tex"}, "", false},                         // a directory of that name is there
      {{"-texx"}, "unknown option '-texx'", false},  // nothing of that name: a typo
      {{"mytex", "--headless"}, "unexpected argument 'mytex'", false},
      {{"--headless", "mytex"}, "unexpected argument 'mytex'", false},
      {{"--headless", "-tex"}, "unknown option '-tex'", false},
      {{"--frames", "5", "-"}, "unexpected argument '-'", false},
  };
  for (const Case& c : cases) {
    OptionsResult r = parse(c.args);
    if (*c.error) {
      EXPECT_NE(r.error.find(c.error), std::string::npos) << c.args[0] << ": " << r.error;
    } else {
      EXPECT_EQ(r.error, "") << c.args[0];
      EXPECT_EQ(r.options.gameArgumentIsOption, c.gameArgumentIsOption) << c.args[0];
    }
  }
  std::filesystem::current_path(before);
  std::filesystem::remove_all(dir);
}

TEST(Options, HugeValuesAreCutShortInTheMessage) {
  std::string huge(100000, '9');
  OptionsResult r = parse({"--frames", huge.c_str()});
  EXPECT_LT(r.error.size(), 200u);
  // each control character takes four places once escaped (found by fuzzing)
  std::string controls(100, '\x18');
  EXPECT_LT(parse({"--frames", controls.c_str()}).error.size(), 200u);
}

TEST(Options, HelpListsEveryOptionAndKey) {
  EXPECT_TRUE(parse({"--help"}).options.help);
  std::string help = helpText();
  for (const char* word : {"-notex", "-noshadow", "-pause", "--headless", "--frames", "--keys",
                           "--record", "--trace", "--screenshot", "--size", "--fps", "ctrl-p",
                           "ctrl-o", "ctrl-x", "space", "AutoEnableDepth"}) {
    EXPECT_NE(help.find(word), std::string::npos) << word;
  }
}

}  // namespace
