// Play in a window.
#pragma once

class Session;

// Runs the session's frames in a window until it is closed. Returns the exit code: 0 after a
// normal close; 2 after writing one line to stderr when no window can be opened.
int runWindow(Session& session);
