// Frames handed to the writer's threads: every one reaches its file, in full, however small the
// queue; a file that cannot be written is reported and the others are still written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
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

}  // namespace
