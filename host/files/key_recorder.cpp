#include "key_recorder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "key_script.h"

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
  struct stat info;
  regular_ = fstat(fileno(file_), &info) == 0 && S_ISREG(info.st_mode);
  // Flushed now, so that a device that takes nothing is found before the first frame.
  if (!write("# cannoncar key script: frame, then the keys delivered before it\n")) {
    error = "cannot write key record '" + path + "': " + std::strerror(writeErrno_);
    discard();
    return false;
  }
  return true;
}

bool KeyRecorder::write(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fflush(file_) != 0) {
    writeErrno_ = errno ? errno : EIO;
    return false;
  }
  whole_ += static_cast<long>(text.size());
  return true;
}

void KeyRecorder::record(long frame, std::span<const Key> keys) {
  if (!file_ || keys.empty() || writeErrno_) return;
  if (write(keyLine(frame, keys) + "\n")) lastFrame_ = frame;
}

bool KeyRecorder::close(std::string& error) {
  if (!file_) return true;
  if (std::fclose(file_) != 0 && !writeErrno_) writeErrno_ = errno ? errno : EIO;
  file_ = nullptr;
  if (writeErrno_) {
    error = "cannot write key record '" + path_ + "': " + std::strerror(writeErrno_);
    if (regular_ && truncate(path_.c_str(), whole_) == 0) {
      error += lastFrame_ < 0 ? "; it holds no keys"
                              : "; it keeps the keys up to frame " + std::to_string(lastFrame_);
    }
    return false;
  }
  return true;
}

void KeyRecorder::discard() {
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
  if (regular_) std::remove(path_.c_str());
}
