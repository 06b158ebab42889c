// Image files from any bytes: read without a crash, refused with a reason, or decoded into exactly
// width × height RGBA pixels within the reader's limits.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "png_image.h"

static constexpr int kMaxSide = 8192;
static constexpr std::size_t kMaxPixels = std::size_t{4096} * 4096;

static void check(bool fact) {
  if (!fact) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The reader takes a path: the bytes go into a file in memory, reached through /proc.
  static const int fd = memfd_create("png_fuzz", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  check(fd >= 0 && ftruncate(fd, 0) == 0);
  check(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));

  Image image;
  std::string error;
  if (!readPng(path, image, error)) {
    check(!error.empty() && error.find('\n') == std::string::npos);
    return 0;
  }
  check(image.width > 0 && image.height > 0 && image.width <= kMaxSide && image.height <= kMaxSide);
  check(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) <=
        kMaxPixels);
  check(image.rgba.size() ==
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4);
  return 0;
}
