// The speed-ups change nothing the game does: a long game, driven by a key script through the
// host's session, writes the same trace byte for byte with block recycling and the fast trace
// numbers as with malloc and the reference numbers. And the fast numbers are printf's %.9g.
#include <gtest/gtest.h>
#include <ode/ode.h>
#include <unistd.h>

#include <bit>
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

#include "controls/controls.h"
#include "core/drawstuff.h"
#include "core/game_state.h"
#include "core/start.h"
#include "recycling_allocator.h"
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

  void TearDown() override {
    setBlockRecycling(true);
    setReferenceTraceNumbers(false);
    std::filesystem::remove_all(dir);
  }

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
    session.start();
    while (session.framesRun() < kFrames && session.runFrame({})) {
    }
    EXPECT_TRUE(session.finish(error)) << error;

    endGame();
    return readFile(dir / name);
  }

  std::filesystem::path dir;
};

TEST_F(TraceIdentityTest, LongGameTraceIsTheSameWithRecyclingAndFastNumbers) {
  setBlockRecycling(false);
  setReferenceTraceNumbers(true);
  const std::string before = playLongGame("before.jsonl");

  setBlockRecycling(true);
  setReferenceTraceNumbers(false);
  const std::string after = playLongGame("after.jsonl");

  // a game that really played: every frame's line, missiles fired, contacts scored
  ASSERT_EQ(std::count(before.begin(), before.end(), '\n'), kFrames + 1);
  EXPECT_NE(before.find("\"prints\":[\""), std::string::npos);
  EXPECT_GT(game.missilesFired, 0);
  ASSERT_EQ(before.size(), after.size());
  EXPECT_TRUE(before == after) << "traces differ from byte "
                               << std::mismatch(before.begin(), before.end(), after.begin()).first -
                                      before.begin();
}

std::string printfText(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  return text;
}

std::string fastText(float value) {
  char text[kTraceNumberRoom];
  return std::string(text, writeTraceNumber(text, value));
}

TEST(TraceNumbersTest, HardCasesReadAsPrintfWritesThem) {
  const float cases[] = {
      0.0f,
      -0.0f,
      1.0f,
      -1.0f,
      0.5f,
      1.5f,
      3.0f,
      0.3f,
      0.4f,
      -9.8f,
      0.05f,
      0.01f,
      1.001953125f,    // 1 + 2^-9: ten digits ending in 5, a true tie, rounded to even
      1.00048828125f,  // 1 + 2^-11
      100000000.0f,
      999999936.0f,
      1e9f,
      1.5e9f,
      123456792.0f,  // whole numbers about 1e9
      9.99999994e-05f,
      1e-4f,
      1.00000005e-04f,
      1e-5f,  // about the fixed/exponent edge
      0.99999994f,
      9.99999905f,
      99999992.0f,  // just below powers of ten
      std::numeric_limits<float>::max(),
      std::numeric_limits<float>::min(),
      std::numeric_limits<float>::denorm_min(),
      6.12323426e-17f,
      -4.37113883e-08f,
      1e30f,
      3e-30f,
      1e-38f};
  for (float value : cases) EXPECT_EQ(fastText(value), printfText(value)) << printfText(value);
}

TEST(TraceNumbersTest, SpreadOfAllFloatsReadsAsPrintfWritesThem) {
  // a prime stride through every bit pattern: every exponent, both signs, many mantissas
  int mismatches = 0;
  for (std::uint64_t bits = 0; bits < (std::uint64_t{1} << 32); bits += 4099) {
    const float value = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
    if (!std::isfinite(value)) continue;
    if (fastText(value) != printfText(value) && ++mismatches <= 5) {
      ADD_FAILURE() << printfText(value) << " written as " << fastText(value);
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(TraceNumbersTest, ReferenceRouteWritesTheSame) {
  setReferenceTraceNumbers(true);
  const std::string reference = fastText(1.001953125f) + fastText(-6.12323426e-17f);
  setReferenceTraceNumbers(false);
  EXPECT_EQ(reference, printfText(1.001953125f) + printfText(-6.12323426e-17f));
}

}  // namespace
