// The renderer against its floor, offscreen at the game's 800 x 600 (EGL; llvmpipe where there is
// no GPU). RenderFrameOffscreen draws one of the game's frames, its 36 shapes with the sky, the
// ground, textures and shadows, and reads the picture back; RenderFloor only clears the same kind
// of target, resolves it and reads it back.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/game_window.h"
#include "bench/gl_context.h"
#include "core/game_state.h"
#include "host/backend.h"
#include "host/recording.h"
#include "host/renderer_gl.h"
#include "host/view.h"
#include "sim/sim.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
// The renderer draws into a target of this many samples, resolved for reading.
constexpr int kSamples = 4;

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

void renderFrameOffscreen(benchmark::State& state) {
  if (!contextReady(state)) return;
  View view;
  const std::vector<DrawCall> calls = gameFrame(view);
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

struct FloorTarget {
  GLuint sampledFbo = 0, resolvedFbo = 0, buffers[3] = {};

  FloorTarget() {
    glGenFramebuffers(1, &sampledFbo);
    glGenFramebuffers(1, &resolvedFbo);
    glGenRenderbuffers(3, buffers);
    glBindFramebuffer(GL_FRAMEBUFFER, sampledFbo);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, kSamples, GL_RGBA8, kWidth, kHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, kSamples, GL_DEPTH24_STENCIL8, kWidth,
                                     kHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              buffers[1]);
    glBindFramebuffer(GL_FRAMEBUFFER, resolvedFbo);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[2]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kWidth, kHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[2]);
  }
  ~FloorTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &sampledFbo);
    glDeleteFramebuffers(1, &resolvedFbo);
    glDeleteRenderbuffers(3, buffers);
  }
};

void renderFloor(benchmark::State& state) {
  if (!contextReady(state)) return;
  FloorTarget target;
  std::vector<unsigned char> pixels(std::size_t{kWidth} * kHeight * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  for (auto _ : state) {
    glBindFramebuffer(GL_FRAMEBUFFER, target.sampledFbo);
    glViewport(0, 0, kWidth, kHeight);
    glClearColor(0.76f, 0.84f, 0.94f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.sampledFbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target.resolvedFbo);
    glBlitFramebuffer(0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.resolvedFbo);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetLabel(glRendererName());
}

const bool registered = [] {
  benchmark::RegisterBenchmark("RenderFrameOffscreen", renderFrameOffscreen)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("RenderFloor", renderFloor)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
