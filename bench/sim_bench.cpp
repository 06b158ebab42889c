// The frame against its floor: BareOdeStep is the engine's own work on the game's scene,
// GameFrameNull the game's frame with the drawing dropped, GameFrameTrace the same frame written
// to a trace. Each runs with the plain heap and with block recycling, so one run shows what the
// recycling buys; the trace also runs with the reference number text.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "backend.h"
#include "bench/game_window.h"
#include "recycling_allocator.h"
#include "sim/sim.h"
#include "trace.h"
#include "trace_numbers.h"

namespace {

enum class Heap { Plain, Recycling };
enum class Numbers { Fast, Reference, Shortest, CachedShortest };

// Runs one frame per iteration; a new window starts, untimed, when the last one is used up.
template <typename Frame>
void runWindows(benchmark::State& state, Heap heap, Frame frame) {
  setBlockRecycling(heap == Heap::Recycling);
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
  setBlockRecycling(true);
  state.counters["frames_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void bareOdeStep(benchmark::State& state, Heap heap) {
  long contacts = 0;
  runWindows(state, heap, [&] {
    bareStep();
    contacts += bareContacts();
  });
  state.counters["contacts"] =
      benchmark::Counter(static_cast<double>(contacts), benchmark::Counter::kAvgIterations);
}

void gameFrameNull(benchmark::State& state, Heap heap) {
  runWindows(state, heap, [] { simLoop(0); });
}

// The trace writer as the session drives it: a line per frame, written out at the frame's end.
void gameFrameTrace(benchmark::State& state, Heap heap, Numbers numbers) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("cannoncar-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  TraceWriter writer;
  std::string error;
  if (!writer.open((dir / "trace.jsonl").string(), error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  setReferenceTraceNumbers(numbers == Numbers::Reference);
  setShortestTraceNumbers(numbers == Numbers::Shortest);
  setCachedShortestTraceNumbers(numbers == Numbers::CachedShortest);
  long frame = 0;
  runWindows(state, heap, [&] {
    writer.beginFrame(FrameInfo{frame++, 0, {}});
    setBackend(&writer);
    simLoop(0);
    setBackend(nullptr);
    writer.endFrame();
  });

  setReferenceTraceNumbers(false);
  setShortestTraceNumbers(false);
  setCachedShortestTraceNumbers(false);
  writer.close(error);
  std::filesystem::remove_all(dir);
}

const bool registered = [] {
  benchmark::RegisterBenchmark("BareOdeStep/plain", bareOdeStep, Heap::Plain);
  benchmark::RegisterBenchmark("BareOdeStep/recycling", bareOdeStep, Heap::Recycling);
  benchmark::RegisterBenchmark("GameFrameNull/plain", gameFrameNull, Heap::Plain);
  benchmark::RegisterBenchmark("GameFrameNull/recycling", gameFrameNull, Heap::Recycling);
  benchmark::RegisterBenchmark("GameFrameTrace/reference_numbers", gameFrameTrace, Heap::Recycling,
                               Numbers::Reference);
  benchmark::RegisterBenchmark("GameFrameTrace/fast_numbers", gameFrameTrace, Heap::Recycling,
                               Numbers::Fast);
  benchmark::RegisterBenchmark("GameFrameTrace/shortest_numbers", gameFrameTrace, Heap::Recycling,
                               Numbers::Shortest);
  benchmark::RegisterBenchmark("GameFrameTrace/cached_shortest_numbers", gameFrameTrace,
                               Heap::Recycling, Numbers::CachedShortest);
  return true;
}();

}  // namespace
