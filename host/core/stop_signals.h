// SIGINT and SIGTERM end a run the way closing the window does: the frame loop sees the request
// between frames, and the game tears down and prints its totals as usual.
#pragma once

// Catches SIGINT and SIGTERM from now on. The first one only asks the run to stop; a second one
// finds the default action back in place and ends the process at once.
void catchStopSignals();
// True once a stop signal has come. Asking counts as noticing it: the run is on its way to its end
// (a screenshot may still take a while to write), so the grace alarm is called off.
bool stopRequested();
// True when a stop signal has come that the frame loop has not yet noticed: the run has played its
// last frame and is writing what it keeps. A write that may wait long gives up on it, so the run
// still ends within a second with its totals; giving up counts as noticing.
bool stopUnanswered();
