// The one record of everything the game remembers between the host's calls. The host's callbacks
// and the collision callback carry no context, so every routine works on this single instance.
#pragma once

#include <ode/ode.h>

inline constexpr int kCarBodyCapacity = 10000;
inline constexpr int kHingeCapacity = 100000;
inline constexpr int kChassisCapacity = 10000;
inline constexpr int kWheelGeomCapacity = 10000;
inline constexpr int kMigSlots = 10;
inline constexpr int kMigRestCapacity = 10000;
inline constexpr int kMissileSlots = 16;

struct GameState {
  // engine objects
  dWorldID world = nullptr;
  dSpaceID space = nullptr;
  dJointGroupID contactGroup = nullptr;
  dGeomID ground = nullptr;

  // car tables, each with its fill counter
  dBodyID carBody[kCarBodyCapacity] = {};
  int carBodyCount = 0;
  dJointID hinge[kHingeCapacity] = {};
  int hingeCount = 0;
  dGeomID chassisGeom[kChassisCapacity] = {};
  int carCount = 0;
  dGeomID wheelGeom[kWheelGeomCapacity] = {};
  int wheelGeomCount = 0;

  // MiGs
  dBodyID migBody[kMigSlots] = {};
  dGeomID migGeom[kMigSlots] = {};
  bool migPassed[kMigSlots] = {};
  int migRestSteps[kMigRestCapacity] = {};
  int migCount = 0;

  // missiles
  dBodyID missileBody[kMissileSlots] = {};
  dGeomID missileGeom[kMissileSlots] = {};

  // score and shots
  int score = 0;
  int missilesFired = 0;
  int nextMissile = 0;

  // the player's controls
  float speed = 0;
  float steer = 0;
  float cannonYaw = 0;
  float cannonPitch = -1.2f;
  bool fastStep = false;

  // dMass's constructor runs dMassSetZero, so the static instance holds the zero mass before main.
  dMass scratchMass;
  float viewXyz[3] = {3.8548f, 9.0843f, 7.5900f};
  float viewHpr[3] = {-145.5f, -22.5f, 0.25f};
};

extern GameState game;
