#include "tests/support/fresh_game.h"

#include <cstdlib>
#include <memory>

#include <ode/ode.h>

#include "core/game_state.h"
#include "scene/scene.h"

void startFreshGame() {
  // the engine is initialised once per process, as main does
  static const bool engineReady = (dInitODE(), true);
  (void)engineReady;

  std::destroy_at(&game);
  std::construct_at(&game);
  std::srand(1);
  dRandSetSeed(0);

  game.fastStep = true;
  game.carBodyCount = 0;
  game.hingeCount = 0;
  game.carCount = 0;
  game.wheelGeomCount = 0;
  resetSimulation();
}

void endGame() {
  dJointGroupDestroy(game.contactGroup);
  dSpaceDestroy(game.space);
  dWorldDestroy(game.world);
}
