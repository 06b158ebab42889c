// A game as a fresh process has it, for tests and benchmarks that run many games in one process.
#pragma once

// Puts the game state and both random generators back to their start values (srand(1) and
// dRandSetSeed(0) stand for a fresh process), initialises the engine once, and runs main's
// set-up: fast step on, no car yet, the first reset.
void startFreshGame();
// Destroys the contact group, the space and the world, as main does at exit.
void endGame();
