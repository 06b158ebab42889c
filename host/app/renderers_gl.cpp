#include "offscreen.h"
#include "renderers.h"
#include "window.h"

std::string missingRenderer() {
  return {};
}

std::unique_ptr<PictureBackend> makePictures(const View& view, std::string& error) {
  return makeOffscreenBackend(view, error);
}

int playInWindow(Session& session) {
  return runWindow(session);
}
