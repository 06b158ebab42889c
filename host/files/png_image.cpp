#include "png_image.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

// Textures are a few hundred pixels a side; a file that declares more than this is refused before
// anything is allocated for it.
constexpr png_uint_32 kMaxSide = 8192;
constexpr std::size_t kMaxPixels = std::size_t{4096} * 4096;
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// libpng reports through these; the message is kept so the caller can name the fault.
struct ErrorSink {
  std::jmp_buf jump;
  char message[160] = "";
};

void onPngError(png_structp png, png_const_charp message) {
  auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png));
  std::snprintf(sink->message, sizeof sink->message, "%s", message);
  std::longjmp(sink->jump, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

}  // namespace

// Nothing that a longjmp from libpng could leave half-built lives in this frame: the pixels are
// the caller's, and rows are read and written one at a time.
static bool decode(std::FILE* file, Image& image, ErrorSink& sink, std::string& error) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &sink, onPngError, onPngWarning);
  if (!png) {
    error = "out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(sink.jump)) {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    error = sink.message[0] ? sink.message : "not a readable PNG image";
    return false;
  }
  png_set_user_limits(png, kMaxSide, kMaxSide);
  png_set_chunk_malloc_max(png, kMaxChunkBytes);
  png_init_io(png, file);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int depth = 0, colorType = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
  if (std::size_t{width} * height > kMaxPixels) {
    std::snprintf(sink.message, sizeof sink.message, "image too large (%ux%u)", width, height);
    std::longjmp(sink.jump, 1);
  }
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.rgba.assign(std::size_t{width} * height * 4, 0);
  for (int pass = 0; pass < passes; ++pass)
    for (png_uint_32 y = 0; y < height; ++y)
      png_read_row(png, image.rgba.data() + std::size_t{y} * width * 4, nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
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
  ErrorSink sink;
  Image decoded;
  std::string reason;
  if (!decode(file.get(), decoded, sink, reason)) {
    error = path + ": " + reason;
    return false;
  }
  image = std::move(decoded);
  return true;
}

static bool encode(std::FILE* file, const Image& image, ErrorSink& sink, std::string& error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, onPngError, onPngWarning);
  if (!png) {
    error = "out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(sink.jump)) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    error = sink.message[0] ? sink.message : "cannot write PNG image";
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y)
    png_write_row(png, image.rgba.data() + std::size_t(y) * std::size_t(image.width) * 4);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool writePng(const std::string& path, const Image& image, std::string& error) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgba.size() != std::size_t(image.width) * std::size_t(image.height) * 4) {
    error = path + ": no picture to write";
    return false;
  }
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  struct stat info;
  const bool regular = fstat(fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode);
  // A picture cut short would pass for whole in a viewer that shows what it can: it goes (a device
  // such as /dev/full stays).
  auto fail = [&](const std::string& reason) {
    error = path + ": " + reason;
    if (regular) std::remove(path.c_str());
    return false;
  };
  ErrorSink sink;
  std::string reason;
  if (!encode(file.get(), image, sink, reason)) return fail(reason);
  if (std::fflush(file.get()) != 0 || std::ferror(file.get())) return fail(std::strerror(errno));
  return true;
}
