// The MiG pass: resting and switching off, thrust, the height band, passing the car, and the
// random draws of respawns and relocations.
#include <cmath>
#include <vector>

#include "sim/sim.h"
#include "tests/game/game_fixture.h"

namespace {

using Color = std::array<float, 3>;

class MigPassTest : public GameTest {
 protected:
  Vec3 migPosition(int j) const { return vec(dGeomGetPosition(game.migGeom[j])); }
  Color drawnColor(int pass, int j) const {
    const DrawCall& draw = recording.draws.at(pass * kMigSlots + j);
    return {draw.color[0], draw.color[1], draw.color[2]};
  }
};

constexpr Color kWhite = {1, 1, 1};
constexpr Color kLightBlue = {0.5f, 0.5f, 1.0f};
constexpr Color kGrey = {0.4f, 0.4f, 0.4f};

TEST_F(MigPassTest, EleventhRestingPassDisablesTheMig) {
  // the scene starts at rest and no step runs, so every pass is a resting one
  for (int pass = 1; pass <= 12; ++pass) {
    SCOPED_TRACE(pass);
    migPass();
    const bool disabled = pass >= 11;
    EXPECT_EQ(game.migRestSteps[5], disabled ? 11 : pass);
    EXPECT_EQ(dBodyIsEnabled(game.migBody[5]) != 0, !disabled);
    const auto expected = pass < 11 ? kWhite : pass == 11 ? kLightBlue : kGrey;
    EXPECT_EQ(drawnColor(pass - 1, 5), expected);
  }
}

TEST_F(MigPassTest, ReenabledMigWithLongRestIsDisabledAtOnce) {
  game.migRestSteps[2] = 11;
  migPass();
  EXPECT_EQ(game.migRestSteps[2], 12);
  EXPECT_FALSE(dBodyIsEnabled(game.migBody[2]));
  EXPECT_EQ(drawnColor(0, 2), kLightBlue);
}

struct RestCase {
  const char* name;
  double squaredLinear;
  double squaredAngular;
  int restStepsAfter;  // from 5 before the pass
};

void PrintTo(const RestCase& c, std::ostream* os) {
  *os << c.name;
}

class RestThresholdTest : public MigPassTest, public ::testing::WithParamInterface<RestCase> {};

TEST_P(RestThresholdTest, SquaredSpeedsInSinglePrecisionAreComparedWithTheThreshold) {
  const RestCase& c = GetParam();
  game.migRestSteps[4] = 5;
  dBodySetLinearVel(game.migBody[4], std::sqrt(c.squaredLinear), 0, 0);
  dBodySetAngularVel(game.migBody[4], 0, 0, std::sqrt(c.squaredAngular));
  migPass();
  EXPECT_EQ(game.migRestSteps[4], c.restStepsAfter);
}

// The single-precision value nearest to 0.008 lies just above it.
const double kNearestFloat = 0.008f;
const double kFloatBelow = std::nextafter(0.008f, 0.0f);

INSTANTIATE_TEST_SUITE_P(
    Rest, RestThresholdTest,
    ::testing::Values(RestCase{"Still", 0, 0, 6}, RestCase{"LinearBelow", kFloatBelow, 0, 6},
                      RestCase{"LinearNearest", kNearestFloat, 0, 0},
                      // below the threshold, but not once stored in single precision
                      RestCase{"LinearRoundsAbove", 0.008 - 1e-12, 0, 0},
                      RestCase{"AngularRoundsAbove", 0, 0.008 - 1e-12, 0},
                      RestCase{"AngularBelow", 0, kFloatBelow, 6},
                      RestCase{"AngularNearest", 0, kNearestFloat, 0},
                      RestCase{"BothBelow", kFloatBelow, kFloatBelow, 6},
                      RestCase{"Moving", 4, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MigPassTest, NearestFloatToThresholdLiesAboveIt) {
  ASSERT_GT(kNearestFloat, 0.008);
  ASSERT_LT(kFloatBelow, 0.008);
}

TEST_F(MigPassTest, ThrustDependsOnPassingAndReachesDisabledMigs) {
  game.migPassed[3] = true;
  dBodyDisable(game.migBody[7]);
  migPass();
  for (int j = 0; j < kMigSlots; ++j) {
    SCOPED_TRACE(j);
    const Vec3 thrust = j == 3 ? Vec3{0, 0, 10} : Vec3{10, 0, 10};
    EXPECT_TRUE(near(vec(dBodyGetForce(game.migBody[j])), thrust, 0));
  }
}

TEST_F(MigPassTest, ThrustOfAFrameWaitsForTheNextStep) {
  runFrames(3);
  game.migPassed[8] = true;
  runFrames(1);
  // the step of each frame used up the previous frame's thrust; this frame's is still pending
  for (int j = 0; j < kMigSlots; ++j) {
    SCOPED_TRACE(j);
    const Vec3 thrust = j == 8 ? Vec3{0, 0, 10} : Vec3{10, 0, 10};
    EXPECT_TRUE(near(vec(dBodyGetForce(game.migBody[j])), thrust, 0));
  }
}

struct BandCase {
  const char* name;
  double z;
  bool respawns;
};

void PrintTo(const BandCase& c, std::ostream* os) {
  *os << c.name;
}

class HeightBandTest : public MigPassTest, public ::testing::WithParamInterface<BandCase> {};

TEST_P(HeightBandTest, OnlyMigsStrictlyOutsideTheBandRespawn) {
  const BandCase& c = GetParam();
  const std::vector<int> r = freshRandSequence(2);
  dGeomSetPosition(game.migGeom[4], -100, 3, c.z);
  migPass();
  if (c.respawns) {
    EXPECT_EQ(game.migCount, 11);
    EXPECT_TRUE(near(migPosition(4), {r[1] % 40 - 130.0, -2, r[0] % 4 + 10.0}, 0));
  } else {
    EXPECT_EQ(game.migCount, 10);
    EXPECT_TRUE(near(migPosition(4), {-100, 3, c.z}, 0));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Band, HeightBandTest,
    ::testing::Values(BandCase{"AtTop", 15, false}, BandCase{"AtBottom", 6, false},
                      BandCase{"JustAboveTop", std::nextafter(15.0, 16.0), true},
                      BandCase{"JustBelowBottom", std::nextafter(6.0, 5.0), true},
                      BandCase{"High", 40, true}, BandCase{"OnGround", 0.5, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MigPassTest, RespawnRebuildsInTheSlotsLaneAndKeepsItsRestCounter) {
  for (int j : {0, 5, 9}) {
    SCOPED_TRACE(j);
    const std::vector<int> r = freshRandSequence(2);
    // a disabled MiG is still tested against the band
    dBodyDisable(game.migBody[j]);
    dBodySetLinearVel(game.migBody[j], 0, 0, -3);
    game.migRestSteps[j] = 12;
    game.migPassed[j] = true;
    const int count = game.migCount;
    dGeomSetPosition(game.migGeom[j], -50, 20, 2);
    recording.clear();

    migPass();

    // drawn grey at its old place before it moved
    EXPECT_TRUE(
        near({recording.draws[j].pos[0], recording.draws[j].pos[1], recording.draws[j].pos[2]},
             {-50, 20, 2}, 0));
    EXPECT_EQ(drawnColor(0, j), kGrey);

    EXPECT_EQ(game.migCount, count + 1);
    EXPECT_FALSE(game.migPassed[j]);
    EXPECT_EQ(game.migRestSteps[j], 12);
    EXPECT_EQ(dGeomGetBody(game.migGeom[j]), game.migBody[j]);
    EXPECT_TRUE(near(migPosition(j), {r[1] % 40 - 130.0, 2.0 * j - 10, r[0] % 4 + 10.0}, 0));
    // a new MiG: enabled, at rest, unrotated
    EXPECT_TRUE(dBodyIsEnabled(game.migBody[j]));
    EXPECT_TRUE(near(vec(dBodyGetLinearVel(game.migBody[j])), {0, 0, 0}, 0));
    const dReal* R = dGeomGetRotation(game.migGeom[j]);
    EXPECT_TRUE(near({R[0], R[5], R[10]}, {1, 1, 1}, 0));
  }
}

TEST_F(MigPassTest, PassingTheCarRelocatesRelativeToTheMigsX) {
  const std::vector<int> r = freshRandSequence(3);
  const double x = 0.3;
  dGeomSetPosition(game.migGeom[3], x, -12, 11);
  dBodySetLinearVel(game.migBody[3], 1, 2, 3);
  dBodySetAngularVel(game.migBody[3], 0.5, 0, 0);

  migPass();

  EXPECT_TRUE(game.migPassed[3]);
  EXPECT_EQ(game.migCount, 10);
  // the new y is taken from the MiG's x, and both sums are single precision
  const float xf = static_cast<float>(x);
  const Vec3 expected = {xf + static_cast<float>(r[1] % 40 - 130),
                         xf + static_cast<float>(r[0] % 20 - 10), r[2] % 4 + 10.0};
  EXPECT_TRUE(near(migPosition(3), expected, 0));
  EXPECT_TRUE(near(vec(dBodyGetLinearVel(game.migBody[3])), {1, 2, 3}, 0));
  EXPECT_TRUE(near(vec(dBodyGetAngularVel(game.migBody[3])), {0.5, 0, 0}, 0));
  // drawn at its old place in this pass
  EXPECT_NEAR(recording.draws[3].pos[0], x, 1e-6);
}

TEST_F(MigPassTest, MigExactlyAtTheCarHasNotPassedIt) {
  const double carX = dGeomGetPosition(game.chassisGeom[0])[0];
  dGeomSetPosition(game.migGeom[6], carX, 30, 12);
  migPass();
  EXPECT_FALSE(game.migPassed[6]);
  EXPECT_TRUE(near(migPosition(6), {carX, 30, 12}, 0));

  dGeomSetPosition(game.migGeom[6], std::nextafter(carX, 1.0), 30, 12);
  migPass();
  EXPECT_TRUE(game.migPassed[6]);
}

TEST_F(MigPassTest, RespawnedMigIsTestedAtItsNewPlace) {
  // with the car far behind, every MiG has passed it, the respawned one included
  dGeomSetPosition(game.chassisGeom[0], -200, 0, 1);
  dGeomSetPosition(game.migGeom[0], -100, -30, 16);
  const std::vector<int> r = freshRandSequence(8);

  migPass();

  // slot 0: respawn (z, x), then relocation from the new x (y offset, x offset, z)
  const float x0 = static_cast<float>(r[1] % 40 - 130);
  EXPECT_TRUE(game.migPassed[0]);
  EXPECT_TRUE(near(migPosition(0),
                   {x0 + static_cast<float>(r[3] % 40 - 130),
                    x0 + static_cast<float>(r[2] % 20 - 10), r[4] % 4 + 10.0},
                   0));
  // slot 1 draws next, in slot order
  EXPECT_TRUE(near(migPosition(1),
                   {-100.0f + static_cast<float>(r[6] % 40 - 130),
                    -100.0f + static_cast<float>(r[5] % 20 - 10), r[7] % 4 + 10.0},
                   0));
  EXPECT_EQ(game.migCount, 11);
}

}  // namespace
