#include <cstdlib>

#include <ode/ode.h>

#include "core/drawstuff.h"
#include "core/game_state.h"
#include "render/render.h"
#include "scene/scene.h"
#include "sim/sim.h"

// Squared linear and squared angular speed at or below which a MiG counts as resting.
static constexpr double kRestThreshold = 0.008;
// A MiG whose rest counter exceeds this is switched off in the engine.
static constexpr int kRestLimit = 10;
// The upward thrust beats the MiG's weight of 9.8, so an undisturbed MiG drifts up out of the band.
static constexpr dReal kThrustForward = 10;
static constexpr dReal kThrustUp = 10;
static constexpr dReal kBandLow = 6;
static constexpr dReal kBandHigh = 15;
static constexpr float kWhite[3] = {1, 1, 1};
static constexpr float kLightBlue[3] = {0.5f, 0.5f, 1.0f};
static constexpr float kGrey[3] = {0.4f, 0.4f, 0.4f};

static float squaredLength(const dReal* v) {
  return static_cast<float>(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// Counts the MiG's rest and switches it off after a long one; returns its colour for this frame.
static const float* restColor(int j) {
  dBodyID body = dGeomGetBody(game.migGeom[j]);
  if (!dBodyIsEnabled(body)) return kGrey;
  const float linear = squaredLength(dBodyGetLinearVel(body));
  const float angular = squaredLength(dBodyGetAngularVel(body));
  if (linear <= kRestThreshold && angular <= kRestThreshold) {
    game.migRestSteps[j] += 1;
  } else {
    game.migRestSteps[j] = 0;
  }
  if (game.migRestSteps[j] > kRestLimit) {
    dBodyDisable(body);
    return kLightBlue;
  }
  return kWhite;
}

// A MiG that leaves the height band is rebuilt at the far end of its lane.
static void respawn(int j) {
  dBodyDestroy(game.migBody[j]);
  dGeomDestroy(game.migGeom[j]);
  const int z = std::rand() % 4 + 10;
  const int x = std::rand() % 40 - 130;
  makeMig(j, x, 2 * j - 10, z);
  game.migPassed[j] = false;
}

// A MiG that has flown past the car is sent back behind its own x; the new y is taken from its x.
static void relocate(int j, const dReal* p) {
  game.migPassed[j] = true;
  const int d1 = std::rand() % 20 - 10;
  const int d2 = std::rand() % 40 - 130;
  const int z = std::rand() % 4 + 10;
  const float x = static_cast<float>(p[0]);
  dGeomSetPosition(game.migGeom[j], x + static_cast<float>(d2), x + static_cast<float>(d1), z);
}

void migPass() {
  for (int j = 0; j < kMigSlots; ++j) {
    const float* color = restColor(j);
    dsSetColor(color[0], color[1], color[2]);
    // this frame's step is done: the thrust acts in the next one
    dBodyAddForce(game.migBody[j], game.migPassed[j] ? 0 : kThrustForward, 0, kThrustUp);
    // drawn before the tests, so a MiG that moves now shows at its old place in this frame
    drawMigBox(j);

    const dReal carX = dGeomGetPosition(game.chassisGeom[0])[0];
    const dReal* p = dGeomGetPosition(game.migGeom[j]);
    if (p[2] > kBandHigh || p[2] < kBandLow) {
      respawn(j);
      // the old geom is gone: test the new MiG where it now is
      p = dGeomGetPosition(game.migGeom[j]);
    }
    if (p[0] > carX) relocate(j, p);
  }
}
