// The benchmarks' entry: the engine's messages (a MiG count at every rebuild) are kept off the
// report.
#include <benchmark/benchmark.h>
#include <ode/ode.h>

#include <cstdarg>

static void quiet(int, const char*, va_list) {}

int main(int argc, char** argv) {
  dSetMessageHandler(&quiet);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
