// The program's operator new and delete keep freed small blocks on per-size shelves and hand them
// out again, instead of going back to malloc every time. The engine's hash space builds and drops
// about 180 small blocks through operator new in every collision pass; from a shelf each costs a
// few instructions instead of malloc's hundreds. Blocks are plain malloc blocks, so anything that
// frees one with free() or keeps one from before recycling began stays correct. Recycling is on for
// the main thread from the start of the process; other threads use malloc as it is. Builds with a
// sanitizer leave operator new to the sanitizer and recycle nothing.
#pragma once

// Turns recycling on or off for the calling thread. Off hands every shelved block back to malloc.
void setBlockRecycling(bool on);
bool blockRecycling();
