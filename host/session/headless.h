// Play without a window: frames as fast as they run, then end as if the window had closed.
#pragma once

#include "picture.h"

class Session;

// Runs the session's frames (--frames, 600 by default) and the pictures it asks for. Returns 0,
// or 2 after one line on stderr when a picture was asked for and cannot be made.
int runHeadless(Session& session, PictureMaker makePictures);
