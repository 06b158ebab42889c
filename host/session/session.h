// One run of the game inside the host: the callbacks, the frame counter, the pause and the host
// keys, the trace and the key recording. The headless and window drivers both run frames through
// it, so a game played in a window replays headless frame for frame.
#pragma once

#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "backend.h"
#include "drawstuff.h"
#include "key_script.h"
#include "options.h"
#include "view.h"

class TraceWriter;
class KeyRecorder;

class Session {
 public:
  Session(const Options& options, dsFunctions* fn, int width, int height);
  ~Session();

  const Options& options() const { return options_; }
  View& view() { return currentView(); }

  // Reads the key script and tries every output (see checkOutputs) without opening any; false
  // with a one-line reason when one cannot be read or written.
  bool open(std::string& error);
  // Opens the trace and the record, then calls the start callback. Drivers call it once nothing
  // else can refuse the run (the window or the offscreen renderer is made). False with a one-line
  // reason, leaving every file as it was, when an output cannot be opened.
  bool start(std::string& error);
  // Delivers the key script's keys for this frame and then the given keys, in order (host keys act
  // on the session, game keys go to the command callback) and then, unless a close key came, runs
  // one frame: the step callback with its drawing calls going to the frame backend (and the trace).
  // Returns false once the run ends.
  bool runFrame(std::span<const Key> keys);
  // Ends the record where the run ended, calls the stop callback and closes the files; false with
  // a reason if a write failed.
  bool finish(std::string& error);
  // Ends a run that failed for this reason (out of memory): its outputs are handled as after a
  // failed write; then as finish().
  void fail(const std::string& reason, std::string& error);
  // Closes the trace and record files of a run that ends before its first frame, removing those
  // it created.
  void discardOutput();
  // True once a write to the trace or the key record has failed: the rest of the run is lost.
  bool outputFailed() const;

  // The backend that draws frames (renderer), or nullptr.
  void setFrameBackend(Backend* backend) { frameBackend_ = backend; }

  long framesRun() const { return framesRun_; }
  // Frames per second in a window: --fps, then doubled and halved by PageUp and PageDown.
  double fps() const { return fps_; }
  // The frame rate the window measured over the last second, for the HUD (which holds the value
  // it showed while the game is paused).
  void setMeasuredFps(double fps) { measuredFps_ = fps; }
  bool paused() const { return paused_; }
  bool writingFrames() const { return writeFrames_; }
  bool closed() const { return closed_; }
  // True when the key script holds this host key (the headless driver then prepares pictures).
  bool scriptHas(HostKey key) const;

 private:
  bool openOutputs(std::string& error);
  void hostKey(HostKey key);
  void deliver(const Key& key);
  void updateStatus();
  void reportFramesWritten();

  Options options_;
  dsFunctions* fn_;
  Backend* frameBackend_ = nullptr;
  std::unique_ptr<TraceWriter> trace_;
  std::unique_ptr<KeyRecorder> recorder_;
  KeyScript script_;
  std::vector<Key> delivered_;
  long framesRun_ = 0;
  long framesStepped_ = 0;  // frames the simulation ran unpaused
  long shownFrame_ = 0;     // the simulation's frame on the HUD
  double shownFps_ = -1;    // the measured rate on the HUD
  bool paused_ = false;
  long stepsPending_ = 0;  // ctrl-o presses not yet served
  bool writeFrames_ = false;
  long framesWritten_ = 0;  // since ctrl-w last started writing
  bool closed_ = false;
  double fps_;
  double measuredFps_ = -1;
};
