// The smaller levels of a texture, made on the CPU: a software rasterizer makes them by drawing,
// which costs it a compiled shader at start-up, while the average of each 2 x 2 block is a few
// additions here.
#pragma once

#include <vector>

#include "png_image.h"

// True when each side is a power of two, so that every level halves the one above exactly.
bool halvesEvenly(const Image& image);

// The levels below the image, each half the size of the one above (a side of 1 stays 1), down to
// 1 x 1. Each pixel is the average of its 2 x 2 block, taken as Mesa's llvmpipe takes it: the
// pairs along a row rounded up, then the two rows' results rounded up, so that the levels equal
// what glGenerateMipmap makes there. Only for images that halve evenly; empty otherwise.
std::vector<Image> mipmapLevels(const Image& image);
