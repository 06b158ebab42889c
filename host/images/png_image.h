// Pictures in memory and as PNG files: the textures the host loads and the frames it writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// 8-bit RGBA pixels, rows from the top.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
};

// Reads any PNG as 8-bit RGBA. A damaged, truncated or implausibly large file is refused with a
// one-line reason, never a crash.
bool readPng(const std::string& path, Image& image, std::string& error);

// How hard the PNG's compressor works: Small for files kept in the repository (the textures), Fast
// for the pictures the game writes, screenshots and frames (several times less CPU, and an opaque
// picture written without its alpha channel, which reads back as opaque).
enum class PngEffort { Small, Fast };

// Writes the image as an 8-bit PNG, RGBA or RGB as above (see OutputFile: a picture cut short is
// removed, and a stop signal the frame loop has not seen abandons it); false with a one-line reason
// naming the file as `what` ("screenshot") when it cannot be written.
bool writePng(const std::string& path, const Image& image, std::string& error,
              std::string_view what = "picture", PngEffort effort = PngEffort::Small);
