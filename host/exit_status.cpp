#include "host/exit_status.h"

#include <cstdio>
#include <cstdlib>

namespace {

int failureStatus = 0;

void exitWithFailure() {
  std::fflush(nullptr);
  std::_Exit(failureStatus);
}

}  // namespace

void setFailureExitStatus(int status) {
  if (failureStatus == 0) std::atexit(exitWithFailure);
  failureStatus = status;
}
