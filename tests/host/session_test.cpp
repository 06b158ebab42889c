// The host's session driven with a small stand-in game: key delivery, host keys, traces and
// key records.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/drawstuff.h"
#include "hud_status.h"
#include "recording.h"
#include "session.h"

namespace {

std::vector<std::string> events;

void fakeStart() {
  const float xyz[3] = {1, 2, 3.5f};
  const float hpr[3] = {-145.5f, -22.5f, 0.25f};
  dsSetViewpoint(xyz, hpr);
  events.push_back("start");
}

void fakeStep(int pause) {
  events.push_back("step " + std::to_string(pause));
  dsSetTexture(DS_WOOD);
  dsSetColor(0.3f, 1, 0.3f);
  const double pos[3] = {0.1, -2, 1e-7};
  const double R[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
  const double sides[3] = {3.5, 2.5, 1};
  dsDrawBox(pos, R, sides);
  dsPrint("현제 점수 : %d \"x\"\n", pause);
  dsDrawCylinder(pos, R, 2.0, 0.25);
}

void fakeCommand(int cmd) {
  events.push_back("key " + std::to_string(cmd));
}

dsFunctions fakeGame() {
  return dsFunctions{DS_VERSION, fakeStart, fakeStep, fakeCommand, nullptr, "textures"};
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    events.clear();
    dir = std::filesystem::temp_directory_path() /
          ("cannoncar-session-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::filesystem::path dir;
  dsFunctions game = fakeGame();
};

TEST_F(SessionTest, KeysComeBeforeTheirFrameAndHostKeysNeverReachTheGame) {
  std::ofstream(dir / "keys.txt") << "0 w\n2 ctrl-p a\n3 ctrl-o ctrl-o\n6 ctrl-p\n7 ctrl-x b\n";
  Options options;
  options.keysFile = (dir / "keys.txt").string();
  Session session(options, &game, 800, 600);
  std::string error;
  ASSERT_TRUE(session.open(error)) << error;
  ASSERT_TRUE(session.start(error)) << error;
  while (session.runFrame({})) {
  }
  const std::vector<std::string> expected = {
      "start",  "key 119", "step 0", "step 0", "key 97",  // frames 0, 1, then pause at 2
      "step 1", "step 0",  "step 0", "step 1",            // two single steps at 3 and 4
      "step 0"};                                          // running again at 6; 7 closes
  EXPECT_EQ(events, expected);
  EXPECT_EQ(session.framesRun(), 7);
  EXPECT_TRUE(session.closed());
  EXPECT_TRUE(session.finish(error));
}

TEST_F(SessionTest, TraceHasTheHeaderAndOneLinePerFrame) {
  std::ofstream(dir / "keys.txt") << "1 code:65 ctrl-p\n";
  Options options;
  options.keysFile = (dir / "keys.txt").string();
  options.traceFile = (dir / "trace.jsonl").string();
  Session session(options, &game, 800, 600);
  std::string error;
  ASSERT_TRUE(session.open(error)) << error;
  ASSERT_TRUE(session.start(error)) << error;
  ASSERT_TRUE(session.runFrame({}));
  ASSERT_TRUE(session.runFrame({}));
  ASSERT_TRUE(session.finish(error)) << error;

  std::string trace = readFile(dir / "trace.jsonl");
  const std::string header =
      "{\"width\":800,\"height\":600,\"textures\":\"textures\",\"viewpoint\":{\"xyz\":[1,2,3.5],"
      "\"hpr\":[-145.5,-22.5,0.25]}}\n";
  const std::string draws =
      "\"draws\":[{\"op\":\"box\",\"pos\":[0.1,-2,1e-07],"
      "\"R\":[1,0,0,0,1,0,0,0,1],\"sides\":[3.5,2.5,1],\"color\":[0.3,1,0.3],"
      "\"texture\":1},{\"op\":\"cylinder\",\"pos\":[0.1,-2,1e-07],"
      "\"R\":[1,0,0,0,1,0,0,0,1],\"length\":2,\"radius\":0.25,"
      "\"color\":[0.3,1,0.3],\"texture\":1}]}\n";
  const std::string expected =
      header + "{\"frame\":0,\"pause\":0,\"keys\":[],\"prints\":[\"현제 점수 : 0 \\\"x\\\"\\n\"]," +
      draws + "{\"frame\":1,\"pause\":1,\"keys\":[65,\"ctrl-p\"],\"prints\":[\"현제 점수 : 1 " +
      "\\\"x\\\"\\n\"]," + draws;
  EXPECT_EQ(trace, expected);
}

// --view overrides the camera the game's start has set; the trace keeps both.
TEST_F(SessionTest, ViewOptionReplacesTheGamesCameraAfterItsStart) {
  Options options;
  options.view = std::array<float, 6>{-4, 0.5f, 12, 30, -60, 1.25f};
  options.traceFile = (dir / "trace.jsonl").string();
  Session session(options, &game, 800, 600);
  std::string error;
  ASSERT_TRUE(session.open(error)) << error;
  ASSERT_TRUE(session.start(error)) << error;
  float xyz[3], hpr[3];
  dsGetViewpoint(xyz, hpr);
  EXPECT_EQ(std::vector<float>(xyz, xyz + 3), (std::vector<float>{-4, 0.5f, 12}));
  EXPECT_EQ(std::vector<float>(hpr, hpr + 3), (std::vector<float>{30, -60, 1.25f}));
  ASSERT_TRUE(session.runFrame({}));
  ASSERT_TRUE(session.finish(error)) << error;
  const std::string trace = readFile(dir / "trace.jsonl");
  EXPECT_EQ(trace.substr(0, trace.find('\n') + 1),
            "{\"width\":800,\"height\":600,\"textures\":\"textures\",\"viewpoint\":{\"xyz\":"
            "[1,2,3.5],\"hpr\":[-145.5,-22.5,0.25]},\"view\":{\"xyz\":[-4,0.5,12],"
            "\"hpr\":[30,-60,1.25]}}\n");
}

TEST_F(SessionTest, ARecordReplaysTheSameKeysOnTheSameFrames) {
  Options recording;
  recording.recordFile = (dir / "record.txt").string();
  std::vector<std::string> played;
  {
    Session session(recording, &game, 800, 600);
    std::string error;
    ASSERT_TRUE(session.open(error)) << error;
    ASSERT_TRUE(session.start(error)) << error;
    const std::vector<std::vector<Key>> typed = {
        {{HostKey::None, 'w'}}, {}, {{HostKey::Pause, 0}, {HostKey::None, ' '}},
        {{HostKey::Step, 0}},   {}, {{HostKey::None, -3}, {HostKey::Close, 0}}};
    for (const auto& keys : typed) session.runFrame(keys);
    ASSERT_TRUE(session.finish(error)) << error;
    played = events;
  }
  events.clear();
  Options replay;
  replay.keysFile = (dir / "record.txt").string();
  Session session(replay, &game, 800, 600);
  std::string error;
  ASSERT_TRUE(session.open(error)) << error;
  ASSERT_TRUE(session.start(error)) << error;
  while (session.runFrame({})) {
  }
  EXPECT_EQ(events, played);
}

TEST_F(SessionTest, ALoneHostOptionLeavesTheDefaultTextureDirectory) {
  struct Case {
    const char* argument;  // the game's lone argument, which it takes for the directory
    const char* directory;
  };
  for (const Case& c :
       {Case{"-noshadow", "textures"}, Case{"-pause", "textures"}, Case{"mytex", "mytex"}}) {
    const char* argv[] = {"cannoncar", c.argument};
    OptionsResult parsed = parseOptions(2, argv);
    ASSERT_EQ(parsed.error, "");
    game.path_to_textures = c.argument;
    Session session(parsed.options, &game, 800, 600);
    EXPECT_EQ(session.view().textureDir, c.directory) << c.argument;
  }
}

TEST_F(SessionTest, TheRecordEndsWhereTheRunEndedWhateverEndedIt) {
  Options recording;
  recording.recordFile = (dir / "record.txt").string();
  std::vector<std::string> played;
  {
    Session session(recording, &game, 800, 600);
    std::string error;
    ASSERT_TRUE(session.open(error)) << error;
    ASSERT_TRUE(session.start(error)) << error;
    const Key w{HostKey::None, 'w'};
    for (int frame = 0; frame < 4; ++frame) session.runFrame(std::span<const Key>(&w, 1));
    ASSERT_TRUE(session.finish(error)) << error;  // ended by a frame count, not by ctrl-x
    played = events;
  }
  const std::string record = readFile(dir / "record.txt");
  EXPECT_TRUE(record.ends_with("3 w\n4 ctrl-x\n")) << record;
  events.clear();
  Options replay;
  replay.keysFile = (dir / "record.txt").string();
  Session session(replay, &game, 800, 600);
  std::string error;
  ASSERT_TRUE(session.open(error)) << error;
  ASSERT_TRUE(session.start(error)) << error;
  while (session.runFrame({})) {
  }
  EXPECT_EQ(events, played);
}

TEST_F(SessionTest, FilesThatCannotBeWrittenAreReported) {
  struct Case {
    std::string Options::*field;
    std::string path;
    const char* what;
  };
  const Case cases[] = {
      {&Options::traceFile, (dir / "missing" / "t.jsonl").string(), "cannot write trace"},
      {&Options::recordFile, (dir / "missing" / "r.txt").string(), "cannot write key record"},
      {&Options::keysFile, (dir / "missing" / "k.txt").string(), "cannot read key script"},
  };
  for (const Case& c : cases) {
    Options options;
    options.*c.field = c.path;
    Session session(options, &game, 800, 600);
    std::string error;
    EXPECT_FALSE(session.open(error));
    EXPECT_NE(error.find(c.what), std::string::npos) << error;
    EXPECT_NE(error.find(c.path), std::string::npos) << error;
  }
}

TEST_F(SessionTest, AFullDeviceFailsTheTraceAtTheEnd) {
  Options options;
  options.traceFile = "/dev/full";
  Session session(options, &game, 800, 600);
  std::string error;
  ASSERT_TRUE(session.open(error)) << error;
  ASSERT_TRUE(session.start(error)) << error;
  session.runFrame({});
  EXPECT_FALSE(session.finish(error));
  EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
}

TEST_F(SessionTest, TheHudShowsTheFrameTheSpeedTheMarkersAndTheLastLinePrinted) {
  std::ofstream(dir / "keys.txt") << "1 pageup ctrl-p ctrl-t\n2 pagedown pagedown f1 f2 ctrl-s\n";
  Options options;
  options.keysFile = (dir / "keys.txt").string();
  options.fps = 30;
  options.hud = true;
  Session session(options, &game, 800, 600);
  std::string error;
  ASSERT_TRUE(session.open(error)) << error;
  EXPECT_TRUE(session.view().overlay);
  EXPECT_TRUE(session.view().hud);
  ASSERT_TRUE(session.start(error)) << error;
  // Paused from frame 1: the simulation's frame stays the last one it ran.
  const std::vector<std::string> expected = {
      "frame 0   speed 30/s",
      "frame 0   speed 60/s   PAUSE   NO TEXTURES",
      "frame 0   speed 15/s   PAUSE   NO TEXTURES   NO SHADOWS",
  };
  for (const std::string& status : expected) {
    ASSERT_TRUE(session.runFrame({}));
    EXPECT_EQ(session.view().status, status);
  }
  EXPECT_TRUE(session.view().help);
  EXPECT_FALSE(session.view().hud);
  // The game printed "현제 점수 : 1 \"x\"\n" last (paused): kept as printed, without the break.
  EXPECT_EQ(session.view().printed, "현제 점수 : 1 \"x\"");
  ASSERT_TRUE(session.finish(error)) << error;

  // A new session starts without the last one's overlay, and without --hud draws none.
  Session plain(Options{}, &game, 800, 600);
  EXPECT_FALSE(plain.view().overlay);
  EXPECT_TRUE(plain.view().printed.empty());
}

// A paused game's HUD stands still however the window's measured rate moves: the frame is the
// simulation's, which only ctrl-o moves on, and the rate the one shown when the pause began. The
// trace still counts every call of the step callback.
TEST_F(SessionTest, APausedGamesHudStandsStill) {
  std::ofstream(dir / "keys.txt") << "2 ctrl-p\n5 ctrl-o\n7 ctrl-p\n";
  Options options;
  options.keysFile = (dir / "keys.txt").string();
  options.hud = true;
  Session session(options, &game, 800, 600);
  std::string error;
  ASSERT_TRUE(session.open(error)) << error;
  ASSERT_TRUE(session.start(error)) << error;
  const std::vector<std::string> expected = {
      "frame 0   50.0 fps   speed 60/s",         "frame 1   51.0 fps   speed 60/s",
      "frame 1   51.0 fps   speed 60/s   PAUSE", "frame 1   51.0 fps   speed 60/s   PAUSE",
      "frame 1   51.0 fps   speed 60/s   PAUSE",
      "frame 2   51.0 fps   speed 60/s   PAUSE",  // ctrl-o: one frame run
      "frame 2   51.0 fps   speed 60/s   PAUSE", "frame 3   57.0 fps   speed 60/s",
  };
  for (std::size_t frame = 0; frame < expected.size(); ++frame) {
    session.setMeasuredFps(50.0 + double(frame));
    ASSERT_TRUE(session.runFrame({}));
    EXPECT_EQ(session.view().status, expected[frame]) << "frame " << frame;
  }
  EXPECT_EQ(session.framesRun(), long(expected.size()));
  ASSERT_TRUE(session.finish(error)) << error;
}

TEST(HudStatus, ShowsTheMeasuredRateAndEveryMarker) {
  struct Case {
    HudStatus status;
    const char* line;
  };
  const Case cases[] = {
      {{0, -1, 60, false, false, true, true}, "frame 0   speed 60/s"},
      {{1234, 58.96, 0.5, true, true, false, false},
       "frame 1234   59.0 fps   speed 0.5/s   PAUSE   REC   NO TEXTURES   NO SHADOWS"},
      {{7, 0, 480, false, true, true, true}, "frame 7   0.0 fps   speed 480/s   REC"},
  };
  for (const Case& c : cases) EXPECT_EQ(hudStatusLine(c.status), c.line);
}

TEST(LastLinePrinted, IsTheLastNonEmptyLineOfTheLastText) {
  struct Case {
    const char* printed;
    const char* kept;
  };
  const Case cases[] = {
      {"총점수 : 12  사용한 미사일 수 : 16\n", "총점수 : 12  사용한 미사일 수 : 16"},
      {"one\ntwo\n\n", "two"},
      {"no break", "no break"},
      {"\n", "no break"},  // an empty line leaves the last one in place
  };
  for (const Case& c : cases) {
    dsPrint("%s", c.printed);
    EXPECT_EQ(currentView().printed, c.kept) << c.printed;
  }
}

TEST(RecordingBackend, KeepsCallsByFrameAndOutsideFrames) {
  RecordingBackend recording;
  setBackend(&recording);
  dsSetColor(0.5f, 0.5f, 1.0f);
  const float pos[3] = {1, 2, 3};
  const float R[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
  dsDrawSphere(pos, R, 0.5f);
  recording.beginFrame(FrameInfo{4, 1, {}});
  dsDrawSphere(pos, R, 0.25f);
  recording.endFrame();
  setBackend(nullptr);
  dsDrawSphere(pos, R, 9);  // the null backend drops it
  ASSERT_EQ(recording.draws.size(), 2u);
  EXPECT_EQ(recording.draws[0].color[2], 1.0f);
  ASSERT_EQ(recording.frames.size(), 1u);
  EXPECT_EQ(recording.frames[0].frame, 4);
  ASSERT_EQ(recording.frames[0].draws.size(), 1u);
  EXPECT_EQ(recording.frames[0].draws[0].radius, 0.25f);
}

}  // namespace
