// The frame step, the MiG rules that run after it and the contact rules that run inside it.
#pragma once

#include <ode/ode.h>

// The host's step callback: a running frame (pause 0) steps the world by 0.05 s; every frame
// draws the scene.
void simLoop(int pause);
// The MiG rules of a running frame, slot by slot, after the world step; draws each MiG's box.
void migPass();
// The near-phase collision callback: contact joints into the contact group, and the score. The
// game passes no data; a caller that passes an int's address has the joints made added to it.
void nearCallback(void* contactCount, dGeomID o1, dGeomID o2);
