// The scene drawing and the cannon's rotations, which the firing shares so that a shot leaves
// along the barrels as drawn.
#pragma once

#include <ode/ode.h>

struct CannonMatrices {
  dMatrix3 yaw;     // about the world z axis by cannonYaw: turns the cannon base
  dMatrix3 cannon;  // yaw times the pitch about y: its third column is the barrels' axis
};

// Built from the current cannonYaw and cannonPitch.
CannonMatrices cannonMatrices();

// The box of MiG slot j in the colour last set.
void drawMigBox(int slot);
// All ten MiG boxes of a paused frame, white or grey as their bodies are enabled or not.
void drawPausedMigs();
// Chassis, wheels, cannon and missiles; follows the MiGs in every frame.
void drawCarAndCannon();
