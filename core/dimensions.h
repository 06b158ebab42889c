// The car's and the missiles' sizes and the wheels' drive torque: the builders give the engine
// these shapes, the drawing draws the same shapes, and the step drives the wheels with the torque
// the car was built with.
#pragma once

#include <ode/ode.h>

inline constexpr dReal kChassisLength = 3.5;
inline constexpr dReal kChassisWidth = 2.5;
inline constexpr dReal kChassisHeight = 1.0;
// the chassis box's sides along its x, y and z axes, as the drawing takes them
inline constexpr dReal kChassisSides[3] = {kChassisLength, kChassisWidth, kChassisHeight};
inline constexpr dReal kWheelRadius = 0.5;
// the most torque a wheel's drive motor may use to reach the car's speed
inline constexpr dReal kDriveMaxTorque = 25;
inline constexpr dReal kMissileRadius = 0.2;
