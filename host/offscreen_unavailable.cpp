// Builds without the GL renderer cannot make pictures.
#include "host/picture.h"

std::unique_ptr<PictureBackend> makeOffscreenBackend(const View&, std::string& error) {
  error = "this build cannot render pictures yet";
  return nullptr;
}
