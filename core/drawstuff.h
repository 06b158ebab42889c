// The drawing host's interface: the only way the game reaches a window, the console or a picture.
// The host (host/) implements it; the game calls nothing else of the host.
#pragma once

#define DS_VERSION 2

// Texture numbers for dsSetTexture.
enum { DS_NONE = 0, DS_WOOD = 1, DS_CHECKERED = 2, DS_GROUND = 3, DS_SKY = 4 };

// The game's callbacks. The host calls them one at a time: start once before the first frame,
// step once per frame (pause is non-zero while the host's pause is on), command once per key
// press with the key's character code, stop (if set) once after the last frame.
struct dsFunctions {
  int version;
  void (*start)();
  void (*step)(int pause);
  void (*command)(int cmd);
  void (*stop)();
  const char* path_to_textures;
};

// Runs frames until the window closes (or, headless, until the run ends), then returns.
void dsSimulationLoop(int argc, char** argv, int width, int height, dsFunctions* fn);

// Camera position and heading, pitch, roll in degrees.
void dsSetViewpoint(const float xyz[3], const float hpr[3]);
void dsGetViewpoint(float xyz[3], float hpr[3]);

// printf-style text to the console (in the console's encoding; the format is UTF-8).
void dsPrint(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Texture and colour are states: each applies to every shape drawn after it.
void dsSetTexture(int texture);
void dsSetColor(float red, float green, float blue);

// Shapes at their centres; R is a 3 x 3 rotation stored by rows padded to four (12 values).
// Box sides are full lengths; a cylinder lies along R's third column.
void dsDrawBox(const float pos[3], const float R[12], const float sides[3]);
void dsDrawSphere(const float pos[3], const float R[12], float radius);
void dsDrawCylinder(const float pos[3], const float R[12], float length, float radius);

// The physics engine's reals are doubles here: these take its values as they come and draw them
// in single precision.
void dsDrawBox(const double pos[3], const double R[12], const double sides[3]);
void dsDrawSphere(const double pos[3], const double R[12], double radius);
void dsDrawCylinder(const double pos[3], const double R[12], double length, double radius);
