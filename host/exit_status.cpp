#include "host/exit_status.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int failureStatus = 0;
bool checkingOutput = false;
bool registered = false;

void atExit() {
  if (checkingOutput && (std::fflush(stdout) != 0 || std::ferror(stdout))) {
    const int fault = errno ? errno : EIO;
    std::fprintf(stderr, "cannoncar: cannot write standard output: %s\n", std::strerror(fault));
    if (failureStatus == 0) failureStatus = 1;
  }
  if (failureStatus == 0) return;
  std::fflush(nullptr);
  std::_Exit(failureStatus);
}

void registerOnce() {
  if (!registered) std::atexit(atExit);
  registered = true;
}

}  // namespace

void setFailureExitStatus(int status) {
  registerOnce();
  failureStatus = status;
}

void checkStandardOutputAtExit() {
  registerOnce();
  checkingOutput = true;
}
