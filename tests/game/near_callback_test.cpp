// Contacts and the score: which pairs make contact joints, which score, and how they grip.
#include <string>
#include <vector>

#include "sim/sim.h"
#include "tests/game/game_fixture.h"

namespace {

class NearCallbackTest : public GameTest {};

std::string scoreLine(int score, int fired) {
  return "현제 점수 : " + std::to_string(score) + "  사용한 미사일 수 : " + std::to_string(fired) +
         "\n";
}

TEST_F(NearCallbackTest, BoxContactsScoreOnePointEachFromTheScoreBefore) {
  struct Case {
    const char* name;
    bool migFirst;  // whether the MiG is o1
    dGeomID (*other)();
  };
  // two MiGs side by side and overlapping, or a MiG sunk into the ground
  const Case cases[] = {
      {"mig-mig", true, [] { return game.migGeom[1]; }},
      {"mig-ground", true, [] { return game.ground; }},
      {"ground-mig", false, [] { return game.ground; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    dGeomSetPosition(game.migGeom[0], 0, 0, 0.4);
    dGeomSetPosition(game.migGeom[1], 0, 1.4, 0.4);
    game.score = 5;
    game.missilesFired = 3;
    dGeomID mig = game.migGeom[0], other = c.other();
    const dGeomID o1 = c.migFirst ? mig : other, o2 = c.migFirst ? other : mig;

    nearCallback(nullptr, o1, o2);

    const int points = dBodyGetNumJoints(game.migBody[0]);
    ASSERT_GT(points, 0);
    ASSERT_LE(points, 4);
    EXPECT_EQ(game.score, 5 + points);
    std::vector<std::string> expected;
    for (int i = 0; i < points; ++i) expected.push_back(scoreLine(5 + i, 3));
    EXPECT_EQ(recording.prints, expected);
    // the body of o1 is the joint's first body
    dJointID joint = dBodyGetJoint(game.migBody[0], 0);
    EXPECT_EQ(dJointGetType(joint), dJointTypeContact);
    EXPECT_EQ(dJointGetBody(joint, 0), dGeomGetBody(o1));
    EXPECT_EQ(dJointGetBody(joint, 1), dGeomGetBody(o2));
  }
}

TEST_F(NearCallbackTest, FirstScoringPointAfterResetPrintsZero) {
  dGeomSetPosition(game.migGeom[0], 0, 0, 0.4);
  nearCallback(nullptr, game.migGeom[0], game.ground);
  ASSERT_FALSE(recording.prints.empty());
  EXPECT_EQ(recording.prints[0], scoreLine(0, 0));
}

TEST_F(NearCallbackTest, SphereContactsMakeJointsButNeverScore) {
  // a missile inside a MiG, a wheel touching a MiG, a missile sunk into the ground
  dGeomSetPosition(game.migGeom[0], 0, 0, 0.4);
  dGeomSetPosition(game.migGeom[1], 1.15, 1.25, 1.3);
  dBodySetPosition(game.missileBody[2], -100, -18, 10.3);
  const struct {
    dGeomID o1, o2;
    dBodyID body;
  } pairs[] = {
      {game.missileGeom[2], game.migGeom[2], game.missileBody[2]},
      {game.migGeom[1], game.wheelGeom[0], game.migBody[1]},
      {game.ground, game.missileGeom[0], game.missileBody[0]},
  };
  for (const auto& pair : pairs) {
    // a count passed as the data gets the joints made (the benchmarks' floor counts them so)
    int made = 0;
    nearCallback(&made, pair.o1, pair.o2);
    EXPECT_GT(dBodyGetNumJoints(pair.body), 0);
    EXPECT_EQ(made, dBodyGetNumJoints(pair.body));
  }
  EXPECT_EQ(game.score, 0);
  EXPECT_TRUE(recording.prints.empty());
}

TEST_F(NearCallbackTest, JoinedOrApartPairsMakeNoContacts) {
  // each wheel reaches into its own chassis; the MiGs start far apart
  for (int i = 0; i < 4; ++i) {
    dContact contact;
    ASSERT_EQ(dCollide(game.wheelGeom[i], game.chassisGeom[0], 1, &contact.geom, sizeof contact),
              1);
    nearCallback(nullptr, game.wheelGeom[i], game.chassisGeom[0]);
    nearCallback(nullptr, game.chassisGeom[0], game.wheelGeom[i]);
  }
  int made = 0;
  nearCallback(&made, game.migGeom[0], game.migGeom[1]);
  nearCallback(&made, game.migGeom[3], game.ground);
  EXPECT_EQ(made, 0);
  EXPECT_EQ(dBodyGetNumJoints(game.carBody[0]), 5);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(dBodyGetNumJoints(game.carBody[i]), 1);
  for (dBodyID body : game.migBody) EXPECT_EQ(dBodyGetNumJoints(body), 0);
  EXPECT_EQ(game.score, 0);
  EXPECT_TRUE(recording.prints.empty());
}

// Horizontal speed after one step of a body sliding at 10 along x over the ground, touching it.
double speedAfterSlide(dBodyID body, dGeomID geom, double restingZ) {
  dBodySetPosition(body, 30, -40, restingZ - 0.001);
  dBodySetLinearVel(body, 10, 0, 0);
  nearCallback(nullptr, geom, game.ground);
  dWorldStep(game.world, 0.05);
  dJointGroupEmpty(game.contactGroup);
  return dBodyGetLinearVel(body)[0];
}

TEST_F(NearCallbackTest, SphereContactsGripWhereBoxContactsSlide) {
  // friction 0.5 takes at most about 0.5 * 9.8 * 0.05 from a sliding box in one step
  const double box = speedAfterSlide(game.migBody[0], game.migGeom[0], 0.5);
  EXPECT_GT(box, 10 - 0.3);
  EXPECT_LT(box, 10);
  // friction 20 lets the ground turn a sliding ball into a rolling one at once (5/7 of its speed);
  // friction 0.5 could take no more than 0.245
  EXPECT_NEAR(speedAfterSlide(game.missileBody[0], game.missileGeom[0], 0.2), 10 * 5.0 / 7, 0.1);
}

}  // namespace
