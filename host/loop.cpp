// dsSimulationLoop: options, the session, and the driver (window or headless).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/drawstuff.h"
#include "host/exit_status.h"
#include "host/headless.h"
#include "host/options.h"
#include "host/session.h"
#include "host/stop_signals.h"
#include "host/window.h"

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

  Session session(parsed.options, fn, width, height);
  std::string error;
  if (!session.open(error)) failBeforeStart(error);
  catchStopSignals();

  int status = parsed.options.headless ? runHeadless(session) : runWindow(session);
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
