// The renderer against its floor, offscreen at the game's 800 x 600 and at 1600 x 1200 (EGL;
// llvmpipe where there is no GPU). RenderFrameOffscreen draws the game's frames, 36 shapes with
// the sky, the ground, textures and shadows, and reads each picture back (/fresh: with the
// ground and the sky drawn every frame, as before they were kept; /hud: with the overlay's HUD,
// /hud_help the help panel too); RenderFloor only clears the renderer's own target and reads it
// back; OverlayStart is what the overlay adds to start-up.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "backend.h"
#include "bench/game_window.h"
#include "bench/gl_context.h"
#include "core/game_state.h"
#include "overlay.h"
#include "recording.h"
#include "renderer_gl.h"
#include "sim/sim.h"
#include "view.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
// Four times the pixels: how the cost grows with them.
constexpr int kLargeWidth = 1600;
constexpr int kLargeHeight = 1200;
constexpr const char* kCacheSwitch = "CANNONCAR_BACKGROUND_CACHE";

bool contextReady(benchmark::State& state) {
  static std::string error;
  static const bool ready = makeBenchContext(error);
  if (!ready) state.SkipWithError(error.c_str());
  return ready;
}

// Two frames of the game after the warm-up, one after the other, and the start-up camera,
// textures and shadows on.
std::array<std::vector<DrawCall>, 2> gameFrames(View& view, int width, int height) {
  std::array<std::vector<DrawCall>, 2> frames;
  RecordingBackend recording;
  startWindow();
  setBackend(&recording);
  for (auto& frame : frames) {
    recording.draws.clear();
    simLoop(0);
    frame = recording.draws;
  }
  setBackend(nullptr);
  endWindow();
  for (int i = 0; i < 3; ++i) {
    view.xyz[i] = game.viewXyz[i];
    view.hpr[i] = game.viewHpr[i];
  }
  view.width = width;
  view.height = height;
  view.textureDir = CANNONCAR_SOURCE_DIR "/textures";
  return frames;
}

// A renderer with the kept background on, or off as it was before (everything drawn every frame).
bool initRenderer(GlRenderer& renderer, bool keepBackground, benchmark::State& state) {
  if (!keepBackground) ::setenv(kCacheSwitch, "0", 1);
  std::string error;
  const bool ok = renderer.init(error);
  ::unsetenv(kCacheSwitch);
  if (!ok) state.SkipWithError(error.c_str());
  return ok;
}

// The game's frames in turn, as a running game hands them over: the shapes move every frame,
// the camera stays. With the HUD: the overlay as a window shows it, the game's score line and the
// host's line; with the help panel too, the most the overlay draws.
void renderFrameOffscreen(benchmark::State& state, bool keepBackground, bool hud, bool help,
                          int width, int height) {
  if (!contextReady(state)) return;
  View view;
  const auto frames = gameFrames(view, width, height);
  view.overlay = view.hud = hud;
  view.help = help;
  view.printed = "현제 점수 : 35  사용한 미사일 수 : 0";
  view.status = "frame 399   59.8 fps   speed 60/s";
  GlRenderer renderer;
  if (!initRenderer(renderer, keepBackground, state)) return;
  // the first picture loads the textures and makes the target
  benchmark::DoNotOptimize(renderer.picture(frames[1], view, width, height));
  std::size_t next = 0;
  for (auto _ : state) {
    Image image = renderer.picture(frames[next], view, width, height);
    benchmark::DoNotOptimize(image.rgba.data());
    next ^= 1;
  }
  state.counters["shapes"] = static_cast<double>(frames[0].size());
  state.SetLabel(glRendererName());
}

// The floor follows the renderer's own target: the same size and sampling (four samples and a
// resolve on hardware GL, one sample on llvmpipe), cleared and read back by the same code.
void renderFloor(benchmark::State& state, int width, int height) {
  if (!contextReady(state)) return;
  GlRenderer renderer;
  if (!initRenderer(renderer, true, state)) return;
  benchmark::DoNotOptimize(renderer.emptyPicture(width, height));
  for (auto _ : state) {
    Image image = renderer.emptyPicture(width, height);
    benchmark::DoNotOptimize(image.rgba.data());
  }
  state.SetLabel(glRendererName());
}

// What the overlay adds to start-up: fontconfig's look-up, the font opened, the program linked
// and the first HUD's glyphs drawn into the atlas, then drawn once over a target of the game's
// size.
void overlayStart(benchmark::State& state) {
  if (!contextReady(state)) return;
  GLuint fbo = 0, color = 0;
  glGenFramebuffers(1, &fbo);
  glGenRenderbuffers(1, &color);
  glBindRenderbuffer(GL_RENDERBUFFER, color);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kWidth, kHeight);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
  glViewport(0, 0, kWidth, kHeight);
  View view;
  view.overlay = view.hud = true;
  view.printed = "현제 점수 : 35  사용한 미사일 수 : 0";
  view.status = "frame 399   59.8 fps   speed 60/s";
  for (auto _ : state) {
    Overlay overlay;
    overlay.draw(view, kWidth, kHeight);
    glFinish();
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &fbo);
  glDeleteRenderbuffers(1, &color);
}

const bool registered = [] {
  const auto timed = [](benchmark::internal::Benchmark* b) {
    b->UseRealTime()->Unit(benchmark::kMillisecond);
  };
  timed(benchmark::RegisterBenchmark("RenderFrameOffscreen", renderFrameOffscreen, true, false,
                                     false, kWidth, kHeight));
  timed(benchmark::RegisterBenchmark("RenderFrameOffscreen/hud", renderFrameOffscreen, true, true,
                                     false, kWidth, kHeight));
  timed(benchmark::RegisterBenchmark("RenderFrameOffscreen/hud_help", renderFrameOffscreen, true,
                                     true, true, kWidth, kHeight));
  timed(benchmark::RegisterBenchmark("RenderFrameOffscreen/fresh", renderFrameOffscreen, false,
                                     false, false, kWidth, kHeight));
  timed(benchmark::RegisterBenchmark("OverlayStart", overlayStart));
  timed(benchmark::RegisterBenchmark("RenderFloor", renderFloor, kWidth, kHeight));
  timed(benchmark::RegisterBenchmark("RenderFrameOffscreen/1600x1200", renderFrameOffscreen, true,
                                     false, false, kLargeWidth, kLargeHeight));
  timed(benchmark::RegisterBenchmark("RenderFrameOffscreen/fresh/1600x1200", renderFrameOffscreen,
                                     false, false, false, kLargeWidth, kLargeHeight));
  timed(benchmark::RegisterBenchmark("RenderFloor/1600x1200", renderFloor, kLargeWidth,
                                     kLargeHeight));
  return true;
}();

}  // namespace
