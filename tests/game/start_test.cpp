// The start callback: the camera and the key summary.
#include <string>

#include "core/drawstuff.h"
#include "core/start.h"
#include "tests/game/game_fixture.h"

namespace {

class StartTest : public GameTest {};

TEST_F(StartTest, StartSetsTheCameraAndPrintsTheKeySummary) {
  ::testing::internal::CaptureStdout();
  start();
  const std::string printed = ::testing::internal::GetCapturedStdout();

  float xyz[3], hpr[3];
  dsGetViewpoint(xyz, hpr);
  EXPECT_TRUE(near({xyz[0], xyz[1], xyz[2]}, {3.8548f, 9.0843f, 7.5900f}, 0));
  EXPECT_TRUE(near({hpr[0], hpr[1], hpr[2]}, {-145.5f, -22.5f, 0.25f}, 0));
  EXPECT_EQ(printed,
            "Press:\t'w' to increase speed.\n"
            "\t's' to decrease speed.\n"
            "\t'a' to steer left.\n"
            "\t'z' to reset speed and steering.\n"
            "\t'j' to turn the cannon left.\n"
            "\t'l' to turn the cannon right.\n"
            "\t'i' to raise the cannon.\n"
            "\t'k' to lower the cannon.\n"
            "\t'f' to toggle fast step mode.\n"
            "\t'g' to increase AutoEnableDepth.\n"
            "\t'h' to decrease AutoEnableDepth.\n"
            "\t'r' to reset simulation.\n");
}

}  // namespace
