// The game's default texture directory: the working directory first, then the data directory
// installed beside the program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "texture_dir.h"

namespace {

namespace fs = std::filesystem;

enum class Here { None, Directory, File };

struct Case {
  const char* name;
  Here here;       // what "textures" is in the working directory
  bool installed;  // whether prefix/share/cannoncar/textures exists
  bool expectInstalled;
};

// Names the case in the test's output instead of its bytes.
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class DefaultTextureDir : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("cannoncar-texdir-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "work");
    fs::create_directories(root / "prefix/bin");
    previous = fs::current_path();
    fs::current_path(root / "work");
  }
  void TearDown() override {
    fs::current_path(previous);
    fs::remove_all(root);
  }
  fs::path root, previous;
};

TEST_P(DefaultTextureDir, IsFoundWhereThePlayerExpects) {
  const Case& c = GetParam();
  if (c.here == Here::Directory) fs::create_directory("textures");
  if (c.here == Here::File) std::ofstream("textures") << "not a folder\n";
  const fs::path installed = root / "prefix/share/cannoncar/textures";
  if (c.installed) fs::create_directories(installed);

  const std::string found = findDefaultTextureDir(root / "prefix/bin/cannoncar");
  if (c.expectInstalled) {
    EXPECT_EQ(found, installed.string());
  } else {
    EXPECT_EQ(found, "textures");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, DefaultTextureDir,
                         ::testing::Values(Case{"WorkingDirectoryFirst", Here::Directory, true,
                                                false},
                                           Case{"AFileInTheWayStillWins", Here::File, true, false},
                                           Case{"InstalledWhenNoneHere", Here::None, true, true},
                                           Case{"DefaultWhenNeither", Here::None, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DefaultTextureDirWithoutExecutable, KeepsTheDefault) {
  EXPECT_EQ(findDefaultTextureDir({}), "textures");
}

TEST(RunningExecutable, IsThisProgram) {
  EXPECT_TRUE(fs::equivalent(runningExecutable(), "/proc/self/exe"));
}

}  // namespace
