// From process start to the end of the first frame: the program is started with its trace going
// to a pipe, and the clock stops when the first frame's line arrives (the session writes each line
// out at the frame's end). With the offscreen renderer, whose drawing waits for a picture to be
// asked for, the clock runs until the program has written its one-frame screenshot and exited.
// With CANNONCAR_BEFORE naming another build of the program, that build is timed too (/before).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Run {
  pid_t pid = -1;
  int status = -1;
};

// Names another build of the program to time beside this one (the build before a change).
constexpr const char* kBeforeVariable = "CANNONCAR_BEFORE";

// Starts the program in the source tree, where its textures are, with standard output dropped.
Run spawnProgram(std::string program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.push_back(program.data());
  std::vector<std::string> copies = arguments;
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, CANNONCAR_SOURCE_DIR);
  Run run;
  if (posix_spawn(&run.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) run.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

// Reads the pipe until the second line (the first frame's) is complete.
bool waitForFirstFrame(int pipe) {
  int lines = 0;
  char buffer[65536];
  while (lines < 2) {
    const ssize_t got = ::read(pipe, buffer, sizeof buffer);
    if (got <= 0) return false;
    for (ssize_t i = 0; i < got; ++i) lines += buffer[i] == '\n';
  }
  return true;
}

void drain(int pipe) {
  char buffer[65536];
  while (::read(pipe, buffer, sizeof buffer) > 0) {
  }
}

std::filesystem::path scratchDir() {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("cannoncar-startup-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

void startupHeadless(benchmark::State& state, const std::string& program) {
  const std::filesystem::path dir = scratchDir();
  const std::string fifo = (dir / "trace").string();
  ::mkfifo(fifo.c_str(), 0600);
  for (auto _ : state) {
    Run run = spawnProgram(program, {"--headless", "--frames", "1", "--trace", fifo});
    const int pipe = ::open(fifo.c_str(), O_RDONLY);
    const bool ok = run.pid > 0 && pipe >= 0 && waitForFirstFrame(pipe);
    state.PauseTiming();
    if (pipe >= 0) {
      drain(pipe);
      ::close(pipe);
    }
    if (run.pid > 0) ::waitpid(run.pid, &run.status, 0);
    if (!ok || run.status != 0) state.SkipWithError("the program did not run its first frame");
    state.ResumeTiming();
  }
  std::filesystem::remove_all(dir);
}

// With --hud the picture has the overlay: fontconfig's look-up, the font and its glyphs.
void startupOffscreen(benchmark::State& state, const std::string& program, bool hud) {
  const std::filesystem::path dir = scratchDir();
  const std::string picture = (dir / "first.png").string();
  std::vector<std::string> arguments = {"--headless", "--frames", "1", "--screenshot", picture};
  if (hud) arguments.push_back("--hud");
  for (auto _ : state) {
    Run run = spawnProgram(program, arguments);
    if (run.pid > 0) ::waitpid(run.pid, &run.status, 0);
    if (run.status != 0 || !std::filesystem::exists(picture)) {
      state.SkipWithError("the program did not write its first picture");
    }
  }
  std::filesystem::remove_all(dir);
}

const bool registered = [] {
  const auto timed = [](benchmark::internal::Benchmark* b) {
    b->UseRealTime()->Unit(benchmark::kMillisecond);
  };
  const std::string program = CANNONCAR_PROGRAM;
  timed(benchmark::RegisterBenchmark("Startup/headless", startupHeadless, program));
  timed(benchmark::RegisterBenchmark("Startup/offscreen", startupOffscreen, program, false));
  timed(benchmark::RegisterBenchmark("Startup/offscreen_hud", startupOffscreen, program, true));
  if (const char* before = std::getenv(kBeforeVariable); before && *before) {
    timed(benchmark::RegisterBenchmark("Startup/headless/before", startupHeadless,
                                       std::string(before)));
    timed(benchmark::RegisterBenchmark("Startup/offscreen/before", startupOffscreen,
                                       std::string(before), false));
  }
  return true;
}();

}  // namespace
