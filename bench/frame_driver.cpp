// Runs one window of frames for scripts/bench to count under callgrind, which collects only
// inside measuredFrame (--toggle-collect): the set-up and the warm-up are not counted.
// The heap is the process's, as bench/report.py preloads it.
//   frame_driver bare|game|trace
#include <ode/ode.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "backend.h"
#include "bench/game_window.h"
#include "sim/sim.h"
#include "trace.h"

namespace {

enum class Mode { Bare, Game, Trace };

TraceWriter* writer = nullptr;
long frameIndex = 0;

[[gnu::noinline]] void measuredFrame(Mode mode) {
  switch (mode) {
    case Mode::Bare:
      bareStep();
      break;
    case Mode::Game:
      simLoop(0);
      break;
    case Mode::Trace:
      writer->beginFrame(FrameInfo{frameIndex++, 0, {}});
      setBackend(writer);
      simLoop(0);
      setBackend(nullptr);
      writer->endFrame();
      break;
  }
}

void quiet(int, const char*, va_list) {}

int usage() {
  std::fprintf(stderr, "usage: frame_driver bare|game|trace\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return usage();
  Mode mode;
  if (std::strcmp(argv[1], "bare") == 0) {
    mode = Mode::Bare;
  } else if (std::strcmp(argv[1], "game") == 0) {
    mode = Mode::Game;
  } else if (std::strcmp(argv[1], "trace") == 0) {
    mode = Mode::Trace;
  } else {
    return usage();
  }
  dSetMessageHandler(&quiet);

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("cannoncar-driver-" + std::to_string(::getpid()));
  TraceWriter trace;
  if (mode == Mode::Trace) {
    std::filesystem::create_directories(dir);
    std::string error;
    if (!trace.open((dir / "trace.jsonl").string(), error)) {
      std::fprintf(stderr, "frame_driver: %s\n", error.c_str());
      return 1;
    }
    writer = &trace;
  }

  startWindow();
  for (int i = 0; i < kWindowFrames; ++i) measuredFrame(mode);
  endWindow();

  if (mode == Mode::Trace) {
    std::string error;
    trace.close(error);
    std::filesystem::remove_all(dir);
  }
  std::printf("frames %d\n", kWindowFrames);
  return 0;
}
