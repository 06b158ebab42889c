// The textures the renderer uses, loaded from the game's texture directory.
#pragma once

#include <array>
#include <future>
#include <string>

#include "builtin_textures.h"
#include "png_image.h"

// One image per TextureKind, in the order of kTextureKinds.
using TextureSet = std::array<Image, kTextureKinds.size()>;

const Image& textureOf(const TextureSet& set, TextureKind kind);

// Reads wood.png, ground.png, sky.png and checkered.png from dir. Each one that is missing,
// unreadable or damaged is replaced by the built-in image; warning then holds one line saying
// which, and is empty when every file loaded.
TextureSet loadTextures(const std::string& dir, std::string& warning);

// What loadTextures gives: the images and its warning.
struct LoadedTextures {
  TextureSet set;
  std::string warning;
};

// loadTextures on a thread of its own, so that the PNGs are decoded while the caller starts its
// GL; where no thread can be had, the reading waits for the future's get().
std::future<LoadedTextures> loadTexturesInBackground(const std::string& dir);
