// The scene that main's first reset builds, and what a later reset keeps and clears.
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "controls/controls.h"
#include "core/auto_enable_depth.h"
#include "scene/scene.h"
#include "tests/game/game_fixture.h"

namespace {

class SceneTest : public GameTest {};

dBodyID ballastOf(dBodyID chassis) {
  for (int i = 0; i < dBodyGetNumJoints(chassis); ++i) {
    dJointID joint = dBodyGetJoint(chassis, i);
    if (dJointGetType(joint) == dJointTypeFixed) return dJointGetBody(joint, 1);
  }
  return nullptr;
}

TEST_F(SceneTest, StartUpStateHoldsOneCarAndFreshCounters) {
  EXPECT_EQ(game.carBodyCount, 5);
  EXPECT_EQ(game.hingeCount, 4);
  EXPECT_EQ(game.carCount, 1);
  EXPECT_EQ(game.wheelGeomCount, 4);
  EXPECT_EQ(game.migCount, 10);
  EXPECT_EQ(game.score, 0);
  EXPECT_EQ(game.missilesFired, 0);
  EXPECT_EQ(game.nextMissile, 0);
  EXPECT_EQ(game.speed, 0.0f);
  EXPECT_EQ(game.steer, 0.0f);
  EXPECT_EQ(game.cannonYaw, 0.0f);
  EXPECT_EQ(game.cannonPitch, -1.2f);
  EXPECT_TRUE(game.fastStep);
  for (int j = 0; j < kMigSlots; ++j) {
    EXPECT_FALSE(game.migPassed[j]);
    EXPECT_EQ(game.migRestSteps[j], 0);
  }
}

TEST_F(SceneTest, WorldHasGameGravityAndSolverSettings) {
  dVector3 gravity;
  dWorldGetGravity(game.world, gravity);
  EXPECT_TRUE(near(vec(gravity), {0, 0, -9.8}, 0));
  EXPECT_EQ(dWorldGetCFM(game.world), 0.00001);
  EXPECT_EQ(dWorldGetERP(game.world), 0.8);
  EXPECT_EQ(dWorldGetQuickStepNumIterations(game.world), 20);
  EXPECT_EQ(dGeomGetClass(game.ground), dPlaneClass);
  dVector4 plane;
  dGeomPlaneGetParams(game.ground, plane);
  EXPECT_EQ(plane[2], 1);
  EXPECT_EQ(plane[3], 0);
}

TEST_F(SceneTest, CarPartsStandInPlaceWithTheirMasses) {
  struct Part {
    const char* name;
    dBodyID body;
    Vec3 position;
    double mass;
  };
  const Part parts[] = {
      {"chassis", game.carBody[0], {0, 0, 1}, 0.5},
      {"wheel 1", game.carBody[1], {1.15, 1.25, 0.5}, 1},
      {"wheel 2", game.carBody[2], {1.15, -1.25, 0.5}, 1},
      {"wheel 3", game.carBody[3], {-1.15, 1.25, 0.5}, 1},
      {"wheel 4", game.carBody[4], {-1.15, -1.25, 0.5}, 1},
      {"ballast", ballastOf(game.carBody[0]), {0, 0, -4}, 0.5},
  };
  for (const Part& part : parts) {
    SCOPED_TRACE(part.name);
    ASSERT_NE(part.body, nullptr);
    EXPECT_TRUE(near(vec(dBodyGetPosition(part.body)), part.position, 1e-12));
    dMass mass;
    dBodyGetMass(part.body, &mass);
    EXPECT_NEAR(mass.mass, part.mass, 1e-12);
  }
  EXPECT_EQ(dGeomGetBody(game.chassisGeom[0]), game.carBody[0]);
  dVector3 sides;
  dGeomBoxGetLengths(game.chassisGeom[0], sides);
  EXPECT_TRUE(near(vec(sides), {3.5, 2.5, 1}, 0));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(dGeomGetBody(game.wheelGeom[i]), game.carBody[i + 1]);
    EXPECT_EQ(dGeomSphereGetRadius(game.wheelGeom[i]), 0.5);
    // a quarter turn about x lays the wheel's own z axis along the world y axis
    const dReal* R = dBodyGetRotation(game.carBody[i + 1]);
    EXPECT_TRUE(near({R[2], R[6], R[10]}, {0, -1, 0}, 1e-7));
  }
}

TEST_F(SceneTest, WheelHingesSteerThePairsOppositely) {
  dBodyID chassis = game.carBody[0];
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    dJointID hinge = game.hinge[i];
    dBodyID wheel = game.carBody[i + 1];
    EXPECT_EQ(dJointGetType(hinge), dJointTypeHinge2);
    EXPECT_EQ(dJointGetBody(hinge, 0), chassis);
    EXPECT_EQ(dJointGetBody(hinge, 1), wheel);
    EXPECT_TRUE(dAreConnected(chassis, wheel));
    dVector3 anchor, axis1, axis2;
    dJointGetHinge2Anchor(hinge, anchor);
    dJointGetHinge2Axis1(hinge, axis1);
    dJointGetHinge2Axis2(hinge, axis2);
    EXPECT_TRUE(near(vec(anchor), vec(dBodyGetPosition(wheel)), 1e-12));
    EXPECT_TRUE(near(vec(axis1), {0, 0, i < 2 ? 1.0 : -1.0}, 1e-12));
    EXPECT_TRUE(near(vec(axis2), {0, 1, 0}, 1e-12));
    EXPECT_NEAR(dJointGetHinge2Param(hinge, dParamSuspensionERP), 0.8, 1e-12);
    EXPECT_NEAR(dJointGetHinge2Param(hinge, dParamSuspensionCFM), 0.00001, 1e-12);
    EXPECT_EQ(dJointGetHinge2Param(hinge, dParamVel2), 0);
    EXPECT_EQ(dJointGetHinge2Param(hinge, dParamFMax2), 25);
    // the steering motor is left to the first running frame
    EXPECT_EQ(dJointGetHinge2Param(hinge, dParamFMax), 0);
  }
  // four hinges and the ballast's weld, nothing else
  EXPECT_EQ(dBodyGetNumJoints(chassis), 5);
  EXPECT_TRUE(dAreConnected(chassis, ballastOf(chassis)));
}

TEST_F(SceneTest, MigsAndMissilesStartInTheirRows) {
  for (int k = 0; k < kMigSlots; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(dGeomGetBody(game.migGeom[k]), game.migBody[k]);
    EXPECT_TRUE(near(vec(dBodyGetPosition(game.migBody[k])), {-100, 6.0 * k - 30, 10}, 0));
    dMass mass;
    dBodyGetMass(game.migBody[k], &mass);
    EXPECT_NEAR(mass.mass, 1, 1e-12);
    dVector3 sides;
    dGeomBoxGetLengths(game.migGeom[k], sides);
    EXPECT_TRUE(near(vec(sides), {3, 1.5, 1}, 0));
  }
  for (int i = 0; i < kMissileSlots; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(dGeomGetBody(game.missileGeom[i]), game.missileBody[i]);
    EXPECT_TRUE(near(vec(dBodyGetPosition(game.missileBody[i])), {50, 2.0 * i, 1.0 * i}, 0));
    dMass mass;
    dBodyGetMass(game.missileBody[i], &mass);
    EXPECT_NEAR(mass.mass, 10, 1e-12);
    EXPECT_EQ(dGeomSphereGetRadius(game.missileGeom[i]), 0.2);
  }
}

std::vector<std::string> messages;

void keepMessage(int num, const char* msg, va_list ap) {
  char text[256];
  std::vsnprintf(text, sizeof text, msg, ap);
  messages.push_back(std::to_string(num) + ":" + text);
}

TEST_F(SceneTest, EveryResetReportsTenMigsEvenAfterRespawns) {
  messages.clear();
  dSetMessageHandler(&keepMessage);
  dGeomSetPosition(game.migGeom[2], -100, 0, 20);
  dGeomSetPosition(game.migGeom[7], -100, 0, 2);
  runFrames(1);
  EXPECT_EQ(game.migCount, 12);
  press("r");
  press("R");
  dSetMessageHandler(nullptr);
  EXPECT_EQ(game.migCount, 10);
  EXPECT_EQ(messages, (std::vector<std::string>{"0:미그기 숫자 : 10", "0:미그기 숫자 : 10"}));
}

TEST_F(SceneTest, ResetClearsScoreAndMigsButKeepsControls) {
  press("wwadjjikf   ");
  game.score = 7;
  game.migPassed[4] = true;
  game.migRestSteps[6] = 9;
  const float speed = game.speed, steer = game.steer;
  const float yaw = game.cannonYaw, pitch = game.cannonPitch;
  ASSERT_EQ(game.nextMissile, 3);

  press("r");

  EXPECT_EQ(game.score, 0);
  EXPECT_EQ(game.missilesFired, 0);
  EXPECT_FALSE(game.migPassed[4]);
  EXPECT_EQ(game.migRestSteps[6], 0);
  EXPECT_EQ(game.speed, speed);
  EXPECT_EQ(game.steer, steer);
  EXPECT_EQ(game.cannonYaw, yaw);
  EXPECT_EQ(game.cannonPitch, pitch);
  EXPECT_FALSE(game.fastStep);
  EXPECT_EQ(game.nextMissile, 3);
  EXPECT_EQ(game.carBodyCount, 5);
  EXPECT_EQ(game.carCount, 1);

  // the next shot leaves from the slot that was next before the reset, from muzzle 3
  press(" ");
  const Vec3 c = vec(dGeomGetPosition(game.chassisGeom[0]));
  EXPECT_TRUE(near(vec(dBodyGetPosition(game.missileBody[3])),
                   {c[0] - 0.25, c[1] - 0.75, c[2] + 0.5}, 1e-12));
  EXPECT_EQ(game.nextMissile, 4);
  EXPECT_EQ(game.missilesFired, 1);
}

TEST_F(SceneTest, AutoEnableDepthBelongsToEachNewWorld) {
  EXPECT_EQ(dWorldGetAutoEnableDepthSF1(game.world), 3);
  press("gGg");
  EXPECT_EQ(dWorldGetAutoEnableDepthSF1(game.world), 6);
  press("hhhhhhhH");
  EXPECT_EQ(dWorldGetAutoEnableDepthSF1(game.world), -2);
  press("r");
  EXPECT_EQ(dWorldGetAutoEnableDepthSF1(game.world), 3);
}

TEST_F(SceneTest, AutoEnableDepthWrapsAtTheEndsOfInt) {
  dWorldSetAutoEnableDepthSF1(game.world, INT_MAX);
  press("g");
  EXPECT_EQ(dWorldGetAutoEnableDepthSF1(game.world), INT_MIN);
  press("h");
  EXPECT_EQ(dWorldGetAutoEnableDepthSF1(game.world), INT_MAX);
}

}  // namespace
