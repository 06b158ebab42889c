#include "tests/game/game_fixture.h"

#include <cstdlib>
#include <memory>

#include "backend.h"
#include "controls/controls.h"
#include "scene/scene.h"
#include "sim/sim.h"
#include "tests/support/fresh_game.h"

void GameTest::SetUp() {
  setBackend(&recording);
  startFreshGame();
  recording.clear();
}

void GameTest::TearDown() {
  endGame();
  setBackend(nullptr);
}

void GameTest::runFrames(int count, int pause) {
  for (int i = 0; i < count; ++i) simLoop(pause);
}

void GameTest::press(const char* keys) {
  for (const char* key = keys; *key; ++key) command(*key);
}

Vec3 vec(const dReal* v) {
  return {v[0], v[1], v[2]};
}

std::vector<int> freshRandSequence(int count) {
  std::srand(1);
  std::vector<int> numbers;
  for (int i = 0; i < count; ++i) numbers.push_back(std::rand());
  std::srand(1);
  return numbers;
}

::testing::AssertionResult near(const Vec3& actual, const Vec3& expected, double tolerance) {
  for (int i = 0; i < 3; ++i) {
    if (!(std::abs(actual[i] - expected[i]) <= tolerance)) {
      return ::testing::AssertionFailure()
             << "(" << actual[0] << ", " << actual[1] << ", " << actual[2] << ") is not within "
             << tolerance << " of (" << expected[0] << ", " << expected[1] << ", " << expected[2]
             << ")";
    }
  }
  return ::testing::AssertionSuccess();
}
