// Writes the host's texture images (wood, ground, sky, checkered) into a folder: the files in
// textures/ are made with it, from the same code that the host falls back on.
//   make_textures [DIR]    (DIR defaults to "textures")
#include <cstdio>
#include <string>

#include "builtin_textures.h"
#include "png_image.h"

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: make_textures [DIR]\n");
    return 2;
  }
  const std::string dir = argc == 2 ? argv[1] : "textures";
  for (TextureKind kind : kTextureKinds) {
    const std::string path = dir + "/" + std::string(textureName(kind)) + ".png";
    std::string error;
    if (!writePng(path, makeBuiltinTexture(kind), error)) {
      std::fprintf(stderr, "make_textures: %s\n", error.c_str());
      return 1;
    }
    std::printf("%s\n", path.c_str());
  }
  return 0;
}
