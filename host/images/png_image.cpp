#include "png_image.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "output_file.h"

// Textures are a few hundred pixels a side; a file that declares more than this is refused before
// anything is allocated for its pixels. libpng's own limit on a chunk (8 MB) bounds what it keeps
// of the chunks before them.
constexpr png_uint_32 kMaxSide = 8192;
constexpr std::size_t kMaxPixels = std::size_t{4096} * 4096;

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string reasonOf(const png_image& png, const char* fallback) {
  return png.message[0] ? png.message : fallback;
}

}  // namespace

// libpng's simplified API: its errors end inside libpng's own C frames and come back as a false
// return with a message, so no jump ever crosses this code. Every kind of PNG (palette,
// transparency key, grey, 16 bits, interlaced) comes out as 8-bit RGBA.
static bool decode(std::FILE* file, Image& image, std::string& error) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_stdio(&png, file)) {
    error = reasonOf(png, "not a readable PNG image");
    return false;
  }
  if (png.width > kMaxSide || png.height > kMaxSide ||
      std::size_t{png.width} * png.height > kMaxPixels) {
    error =
        "image too large (" + std::to_string(png.width) + "x" + std::to_string(png.height) + ")";
    png_image_free(&png);
    return false;
  }
  png.format = PNG_FORMAT_RGBA;
  // 16-bit samples without gamma information are sRGB like 8-bit ones, as image viewers show them
  // (libpng would take them as linear and brighten them)
  png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.rgba.assign(PNG_IMAGE_SIZE(png), 0);
  // finish_read frees what begin_read made, whether it succeeds or not
  if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
    error = reasonOf(png, "not a readable PNG image");
    return false;
  }
  return true;
}

// Only a regular file is read: a FIFO or a terminal in a texture directory would block the game
// for ever, so the file is opened without waiting and anything else is refused.
static File openRegularFile(const std::string& path, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat info;
  if (fd < 0 || fstat(fd, &info) != 0) {
    error = path + ": " + std::strerror(errno);
    if (fd >= 0) close(fd);
    return nullptr;
  }
  if (!S_ISREG(info.st_mode)) {
    error = path + ": not a regular file";
    close(fd);
    return nullptr;
  }
  File file(fdopen(fd, "rb"));
  if (!file) {
    error = path + ": " + std::strerror(errno);
    close(fd);
  }
  return file;
}

bool readPng(const std::string& path, Image& image, std::string& error) {
  File file = openRegularFile(path, error);
  if (!file) return false;
  unsigned char signature[8] = {};
  if (std::fread(signature, 1, sizeof signature, file.get()) != sizeof signature ||
      png_sig_cmp(signature, 0, sizeof signature) != 0) {
    error = path + ": not a PNG image";
    return false;
  }
  std::rewind(file.get());
  Image decoded;
  std::string reason;
  if (!decode(file.get(), decoded, reason)) {
    error = path + ": " + reason;
    return false;
  }
  image = std::move(decoded);
  return true;
}

static bool encodeSmall(std::FILE* file, const Image& image, std::string& error) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_stdio(&png, file, 0, image.rgba.data(), 0, nullptr)) {
    error = reasonOf(png, "cannot write PNG image");
    return false;
  }
  return true;
}

namespace {

struct PngFault {
  char message[160] = "cannot write PNG image";
};

[[noreturn]] void onPngError(png_structp png, png_const_charp message) {
  auto* fault = static_cast<PngFault*>(png_get_error_ptr(png));
  std::snprintf(fault->message, sizeof fault->message, "%s", message);
  png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

}  // namespace

static bool opaque(const Image& image) {
  for (std::size_t i = 3; i < image.rgba.size(); i += 4)
    if (image.rgba[i] != 255) return false;
  return true;
}

// Each row as the difference of every sample from the one a pixel to its left (the sky, the
// ground and the shapes' faces change slowly, so most differences are small and repeat) packed
// at zlib's quickest level in runs: about 40 % less CPU than libpng's own fast mode (no filter,
// level 3), and a quarter smaller. An opaque picture (every frame the game draws) leaves out its
// alpha channel, which says nothing: a quarter less to filter and pack, and an 800 x 600 frame
// of the game 325 KB instead of 388 KB. libpng's errors jump back into this frame across its own
// C frames only; nothing here has a destructor to skip.
static bool encodeFast(std::FILE* file, const Image& image, std::string& error) {
  PngFault fault;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &fault, onPngError, onPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    error = "out of memory";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = fault.message;
    return false;
  }
  png_init_io(png, file);
  const bool dropAlpha = opaque(image);
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
               dropAlpha ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_compression_level(png, Z_BEST_SPEED);
  png_set_compression_strategy(png, Z_RLE);
  png_write_info(png, info);
  // The rows stay RGBA in memory; libpng leaves out the fourth byte of each pixel.
  if (dropAlpha) png_set_filler(png, 0, PNG_FILLER_AFTER);
  const std::size_t stride = std::size_t(image.width) * 4;
  for (int y = 0; y < image.height; ++y) png_write_row(png, &image.rgba[std::size_t(y) * stride]);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

static bool encode(std::FILE* file, const Image& image, PngEffort effort, std::string& error) {
  return effort == PngEffort::Fast ? encodeFast(file, image, error)
                                   : encodeSmall(file, image, error);
}

// libpng writes through a stdio stream whose writes go to the output file, so the picture is
// written as any output is (see OutputFile) while libpng's errors stay within its own frames.
static ssize_t writeToOutput(void* cookie, const char* data, size_t size) {
  return static_cast<OutputFile*>(cookie)->write({data, size}) ? static_cast<ssize_t>(size) : -1;
}

bool writePng(const std::string& path, const Image& image, std::string& error,
              std::string_view what, PngEffort effort) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgba.size() != std::size_t(image.width) * std::size_t(image.height) * 4) {
    error = "cannot write " + outputName(what, path) + ": no picture to write";
    return false;
  }
  // A picture cut short would pass for whole in a viewer that shows what it can: it goes.
  OutputFile output(std::string(what), OutputFile::OnFailure::Remove);
  output.setStoppable(true);
  if (!output.open(path, error)) return false;
  cookie_io_functions_t io = {};
  io.write = writeToOutput;
  File file(fopencookie(&output, "wb", io));
  std::string reason;
  if (!file) {
    output.fail(std::strerror(errno));
  } else if (!encode(file.get(), image, effort, reason) || std::fflush(file.get()) != 0) {
    // the output's own reason (a full disk, a stop signal) says more than libpng's
    output.fail(reason.empty() ? "cannot write PNG image" : reason);
  }
  file.reset();
  return output.close(error);
}
