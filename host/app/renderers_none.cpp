// A build without a window (CANNONCAR_WINDOW=OFF): no renderer, so no pictures and no window.
#include "renderers.h"

std::string missingRenderer() {
  return "this cannoncar was built without a renderer (CANNONCAR_WINDOW=OFF)";
}

std::unique_ptr<PictureBackend> makePictures(const View&, std::string& error) {
  error = "cannot draw pictures: " + missingRenderer();
  return nullptr;
}

int playInWindow(Session&) {
  return 2;
}
