#include "offscreen.h"
#include "renderers.h"
#include "shader_cache.h"
#include "window.h"

std::string missingRenderer() {
  return {};
}

std::unique_ptr<PictureBackend> makePictures(const View& view, std::string& error) {
  quietShaderCache();
  return makeOffscreenBackend(view, error);
}

int playInWindow(Session& session) {
  quietShaderCache();
  return runWindow(session);
}
