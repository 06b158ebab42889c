#include <ode/ode.h>

#include "controls/controls.h"
#include "core/drawstuff.h"
#include "core/game_state.h"
#include "core/start.h"
#include "scene/scene.h"
#include "sim/sim.h"

static constexpr int kWindowWidth = 800;
static constexpr int kWindowHeight = 600;

int main(int argc, char** argv) {
  game.fastStep = true;

  dsFunctions fn;
  fn.version = DS_VERSION;
  fn.start = &start;
  fn.step = &simLoop;
  fn.command = &command;
  fn.stop = nullptr;
  fn.path_to_textures = "textures";
  if (argc == 2) fn.path_to_textures = argv[1];

  dInitODE();
  // a car body count of 0 tells the first reset that there is no world to destroy yet
  game.carBodyCount = 0;
  game.hingeCount = 0;
  game.carCount = 0;
  game.wheelGeomCount = 0;
  resetSimulation();

  dsSimulationLoop(argc, argv, kWindowWidth, kWindowHeight, &fn);

  dJointGroupDestroy(game.contactGroup);
  dSpaceDestroy(game.space);
  dWorldDestroy(game.world);
  dCloseODE();

  dsPrint("총점수 : %d  사용한 미사일 수 : %d\n", game.score, game.missilesFired);
  return 0;
}
