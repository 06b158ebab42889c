#include <ode/ode.h>

#include "core/game_state.h"
#include "render/render.h"

CannonMatrices cannonMatrices() {
  CannonMatrices m;
  dMatrix3 pitch;
  dRFromAxisAndAngle(m.yaw, 0, 0, 1, game.cannonYaw);
  dRFromAxisAndAngle(pitch, 0, 1, 0, game.cannonPitch);
  dMultiply0(m.cannon, m.yaw, pitch, 3, 3, 3);
  return m;
}
