#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "key_script.h"

namespace {

KeyScript parseOk(const std::string& text) {
  KeyScript script;
  std::string error;
  EXPECT_TRUE(parseKeyScript(text, "keys.txt", script, error)) << error;
  return script;
}

std::string parseError(const std::string& text) {
  KeyScript script;
  std::string error;
  EXPECT_FALSE(parseKeyScript(text, "keys.txt", script, error)) << text.substr(0, 40);
  return error;
}

TEST(KeyScript, ReadsTheDocumentedExample) {
  KeyScript script = parseOk(
      "# frame  keys...\n"
      "0   w w w\n"
      "\n"
      "10  space   # fire\n"
      "25  ctrl-p\n"
      "30  ctrl-o ctrl-o\n"
      "40  code:200 code:-7 A\n");
  ASSERT_EQ(script.entries.size(), 5u);
  EXPECT_EQ(script.entries[0].keys.size(), 3u);
  EXPECT_EQ(script.entries[0].keys[0].code, 'w');
  EXPECT_EQ(script.entries[1].frame, 10);
  EXPECT_EQ(script.entries[1].keys[0].code, 32);
  EXPECT_EQ(script.entries[2].keys[0].host, HostKey::Pause);
  EXPECT_EQ(script.entries[3].keys[1].host, HostKey::Step);
  EXPECT_EQ(script.entries[4].keys[0].code, 200);
  EXPECT_EQ(script.entries[4].keys[1].code, -7);
  EXPECT_EQ(script.entries[4].keys[2].code, 'A');
}

TEST(KeyScript, KeysForMergesRepeatedFramesAndSkipsPastOnes) {
  KeyScript script = parseOk("3 a\n3 b\n5 c\n");
  EXPECT_TRUE(script.keysFor(0).empty());
  auto three = script.keysFor(3);
  ASSERT_EQ(three.size(), 2u);
  EXPECT_EQ(three[1].code, 'b');
  EXPECT_TRUE(script.keysFor(4).empty());
  EXPECT_EQ(script.keysFor(5).size(), 1u);
}

// Scripts written on any system read alike: a lone CR ends a line as LF and CRLF do, and '#'
// starts a comment wherever it stands.
TEST(KeyScript, LineEndsAndCommentsOfEveryKind) {
  struct Case {
    std::string text;
    std::vector<std::pair<long, std::string>> frames;  // each frame and its keys as written
  };
  const Case cases[] = {
      {"0 w\n5 a\n", {{0, "0 w"}, {5, "5 a"}}},
      {"0 w\r5 a\r", {{0, "0 w"}, {5, "5 a"}}},
      {"0 w\r\n5 a\r\n", {{0, "0 w"}, {5, "5 a"}}},
      {"0 w\n\r5 a", {{0, "0 w"}, {5, "5 a"}}},
      {"0 w#comment\n5 a", {{0, "0 w"}, {5, "5 a"}}},
      {"0 w #c a\n", {{0, "0 w"}}},
      {"3#x\n4 a# b\n", {{3, "3"}, {4, "4 a"}}},
      {"0 w\n0 a\r0 s\n", {{0, "0 w a s"}}},  // lines of one frame make one entry
  };
  for (const Case& c : cases) {
    KeyScript script = parseOk(c.text);
    ASSERT_EQ(script.entries.size(), c.frames.size()) << c.text;
    for (size_t i = 0; i < c.frames.size(); ++i) {
      EXPECT_EQ(script.entries[i].frame, c.frames[i].first) << c.text;
      EXPECT_EQ(keyLine(script.entries[i].frame, script.entries[i].keys), c.frames[i].second)
          << c.text;
    }
  }
  // lines are counted the same whatever ends them
  EXPECT_EQ(parseError("0 w\r0 warp\r").rfind("keys.txt:2: unknown key 'warp'", 0), 0u);
  EXPECT_EQ(parseError("0 w\r\n\r\n1 warp").rfind("keys.txt:3:", 0), 0u);
}

TEST(KeyScript, MalformedLinesNameTheFileAndLine) {
  struct Case {
    std::string text;
    const char* expected;
  };
  const Case cases[] = {
      {"0 w\nfive w\n", "keys.txt:2: 'five' is not a frame number"},
      {"-1 w\n", "keys.txt:1: '-1' is not a frame number"},
      {"10 w\n9 w\n", "keys.txt:2: frame 9 comes after frame 10"},
      {"99999999999999999999999 w\n", "keys.txt:1: '99999999999999999999999' is not a frame"},
      {"0 ww\n", "keys.txt:1: unknown key 'ww'"},
      {"0 ctrl-q\n", "keys.txt:1: unknown key 'ctrl-q'"},
      {"0 code:\n", "keys.txt:1: bad key code 'code:'"},
      {"0 code:99999999999999999999\n", "keys.txt:1: bad key code"},
      {"0 code:1x\n", "keys.txt:1: bad key code"},
      {"0 w\x01\n", "keys.txt:1: unexpected byte 0x01 at column 4"},
      {"0 \xC3\xA9\n", "keys.txt:1: unexpected byte 0xc3"},
      {std::string("0 w\0w\n", 6), "keys.txt:1: unexpected byte 0x00"},
  };
  for (const Case& c : cases) {
    std::string error = parseError(c.text);
    EXPECT_EQ(error.rfind(c.expected, 0), 0u) << error;
  }
}

TEST(KeyScript, AHugeLineIsReportedBriefly) {
  std::string line = "0 " + std::string(10 * 1024 * 1024, 'w') + "\n";
  std::string error = parseError(line);
  EXPECT_LT(error.size(), 120u);
  EXPECT_NE(error.find("unknown key"), std::string::npos);
}

TEST(KeyScript, WrittenLinesReadBackAsTheSameKeys) {
  const std::vector<Key> keys = {{HostKey::None, 'w'},   {HostKey::None, ' '},
                                 {HostKey::None, '#'},   {HostKey::None, 200},
                                 {HostKey::None, -1000}, {HostKey::None, 0},
                                 {HostKey::Close, 0},    {HostKey::WriteFrames, 0}};
  std::string line = keyLine(42, keys);
  KeyScript script = parseOk(line + "\n");
  ASSERT_EQ(script.entries.size(), 1u);
  EXPECT_EQ(script.entries[0].frame, 42);
  ASSERT_EQ(script.entries[0].keys.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(script.entries[0].keys[i].host, keys[i].host) << i;
    EXPECT_EQ(script.entries[0].keys[i].code, keys[i].code) << i;
  }
}

TEST(KeyScript, UnreadableFilesAreReported) {
  KeyScript script;
  std::string error;
  EXPECT_FALSE(loadKeyScript("/nonexistent/keys.txt", script, error));
  EXPECT_NE(error.find("/nonexistent/keys.txt"), std::string::npos);
  error.clear();
  EXPECT_FALSE(loadKeyScript("/", script, error));
  EXPECT_NE(error.find("'/'"), std::string::npos) << error;
}

}  // namespace
