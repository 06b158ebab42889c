#include "frame_writer.h"

#include <cstdio>

// How a failed picture is named in its message.
constexpr const char* kWhat = "frame picture";

FrameWriter::FrameWriter(int threads, std::size_t capacity) : capacity_(capacity ? capacity : 1) {
  for (int i = 0; i < (threads > 0 ? threads : 1); ++i) workers_.emplace_back([this] { work(); });
}

FrameWriter::~FrameWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void FrameWriter::write(std::string path, Image image) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.size() < capacity_; });
  queue_.push_back({std::move(path), std::move(image)});
  lock.unlock();
  changed_.notify_all();
}

bool FrameWriter::drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.empty() && busy_ == 0; });
  const bool ok = !failed_;
  failed_ = false;
  return ok;
}

// Queued pictures are all written before a worker stops.
void FrameWriter::work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    ++busy_;
    lock.unlock();
    changed_.notify_all();
    std::string error;
    const bool ok = writePng(job.path, job.image, error, kWhat, PngEffort::Fast);
    if (!ok) std::fprintf(stderr, "cannoncar: %s\n", error.c_str());
    lock.lock();
    --busy_;
    failed_ |= !ok;
    changed_.notify_all();
  }
}
