// The renderer against its floor, offscreen at the game's 800 x 600 (EGL; llvmpipe where there is
// no GPU). RenderFrameOffscreen draws one of the game's frames, its 36 shapes with the sky, the
// ground, textures and shadows, and reads the picture back; RenderFloor only clears the renderer's
// own target and reads it back. RenderFrameOffscreen/hud adds the overlay's HUD, /hud_help the
// help panel too; OverlayStart is what the overlay adds to start-up.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

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

bool contextReady(benchmark::State& state) {
  static std::string error;
  static const bool ready = makeBenchContext(error);
  if (!ready) state.SkipWithError(error.c_str());
  return ready;
}

// A frame of the game after the warm-up, and the start-up camera, textures and shadows on.
std::vector<DrawCall> gameFrame(View& view) {
  RecordingBackend recording;
  startWindow();
  setBackend(&recording);
  simLoop(0);
  setBackend(nullptr);
  endWindow();
  for (int i = 0; i < 3; ++i) {
    view.xyz[i] = game.viewXyz[i];
    view.hpr[i] = game.viewHpr[i];
  }
  view.width = kWidth;
  view.height = kHeight;
  view.textureDir = CANNONCAR_SOURCE_DIR "/textures";
  return recording.draws;
}

// With the HUD: the overlay as a window shows it, the game's score line and the host's line; with
// the help panel too, the most the overlay draws.
void renderFrameOffscreen(benchmark::State& state, bool hud, bool help) {
  if (!contextReady(state)) return;
  View view;
  const std::vector<DrawCall> calls = gameFrame(view);
  view.overlay = view.hud = hud;
  view.help = help;
  view.printed = "현제 점수 : 35  사용한 미사일 수 : 0";
  view.status = "frame 399   59.8 fps   speed 60/s";
  GlRenderer renderer;
  std::string error;
  if (!renderer.init(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  // the first picture loads the textures and makes the target
  benchmark::DoNotOptimize(renderer.picture(calls, view, kWidth, kHeight));
  for (auto _ : state) {
    Image image = renderer.picture(calls, view, kWidth, kHeight);
    benchmark::DoNotOptimize(image.rgba.data());
  }
  state.counters["shapes"] = static_cast<double>(calls.size());
  state.SetLabel(glRendererName());
}

// The floor follows the renderer's own target: the same size and sampling (four samples and a
// resolve on hardware GL, one sample on llvmpipe), cleared and read back by the same code.
void renderFloor(benchmark::State& state) {
  if (!contextReady(state)) return;
  GlRenderer renderer;
  std::string error;
  if (!renderer.init(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  benchmark::DoNotOptimize(renderer.emptyPicture(kWidth, kHeight));
  for (auto _ : state) {
    Image image = renderer.emptyPicture(kWidth, kHeight);
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
  benchmark::RegisterBenchmark("RenderFrameOffscreen", renderFrameOffscreen, false, false)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("RenderFrameOffscreen/hud", renderFrameOffscreen, true, false)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("RenderFrameOffscreen/hud_help", renderFrameOffscreen, true, true)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("OverlayStart", overlayStart)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("RenderFloor", renderFloor)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
