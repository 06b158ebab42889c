#include "frame_name.h"

#include <sys/stat.h>

#include <cstdio>

namespace {

bool taken(const char* name) {
  struct stat info;
  return lstat(name, &info) == 0;
}

}  // namespace

std::string frameFileName(long frame) {
  char name[64];
  std::snprintf(name, sizeof name, "frame%05ld.png", frame);
  for (long copy = 2; taken(name); ++copy)
    std::snprintf(name, sizeof name, "frame%05ld-%ld.png", frame, copy);
  return name;
}
