// The key table with its limits, and the firing of the missile ring.
#include <cmath>
#include <numbers>
#include <string>

#include "controls/controls.h"
#include "tests/game/game_fixture.h"

namespace {

class CommandTest : public GameTest {};

struct Controls {
  float speed, steer, yaw, pitch;
  bool fastStep;
  bool operator==(const Controls&) const = default;
};

Controls controls() {
  return {game.speed, game.steer, game.cannonYaw, game.cannonPitch, game.fastStep};
}

struct KeyCase {
  const char* keys;
  Controls expected;  // from the start values: speed 0, steer 0, yaw 0, pitch -1.2, fast step on
};

void PrintTo(const KeyCase& c, std::ostream* os) {
  *os << '"' << c.keys << '"';
}

class KeyTableTest : public CommandTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyTableTest, KeysChangeControlsWithinLimits) {
  press(GetParam().keys);
  const Controls c = controls(), e = GetParam().expected;
  EXPECT_EQ(c.speed, e.speed);
  EXPECT_EQ(c.steer, e.steer);
  EXPECT_EQ(c.yaw, e.yaw);
  EXPECT_EQ(c.pitch, e.pitch);
  EXPECT_EQ(c.fastStep, e.fastStep);
}

// Each step is taken in double precision and stored back in single precision.
float stepped(float value, double step, int times) {
  for (int i = 0; i < times; ++i) value = static_cast<float>(value + step);
  return value;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyTableTest,
    ::testing::Values(
        KeyCase{"w", {0.3f, 0, 0, -1.2f, true}},
        KeyCase{"wW", {stepped(0, 0.3, 2), 0, 0, -1.2f, true}},
        // no limit on speed, and it may turn negative
        KeyCase{"sSsss", {stepped(0, -0.3, 5), 0, 0, -1.2f, true}},
        KeyCase{"wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
                {stepped(0, 0.3, 50), 0, 0, -1.2f, true}},
        KeyCase{"aa", {0, stepped(0, 0.1, 2), 0, -1.2f, true}},
        // the third press reaches the limit and a fourth stays there
        KeyCase{"aaa", {0, 0.3f, 0, -1.2f, true}}, KeyCase{"aAaA", {0, 0.3f, 0, -1.2f, true}},
        KeyCase{"ddd", {0, -0.3f, 0, -1.2f, true}}, KeyCase{"dDdDd", {0, -0.3f, 0, -1.2f, true}},
        KeyCase{"aaaad", {0, stepped(0.3f, -0.1, 1), 0, -1.2f, true}},
        KeyCase{"wwaajjkz", {0, 0, stepped(0, 0.1, 2), stepped(-1.2f, -0.1, 1), true}},
        // no limit on yaw, also beyond pi
        KeyCase{"jjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjj",
                {0, 0, stepped(0, 0.1, 40), -1.2f, true}},
        KeyCase{"lL", {0, 0, stepped(0, -0.1, 2), -1.2f, true}},
        KeyCase{"iiiiii", {0, 0, 0, stepped(-1.2f, 0.1, 6), true}},
        // the seventh raise lands just beyond the limit and is set back to it
        KeyCase{"iiiiiii", {0, 0, 0, -0.5f, true}}, KeyCase{"IIIIIIIIII", {0, 0, 0, -0.5f, true}},
        KeyCase{"kk", {0, 0, 0, stepped(-1.2f, -0.1, 2), true}},
        KeyCase{"kkk", {0, 0, 0, -1.5f, true}}, KeyCase{"KkKkK", {0, 0, 0, -1.5f, true}},
        KeyCase{"f", {0, 0, 0, -1.2f, false}}, KeyCase{"fF", {0, 0, 0, -1.2f, true}}));

TEST_F(CommandTest, PitchSumsOvershootTheLimitsTheTableReaches) {
  // the limit tests must really fire in the cases above: the sums themselves lie beyond
  EXPECT_GT(stepped(-1.2f, 0.1, 7), -0.5f);
  EXPECT_LT(stepped(-1.2f, -0.1, 3), -1.5f);
  EXPECT_GT(stepped(0, 0.1, 3), 0.3);
}

TEST_F(CommandTest, CodesOutsideTheTableDoNothing) {
  press("w a j i ");
  const Controls before = controls();
  const int fired = game.missilesFired;
  const int nextMissile = game.nextMissile;
  const Vec3 missile = vec(dBodyGetPosition(game.missileBody[nextMissile]));
  dWorldID world = game.world;
  game.score = 4;

  // control codes, digits and other unbound printables, codes above 122 and codes whose low byte
  // is a bound key
  for (int code : std::initializer_list<int>{
           0,   8,   13,  27,  31,  '0', '9', '!', '@',       '[',       '_',       '`', 'b',
           'q', 'x', 'y', '{', 127, 128, 200, 255, 'r' + 256, ' ' + 256, 'w' - 256, -1}) {
    SCOPED_TRACE(code);
    command(code);
    EXPECT_EQ(controls(), before);
    EXPECT_EQ(game.nextMissile, nextMissile);
    EXPECT_EQ(game.missilesFired, fired);
    EXPECT_EQ(game.score, 4);
    EXPECT_EQ(game.world, world);
    EXPECT_TRUE(near(vec(dBodyGetPosition(game.missileBody[nextMissile])), missile, 0));
  }
}

// The unit vector along the cannon's axis for the present angles.
Vec3 cannonAxis() {
  const double yaw = game.cannonYaw, pitch = game.cannonPitch;
  return {std::cos(yaw) * std::sin(pitch), std::sin(yaw) * std::sin(pitch), std::cos(pitch)};
}

TEST_F(CommandTest, ShotsTakeTheRingOfSlotsFromTheirMuzzles) {
  struct Shot {
    int number;  // counting from 1
    int slot;
    Vec3 muzzle;  // from the chassis centre, along the world axes
  };
  const Shot shots[] = {
      {1, 0, {-0.25, 0.75, 1.5}},  {2, 1, {-0.25, -0.75, 1.5}},  {3, 2, {-0.25, 0.75, 0.5}},
      {4, 3, {-0.25, -0.75, 0.5}}, {5, 4, {-0.25, 0.75, 1.5}},   {16, 15, {-0.25, -0.75, 0.5}},
      {17, 0, {-0.25, 0.75, 1.5}}, {18, 1, {-0.25, -0.75, 1.5}},
  };
  // the cannon turned and raised, and the car moved and turned, so that neither leaks into the
  // shot
  press("jjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjjiii");
  dMatrix3 heading;
  dRFromAxisAndAngle(heading, 0, 0, 1, 0.7);
  dBodySetRotation(game.carBody[0], heading);
  dBodySetPosition(game.carBody[0], 3, -2, 1.25);
  dBodySetLinearVel(game.carBody[0], 5, 0, 0);
  const Vec3 c = vec(dGeomGetPosition(game.chassisGeom[0]));
  const Vec3 axis = cannonAxis();

  int fired = 0;
  for (const Shot& shot : shots) {
    SCOPED_TRACE(shot.number);
    dBodyID missile = game.missileBody[shot.slot];
    dBodySetAngularVel(missile, 1, 2, 3);
    while (fired < shot.number - 1) {
      press(" ");
      ++fired;
    }
    ASSERT_EQ(game.nextMissile, shot.slot);
    press(" ");
    ++fired;
    EXPECT_EQ(game.missilesFired, shot.number);
    EXPECT_EQ(game.nextMissile, (shot.slot + 1) % 16);
    EXPECT_TRUE(near(vec(dBodyGetPosition(missile)),
                     {c[0] + shot.muzzle[0], c[1] + shot.muzzle[1], c[2] + shot.muzzle[2]}, 1e-12));
    EXPECT_TRUE(
        near(vec(dBodyGetLinearVel(missile)), {70 * axis[0], 70 * axis[1], 70 * axis[2]}, 1e-9));
    EXPECT_TRUE(near(vec(dBodyGetAngularVel(missile)), {0, 0, 0}, 0));
  }
}

TEST_F(CommandTest, ShotAtStartPitchRisesTowardsMinusX) {
  press(" ");
  const Vec3 v = vec(dBodyGetLinearVel(game.missileBody[0]));
  EXPECT_NEAR(std::hypot(v[0], v[1], v[2]), 70, 1e-9);
  EXPECT_LT(v[0], 0);
  EXPECT_NEAR(v[1], 0, 1e-12);
  // pi/2 + pitch above the horizontal
  EXPECT_NEAR(std::atan2(v[2], -v[0]), std::numbers::pi / 2 - 1.2, 1e-6);
}

TEST_F(CommandTest, SixteenShotsWrapAndResetKeepsTheSlot) {
  for (int i = 0; i < 16; ++i) press(" ");
  EXPECT_EQ(game.nextMissile, 0);
  EXPECT_EQ(game.missilesFired, 16);
  press("r");
  EXPECT_EQ(game.nextMissile, 0);
  EXPECT_EQ(game.missilesFired, 0);
}

}  // namespace
