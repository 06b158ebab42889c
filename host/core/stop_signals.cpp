#include "stop_signals.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>

namespace {

// A run that has not looked for a stop signal this long after one came is stuck (a blocked write,
// a frame that never ends): the signal's own action then ends it, as without the handler.
constexpr unsigned kGraceSeconds = 10;

volatile std::sig_atomic_t stopSignal = 0;
bool stopNoticed = false;

// Async-signal-safe: it sets the flag and the alarm and nothing else.
void onStopSignal(int signal) {
  stopSignal = signal;
  alarm(kGraceSeconds);
}

// The stop signal's action is the default again (SA_RESETHAND): raising it ends the process.
void onGraceOver(int) {
  raise(stopSignal);
}

void catchSignal(int signal, void (*handler)(int), int flags) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = flags;
  sigaction(signal, &action, nullptr);
}

}  // namespace

void catchStopSignals() {
  // The frame loop checks between frames; a read or write under way carries on meanwhile.
  catchSignal(SIGINT, onStopSignal, SA_RESTART | SA_RESETHAND);
  catchSignal(SIGTERM, onStopSignal, SA_RESTART | SA_RESETHAND);
  catchSignal(SIGALRM, onGraceOver, SA_RESTART);
}

bool stopRequested() {
  if (stopSignal == 0) return false;
  alarm(0);
  stopNoticed = true;
  return true;
}

bool stopUnanswered() {
  if (stopSignal == 0 || stopNoticed) return false;
  return stopRequested();
}
