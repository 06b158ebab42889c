// What this build draws with: the GL renderer offscreen and in a window, or, built without a
// window, nothing.
#pragma once

#include <memory>
#include <string>

#include "picture.h"

class Session;

// Empty when this build has a renderer; otherwise why it has none, for a one-line refusal.
std::string missingRenderer();
// The offscreen renderer; nullptr with a one-line reason.
std::unique_ptr<PictureBackend> makePictures(const View& view, std::string& error);
// Plays the session in a window and returns the exit code.
int playInWindow(Session& session);
