// The quick stepper's auto-enable depth of a world. This build of the engine lacks the parameter,
// so the game keeps it itself; the steppers never read it.
#pragma once

#include <ode/ode.h>

// A new world reads 3, the engine's default.
int dWorldGetAutoEnableDepthSF1(dWorldID world);
void dWorldSetAutoEnableDepthSF1(dWorldID world, int depth);
