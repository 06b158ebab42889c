// dsSimulationLoop: options, the session, and the driver (window or headless).
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "drawstuff.h"
#include "exit_status.h"
#include "headless.h"
#include "options.h"
#include "renderers.h"
#include "session.h"
#include "standard_streams.h"
#include "stop_signals.h"

namespace {

constexpr int kRefused = 2;
constexpr int kFailed = 1;

[[noreturn]] void failBeforeStart(const std::string& message) {
  std::fprintf(stderr, "cannoncar: %s\n", message.c_str());
  std::fflush(nullptr);
  std::exit(kRefused);
}

// Plays the run through; returns the exit status.
int play(Session& session, const Options& options) {
  std::string error;
  if (!session.open(error)) failBeforeStart(error);
  catchStopSignals();

  int status = options.headless ? runHeadless(session, makePictures) : playInWindow(session);
  if (status == kRefused && session.framesRun() == 0) {
    session.discardOutput();
    std::exit(kRefused);
  }
  if (!session.finish(error)) {
    std::fprintf(stderr, "cannoncar: %s\n", error.c_str());
    status = kFailed;
  }
  return status;
}

}  // namespace

void dsSimulationLoop(int argc, char** argv, int width, int height, dsFunctions* fn) {
  holdStandardStreams();
  checkStandardOutputAtExit();
  OptionsResult parsed = parseOptions(argc, argv);
  if (!parsed.error.empty()) failBeforeStart(parsed.error);
  if (parsed.options.help) {
    std::fputs(helpText().c_str(), stdout);
    std::fflush(nullptr);
    std::exit(0);
  }

  const Options& options = parsed.options;
  // A build without a renderer refuses what needs one before anything else happens.
  if (const std::string why = missingRenderer(); !why.empty()) {
    if (!options.headless)
      failBeforeStart("cannot open a window: " + why + "; run with --headless");
    if (!options.screenshotFile.empty()) failBeforeStart("cannot write --screenshot: " + why);
  }

  Session session(options, fn, width, height);
  int status = 0;
  try {
    status = play(session, options);
  } catch (const std::bad_alloc&) {
    // Out of memory: the run ends here as a failed one, its outputs handled as for a failed write
    // (a trace goes, a record keeps its whole lines), and the game still tears down.
    std::string error;
    session.setFrameBackend(nullptr);
    session.fail("out of memory", error);
    std::fprintf(stderr, "cannoncar: out of memory%s%s\n", error.empty() ? "" : "; ",
                 error.c_str());
    status = kFailed;
  }
  if (status != 0) setFailureExitStatus(status);
}
