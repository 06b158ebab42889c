// The frame against its floor: BareOdeStep is the engine's own work on the game's scene,
// GameFrameNull the game's frame with the drawing dropped, GameFrameTrace the same frame written
// to a trace. The heap is the process's: bench/report.py runs them on glibc's malloc and with the
// program's heap preloaded.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "backend.h"
#include "bench/game_window.h"
#include "sim/sim.h"
#include "trace.h"

namespace {

// Runs one frame per iteration; a new window starts, untimed, when the last one is used up.
template <typename Frame>
void runWindows(benchmark::State& state, Frame frame) {
  startWindow();
  int left = kWindowFrames;
  for (auto _ : state) {
    if (left == 0) {
      state.PauseTiming();
      endWindow();
      startWindow();
      left = kWindowFrames;
      state.ResumeTiming();
    }
    frame();
    --left;
  }
  endWindow();
  state.counters["frames_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void bareOdeStep(benchmark::State& state) {
  long contacts = 0;
  runWindows(state, [&] {
    bareStep();
    contacts += bareContacts();
  });
  state.counters["contacts"] =
      benchmark::Counter(static_cast<double>(contacts), benchmark::Counter::kAvgIterations);
}

void gameFrameNull(benchmark::State& state) {
  runWindows(state, [] { simLoop(0); });
}

// The trace writer as the session drives it: a line per frame, written out at the frame's end.
void gameFrameTrace(benchmark::State& state) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("cannoncar-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  TraceWriter writer;
  std::string error;
  if (!writer.open((dir / "trace.jsonl").string(), error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  long frame = 0;
  runWindows(state, [&] {
    writer.beginFrame(FrameInfo{frame++, 0, {}});
    setBackend(&writer);
    simLoop(0);
    setBackend(nullptr);
    writer.endFrame();
  });

  writer.close(error);
  std::filesystem::remove_all(dir);
}

const bool registered = [] {
  benchmark::RegisterBenchmark("BareOdeStep", bareOdeStep);
  benchmark::RegisterBenchmark("GameFrameNull", gameFrameNull);
  benchmark::RegisterBenchmark("GameFrameTrace", gameFrameTrace);
  return true;
}();

}  // namespace
