// A fresh game, as a new process would have it after main's set-up, drawing into a recording
// backend.
#pragma once

#include <gtest/gtest.h>
#include <ode/ode.h>

#include <array>
#include <vector>

#include "core/game_state.h"
#include "recording.h"

class GameTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Running (pause 0) or paused frames through the step callback.
  void runFrames(int count, int pause = 0);
  // Each character delivered as a key press.
  void press(const char* keys);

  RecordingBackend recording;
};

using Vec3 = std::array<double, 3>;
Vec3 vec(const dReal* v);

// The next count results of rand() after srand(1), as a fresh process draws them; leaves the
// generator where a fresh process starts, so the game draws the same numbers.
std::vector<int> freshRandSequence(int count);

// Close to the expected point within tolerance, with a readable failure.
::testing::AssertionResult near(const Vec3& actual, const Vec3& expected, double tolerance);
