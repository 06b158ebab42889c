#include <ode/ode.h>

#include "core/game_state.h"
#include "scene/scene.h"

static constexpr dReal kMigLength = 3;
static constexpr dReal kMigWidth = 1.5;
static constexpr dReal kMigHeight = 1;
static constexpr dReal kMigDensity = 1;
static constexpr dReal kMigMass = 1;

void makeMig(int slot, dReal x, dReal y, dReal z) {
  dBodyID body = dBodyCreate(game.world);
  game.migBody[slot] = body;
  dBodySetPosition(body, x, y, z);
  dMassSetBox(&game.scratchMass, kMigDensity, kMigLength, kMigWidth, kMigHeight);
  dMassAdjust(&game.scratchMass, kMigMass);
  dBodySetMass(body, &game.scratchMass);
  game.migGeom[slot] = dCreateBox(game.space, kMigLength, kMigWidth, kMigHeight);
  dGeomSetBody(game.migGeom[slot], body);
  game.migCount += 1;
}
