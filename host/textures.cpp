#include "host/textures.h"

#include <cstddef>

const Image& textureOf(const TextureSet& set, TextureKind kind) {
  return set[static_cast<std::size_t>(kind)];
}

TextureSet loadTextures(const std::string& dir, std::string& warning) {
  TextureSet set;
  std::string firstFault;
  int faults = 0;
  for (TextureKind kind : kTextureKinds) {
    Image& image = set[static_cast<std::size_t>(kind)];
    const std::string path = dir + "/" + std::string(textureName(kind)) + ".png";
    std::string error;
    if (!readPng(path, image, error)) {
      if (faults++ == 0) firstFault = error;
      image = makeBuiltinTexture(kind);
    }
  }
  warning.clear();
  if (faults == 1) warning = firstFault + "; using the built-in image";
  if (faults > 1)
    warning =
        firstFault + " (and " + std::to_string(faults - 1) + " more); using the built-in images";
  return set;
}
