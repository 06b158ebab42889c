#include "lost_display.h"

#include <GLFW/glfw3.h>
#include <X11/Xlib.h>

#include <atomic>

// GLFW's X11 connection. Declared as glfw3native.h declares it: that header would also pull in
// the XRandR headers, which nothing here uses.
extern "C" Display* glfwGetX11Display();

namespace {

std::atomic<bool> lost{false};
std::string name;

// Xlib's own handler prints its message and exits; the loss is told once, by the window.
int quietlyNoteLoss(Display*) {
  lost = true;
  return 0;
}

// Returning here, instead of exiting, makes Xlib mark the connection dead and carry on: later
// calls on it do nothing, and the frame loop ends the run as if the window had closed.
void carryOn(Display*, void*) {
  lost = true;
}

}  // namespace

void watchForLostDisplay() {
  Display* display = glfwGetX11Display();
  if (!display) return;
  const char* opened = DisplayString(display);
  name = opened ? opened : "";
  XSetIOErrorHandler(quietlyNoteLoss);
  XSetIOErrorExitHandler(display, carryOn, nullptr);
}

bool displayLost() {
  return lost;
}

std::string displayName() {
  return name;
}
