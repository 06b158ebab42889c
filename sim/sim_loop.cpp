#include <cfloat>

#include <ode/ode.h>

#include "core/dimensions.h"
#include "core/drawstuff.h"
#include "core/game_state.h"
#include "render/render.h"
#include "sim/sim.h"

static constexpr dReal kTimeStep = 0.05;
static constexpr double kSpeedDecay = 0.99;

static void driveWheels() {
  for (int i = 0; i < game.hingeCount; ++i) {
    dJointID joint = game.hinge[i];
    const float angle = static_cast<float>(dJointGetHinge2Angle1(joint));
    // steering closes on its target: the remaining angle is the target velocity, with no limit on
    // the torque that reaches it
    dJointSetHinge2Param(joint, dParamVel, game.steer - angle);
    dJointSetHinge2Param(joint, dParamFMax, FLT_MAX);
    dJointSetHinge2Param(joint, dParamVel2, game.speed);
    dJointSetHinge2Param(joint, dParamFMax2, kDriveMaxTorque);
    dBodyEnable(dJointGetBody(joint, 0));
    dBodyEnable(dJointGetBody(joint, 1));
  }
}

static void stepWorld() {
  driveWheels();
  // the motors above were given the speed from before the decay
  game.speed = static_cast<float>(game.speed * kSpeedDecay);
  dSpaceCollide(game.space, nullptr, &nearCallback);
  if (game.fastStep) {
    dWorldQuickStep(game.world, kTimeStep);
  } else {
    dWorldStep(game.world, kTimeStep);
  }
  // no contact outlives the step it was made for
  dJointGroupEmpty(game.contactGroup);
  migPass();
}

void simLoop(int pause) {
  dsSetTexture(DS_WOOD);
  if (pause == 0) {
    stepWorld();
  } else {
    drawPausedMigs();
  }
  drawCarAndCannon();
}
