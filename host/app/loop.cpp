// dsSimulationLoop: options, the session, and the driver (window or headless).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "drawstuff.h"
#include "exit_status.h"
#include "headless.h"
#include "options.h"
#include "renderers.h"
#include "session.h"
#include "stop_signals.h"

namespace {

[[noreturn]] void failBeforeStart(const std::string& message) {
  std::fprintf(stderr, "cannoncar: %s\n", message.c_str());
  std::fflush(nullptr);
  std::exit(2);
}

}  // namespace

void dsSimulationLoop(int argc, char** argv, int width, int height, dsFunctions* fn) {
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
  std::string error;
  if (!session.open(error)) failBeforeStart(error);
  catchStopSignals();

  int status = parsed.options.headless ? runHeadless(session, makePictures) : playInWindow(session);
  if (status == 2 && session.framesRun() == 0) {
    session.discardOutput();
    std::exit(2);
  }

  if (!session.finish(error)) {
    std::fprintf(stderr, "cannoncar: %s\n", error.c_str());
    status = 1;
  }
  if (status != 0) setFailureExitStatus(status);
}
