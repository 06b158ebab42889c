// A file the run writes: a trace, a key record, a picture. It never clobbers what the run did not
// make: opening changes nothing, a file already there is emptied only by the first write, and a
// run that fails removes only the files it created.
#pragma once

#include <string>
#include <string_view>

class OutputFile {
 public:
  // What a failed run leaves of the file.
  enum class OnFailure {
    // Nothing: a part would pass for the whole (a trace cut at a line, a picture cut short).
    Remove,
    // Everything up to the last whole write (a key record: each whole line replays).
    KeepWhole,
  };

  // `what` names the file in messages: "trace", "key record", "screenshot".
  OutputFile(std::string what, OnFailure onFailure);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Waiting for a FIFO's reader, or for room in it, ends at a stop signal that the frame loop has
  // not answered: it may otherwise wait for ever. A stoppable file (a picture, which takes
  // seconds when large) also gives up on one between any two writes.
  void setStoppable(bool stoppable) { stoppable_ = stoppable; }

  // Opens the file without changing it (a new one is created empty); false with one line when it
  // cannot.
  bool open(const std::string& path, std::string& error);
  // Writes all of the text at once; false, now and for every later write, once one has failed.
  bool write(std::string_view text);
  // Marks the file as failed for this reason (an encoder's own error); false.
  bool fail(std::string reason);
  // Closes the file; false with one line when a write failed, after removing the file or cutting
  // it back to its last whole write (see OnFailure). Devices and pipes are never cut or removed.
  bool close(std::string& error);
  // Closes the file of a run that never started: a file this run created goes, one that was
  // already there is left as it was.
  void discard();

  bool isOpen() const { return fd_ >= 0; }
  bool failed() const { return !reason_.empty(); }
  // After a failed close: true when the file was cut back to its whole writes and kept.
  bool keptWhole() const { return keptWhole_; }
  const std::string& path() const { return path_; }

 private:
  bool waitForReader(std::string& error);
  bool waitUntilWritable();

  std::string what_;
  OnFailure onFailure_;
  bool stoppable_ = false;
  std::string path_;
  int fd_ = -1;
  bool created_ = false;  // this run made the file: it may remove it
  bool regular_ = false;  // a device or pipe is never emptied, cut back or removed
  bool written_ = false;  // the first write empties a file that was already there
  long long whole_ = 0;   // bytes up to the last whole write
  std::string reason_;    // why a write failed; empty while all is well
  bool keptWhole_ = false;
};

// How a message names an output: "trace 'out.jsonl'".
std::string outputName(std::string_view what, std::string_view path);
