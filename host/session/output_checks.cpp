#include "output_checks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "shown_text.h"

namespace {

constexpr std::size_t kShownPath = 120;

// A file as the run would reach it: its name with links and dots resolved, and, when it exists,
// its device and inode.
struct FileId {
  std::string option;  // "--trace", or "standard output"
  std::string given;   // the name as given
  std::filesystem::path resolved;
  std::optional<struct stat> info;
};

bool isShareable(const struct stat& info) {
  return S_ISCHR(info.st_mode);
}

FileId namedFile(const std::string& option, const std::string& path) {
  FileId file{option, path, {}, std::nullopt};
  std::error_code ec;
  file.resolved = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
  if (ec) file.resolved = path;
  struct stat info;
  if (stat(path.c_str(), &info) == 0) file.info = info;
  return file;
}

std::optional<FileId> openFile(const std::string& name, int fd) {
  struct stat info;
  if (fstat(fd, &info) != 0) return std::nullopt;
  return FileId{name, name, {}, info};
}

bool sameFile(const FileId& a, const FileId& b) {
  if (a.info && b.info) {
    return a.info->st_dev == b.info->st_dev && a.info->st_ino == b.info->st_ino &&
           !isShareable(*a.info);
  }
  // One of them does not exist yet: they are one file when their names are.
  return !a.resolved.empty() && a.resolved == b.resolved;
}

std::string described(const FileId& file) {
  if (file.given == file.option) return file.option;
  return file.option + " " + quotedText(file.given, kShownPath);
}

// A file the run writes is tried now, without being made: its directory must exist and take new
// files, and the file, if there, must take writing.
bool canWrite(const std::string& path, std::string& error) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (parent.empty()) parent = ".";
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    error = std::strerror(EISDIR);
    return false;
  }
  const bool exists = std::filesystem::exists(path, ec);
  if (access(exists ? path.c_str() : parent.c_str(), W_OK) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (!exists && !std::filesystem::is_directory(parent, ec)) {
    error = std::strerror(ENOTDIR);
    return false;
  }
  return true;
}

}  // namespace

bool checkOutputs(const Options& options, std::string& error) {
  struct Output {
    const char* option;
    const char* what;
    const std::string& path;
  };
  const Output outputs[] = {{"--trace", "trace", options.traceFile},
                            {"--record", "key record", options.recordFile},
                            {"--screenshot", "screenshot", options.screenshotFile}};
  std::vector<FileId> written;
  for (const Output& output : outputs) {
    if (output.path.empty()) continue;
    std::string why;
    if (!canWrite(output.path, why)) {
      error = "cannot write " + std::string(output.what) + " " +
              quotedText(output.path, kShownPath) + ": " + why;
      return false;
    }
    written.push_back(namedFile(output.option, output.path));
  }

  std::vector<FileId> others;
  if (options.keysFile == "-") {
    if (auto in = openFile("standard input", STDIN_FILENO)) others.push_back(*in);
  } else if (!options.keysFile.empty()) {
    others.push_back(namedFile("--keys", options.keysFile));
  }
  if (auto out = openFile("standard output", STDOUT_FILENO)) others.push_back(*out);
  if (auto err = openFile("standard error", STDERR_FILENO)) others.push_back(*err);

  for (std::size_t i = 0; i < written.size(); ++i) {
    for (std::size_t j = i + 1; j < written.size(); ++j) {
      if (sameFile(written[i], written[j])) {
        error = described(written[i]) + " and " + described(written[j]) + " are one file";
        return false;
      }
    }
    for (const FileId& other : others) {
      if (sameFile(written[i], other)) {
        error = described(written[i]) + " and " + described(other) + " are one file";
        return false;
      }
    }
  }
  return true;
}
