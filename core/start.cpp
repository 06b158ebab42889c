#include "core/start.h"

#include <cstdio>

#include "core/drawstuff.h"
#include "core/game_state.h"

void start() {
  dsSetViewpoint(game.viewXyz, game.viewHpr);
  std::printf(
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
