// Building and rebuilding the world: the reset and the builders of the car, the MiGs and the
// missiles. All of them store what they make in the game state.
#pragma once

#include <ode/ode.h>

// Destroys the scene if one exists, builds a new one and reports the MiG count.
void resetSimulation();
// One car standing at (x, y); advances the four car counters.
void makeCar(dReal x, dReal y);
// The MiG of a slot (0 to 9) at (x, y, z); counts it in migCount.
void makeMig(int slot, dReal x, dReal y, dReal z);
// The missile of a slot (0 to 15) at (x, y, z).
void makeMissile(int slot, dReal x, dReal y, dReal z);
