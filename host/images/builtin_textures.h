// The texture images the host ships: made procedurally, the same way by the binary (its fallback)
// and by tools/make_textures (the files in textures/).
#pragma once

#include <array>
#include <string_view>

#include "png_image.h"

enum class TextureKind { Wood, Ground, Sky, Checkered };

inline constexpr std::array<TextureKind, 4> kTextureKinds = {
    TextureKind::Wood, TextureKind::Ground, TextureKind::Sky, TextureKind::Checkered};

// "wood", "ground", "sky", "checkered": the file is the name with ".png".
std::string_view textureName(TextureKind kind);

Image makeBuiltinTexture(TextureKind kind);
