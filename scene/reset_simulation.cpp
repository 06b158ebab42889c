#include <ode/ode.h>

#include "core/console_text.h"
#include "core/game_state.h"
#include "scene/scene.h"

static constexpr int kRestStepsCleared = 1000;
static constexpr dReal kGravity = -9.8;
static constexpr dReal kWorldCfm = 0.00001;
static constexpr dReal kWorldErp = 0.8;
static constexpr int kQuickStepIterations = 20;

static void destroyScene() {
  dJointGroupDestroy(game.contactGroup);
  dSpaceDestroy(game.space);
  dWorldDestroy(game.world);
}

void resetSimulation() {
  for (bool& passed : game.migPassed) passed = false;
  game.score = 0;
  game.missilesFired = 0;

  // a car body count of 0 means no scene has been built yet
  if (game.carBodyCount != 0) destroyScene();

  for (int i = 0; i < kRestStepsCleared; ++i) game.migRestSteps[i] = 0;

  // world, space and contacts
  game.world = dWorldCreate();
  game.space = dHashSpaceCreate(nullptr);
  game.contactGroup = dJointGroupCreate(0);
  dWorldSetGravity(game.world, 0, 0, kGravity);
  dWorldSetCFM(game.world, kWorldCfm);
  dWorldSetERP(game.world, kWorldErp);
  dWorldSetQuickStepNumIterations(game.world, kQuickStepIterations);

  // ground: the plane z = 0
  game.ground = dCreatePlane(game.space, 0, 0, 1, 0);

  game.carBodyCount = 0;
  game.hingeCount = 0;
  game.carCount = 0;
  game.wheelGeomCount = 0;
  game.migCount = 0;

  // car
  makeCar(0, 0);

  // missiles: a row along y at x = 50, each one higher than the one before
  for (int i = 0; i < kMissileSlots; ++i) makeMissile(i, 50, 2 * i, i);

  // MiGs: far out on the -x side, six apart along y
  for (int k = 0; k < kMigSlots; ++k) makeMig(k, -100, 6 * k - 30, 10);

  dMessage(0, toConsoleEncoding("미그기 숫자 : %i").c_str(), game.migCount);
}
