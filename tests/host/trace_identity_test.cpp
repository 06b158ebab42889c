// Where its blocks come from changes nothing the game does: a long game, driven by a key script
// through the host's session, writes the same trace byte for byte on a fresh heap and on a worn
// one. And every number in a trace reads back as the exact float it was.
#include <gtest/gtest.h>
#include <ode/ode.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "controls/controls.h"
#include "core/drawstuff.h"
#include "core/game_state.h"
#include "core/start.h"
#include "scene/scene.h"
#include "session.h"
#include "sim/sim.h"
#include "tests/support/fresh_game.h"
#include "trace_numbers.h"

namespace {

constexpr long kFrames = 3000;

// Every kind of frame the game has: driving and steering both ways, a turning and tilting cannon
// firing all sixteen missiles and more, the normal stepper for a while, the auto-enable depth,
// pauses with single steps, a reset in the middle, and long stretches in which the MiGs pass,
// respawn, collide and score on their own.
std::string longKeyScript() {
  std::ostringstream script;
  script << "0 w w w w a\n";
  for (long frame = 30; frame < 1400; frame += 30) {
    const char* aim = (frame / 30) % 4 == 0 ? "j i" : (frame / 30) % 4 == 1 ? "l k" : "j k";
    script << frame << " " << aim << " space\n";
    if (frame % 300 == 0) script << frame + 1 << " d d s\n";
    if (frame % 450 == 0) script << frame + 2 << " a w w\n";
  }
  script << "1500 f g g\n";
  script << "1700 f h\n";
  script << "1800 ctrl-p\n";
  script << "1810 ctrl-o\n";
  script << "1820 ctrl-o ctrl-o j\n";
  script << "1850 ctrl-p\n";
  script << "2000 z\n";
  script << "2100 r\n";
  for (long frame = 2150; frame < kFrames; frame += 45) script << frame << " l i space w\n";
  return script.str();
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class TraceIdentityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool engineReady = (dInitODE(), true);
    (void)engineReady;
    dir = std::filesystem::temp_directory_path() /
          ("cannoncar-identity-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "keys.txt") << longKeyScript();
  }

  void TearDown() override { std::filesystem::remove_all(dir); }

  // The whole game as a fresh process plays it, from main's set-up to the last frame; returns the
  // trace.
  std::string playLongGame(const std::string& name) {
    startFreshGame();

    Options options;
    options.headless = true;
    options.keysFile = (dir / "keys.txt").string();
    options.traceFile = (dir / name).string();
    dsFunctions fn{DS_VERSION, &start, &simLoop, &command, nullptr, "textures"};
    Session session(options, &fn, 800, 600);
    std::string error;
    EXPECT_TRUE(session.open(error)) << error;
    EXPECT_TRUE(session.start(error)) << error;
    while (session.framesRun() < kFrames && session.runFrame({})) {
    }
    EXPECT_TRUE(session.finish(error)) << error;

    endGame();
    return readFile(dir / name);
  }

  std::filesystem::path dir;
};

// Blocks of many sizes, every other one freed: the heap hands the next game's blocks out at other
// places and in another order than a fresh one does.
std::vector<std::unique_ptr<char[]>> wearTheHeap() {
  std::vector<std::unique_ptr<char[]>> kept;
  for (int i = 0; i < 20000; ++i) {
    auto block = std::make_unique<char[]>(static_cast<std::size_t>(16 + (i * 37) % 4000));
    if (i % 2) kept.push_back(std::move(block));
  }
  return kept;
}

TEST_F(TraceIdentityTest, LongGameTraceIsTheSameOnAFreshAndAWornHeap) {
  const std::string fresh = playLongGame("fresh.jsonl");
  const auto kept = wearTheHeap();
  const std::string worn = playLongGame("worn.jsonl");

  // a game that really played: every frame's line, missiles fired, contacts scored
  ASSERT_EQ(std::count(fresh.begin(), fresh.end(), '\n'), kFrames + 1);
  EXPECT_NE(fresh.find("\"prints\":[\""), std::string::npos);
  EXPECT_GT(game.missilesFired, 0);
  ASSERT_EQ(fresh.size(), worn.size());
  EXPECT_TRUE(fresh == worn) << "traces differ from byte "
                             << std::mismatch(fresh.begin(), fresh.end(), worn.begin()).first -
                                    fresh.begin();
}

std::string traceText(float value) {
  char text[kTraceNumberRoom];
  return std::string(text, writeTraceNumber(text, value));
}

// The text reads back as the value, bit for bit.
bool readsBack(const std::string& text, float value) {
  float back = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), back);
  return ec == std::errc() && end == text.data() + text.size() &&
         std::bit_cast<std::uint32_t>(back) == std::bit_cast<std::uint32_t>(value);
}

TEST(TraceNumbersTest, HardCasesAreTheShortestTextsThatReadBack) {
  const struct {
    float value;
    const char* text;
  } cases[] = {
      {0.0f, "0"},
      {-0.0f, "-0"},
      {1.0f, "1"},
      {-9.8f, "-9.8"},
      {0.3f, "0.3"},  // the nearest float is 0.300000011920928955078125
      {0.05f, "0.05"},
      {1.001953125f, "1.0019531"},  // 1 + 2^-9: shorter than its exact ten digits
      {100000000.0f, "1e+08"},      // the exponent form where it is shorter
      {123456792.0f, "123456792"},  // whole numbers in full, as fixed notation has them
      {16777216.0f, "16777216"},    // 2^24, the last whole number before floats skip some
      {1e-5f, "1e-05"},
      {0.99999994f, "0.99999994"},
      {-4.37113883e-08f, "-4.371139e-08"},
      {std::numeric_limits<float>::max(), "3.4028235e+38"},
      {std::numeric_limits<float>::min(), "1.1754944e-38"},
      {std::numeric_limits<float>::denorm_min(), "1e-45"},
  };
  // twice each: the second text comes from the recent numbers
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& c : cases) {
      EXPECT_EQ(traceText(c.value), c.text);
      EXPECT_TRUE(readsBack(traceText(c.value), c.value)) << c.text;
    }
  }
}

TEST(TraceNumbersTest, SpreadOfAllFloatsReadsBackExactly) {
  // a prime stride through every bit pattern: every exponent, both signs, many mantissas; each
  // value is written twice, between other values that may take its recent slot
  int faults = 0;
  for (std::uint64_t bits = 0; bits < (std::uint64_t{1} << 32); bits += 4099) {
    const float value = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
    if (!std::isfinite(value)) continue;
    const std::string first = traceText(value);
    const std::string again = traceText(value);
    if ((!readsBack(first, value) || again != first) && ++faults <= 5) {
      ADD_FAILURE() << std::bit_cast<std::uint32_t>(value) << " written as " << first << " then "
                    << again;
    }
  }
  EXPECT_EQ(faults, 0);
}

}  // namespace
