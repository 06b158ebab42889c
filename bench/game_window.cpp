#include "bench/game_window.h"

#include <ode/ode.h>

#include "backend.h"
#include "core/game_state.h"
#include "sim/sim.h"
#include "tests/support/fresh_game.h"

namespace {

constexpr dReal kTimeStep = 0.05;

int contactsMade = 0;

}  // namespace

void startWindow() {
  startFreshGame();
  setBackend(nullptr);
  for (int i = 0; i < kWarmUpFrames; ++i) simLoop(0);
}

void endWindow() {
  endGame();
}

void bareStep() {
  contactsMade = 0;
  // the game's own contact callback, so the floor's contacts are the game's
  dSpaceCollide(game.space, &contactsMade, &nearCallback);
  dWorldQuickStep(game.world, kTimeStep);
  dJointGroupEmpty(game.contactGroup);
}

int bareContacts() {
  return contactsMade;
}
