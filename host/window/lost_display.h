// A display that goes away under a running window (a remote session that drops, an X server
// that is killed) ends the run as a closed window does, instead of Xlib ending the process.
#pragma once

#include <string>

// Watches GLFW's X11 connection, once GLFW is initialised.
void watchForLostDisplay();
// True once the connection to the display is lost: from then on nothing reaches the screen.
bool displayLost();
// The display's name, as the connection was opened ("" before watchForLostDisplay, or where GLFW
// has no X11 display).
std::string displayName();
