#include "output_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "shown_text.h"
#include "stop_signals.h"

namespace {

// File names in messages are cut here: a message stays one readable line.
constexpr std::size_t kShownPath = 120;
// How often a stoppable open or write that waits looks for a stop signal.
constexpr int kWaitMilliseconds = 50;
constexpr const char* kStopped = "stopped by a signal";

bool isFifo(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
}

}  // namespace

std::string outputName(std::string_view what, std::string_view path) {
  return std::string(what) + " " + quotedText(path, kShownPath);
}

OutputFile::OutputFile(std::string what, OnFailure onFailure)
    : what_(std::move(what)), onFailure_(onFailure) {}

OutputFile::~OutputFile() {
  if (failed()) {
    std::string ignored;
    close(ignored);
  } else {
    discard();
  }
}

bool OutputFile::open(const std::string& path, std::string& error) {
  path_ = path;
  // Made here, the file is known to be this run's own; otherwise it is opened as it is, not
  // emptied: a run refused later leaves it untouched.
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  created_ = fd_ >= 0;
  if (fd_ < 0 && errno == EEXIST) {
    if (isFifo(path)) {
      if (!waitForReader(error)) return false;
    } else {
      fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    }
  }
  if (fd_ < 0) {
    error = "cannot write " + outputName(what_, path) + ": " + std::strerror(errno);
    return false;
  }
  struct stat info;
  regular_ = fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
  return true;
}

// A FIFO with no reader: opened without waiting, tried again until a reader comes or a stop
// signal does.
bool OutputFile::waitForReader(std::string& error) {
  for (;;) {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ >= 0) return true;
    if (errno != ENXIO) {
      error = "cannot write " + outputName(what_, path_) + ": " + std::strerror(errno);
      return false;
    }
    if (stopUnanswered()) {
      error = "cannot write " + outputName(what_, path_) + ": " + kStopped;
      return false;
    }
    poll(nullptr, 0, kWaitMilliseconds);
  }
}

bool OutputFile::waitUntilWritable() {
  for (;;) {
    if (stopUnanswered()) return fail(kStopped);
    pollfd ready = {fd_, POLLOUT, 0};
    if (poll(&ready, 1, kWaitMilliseconds) > 0) return true;
  }
}

bool OutputFile::fail(std::string reason) {
  if (reason_.empty()) reason_ = std::move(reason);
  return false;
}

bool OutputFile::write(std::string_view text) {
  if (fd_ < 0 || failed()) return false;
  if (stoppable_ && stopUnanswered()) return fail(kStopped);
  if (!written_ && regular_ && !created_ && ftruncate(fd_, 0) != 0)
    return fail(std::strerror(errno));
  written_ = true;
  const std::size_t size = text.size();
  while (!text.empty()) {
    const ssize_t n = ::write(fd_, text.data(), text.size());
    if (n > 0) {
      text.remove_prefix(static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EAGAIN) {
      if (!waitUntilWritable()) return false;
    } else if (n < 0 && errno != EINTR) {
      return fail(std::strerror(errno));
    } else if (n == 0) {
      return fail(std::strerror(EIO));
    }
  }
  whole_ += static_cast<long long>(size);
  return true;
}

bool OutputFile::close(std::string& error) {
  if (fd_ < 0) return !failed();
  if (::close(fd_) != 0 && errno != EINTR) fail(std::strerror(errno));
  fd_ = -1;
  if (!failed()) return true;
  error = "cannot write " + outputName(what_, path_) + ": " + reason_;
  if (!regular_) return false;
  if (onFailure_ == OnFailure::KeepWhole && whole_ > 0) {
    keptWhole_ = truncate(path_.c_str(), whole_) == 0;
  } else if (created_) {
    if (unlink(path_.c_str()) == 0) error += "; the unfinished " + what_ + " was removed";
  } else if (truncate(path_.c_str(), 0) == 0) {
    error += "; the unfinished " + what_ + " was emptied";
  }
  return false;
}

void OutputFile::discard() {
  if (fd_ < 0) return;
  // Nothing of a run that never started is worth keeping; a file that was already there lost
  // its old text at the first write, and keeps none of the new.
  if (regular_ && written_ && !created_) {
    // The run is over either way: a file that cannot be emptied stays as the writes left it.
    [[maybe_unused]] const int emptied = ftruncate(fd_, 0);
  }
  ::close(fd_);
  fd_ = -1;
  if (created_) unlink(path_.c_str());
}
