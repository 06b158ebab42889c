// A renderer as a backend: it draws each frame handed to it into a picture.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "backend.h"
#include "view.h"

class PictureBackend : public Backend {
 public:
  // Writes the last frame drawn as a PNG; false with a one-line reason naming the file as `what`
  // ("screenshot", "frame picture") when it cannot.
  virtual bool writePng(const std::string& path, std::string_view what, std::string& error) = 0;
  bool writePng(const std::string& path, std::string& error) {
    return writePng(path, "picture", error);
  }
};

// Makes the renderer without a window, following the view it is given (camera, switches, size);
// nullptr with a one-line reason where it cannot be made (no GL, or a build without a renderer).
using PictureMaker = std::unique_ptr<PictureBackend> (*)(const View& view, std::string& error);
