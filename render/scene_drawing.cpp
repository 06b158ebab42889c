#include <ode/ode.h>

#include "core/dimensions.h"
#include "core/drawstuff.h"
#include "core/game_state.h"
#include "render/render.h"

static constexpr float kGreen[3] = {0.3f, 1, 0.3f};
static constexpr float kWhite[3] = {1, 1, 1};
static constexpr float kGrey[3] = {0.4f, 0.4f, 0.4f};
static constexpr dReal kBaseSides[3] = {1.5, 1.0, 2.0};
static constexpr dReal kBaseOffset[3] = {0.5, 0, 1.0};
static constexpr dReal kBarrelLength = 2.0;
static constexpr dReal kBarrelRadius = 0.25;
static constexpr dReal kMissileLength = 2.0;
// Each barrel's centre is the previous one moved along the world axes; the first starts at the
// base's centre.
static constexpr double kBarrelMoves[4][3] = {
    {-0.25, 0.75, 0}, {0, 0, 0.5}, {0, -1.5, 0}, {0, 0, -0.5}};

static void setColor(const float (&color)[3]) {
  dsSetColor(color[0], color[1], color[2]);
}

void drawMigBox(int slot) {
  dGeomID geom = game.migGeom[slot];
  dVector3 sides;
  dGeomBoxGetLengths(geom, sides);
  dsDrawBox(dGeomGetPosition(geom), dGeomGetRotation(geom), sides);
}

void drawPausedMigs() {
  for (int j = 0; j < kMigSlots; ++j) {
    setColor(dBodyIsEnabled(dGeomGetBody(game.migGeom[j])) ? kWhite : kGrey);
    drawMigBox(j);
  }
}

static void drawCannon(const CannonMatrices& m) {
  const dReal* c = dGeomGetPosition(game.chassisGeom[0]);
  const dReal base[3] = {c[0] + kBaseOffset[0], c[1] + kBaseOffset[1], c[2] + kBaseOffset[2]};
  dsDrawBox(base, m.yaw, kBaseSides);

  // the barrel centre is kept in single precision between moves
  float p[3] = {static_cast<float>(base[0]), static_cast<float>(base[1]),
                static_cast<float>(base[2])};
  for (const auto& move : kBarrelMoves) {
    for (int i = 0; i < 3; ++i) p[i] = static_cast<float>(p[i] + move[i]);
    const dReal centre[3] = {p[0], p[1], p[2]};
    dsDrawCylinder(centre, m.cannon, kBarrelLength, kBarrelRadius);
  }
}

void drawCarAndCannon() {
  setColor(kGreen);
  for (int i = 0; i < game.carCount; ++i) {
    dGeomID geom = game.chassisGeom[i];
    dsDrawBox(dGeomGetPosition(geom), dGeomGetRotation(geom), kChassisSides);
  }

  setColor(kWhite);
  for (int i = 0; i < game.wheelGeomCount; ++i) {
    dGeomID geom = game.wheelGeom[i];
    dsDrawSphere(dGeomGetPosition(geom), dGeomGetRotation(geom), kWheelRadius);
  }

  setColor(kGreen);
  // rebuilt every frame, paused or not, so a turn of the cannon shows at once
  const CannonMatrices m = cannonMatrices();
  drawCannon(m);

  // every missile lies along the cannon's current axis, whatever its body's own rotation
  for (int i = 0; i < kMissileSlots; ++i) {
    dsDrawCylinder(dBodyGetPosition(game.missileBody[i]), m.cannon, kMissileLength, kMissileRadius);
  }
}
