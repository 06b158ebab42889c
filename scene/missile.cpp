#include <ode/ode.h>

#include "core/dimensions.h"
#include "core/game_state.h"
#include "scene/scene.h"

static constexpr dReal kMissileMass = 10;

void makeMissile(int slot, dReal x, dReal y, dReal z) {
  dBodyID body = dBodyCreate(game.world);
  game.missileBody[slot] = body;
  game.missileGeom[slot] = dCreateSphere(game.space, kMissileRadius);
  dMassSetSphereTotal(&game.scratchMass, kMissileMass, kMissileRadius);
  dBodySetMass(body, &game.scratchMass);
  dGeomSetBody(game.missileGeom[slot], body);
  dBodySetPosition(body, x, y, z);
}
