// Running and paused frames: the speed decay, what a paused frame leaves alone, the contacts'
// lifetime and what every frame draws.
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "controls/controls.h"
#include "core/drawstuff.h"
#include "sim/sim.h"
#include "tests/game/game_fixture.h"

namespace {

class FrameTest : public GameTest {};

using Color = std::array<float, 3>;
constexpr Color kWhite = {1, 1, 1};
constexpr Color kGreen = {0.3f, 1, 0.3f};
constexpr Color kGrey = {0.4f, 0.4f, 0.4f};

Color colorOf(const DrawCall& draw) {
  return {draw.color[0], draw.color[1], draw.color[2]};
}
Vec3 posOf(const DrawCall& draw) {
  return {draw.pos[0], draw.pos[1], draw.pos[2]};
}

// Every body of the scene, with its pose and velocities.
std::vector<double> worldSnapshot() {
  std::vector<double> values;
  auto add = [&](dBodyID body) {
    for (const dReal* v : {dBodyGetPosition(body), dBodyGetLinearVel(body),
                           dBodyGetAngularVel(body), dBodyGetForce(body)}) {
      values.insert(values.end(), v, v + 3);
    }
    const dReal* q = dBodyGetQuaternion(body);
    values.insert(values.end(), q, q + 4);
    values.push_back(dBodyIsEnabled(body));
  };
  for (int i = 0; i < game.carBodyCount; ++i) add(game.carBody[i]);
  for (dBodyID body : game.migBody) add(body);
  for (dBodyID body : game.missileBody) add(body);
  return values;
}

TEST_F(FrameTest, SpeedDecaysInSinglePrecisionEveryRunningFrameOnly) {
  press("wwwa");
  float expected = game.speed;
  const float steer = game.steer;
  for (int frame = 1; frame <= 40; ++frame) {
    runFrames(1);
    expected = static_cast<float>(expected * 0.99);
    ASSERT_EQ(game.speed, expected) << "frame " << frame;
    // paused frames between running ones keep the value
    runFrames(2, 1);
    ASSERT_EQ(game.speed, expected) << "frame " << frame;
  }
  // a product kept in double would have drifted from the stored one
  EXPECT_NE(static_cast<double>(expected), 0.9 * std::pow(0.99, 40));
  EXPECT_EQ(game.steer, steer);
}

TEST_F(FrameTest, MotorsTakeTheSpeedFromBeforeTheDecayAndTheRemainingSteerAngle) {
  press("wwadd");
  runFrames(3);
  const float speed = game.speed, steer = game.steer;
  float angle[4];
  for (int i = 0; i < 4; ++i) {
    angle[i] = static_cast<float>(dJointGetHinge2Angle1(game.hinge[i]));
    // the wheels are turning towards the target, not there yet
    ASSERT_NE(angle[i], 0.0f);
  }
  runFrames(1);
  for (int i = 0; i < game.hingeCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(dJointGetHinge2Param(game.hinge[i], dParamVel), steer - angle[i]);
    EXPECT_EQ(dJointGetHinge2Param(game.hinge[i], dParamFMax), FLT_MAX);
    EXPECT_EQ(dJointGetHinge2Param(game.hinge[i], dParamVel2), speed);
    EXPECT_EQ(dJointGetHinge2Param(game.hinge[i], dParamFMax2), 25);
  }
}

TEST_F(FrameTest, PausedFramesChangeNothingAndOnlyDraw) {
  press("wwaj");
  runFrames(3);
  game.migRestSteps[3] = 4;
  dBodyDisable(game.migBody[6]);
  const std::vector<double> world = worldSnapshot();
  const float speed = game.speed;
  recording.clear();
  srand(77);
  const int nextRand = rand();
  srand(77);

  runFrames(5, 1);

  EXPECT_EQ(worldSnapshot(), world);
  EXPECT_EQ(game.speed, speed);
  EXPECT_EQ(game.migRestSteps[3], 4);
  EXPECT_EQ(game.migCount, 10);
  EXPECT_EQ(game.score, 0);
  EXPECT_EQ(rand(), nextRand);
  ASSERT_EQ(recording.draws.size(), 5u * 36u);
  // MiGs of a paused frame are white or grey, never light blue
  for (int j = 0; j < kMigSlots; ++j) {
    EXPECT_EQ(colorOf(recording.draws[j]), j == 6 ? kGrey : kWhite) << "MiG " << j;
  }
}

TEST_F(FrameTest, RunningFrameDrawsTheSceneInOrder) {
  press("jjjkk");
  runFrames(2);
  recording.clear();
  runFrames(1);
  const std::vector<DrawCall>& draws = recording.draws;
  ASSERT_EQ(draws.size(), 36u);
  for (const DrawCall& draw : draws) EXPECT_EQ(draw.texture, DS_WOOD);

  using Shape = DrawCall::Shape;
  for (int j = 0; j < 10; ++j) {
    SCOPED_TRACE(j);
    EXPECT_EQ(draws[j].shape, Shape::Box);
    EXPECT_EQ(colorOf(draws[j]), kWhite);
    EXPECT_EQ(draws[j].sides[0], 3.0f);
    EXPECT_EQ(draws[j].sides[1], 1.5f);
    EXPECT_EQ(draws[j].sides[2], 1.0f);
  }

  const Vec3 c = vec(dGeomGetPosition(game.chassisGeom[0]));
  const DrawCall& chassis = draws[10];
  EXPECT_EQ(chassis.shape, Shape::Box);
  EXPECT_EQ(colorOf(chassis), kGreen);
  EXPECT_TRUE(near(posOf(chassis), c, 1e-6));
  EXPECT_TRUE(near({chassis.sides[0], chassis.sides[1], chassis.sides[2]}, {3.5, 2.5, 1}, 0));

  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const DrawCall& wheel = draws[11 + i];
    EXPECT_EQ(wheel.shape, Shape::Sphere);
    EXPECT_EQ(colorOf(wheel), kWhite);
    EXPECT_EQ(wheel.radius, 0.5f);
    EXPECT_TRUE(near(posOf(wheel), vec(dGeomGetPosition(game.wheelGeom[i])), 1e-6));
  }

  // the base turns with the yaw only
  const double yaw = game.cannonYaw, pitch = game.cannonPitch;
  const DrawCall& base = draws[15];
  EXPECT_EQ(base.shape, Shape::Box);
  EXPECT_EQ(colorOf(base), kGreen);
  EXPECT_TRUE(near(posOf(base), {c[0] + 0.5, c[1], c[2] + 1.0}, 1e-6));
  EXPECT_TRUE(near({base.sides[0], base.sides[1], base.sides[2]}, {1.5, 1, 2}, 0));
  EXPECT_TRUE(near({base.R[0], base.R[1], base.R[2]}, {std::cos(yaw), -std::sin(yaw), 0}, 1e-6));
  EXPECT_TRUE(near({base.R[8], base.R[9], base.R[10]}, {0, 0, 1}, 1e-6));

  // barrels and missiles lie along the cannon's axis
  const Vec3 axis = {std::cos(yaw) * std::sin(pitch), std::sin(yaw) * std::sin(pitch),
                     std::cos(pitch)};
  const Vec3 barrels[4] = {
      {0.25, 0.75, 1.0}, {0.25, 0.75, 1.5}, {0.25, -0.75, 1.5}, {0.25, -0.75, 1.0}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const DrawCall& barrel = draws[16 + i];
    EXPECT_EQ(barrel.shape, Shape::Cylinder);
    EXPECT_EQ(colorOf(barrel), kGreen);
    EXPECT_EQ(barrel.length, 2.0f);
    EXPECT_EQ(barrel.radius, 0.25f);
    EXPECT_TRUE(near(posOf(barrel),
                     {c[0] + barrels[i][0], c[1] + barrels[i][1], c[2] + barrels[i][2]}, 1e-5));
    EXPECT_TRUE(near({barrel.R[2], barrel.R[6], barrel.R[10]}, axis, 1e-6));
  }
  for (int i = 0; i < 16; ++i) {
    SCOPED_TRACE(i);
    const DrawCall& missile = draws[20 + i];
    EXPECT_EQ(missile.shape, Shape::Cylinder);
    EXPECT_EQ(colorOf(missile), kGreen);
    EXPECT_EQ(missile.length, 2.0f);
    EXPECT_EQ(missile.radius, 0.2f);
    EXPECT_TRUE(near(posOf(missile), vec(dBodyGetPosition(game.missileBody[i])), 1e-5));
    EXPECT_TRUE(near({missile.R[2], missile.R[6], missile.R[10]}, axis, 1e-6));
  }
}

TEST_F(FrameTest, CannonTurnShowsInTheNextPausedFrame) {
  runFrames(1, 1);
  const DrawCall before = recording.draws[35];
  recording.clear();
  press("j");
  runFrames(1, 1);
  const DrawCall after = recording.draws[35];
  EXPECT_TRUE(near(posOf(after), posOf(before), 0));
  EXPECT_NEAR(after.R[6], std::sin(0.1) * std::sin(-1.2), 1e-6);
  EXPECT_EQ(before.R[6], 0.0f);
}

TEST_F(FrameTest, ContactsNeverOutliveTheirFrame) {
  // missile 0 starts with its centre on the ground
  runFrames(1);
  // the ground held it up during the step ...
  EXPECT_GT(dBodyGetLinearVel(game.missileBody[0])[2], -0.1);
  // ... and no contact joint is left afterwards: the car keeps only its own joints
  for (dBodyID body : game.missileBody) EXPECT_EQ(dBodyGetNumJoints(body), 0);
  for (dBodyID body : game.migBody) EXPECT_EQ(dBodyGetNumJoints(body), 0);
  EXPECT_EQ(dBodyGetNumJoints(game.carBody[0]), 5);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(dBodyGetNumJoints(game.carBody[i]), 1);
}

TEST_F(FrameTest, BothSteppersAdvanceTheWorld) {
  for (const char* keys : {"", "f"}) {
    SCOPED_TRACE(keys);
    press(keys);
    const double z = dBodyGetPosition(game.missileBody[15])[2];
    const double vz = dBodyGetLinearVel(game.missileBody[15])[2];
    runFrames(1);
    // free fall over one step of 0.05 s
    EXPECT_NEAR(dBodyGetLinearVel(game.missileBody[15])[2], vz - 9.8 * 0.05, 1e-9);
    EXPECT_LT(dBodyGetPosition(game.missileBody[15])[2], z);
  }
}

}  // namespace
