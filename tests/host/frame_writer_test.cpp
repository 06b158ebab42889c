// Frames handed to the writer's threads: every one reaches its file, in full, however small the
// queue; a file that cannot be written is reported and the others are still written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "frame_writer.h"
#include "png_image.h"

namespace {

namespace fs = std::filesystem;

// A picture whose pixels say which frame it is.
Image numbered(int frame) {
  Image image{32, 24, std::vector<std::uint8_t>(32 * 24 * 4)};
  for (std::size_t i = 0; i < image.rgba.size(); ++i)
    image.rgba[i] = static_cast<std::uint8_t>(i % 4 == 3 ? 255 : (frame * 7 + int(i)) % 251);
  return image;
}

class FrameWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir); }
  void TearDown() override { fs::remove_all(dir); }
  std::string path(int frame) const { return (dir / ("frame" + std::to_string(frame) + ".png")); }
  fs::path dir = fs::temp_directory_path() / ("cannoncar_frames_" + std::to_string(::getpid()));
};

TEST_F(FrameWriterTest, EveryFrameIsWrittenWhateverTheQueue) {
  struct Case {
    int threads;
    std::size_t capacity;
  };
  for (Case c : {Case{1, 1}, Case{2, 4}, Case{3, 2}}) {
    SCOPED_TRACE(std::to_string(c.threads) + " threads, queue " + std::to_string(c.capacity));
    constexpr int kFrames = 12;
    {
      FrameWriter writer(c.threads, c.capacity);
      for (int frame = 0; frame < kFrames; ++frame) writer.write(path(frame), numbered(frame));
      EXPECT_TRUE(writer.drain());
    }
    for (int frame = 0; frame < kFrames; ++frame) {
      Image image;
      std::string error;
      ASSERT_TRUE(readPng(path(frame), image, error)) << error;
      EXPECT_EQ(image.rgba, numbered(frame).rgba) << "frame " << frame;
    }
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
}

TEST_F(FrameWriterTest, AFailedFrameIsReportedAndTheRestAreWritten) {
  FrameWriter writer(2, 2);
  testing::internal::CaptureStderr();
  writer.write(path(0), numbered(0));
  writer.write((dir / "missing" / "frame1.png").string(), numbered(1));
  writer.write(path(2), numbered(2));
  const bool ok = writer.drain();
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(ok);
  EXPECT_NE(said.find("frame1.png"), std::string::npos) << said;
  EXPECT_TRUE(fs::exists(path(0)));
  EXPECT_TRUE(fs::exists(path(2)));
  // The failure is told once: the next frames start afresh.
  writer.write(path(3), numbered(3));
  EXPECT_TRUE(writer.drain());
}

// Frames still queued when the writer goes are written before it is gone.
TEST_F(FrameWriterTest, QueuedFramesAreWrittenBeforeTheWriterGoes) {
  {
    FrameWriter writer(1, 8);
    for (int frame = 0; frame < 8; ++frame) writer.write(path(frame), numbered(frame));
  }
  for (int frame = 0; frame < 8; ++frame) EXPECT_TRUE(fs::exists(path(frame))) << frame;
}

// The game's pictures are made for speed, never at the cost of a pixel: what is read back is what
// was written, and a picture that is not opaque keeps its alpha channel.
TEST_F(FrameWriterTest, QuickPicturesReadBackPixelForPixel) {
  struct Case {
    const char* name;
    int width, height;
    bool translucent;
    int colourType;  // in the file's header: 2 RGB, 6 RGBA
  };
  const Case cases[] = {
      {"opaque frame", 40, 30, false, 2},
      {"one pixel", 1, 1, false, 2},
      {"odd width, translucent", 7, 5, true, 6},
      {"one translucent pixel among opaque ones", 33, 3, true, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Image image = numbered(c.width + c.height);
    image.width = c.width;
    image.height = c.height;
    image.rgba.resize(std::size_t(c.width) * c.height * 4);
    for (std::size_t i = 3; i < image.rgba.size(); i += 4) image.rgba[i] = 255;
    // Steps and runs, as a rendered frame has them: the filter works on both.
    for (std::size_t i = 0; i + 3 < image.rgba.size(); i += 4)
      if ((i / 4) % 5 < 2) image.rgba[i] = image.rgba[i + 1] = 200;
    if (c.translucent) image.rgba[image.rgba.size() - 1] = 17;
    if (c.translucent && c.width > 20) image.rgba[3] = 0;
    const std::string file = path(0);
    std::string error;
    ASSERT_TRUE(writePng(file, image, error, "frame picture", PngEffort::Fast)) << error;
    Image back;
    ASSERT_TRUE(readPng(file, back, error)) << error;
    EXPECT_EQ(back.width, c.width);
    EXPECT_EQ(back.height, c.height);
    EXPECT_EQ(back.rgba, image.rgba);
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(bytes.size(), 25u);
    EXPECT_EQ(bytes[25], c.colourType);
  }
}

// libpng's error comes back through its jump as a failed write, the file removed.
TEST_F(FrameWriterTest, AQuickPictureThatCannotBeWrittenFailsWithAReason) {
  std::string error;
  EXPECT_FALSE(writePng("/dev/full", numbered(1), error, "frame picture", PngEffort::Fast));
  EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
}

}  // namespace
