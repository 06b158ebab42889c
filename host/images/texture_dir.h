// Where the game's default texture directory is found.
#pragma once

#include <filesystem>
#include <string>

// The directory the game names by default.
inline constexpr const char* kDefaultTextureDir = "textures";

// The default directory as the host reads it: "textures" in the working directory when it is
// there in any form (a file or an unreadable folder still gets its own warning), else the data
// directory installed beside the program (../share/cannoncar/textures from the executable's own
// folder) when that is a directory, else "textures" again, so that the loader's warning names
// what the game asked for.
std::string findDefaultTextureDir(const std::filesystem::path& executable);

// The running program's own path (/proc/self/exe); empty when it cannot be read.
std::filesystem::path runningExecutable();
