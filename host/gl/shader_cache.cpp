#include "shader_cache.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr const char* kCacheName = "mesa_shader_cache";
constexpr const char* kSwitchOff = "MESA_SHADER_CACHE_DISABLE";
constexpr const char* kUserChoices[] = {"MESA_SHADER_CACHE_DISABLE", "MESA_GLSL_CACHE_DISABLE",
                                        "MESA_SHADER_CACHE_DIR", "MESA_GLSL_CACHE_DIR"};

bool isDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Each level as Mesa takes it: there already as a directory, or made now as Mesa would make it.
bool directoryMade(const std::string& path) {
  if (isDirectory(path)) return true;
  return mkdir(path.c_str(), 0755) == 0 || (errno == EEXIST && isDirectory(path));
}

// Mesa takes the home from the password database, not from HOME; none means no cache, silently.
std::string homeDirectory() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? std::size_t(size) : 16384);
  passwd entry;
  passwd* found = nullptr;
  while (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE)
    buffer.resize(buffer.size() * 2);
  return found && found->pw_dir ? found->pw_dir : "";
}

}  // namespace

void quietShaderCache() {
  for (const char* name : kUserChoices)
    if (std::getenv(name)) return;
  std::vector<std::string> levels;
  if (const char* cacheHome = std::getenv("XDG_CACHE_HOME")) {
    levels = {cacheHome, std::string(cacheHome) + "/" + kCacheName};
  } else {
    const std::string home = homeDirectory();
    if (home.empty()) return;
    levels = {home + "/.cache", home + "/.cache/" + kCacheName};
  }
  for (const std::string& level : levels) {
    if (!directoryMade(level)) {
      setenv(kSwitchOff, "true", 1);
      return;
    }
  }
  if (access(levels.back().c_str(), W_OK | X_OK) != 0) setenv(kSwitchOff, "true", 1);
}
