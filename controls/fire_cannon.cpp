#include <ode/ode.h>

#include "controls/controls.h"
#include "core/game_state.h"
#include "render/render.h"

static constexpr dReal kLaunchSpeed = 70;
static constexpr int kMuzzles = 4;
// Muzzle points beside the chassis centre, along the world axes: the car's heading is ignored.
static constexpr dReal kMuzzleOffset[kMuzzles][3] = {
    {-0.25, 0.75, 1.5}, {-0.25, -0.75, 1.5}, {-0.25, 0.75, 0.5}, {-0.25, -0.75, 0.5}};

void fireCannon() {
  const CannonMatrices m = cannonMatrices();
  const dReal* offset = kMuzzleOffset[game.nextMissile % kMuzzles];
  const dReal* c = dGeomGetPosition(game.chassisGeom[0]);

  dBodyID missile = game.missileBody[game.nextMissile];
  dBodySetPosition(missile, c[0] + offset[0], c[1] + offset[1], c[2] + offset[2]);
  // the cannon matrix's third column is the barrels' axis; the car's own motion is not added
  dBodySetLinearVel(missile, kLaunchSpeed * m.cannon[2], kLaunchSpeed * m.cannon[6],
                    kLaunchSpeed * m.cannon[10]);
  dBodySetAngularVel(missile, 0, 0, 0);

  game.nextMissile = game.nextMissile >= kMissileSlots - 1 ? 0 : game.nextMissile + 1;
  game.missilesFired += 1;
}
