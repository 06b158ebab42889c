// The heaviest fire the keys allow, under the exact stepper: more than four shots a frame put
// missiles on the same muzzle point, and the game must play on.
#include <cmath>

#include "controls/controls.h"
#include "sim/sim.h"
#include "tests/game/game_fixture.h"

namespace {

class ExactStepperTest : public GameTest {};

bool finite(const dReal* v) {
  return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

TEST_F(ExactStepperTest, SpheresOnOneCentreMakeNoContactWhileOverlappingOnesDo) {
  dBodySetPosition(game.missileBody[0], 0, 0, 20);
  dBodySetPosition(game.missileBody[1], 0, 0, 20);
  dBodySetPosition(game.missileBody[2], 0.1, 0, 20);

  nearCallback(nullptr, game.missileGeom[0], game.missileGeom[1]);
  EXPECT_EQ(dBodyGetNumJoints(game.missileBody[0]), 0);
  EXPECT_EQ(dBodyGetNumJoints(game.missileBody[1]), 0);

  nearCallback(nullptr, game.missileGeom[0], game.missileGeom[2]);
  EXPECT_EQ(dBodyGetNumJoints(game.missileBody[0]), 1);
  EXPECT_EQ(dBodyGetNumJoints(game.missileBody[2]), 1);
}

// Before coincident spheres were left out, the exact stepper's solver aborted the process in
// frame 6673 of this game (ODE's "alphanew != 0" assertion in its LDLT update).
TEST_F(ExactStepperTest, SixteenShotsEveryFrameKeepTheGameRunning) {
  constexpr int kFrames = 8000;
  constexpr int kShots = 16;
  setBackend(nullptr);
  press("f");
  for (int frame = 0; frame < kFrames; ++frame) {
    for (int shot = 0; shot < kShots; ++shot) command(' ');
    runFrames(1);
  }
  EXPECT_EQ(game.missilesFired, kFrames * kShots);
  for (int i = 0; i < game.carBodyCount; ++i)
    EXPECT_TRUE(finite(dBodyGetPosition(game.carBody[i])));
  for (dBodyID missile : game.missileBody) EXPECT_TRUE(finite(dBodyGetPosition(missile)));
}

}  // namespace
