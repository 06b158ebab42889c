// Frames written as PNG files while the game plays: the pictures are compressed and written on
// worker threads, so that the frame loop only hands them over.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "png_image.h"

class FrameWriter {
 public:
  // `threads` workers; at most `capacity` pictures wait for one.
  FrameWriter(int threads, std::size_t capacity);
  ~FrameWriter();
  FrameWriter(const FrameWriter&) = delete;
  FrameWriter& operator=(const FrameWriter&) = delete;

  // Queues the picture for `path`. Waits while the queue is full: no frame is ever dropped.
  void write(std::string path, Image image);
  // Waits until every queued picture is written. False if any could not be written since the
  // last call; each failure was reported on stderr as it happened.
  bool drain();

 private:
  struct Job {
    std::string path;
    Image image;
  };
  void work();

  std::size_t capacity_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> queue_;
  std::size_t busy_ = 0;  // jobs taken by a worker and not finished
  bool stopping_ = false;
  bool failed_ = false;
  std::vector<std::thread> workers_;
};
