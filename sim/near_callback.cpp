#include <ode/ode.h>

#include "core/drawstuff.h"
#include "core/game_state.h"
#include "sim/sim.h"

static constexpr int kMaxContacts = 4;
static constexpr dReal kBoxFriction = 0.5;
static constexpr dReal kSphereFriction = 20;
static constexpr dReal kSoftErp = 0.8;
static constexpr dReal kSoftCfm = 0.01;
static constexpr int kContactMode =
    dContactSlip1 | dContactSlip2 | dContactSoftERP | dContactSoftCFM | dContactApprox1;

static bool sameCentre(dGeomID o1, dGeomID o2) {
  const dReal* p1 = dGeomGetPosition(o1);
  const dReal* p2 = dGeomGetPosition(o2);
  return p1[0] == p2[0] && p1[1] == p2[1] && p1[2] == p2[2];
}

void nearCallback(void* contactCount, dGeomID o1, dGeomID o2) {
  dBodyID body1 = dGeomGetBody(o1);
  dBodyID body2 = dGeomGetBody(o2);
  // a wheel and its own chassis overlap by design; their joint holds them together
  if (body1 && body2 && dAreConnected(body1, body2)) return;

  // Two spheres on the same centre (missiles fired from one muzzle with no step between) have no
  // side to be pushed apart to: the engine picks +x for them, and the rows of such a stack are so
  // exactly dependent that the exact stepper's solver aborts the process. They pass through.
  if (dGeomGetClass(o1) == dSphereClass && dGeomGetClass(o2) == dSphereClass &&
      sameCentre(o1, o2)) {
    return;
  }

  dContact contact[kMaxContacts];
  const int n = dCollide(o1, o2, kMaxContacts, &contact[0].geom, sizeof(dContact));
  if (n <= 0) return;
  if (contactCount) *static_cast<int*>(contactCount) += n;

  // only box against box or plane scores: wheels and missiles are spheres
  const bool scores = dGeomGetClass(o1) != dSphereClass && dGeomGetClass(o2) != dSphereClass;
  for (int i = 0; i < n; ++i) {
    dSurfaceParameters& surface = contact[i].surface;
    surface.mode = kContactMode;
    if (scores) {
      surface.mu = kBoxFriction;
      dsPrint("현제 점수 : %d  사용한 미사일 수 : %d\n", game.score, game.missilesFired);
      game.score += 1;
    } else {
      surface.mu = kSphereFriction;
    }
    surface.slip1 = 0;
    surface.slip2 = 0;
    surface.soft_erp = kSoftErp;
    surface.soft_cfm = kSoftCfm;
    dJointID joint = dJointCreateContact(game.world, game.contactGroup, &contact[i]);
    dJointAttach(joint, body1, body2);
  }
}
