#include "texture_dir.h"

#include <system_error>

namespace {

// Set by the build from the install layout: the data directory relative to the program's folder.
#ifndef CANNONCAR_INSTALLED_TEXTURES
#define CANNONCAR_INSTALLED_TEXTURES "../share/cannoncar/textures"
#endif
constexpr const char* kInstalledTextures = CANNONCAR_INSTALLED_TEXTURES;

}  // namespace

std::string findDefaultTextureDir(const std::filesystem::path& executable) {
  std::error_code fault;
  const auto here = std::filesystem::symlink_status(kDefaultTextureDir, fault);
  if (here.type() != std::filesystem::file_type::not_found || executable.empty())
    return kDefaultTextureDir;
  const std::filesystem::path installed =
      (executable.parent_path() / kInstalledTextures).lexically_normal();
  if (std::filesystem::is_directory(installed, fault)) return installed.string();
  return kDefaultTextureDir;
}

std::filesystem::path runningExecutable() {
  std::error_code fault;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", fault);
  return fault ? std::filesystem::path() : self;
}
