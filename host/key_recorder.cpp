#include "host/key_recorder.h"

#include <cerrno>
#include <cstring>

#include "host/key_script.h"

KeyRecorder::~KeyRecorder() {
  std::string ignored;
  close(ignored);
}

bool KeyRecorder::open(const std::string& path, std::string& error) {
  path_ = path;
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) {
    error = "cannot write key record '" + path + "': " + std::strerror(errno);
    return false;
  }
  std::string header = "# cannoncar key script: frame, then the keys delivered before it\n";
  if (std::fputs(header.c_str(), file_) < 0) writeErrno_ = errno ? errno : EIO;
  return true;
}

void KeyRecorder::record(long frame, std::span<const Key> keys) {
  if (!file_ || keys.empty() || writeErrno_) return;
  std::string line = keyLine(frame, keys) + "\n";
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
    writeErrno_ = errno ? errno : EIO;
  }
}

bool KeyRecorder::close(std::string& error) {
  if (!file_) return true;
  if (std::fclose(file_) != 0 && !writeErrno_) writeErrno_ = errno ? errno : EIO;
  file_ = nullptr;
  if (writeErrno_) {
    error = "cannot write key record '" + path_ + "': " + std::strerror(writeErrno_);
    return false;
  }
  return true;
}
