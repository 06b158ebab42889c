// Frames drawn over the kept ground and sky equal frames drawn afresh, pixel for pixel, while the
// camera, the switches, the size and the shapes change under one renderer.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "camera_control.h"
#include "core/drawstuff.h"
#include "offscreen.h"
#include "tests/render/render_scene.h"

namespace {

constexpr const char* kCacheSwitch = "CANNONCAR_BACKGROUND_CACHE";

// Makes an offscreen renderer with the background cache on or off.
std::unique_ptr<PictureBackend> makeRenderer(const View& view, bool cached) {
  if (!cached) ::setenv(kCacheSwitch, "0", 1);
  std::string error;
  auto backend = makeOffscreenBackend(view, error);
  ::unsetenv(kCacheSwitch);
  EXPECT_TRUE(backend) << error;
  return backend;
}

Image frameOf(PictureBackend& backend, const std::vector<DrawCall>& calls,
              const std::string& name) {
  backend.beginFrame(FrameInfo{});
  for (const DrawCall& c : calls) backend.draw(c);
  backend.endFrame();
  const auto path = std::filesystem::temp_directory_path() /
                    ("cannoncar_cache_" + std::to_string(::getpid()) + "_" + name + ".png");
  std::string error;
  Image image;
  EXPECT_TRUE(backend.writePng(path.string(), error)) << error;
  EXPECT_TRUE(readPng(path.string(), image, error)) << error;
  std::filesystem::remove(path);
  return image;
}

::testing::AssertionResult samePicture(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size())
    return ::testing::AssertionFailure() << "sizes differ";
  std::size_t differing = 0, first = 0;
  int most = 0;
  for (std::size_t i = 0; i < a.rgba.size(); ++i) {
    const int by = std::abs(int(a.rgba[i]) - int(b.rgba[i]));
    if (by && !differing++) first = i / 4;
    most = std::max(most, by);
  }
  if (!differing) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << differing << " channels differ, by up to " << most << "; the first at pixel ("
         << first % std::size_t(a.width) << ", " << first / std::size_t(a.width) << ")";
}

std::vector<DrawCall> movedBy(std::vector<DrawCall> calls, float dx, float dy = 0) {
  for (DrawCall& c : calls) {
    c.pos[0] += dx;
    c.pos[1] += dy;
  }
  return calls;
}

std::vector<DrawCall> firstHalf(std::vector<DrawCall> calls) {
  calls.resize(calls.size() / 2);
  return calls;
}

std::vector<DrawCall> with(std::vector<DrawCall> calls, const DrawCall& more) {
  calls.push_back(more);
  return calls;
}

// A slab high over the origin, seen from more than the ground's half side away: its shadow falls
// beyond the ground's edge, where only the sky is.
std::vector<DrawCall> slabBeyondTheGround() {
  return {boxCall({0, 0, 400}, {200, 200, 10}, kGreen, DS_WOOD)};
}

// A mat just over the ground, below the lift of the shadows, beside a post: the shadows falling on
// it darken it as they darken the ground.
std::vector<DrawCall> matInAShadow() {
  return {boxCall({0, 0, 0.0065f}, {4, 4, 0.005f}, kGreen, DS_WOOD),
          boxCall({3, 0, 3}, {1, 1, 6}, kGreen, DS_WOOD)};
}

TEST(BackgroundCache, FramesEqualFramesDrawnAfresh) {
  View view = startView();
  auto cached = makeRenderer(view, true);
  auto fresh = makeRenderer(view, false);
  ASSERT_TRUE(cached && fresh);
  const std::vector<DrawCall> scene = FirstFrame{}.calls(DS_WOOD);

  struct Step {
    const char* what;
    std::function<void(View&)> change;
    std::vector<DrawCall> calls;
  };
  const auto keep = [](View&) {};
  const Step steps[] = {
      {"the start-up camera", keep, scene},
      {"the same frame again", keep, scene},
      {"the shapes moved, the camera still", keep, movedBy(scene, 0.7f)},
      {"textures off", [](View& v) { v.textures = false; }, scene},
      {"shadows off too", [](View& v) { v.shadows = false; }, scene},
      {"textures on, shadows off", [](View& v) { v.textures = true; }, scene},
      {"shadows on again", [](View& v) { v.shadows = true; }, scene},
      {"a shadow on a shape lying on the ground", keep, matInAShadow()},
      {"the camera dragged round", [](View& v) { dragCamera(v, kLeftButton, 60, 25); }, scene},
      {"and the shapes moved under it", keep, movedBy(scene, -1.3f)},
      // Each frame starts from the last one with the pixels its shapes and shadows covered put
      // back: where they were must be all background again.
      {"the shapes slid sideways", keep, movedBy(scene, -1.3f, 5)},
      {"half of them gone", keep, firstHalf(movedBy(scene, -1.3f, 5))},
      {"a box round the camera", keep, with(scene, boxCall({0, 0, 0}, {500, 500, 500}, kGreen, 0))},
      {"the box gone", keep, scene},
      {"the camera scrolled in", [](View& v) { scrollCamera(v, 3); }, scene},
      {"looking down on the shadows, textures off",
       [](View& v) {
         v.hpr[1] = -70;
         v.textures = false;
       },
       scene},
      {"the HUD over the frame",
       [](View& v) {
         v.overlay = v.hud = true;
         v.printed = "score 3";
         v.status = "frame 12   PAUSE";
       },
       scene},
      {"the HUD's line changed, the frame not", [](View& v) { v.status = "frame 13   PAUSE"; },
       scene},
      {"the HUD gone again", [](View& v) { v.overlay = v.hud = false; }, scene},
      // With no shapes the HUD alone marks what the next frame puts back.
      {"a long HUD over no shapes",
       [](View& v) {
         v.overlay = v.hud = true;
         v.status = "frame 14   PAUSE   REC   NO TEXTURES   NO SHADOWS";
       },
       {}},
      {"a shorter one", [](View& v) { v.status = "frame 14"; }, {}},
      {"no HUD", [](View& v) { v.overlay = v.hud = false; }, {}},
      {"a smaller picture", [](View& v) { v.width = 320, v.height = 200; }, scene},
      {"a shadow beyond the ground's edge",
       [](View& v) {
         const float xyz[3] = {2050, 0, 1500}, hpr[3] = {180, -36, 0};
         std::copy(xyz, xyz + 3, v.xyz);
         std::copy(hpr, hpr + 3, v.hpr);
         v.textures = true;
         v.width = 800, v.height = 600;
       },
       slabBeyondTheGround()},
      {"below the ground, looking up", [](View& v) { v.xyz[2] = -5, v.hpr[1] = 30; }, scene},
  };
  int index = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.change(view);
    const std::string name = std::to_string(index++);
    EXPECT_TRUE(
        samePicture(frameOf(*cached, step.calls, name + "c"), frameOf(*fresh, step.calls, name)));
  }
}

}  // namespace
