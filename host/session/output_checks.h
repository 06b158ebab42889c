// Everything that can refuse a run's outputs, tried before any of them is opened, so that a run
// refused for one leaves every file as it was.
#pragma once

#include <string>

#include "options.h"

// False with one line when an output cannot be written (its directory is missing or takes no new
// files, it is a directory), or when two of the outputs, an output and the key script, or an
// output and standard output or error are one file (by name, through a link, or by device and
// inode). Devices such as /dev/null take any number of writers and are never refused as shared.
bool checkOutputs(const Options& options, std::string& error);
