// The running host's state, in one place: where the drawing API's calls go, the colour and texture
// in force, the view, and how the process is to end. (The stop-signal flag alone lives beside its
// signal handler, which may touch nothing but a sig_atomic_t.)
#pragma once

#include "backend.h"
#include "view.h"

struct HostContext {
  Backend* backend = nullptr;  // nullptr: the null backend, which drops everything
  float color[3] = {1, 1, 1};
  int texture = 0;  // DS_NONE
  View view;
  int failureStatus = 0;        // the exit status once main returns, when not 0
  bool checkingOutput = false;  // standard output is checked at exit
  bool atExitRegistered = false;
};

HostContext& hostContext();
