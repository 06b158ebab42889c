#include "textures.h"

#include <cstddef>
#include <filesystem>
#include <system_error>
#include <utility>

const Image& textureOf(const TextureSet& set, TextureKind kind) {
  return set[static_cast<std::size_t>(kind)];
}

TextureSet loadTextures(const std::string& dir, std::string& warning) {
  TextureSet set;
  std::error_code fault;
  const auto status = std::filesystem::status(dir, fault);
  if (!std::filesystem::is_directory(status)) {
    const std::string why = status.type() == std::filesystem::file_type::not_found
                                ? "no such directory"
                            : fault ? fault.message()
                                    : "not a directory";
    warning = "texture directory " + dir + ": " + why + "; using the built-in images";
    for (TextureKind kind : kTextureKinds)
      set[static_cast<std::size_t>(kind)] = makeBuiltinTexture(kind);
    return set;
  }
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

std::future<LoadedTextures> loadTexturesInBackground(const std::string& dir) {
  const auto load = [dir] {
    LoadedTextures loaded;
    loaded.set = loadTextures(dir, loaded.warning);
    return loaded;
  };
  try {
    return std::async(std::launch::async, load);
  } catch (const std::system_error&) {
    return std::async(std::launch::deferred, load);
  }
}
