// Builds without a window system play headless only.
#include <cstdio>

#include "host/window.h"

int runWindow(Session&) {
  std::fprintf(stderr, "cannoncar: this build has no window yet; run with --headless\n");
  return 2;
}
