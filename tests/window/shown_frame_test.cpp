// A paused game under a still camera is not drawn again: each frame the window compares what it
// would show with what it shows, and anything a player could see change makes it draw.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/drawstuff.h"
#include "session.h"
#include "shown_frame.h"

namespace {

void stillStart() {
  const float xyz[3] = {2, -3, 1.5f};
  const float hpr[3] = {120, -10, 0};
  dsSetViewpoint(xyz, hpr);
}

// A box that moves only while the game runs, and the game's line of text.
int stepsRun = 0;
void stillStep(int pause) {
  if (!pause) ++stepsRun;
  const double pos[3] = {0.1 * stepsRun, 0, 1};
  const double R[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
  const double sides[3] = {1, 2, 3};
  dsSetColor(1, 0.5f, 0);
  dsDrawBox(pos, R, sides);
  dsPrint("score %d\n", stepsRun);
}

struct Window {
  static constexpr int kWidth = 800, kHeight = 600;
  dsFunctions game{DS_VERSION, stillStart, stillStep, nullptr, nullptr, "textures"};
  Options options;
  std::unique_ptr<Session> session;
  FrameCalls frame;
  ShownFrame shown;
  int width = kWidth, height = kHeight;
  double measuredFps = 40;

  Window() {
    stepsRun = 0;
    options.pause = true;
    session = std::make_unique<Session>(options, &game, kWidth, kHeight);
    session->view().overlay = session->view().hud = true;  // as in a window
    session->setFrameBackend(&frame);
    std::string error;
    EXPECT_TRUE(session->open(error)) << error;
    EXPECT_TRUE(session->start(error)) << error;
  }
  // One frame of the window's loop: true when it would be drawn.
  bool frameDrawn(std::vector<Key> keys = {}) {
    // The window measures a rate that moves a little every frame.
    session->setMeasuredFps(measuredFps += 0.7);
    EXPECT_TRUE(session->runFrame(keys));
    const bool drawn = !shown.matches(frame, session->view(), width, height);
    if (drawn) shown.remember(frame, session->view(), width, height);
    return drawn;
  }
};

TEST(ShownFrame, APausedGameUnderAStillCameraIsNotDrawnAgain) {
  Window window;
  EXPECT_TRUE(window.frameDrawn()) << "the first frame";
  for (int frame = 1; frame < 10; ++frame) EXPECT_FALSE(window.frameDrawn()) << "frame " << frame;
}

TEST(ShownFrame, WhatAPlayerCanSeeChangeIsDrawn) {
  struct Case {
    const char* what;
    std::function<std::vector<Key>(Window&)> change;
  };
  const Case cases[] = {
      {"ctrl-o runs one frame",
       [](Window&) {
         return std::vector<Key>{{HostKey::Step, 0}};
       }},
      {"ctrl-p",
       [](Window&) {
         return std::vector<Key>{{HostKey::Pause, 0}};
       }},
      {"the help panel",
       [](Window&) {
         return std::vector<Key>{{HostKey::Help, 0}};
       }},
      {"the HUD hidden",
       [](Window&) {
         return std::vector<Key>{{HostKey::Hud, 0}};
       }},
      {"textures off",
       [](Window&) {
         return std::vector<Key>{{HostKey::Textures, 0}};
       }},
      {"the speed set",
       [](Window&) {
         return std::vector<Key>{{HostKey::Faster, 0}};
       }},
      {"the camera moved",
       [](Window& w) {
         w.session->view().hpr[0] += 0.5f;
         return std::vector<Key>{};
       }},
      {"the window resized",
       [](Window& w) {
         w.width -= 1;
         return std::vector<Key>{};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Window window;
    EXPECT_TRUE(window.frameDrawn());
    EXPECT_FALSE(window.frameDrawn());
    EXPECT_TRUE(window.frameDrawn(c.change(window)));
  }
}

}  // namespace
