#include <numbers>

#include <ode/ode.h>

#include "core/dimensions.h"
#include "core/game_state.h"
#include "scene/scene.h"

static constexpr dReal kChassisZ = 1.0;
static constexpr dReal kChassisMass = 0.5;
static constexpr dReal kWheelMass = 1.0;
// wheel centres sit 0.4 of the chassis length ahead of and behind the centre, tucked in a little
static constexpr dReal kWheelReach = 1.4;
static constexpr dReal kWheelTuck = 0.25;
static constexpr dReal kBallastZ = -4.0;
static constexpr dReal kBallastMass = 0.5;
static constexpr dReal kDensity = 1.0;
static constexpr dReal kSuspensionErp = 0.8;
static constexpr dReal kSuspensionCfm = 0.00001;
static constexpr int kWheels = 4;
static constexpr dVector3 kSpinAxis = {0, 1, 0};

void makeCar(dReal x, dReal y) {
  const int b = game.carBodyCount;
  const int w = game.wheelGeomCount;
  const int h = game.hingeCount;
  const int c = game.carCount;
  dMass mass;
  dMassSetZero(&mass);

  // chassis
  dBodyID chassis = dBodyCreate(game.world);
  game.carBody[b] = chassis;
  dBodySetPosition(chassis, x, y, kChassisZ);
  dMassSetBox(&mass, kDensity, kChassisLength, kChassisWidth, kChassisHeight);
  dMassAdjust(&mass, kChassisMass);
  dBodySetMass(chassis, &mass);
  game.chassisGeom[c] = dCreateBox(game.space, kChassisLength, kChassisWidth, kChassisHeight);
  dGeomSetBody(game.chassisGeom[c], chassis);

  // wheels, turned a quarter about x so that each wheel's own z axis lies along the world y axis
  for (int k = 1; k <= kWheels; ++k) {
    dBodyID wheel = dBodyCreate(game.world);
    game.carBody[b + k] = wheel;
    dQuaternion q;
    dQFromAxisAndAngle(q, 1, 0, 0, std::numbers::pi * 0.5);
    dBodySetQuaternion(wheel, q);
    dMassSetSphere(&mass, kDensity, kWheelRadius);
    dMassAdjust(&mass, kWheelMass);
    dBodySetMass(wheel, &mass);
    game.wheelGeom[w + k - 1] = dCreateSphere(game.space, kWheelRadius);
    dGeomSetBody(game.wheelGeom[w + k - 1], wheel);
  }

  // wheel places: on the lower long edges of the chassis, all placed before any joint is made so
  // that every anchor is its wheel's centre
  const dReal front = x + kWheelReach - kWheelTuck;
  const dReal back = x - kWheelReach + kWheelTuck;
  const dReal halfWidth = kChassisWidth * 0.5;
  dBodySetPosition(game.carBody[b + 1], front, y + halfWidth, kWheelRadius);
  dBodySetPosition(game.carBody[b + 2], front, y - halfWidth, kWheelRadius);
  dBodySetPosition(game.carBody[b + 3], back, y + halfWidth, kWheelRadius);
  dBodySetPosition(game.carBody[b + 4], back, y - halfWidth, kWheelRadius);

  // suspension: the rear pair steers about -z, so one steering target turns the pairs oppositely
  for (int k = 0; k < kWheels; ++k) {
    dJointID joint = dJointCreateHinge2(game.world, nullptr);
    game.hinge[h + k] = joint;
    dBodyID wheel = game.carBody[b + k + 1];
    dJointAttach(joint, chassis, wheel);
    const dReal* anchor = dBodyGetPosition(wheel);
    dJointSetHinge2Anchor(joint, anchor[0], anchor[1], anchor[2]);
    // one axis at a time, steering first, as the older per-axis setters did
    const dVector3 steering = {0, 0, k < 2 ? 1.0 : -1.0};
    dJointSetHinge2Axes(joint, steering, nullptr);
    dJointSetHinge2Axes(joint, nullptr, kSpinAxis);
    dJointSetHinge2Param(joint, dParamSuspensionERP, kSuspensionErp);
    dJointSetHinge2Param(joint, dParamSuspensionCFM, kSuspensionCfm);
    dJointSetHinge2Param(joint, dParamVel2, 0);
    dJointSetHinge2Param(joint, dParamFMax2, kDriveMaxTorque);
  }

  // ballast: mass and inertia welded under the chassis; it has no geom, so it never collides
  dBodyID ballast = dBodyCreate(game.world);
  dBodySetPosition(ballast, x, y, kBallastZ);
  dMassSetBox(&mass, kDensity, kChassisLength, kChassisWidth, kChassisHeight);
  dMassAdjust(&mass, kBallastMass);
  dBodySetMass(ballast, &mass);
  dJointID weld = dJointCreateFixed(game.world, nullptr);
  dJointAttach(weld, chassis, ballast);
  dJointSetFixed(weld);

  game.carBodyCount += 5;
  game.hingeCount += kWheels;
  game.carCount += 1;
  game.wheelGeomCount += kWheels;
}
