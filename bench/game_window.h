// The scene the simulation benchmarks measure: a fresh game, as a new process has it after main's
// set-up, run by its own frames until it has settled, then a window of frames stepped either by
// the game or by bare engine calls. Within the window both make the same contacts, so the bare
// step is the floor under the game's frame.
#pragma once

// Frames the game runs before a window: by then the car stands on its wheels, the missiles lie on
// the ground and the first MiGs have passed the car.
inline constexpr int kWarmUpFrames = 100;
// Frames in a window. Without their thrust the MiGs fall, but within this many frames none of them
// reaches anything, so a bare step makes the same 20 contacts as the game's frame.
inline constexpr int kWindowFrames = 20;

// Builds the fresh game and runs the warm-up frames with the drawing dropped.
void startWindow();
// Destroys the scene, as main does at exit.
void endWindow();
// The floor: collision through the game's own contact callback (within a window no contact
// scores, so it only makes the joints), one quick step, the contact group emptied.
void bareStep();
// Contact joints made by the last bare step.
int bareContacts();
