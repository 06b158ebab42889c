#include <ode/ode.h>

#include "controls/controls.h"
#include "core/auto_enable_depth.h"
#include "core/game_state.h"
#include "scene/scene.h"

static constexpr double kSpeedStep = 0.3;
static constexpr double kSteerStep = 0.1;
static constexpr double kSteerLimit = 0.3;
static constexpr double kCannonStep = 0.1;
static constexpr float kPitchHighest = -0.5f;
static constexpr float kPitchLowest = -1.5f;

// Control values are single precision; each step is taken in double and stored back.
static void add(float& value, double step) {
  value = static_cast<float>(value + step);
}

static void changeAutoEnableDepth(unsigned step) {
  // unsigned, so that stepping past either end of int wraps
  const unsigned depth = static_cast<unsigned>(dWorldGetAutoEnableDepthSF1(game.world));
  dWorldSetAutoEnableDepthSF1(game.world, static_cast<int>(depth + step));
}

void command(int cmd) {
  switch (cmd) {
    case 'w':
    case 'W':
      add(game.speed, kSpeedStep);
      break;
    case 's':
    case 'S':
      add(game.speed, -kSpeedStep);
      break;
    case 'a':
    case 'A':
      add(game.steer, kSteerStep);
      if (game.steer > kSteerLimit) game.steer = static_cast<float>(kSteerLimit);
      break;
    case 'd':
    case 'D':
      add(game.steer, -kSteerStep);
      if (game.steer < -kSteerLimit) game.steer = static_cast<float>(-kSteerLimit);
      break;
    case 'z':
    case 'Z':
      game.speed = 0;
      game.steer = 0;
      break;
    case 'j':
    case 'J':
      add(game.cannonYaw, kCannonStep);
      break;
    case 'l':
    case 'L':
      add(game.cannonYaw, -kCannonStep);
      break;
    case 'i':
    case 'I':
      add(game.cannonPitch, kCannonStep);
      if (game.cannonPitch > kPitchHighest) game.cannonPitch = kPitchHighest;
      break;
    case 'k':
    case 'K':
      add(game.cannonPitch, -kCannonStep);
      if (game.cannonPitch < kPitchLowest) game.cannonPitch = kPitchLowest;
      break;
    case ' ':
      fireCannon();
      break;
    case 'f':
    case 'F':
      game.fastStep = !game.fastStep;
      break;
    case 'g':
    case 'G':
      changeAutoEnableDepth(1);
      break;
    case 'h':
    case 'H':
      changeAutoEnableDepth(-1u);
      break;
    case 'r':
    case 'R':
      resetSimulation();
      break;
    default:
      break;
  }
}
