// The one output-file type behind traces, key records and pictures: what a run leaves behind,
// whatever becomes of it, and the frame names and message text that go with it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "frame_name.h"
#include "output_file.h"
#include "shown_text.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("cannoncar-output-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string file(const char* name, const char* text = nullptr) {
    const fs::path path = dir / name;
    if (text) std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  fs::path dir;
};

// What each ending leaves, for a file that was there before the run and one the run made.
TEST_F(OutputFileTest, EachEndingLeavesWhatBelongsToIt) {
  enum class Ending { Discard, Close, FailAfterWrites };
  struct Case {
    const char* name;
    OutputFile::OnFailure onFailure;
    bool existed;
    bool write;
    Ending ending;
    bool kept;             // the file is still there
    const char* contents;  // what it holds then
  };
  using F = OutputFile::OnFailure;
  const Case cases[] = {
      // a refused run: the old file is untouched, a new one goes
      {"refused-old", F::Remove, true, false, Ending::Discard, true, "old text\n"},
      {"refused-new", F::Remove, false, false, Ending::Discard, false, ""},
      // a run that writes replaces the old text only when it writes
      {"whole-old", F::Remove, true, true, Ending::Close, true, "one\ntwo\n"},
      {"whole-new", F::Remove, false, true, Ending::Close, true, "one\ntwo\n"},
      {"silent-old", F::Remove, true, false, Ending::Close, true, "old text\n"},
      // a failed trace or picture keeps no part that could pass for the whole
      {"failed-new", F::Remove, false, true, Ending::FailAfterWrites, false, ""},
      {"failed-old", F::Remove, true, true, Ending::FailAfterWrites, true, ""},
      // a failed record keeps its whole writes
      {"record-new", F::KeepWhole, false, true, Ending::FailAfterWrites, true, "one\ntwo\n"},
      {"record-old", F::KeepWhole, true, true, Ending::FailAfterWrites, true, "one\ntwo\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = file(c.name, c.existed ? "old text\n" : nullptr);
    std::string error;
    {
      OutputFile out("trace", c.onFailure);
      ASSERT_TRUE(out.open(path, error)) << error;
      EXPECT_EQ(readFile(path), c.existed ? "old text\n" : "");  // opening changes nothing
      if (c.write) {
        EXPECT_TRUE(out.write("one\n"));
        EXPECT_TRUE(out.write("two\n"));
      }
      switch (c.ending) {
        case Ending::Discard:
          out.discard();
          break;
        case Ending::Close:
          EXPECT_TRUE(out.close(error)) << error;
          break;
        case Ending::FailAfterWrites:
          out.fail("disk full");
          EXPECT_FALSE(out.write("thr"));
          EXPECT_FALSE(out.close(error));
          EXPECT_NE(error.find("cannot write trace '" + path + "': disk full"), std::string::npos)
              << error;
          break;
      }
    }
    EXPECT_EQ(fs::exists(path), c.kept);
    if (c.kept) {
      EXPECT_EQ(readFile(path), c.contents);
    }
  }
}

TEST_F(OutputFileTest, AFailedTraceSaysWhatBecameOfIt) {
  struct Case {
    bool existed;
    const char* said;
  };
  for (const Case& c : {Case{false, "; the unfinished trace was removed"},
                        Case{true, "; the unfinished trace was emptied"}}) {
    const std::string path = file(c.existed ? "old" : "new", c.existed ? "old\n" : nullptr);
    OutputFile out("trace", OutputFile::OnFailure::Remove);
    std::string error;
    ASSERT_TRUE(out.open(path, error)) << error;
    out.write("x\n");
    out.fail("disk full");
    EXPECT_FALSE(out.close(error));
    EXPECT_TRUE(error.ends_with(c.said)) << error;
  }
}

TEST_F(OutputFileTest, DevicesAreNeitherEmptiedNorRemoved) {
  OutputFile out("trace", OutputFile::OnFailure::Remove);
  std::string error;
  ASSERT_TRUE(out.open("/dev/full", error)) << error;
  EXPECT_FALSE(out.write("x\n"));
  EXPECT_FALSE(out.close(error));
  EXPECT_EQ(error, "cannot write trace '/dev/full': No space left on device");
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(OutputFileTest, OpenFailuresNameTheFileAndMakeNothing) {
  fs::create_directory(dir / "sub");
  struct Case {
    std::string path;
    const char* reason;
  };
  const Case cases[] = {{(dir / "missing" / "t").string(), "No such file or directory"},
                        {(dir / "sub").string(), "Is a directory"}};
  for (const Case& c : cases) {
    OutputFile out("key record", OutputFile::OnFailure::KeepWhole);
    std::string error;
    EXPECT_FALSE(out.open(c.path, error));
    EXPECT_EQ(error, "cannot write key record '" + c.path + "': " + c.reason);
  }
  EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST_F(OutputFileTest, FrameNamesSkipFilesAlreadyThere) {
  const fs::path before = fs::current_path();
  fs::current_path(dir);
  EXPECT_EQ(frameFileName(3), "frame00003.png");
  std::ofstream("frame00003.png") << "kept";
  std::ofstream("frame00003-2.png") << "kept";
  fs::create_symlink("nowhere", "frame00003-3.png");  // a dangling link is taken too
  EXPECT_EQ(frameFileName(3), "frame00003-4.png");
  EXPECT_EQ(frameFileName(123456), "frame123456.png");
  fs::current_path(before);
}

TEST(ShownText, ControlCharactersAreEscapedAndLongTextCut) {
  struct Case {
    const char* text;
    std::size_t limit;
    const char* shown;
  };
  const Case cases[] = {
      {"plain", 40, "plain"},     {"a\nb", 40, "a\\x0ab"},        {"\x1b[2J", 40, "\\x1b[2J"},
      {"\x7f", 40, "\\x7f"},      {"우리말", 40, "우리말"},        // UTF-8 is shown as it is
      {"abcdefgh", 4, "abcd..."}, {"\n\n\n", 8, "\\x0a\\x0a..."},  // the limit counts shown
                                                                   // characters
  };
  for (const Case& c : cases) EXPECT_EQ(shownText(c.text, c.limit), c.shown) << c.text;
  EXPECT_EQ(quotedText("x\ty", 40), "'x\\x09y'");
}

}  // namespace
