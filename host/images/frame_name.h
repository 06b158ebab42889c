// The file name of a picture that ctrl-w writes, in the working directory.
#pragma once

#include <string>

// "frame00042.png" for frame 42; when a file of that name is already there (from an earlier
// run, say), "frame00042-2.png", "-3" and so on: a frame picture never overwrites a file.
std::string frameFileName(long frame);
