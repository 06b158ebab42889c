#include "exit_status.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host_context.h"

#if defined(__SANITIZE_ADDRESS__)
#define CANNONCAR_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CANNONCAR_LEAK_CHECK 1
#endif
#endif
#ifdef CANNONCAR_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace {

void atExit() {
  HostContext& context = hostContext();
  if (context.checkingOutput && (std::fflush(stdout) != 0 || std::ferror(stdout))) {
    const int fault = errno ? errno : EIO;
    std::fprintf(stderr, "cannoncar: cannot write standard output: %s\n", std::strerror(fault));
    if (context.failureStatus == 0) context.failureStatus = 1;
  }
  if (context.failureStatus == 0) return;
  std::fflush(nullptr);
#ifdef CANNONCAR_LEAK_CHECK
  // _Exit skips the sanitizer's own check at exit: a failing run is checked for leaks here.
  __lsan_do_leak_check();
#endif
  std::_Exit(context.failureStatus);
}

void registerOnce() {
  HostContext& context = hostContext();
  if (!context.atExitRegistered) std::atexit(atExit);
  context.atExitRegistered = true;
}

}  // namespace

void setFailureExitStatus(int status) {
  registerOnce();
  hostContext().failureStatus = status;
}

void checkStandardOutputAtExit() {
  registerOnce();
  hostContext().checkingOutput = true;
}
