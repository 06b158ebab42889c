// Images and the texture directory: good files load, and every kind of bad one falls back to the
// built-in image with one warning line, never a crash.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "builtin_textures.h"
#include "core/drawstuff.h"
#include "offscreen.h"
#include "png_image.h"
#include "renderer_gl.h"
#include "tests/render/render_scene.h"
#include "textures.h"

namespace fs = std::filesystem;

namespace {

Image gradient(int width, int height) {
  Image image{width, height,
              std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height) * 4)};
  for (std::size_t i = 0; i < image.rgba.size(); ++i)
    image.rgba[i] = static_cast<std::uint8_t>(i * 7 % 251);
  return image;
}

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::uint32_t crc32(const std::string& bytes) {
  std::uint32_t crc = 0xffffffffu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string bigEndian(std::uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string chunk(const std::string& type, const std::string& data) {
  return bigEndian(std::uint32_t(data.size())) + type + data + bigEndian(crc32(type + data));
}

// A well-formed header that declares a picture of the given size, with no pixels behind it.
std::string declaredSize(std::uint32_t width, std::uint32_t height) {
  const std::string header =
      bigEndian(width) + bigEndian(height) + std::string("\x08\x06\x00\x00\x00", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IEND", "");
}

bool sameImage(const Image& a, const Image& b) {
  return a.width == b.width && a.height == b.height && a.rgba == b.rgba;
}

class TextureDir : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    // the process id too: runs of the suite from other checkouts share /tmp
    dir = fs::temp_directory_path() /
          ("cannoncar_" + std::to_string(::getpid()) + "_" + std::string(test->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string error;
    for (TextureKind kind : kTextureKinds)
      ASSERT_TRUE(writePng(file(kind).string(), gradient(8, 4), error)) << error;
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path file(TextureKind kind) const { return dir / (std::string(textureName(kind)) + ".png"); }

  fs::path dir;
};

TEST_F(TextureDir, LoadsEveryImageWithoutAWarning) {
  std::string warning;
  const TextureSet set = loadTextures(dir.string(), warning);
  EXPECT_EQ(warning, "");
  for (TextureKind kind : kTextureKinds)
    EXPECT_TRUE(sameImage(textureOf(set, kind), gradient(8, 4))) << textureName(kind);
}

TEST_F(TextureDir, EachBadFileFallsBackAloneWithOneWarningLine) {
  const std::string good = readBytes(file(TextureKind::Wood));
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty file", ""},
      {"text", "this is not a picture\n"},
      {"signature only", good.substr(0, 8)},
      {"truncated in the header", good.substr(0, 20)},
      {"truncated in the pixels", good.substr(0, good.size() - 20)},
      {"damaged pixels", good.substr(0, 45) + std::string(40, '\x5a') + good.substr(85)},
      {"huge width", declaredSize(100000, 2)},
      {"huge declared area", declaredSize(6000, 6000)},
      {"zero size", declaredSize(0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeBytes(file(TextureKind::Ground), c.bytes);
    std::string warning;
    const TextureSet set = loadTextures(dir.string(), warning);
    EXPECT_TRUE(
        sameImage(textureOf(set, TextureKind::Ground), makeBuiltinTexture(TextureKind::Ground)));
    EXPECT_TRUE(sameImage(textureOf(set, TextureKind::Wood), gradient(8, 4)));
    EXPECT_NE(warning.find("ground.png"), std::string::npos) << warning;
    EXPECT_EQ(warning.find('\n'), std::string::npos) << warning;
  }
}

TEST_F(TextureDir, MissingFileOrDirectoryFallsBackToTheBuiltInImages) {
  fs::remove(file(TextureKind::Sky));
  fs::remove(file(TextureKind::Checkered));
  fs::create_directory(file(TextureKind::Checkered));  // a folder where the file should be
  std::string warning;
  TextureSet set = loadTextures(dir.string(), warning);
  EXPECT_TRUE(sameImage(textureOf(set, TextureKind::Sky), makeBuiltinTexture(TextureKind::Sky)));
  EXPECT_TRUE(sameImage(textureOf(set, TextureKind::Checkered),
                        makeBuiltinTexture(TextureKind::Checkered)));
  EXPECT_TRUE(sameImage(textureOf(set, TextureKind::Wood), gradient(8, 4)));
  EXPECT_NE(warning.find("sky.png"), std::string::npos) << warning;

  set = loadTextures((dir / "nowhere").string(), warning);
  for (TextureKind kind : kTextureKinds)
    EXPECT_TRUE(sameImage(textureOf(set, kind), makeBuiltinTexture(kind))) << textureName(kind);
  EXPECT_NE(warning.find("nowhere"), std::string::npos) << warning;
  EXPECT_EQ(warning.find('\n'), std::string::npos) << warning;
}

TEST_F(TextureDir, RendererWarnsOnceOnStderrAndStillDraws) {
  View view = startView();
  view.width = 64;
  view.height = 48;
  view.textureDir = (dir / "nowhere").string();
  ::testing::internal::CaptureStderr();
  const Image image = renderFrame(view, FirstFrame{}.calls(DS_WOOD));
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(image.width, 64);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("nowhere"), std::string::npos) << err;
}

// The offscreen renderer reads its textures on a thread while EGL starts; a renderer whose first
// frame names another directory than the one read ahead draws with that frame's own.
TEST_F(TextureDir, TexturesReadAheadServeOnlyTheirOwnDirectory) {
  View view = startView();
  view.width = 64;
  view.height = 48;
  const std::vector<DrawCall> calls = FirstFrame{}.calls(DS_WOOD);
  view.textureDir = dir.string();
  const Image own = renderFrame(view, calls);
  View builtinView = view;
  builtinView.textureDir = (dir / "nowhere").string();
  ::testing::internal::CaptureStderr();
  const Image builtin = renderFrame(builtinView, calls);
  ::testing::internal::GetCapturedStderr();
  ASSERT_NE(own.rgba, builtin.rgba) << "the test's textures must show in the picture";

  std::string error;
  ASSERT_TRUE(makeSurfacelessContextCurrent(error)) << error;
  GlRenderer renderer;
  renderer.startLoadingTextures(builtinView.textureDir);
  ASSERT_TRUE(renderer.init(error)) << error;
  ::testing::internal::CaptureStderr();
  const Image drawn = renderer.picture(calls, view, view.width, view.height);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(sameImage(drawn, own));
}

TEST(ShippedTextures, AreTheBuiltInImages) {
  for (TextureKind kind : kTextureKinds) {
    Image shipped;
    std::string error;
    const std::string path =
        std::string(TEXTURE_DIR) + "/" + std::string(textureName(kind)) + ".png";
    ASSERT_TRUE(readPng(path, shipped, error)) << error;
    const Image built = makeBuiltinTexture(kind);
    ASSERT_EQ(shipped.width, built.width);
    ASSERT_EQ(shipped.height, built.height);
    int worst = 0;
    for (std::size_t i = 0; i < built.rgba.size(); ++i)
      worst = std::max(worst, std::abs(int(shipped.rgba[i]) - int(built.rgba[i])));
    EXPECT_LE(worst, 1) << path;
  }
}

TEST(PngFile, WritesAndReadsBackEveryPixel) {
  const fs::path path = fs::temp_directory_path() / "cannoncar_roundtrip.png";
  std::string error;
  const Image image = gradient(37, 11);
  ASSERT_TRUE(writePng(path.string(), image, error)) << error;
  Image back;
  ASSERT_TRUE(readPng(path.string(), back, error)) << error;
  EXPECT_TRUE(sameImage(back, image));
  fs::remove(path);
}

// The quick encoding stores each sample as its difference from the one a pixel to the left:
// noise makes those differences wrap around 0 and 255, one pixel has nothing to its left, and
// sizes whose rows are no multiple of anything catch a stride taken wrongly.
TEST(PngFile, BothEffortsKeepEveryPixel) {
  Image noise{19, 7, std::vector<std::uint8_t>(19 * 7 * 4)};
  std::uint32_t seed = 12345;
  for (std::uint8_t& sample : noise.rgba)
    sample = std::uint8_t((seed = seed * 1103515245 + 12345) >> 23);
  const Image images[] = {gradient(1, 1), gradient(37, 11), gradient(1, 9), noise};
  const fs::path path =
      fs::temp_directory_path() / ("cannoncar_efforts_" + std::to_string(::getpid()) + ".png");
  for (PngEffort effort : {PngEffort::Small, PngEffort::Fast}) {
    for (const Image& image : images) {
      std::string error;
      ASSERT_TRUE(writePng(path.string(), image, error, "picture", effort)) << error;
      Image back;
      ASSERT_TRUE(readPng(path.string(), back, error)) << error;
      EXPECT_TRUE(sameImage(back, image))
          << image.width << "x" << image.height << (effort == PngEffort::Fast ? " fast" : " small");
    }
  }
  fs::remove(path);
}

// zlib data in one stored (uncompressed) block.
std::string storedZlib(const std::string& bytes) {
  std::uint32_t a = 1, b = 0;
  for (unsigned char byte : bytes) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  const auto size = static_cast<std::uint16_t>(bytes.size());
  const std::string lengths = {char(size & 0xff), char(size >> 8), char(~size & 0xff),
                               char((~size >> 8) & 0xff)};
  return std::string("\x78\x01\x01", 3) + lengths + bytes + bigEndian((b << 16) | a);
}

TEST(PngFile, SixteenBitSamplesWithoutGammaKeepTheirLevels) {
  // one row of three 16-bit grey pixels: black, mid grey and white. Taken as linear light, mid
  // grey would come out at 186.
  const std::string header = bigEndian(3) + bigEndian(1) + std::string("\x10\x00\x00\x00\x00", 5);
  const std::string row = std::string("\x00\x00\x00\x80\x80\xff\xff", 7);
  const fs::path path = fs::temp_directory_path() / "cannoncar_grey16.png";
  writeBytes(path, std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
                       chunk("IDAT", storedZlib(row)) + chunk("IEND", ""));
  Image image;
  std::string error;
  ASSERT_TRUE(readPng(path.string(), image, error)) << error;
  EXPECT_EQ(image.rgba,
            std::vector<std::uint8_t>({0, 0, 0, 255, 128, 128, 128, 255, 255, 255, 255, 255}));
  fs::remove(path);
}

TEST(PngFile, UnwritablePathOrEmptyImageIsAOneLineError) {
  std::string error;
  EXPECT_FALSE(writePng("/nonexistent-dir/x.png", gradient(2, 2), error));
  EXPECT_NE(error.find("/nonexistent-dir/x.png"), std::string::npos) << error;
  EXPECT_FALSE(
      writePng((fs::temp_directory_path() / "cannoncar_empty.png").string(), Image{}, error));
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

}  // namespace
