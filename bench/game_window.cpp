#include "bench/game_window.h"

#include <ode/ode.h>

#include <cstdlib>
#include <memory>

#include "backend.h"
#include "core/game_state.h"
#include "scene/scene.h"
#include "sim/sim.h"
#include "tests/support/fresh_game.h"

namespace {

constexpr int kMaxContacts = 4;
constexpr dReal kTimeStep = 0.05;
constexpr int kContactMode =
    dContactSlip1 | dContactSlip2 | dContactSoftERP | dContactSoftCFM | dContactApprox1;

int contactsMade = 0;

// The game's contacts without its score: the same joints, so the world moves the same way.
void bareNearCallback(void*, dGeomID o1, dGeomID o2) {
  dBodyID body1 = dGeomGetBody(o1);
  dBodyID body2 = dGeomGetBody(o2);
  if (body1 && body2 && dAreConnected(body1, body2)) return;
  dContact contact[kMaxContacts];
  const int n = dCollide(o1, o2, kMaxContacts, &contact[0].geom, sizeof(dContact));
  const bool spheres = dGeomGetClass(o1) == dSphereClass || dGeomGetClass(o2) == dSphereClass;
  for (int i = 0; i < n; ++i) {
    dSurfaceParameters& surface = contact[i].surface;
    surface.mode = kContactMode;
    surface.mu = spheres ? 20 : 0.5;
    surface.slip1 = 0;
    surface.slip2 = 0;
    surface.soft_erp = 0.8;
    surface.soft_cfm = 0.01;
    dJointAttach(dJointCreateContact(game.world, game.contactGroup, &contact[i]), body1, body2);
  }
  contactsMade += n > 0 ? n : 0;
}

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
  dSpaceCollide(game.space, nullptr, &bareNearCallback);
  dWorldQuickStep(game.world, kTimeStep);
  dJointGroupEmpty(game.contactGroup);
}

int bareContacts() {
  return contactsMade;
}
