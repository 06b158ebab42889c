#include "session.h"

#include <algorithm>

#include "hud_status.h"
#include "key_recorder.h"
#include "output_checks.h"
#include "stop_signals.h"
#include "texture_dir.h"
#include "trace.h"

namespace {

constexpr double kDefaultFps = 60;
// PageUp and PageDown keep the rate within these; a --fps outside them is left until a key moves
// it.
constexpr double kSlowestFps = 1;
constexpr double kFastestFps = 480;

// Hands one frame's calls to the renderer and the trace alike.
class Tee : public Backend {
 public:
  Tee(Backend* a, Backend* b) : a_(a), b_(b) {}
  void beginFrame(const FrameInfo& info) override {
    if (a_) a_->beginFrame(info);
    if (b_) b_->beginFrame(info);
  }
  void draw(const DrawCall& call) override {
    if (a_) a_->draw(call);
    if (b_) b_->draw(call);
  }
  void print(std::string_view text) override {
    if (a_) a_->print(text);
    if (b_) b_->print(text);
  }
  void endFrame() override {
    if (a_) a_->endFrame();
    if (b_) b_->endFrame();
  }

 private:
  Backend* a_;
  Backend* b_;
};

// A directory named on the command line (--textures, or the game's one argument) is read as it is
// given; the game's default is looked for beside the installed program too.
std::string textureDirOf(const Options& options, const dsFunctions* fn) {
  if (options.texturesDir) return *options.texturesDir;
  // A lone host option is not the texture directory the game took it for.
  if (!options.gameArgumentIsOption && fn->path_to_textures &&
      std::string(fn->path_to_textures) != kDefaultTextureDir)
    return fn->path_to_textures;
  return findDefaultTextureDir(runningExecutable());
}

}  // namespace

Session::Session(const Options& options, dsFunctions* fn, int width, int height)
    : options_(options), fn_(fn), paused_(options.pause), fps_(options.fps.value_or(kDefaultFps)) {
  View& v = currentView();
  v.width = options.width.value_or(width);
  v.height = options.height.value_or(height);
  v.textures = options.textures;
  v.shadows = options.shadows;
  // Headless pictures have the overlay only when asked for; the window turns it on for itself.
  v.overlay = v.hud = options.hud;
  v.help = false;
  v.printed.clear();
  v.status.clear();
  v.textureDir = textureDirOf(options, fn);
}

Session::~Session() = default;

bool Session::open(std::string& error) {
  if (!checkOutputs(options_, error)) return false;
  return options_.keysFile.empty() || loadKeyScript(options_.keysFile, script_, error);
}

bool Session::openOutputs(std::string& error) {
  if (!options_.traceFile.empty()) {
    trace_ = std::make_unique<TraceWriter>();
    if (!trace_->open(options_.traceFile, error)) return false;
  }
  if (!options_.recordFile.empty()) {
    recorder_ = std::make_unique<KeyRecorder>();
    // The header is written now, so that a device that takes nothing is found before the start.
    if (!recorder_->open(options_.recordFile, error) || !recorder_->writeHeader(error)) {
      discardOutput();
      return false;
    }
  }
  return true;
}

void Session::discardOutput() {
  if (trace_) trace_->discard();
  if (recorder_) recorder_->discard();
}

bool Session::outputFailed() const {
  return (trace_ && trace_->failed()) || (recorder_ && recorder_->failed());
}

bool Session::scriptHas(HostKey key) const {
  return std::any_of(script_.entries.begin(), script_.entries.end(), [&](const auto& entry) {
    return std::any_of(entry.keys.begin(), entry.keys.end(),
                       [&](const Key& k) { return k.host == key; });
  });
}

bool Session::start(std::string& error) {
  if (!openOutputs(error)) return false;
  if (fn_->start) fn_->start();
  View& v = currentView();
  if (trace_) trace_->writeHeader(v, options_.view ? options_.view->data() : nullptr);
  if (options_.view) {
    for (int i = 0; i < 3; ++i) {
      v.xyz[i] = (*options_.view)[i];
      v.hpr[i] = (*options_.view)[3 + i];
    }
  }
  return true;
}

void Session::deliver(const Key& key) {
  if (key.host != HostKey::None) {
    hostKey(key.host);
  } else if (fn_->command) {
    fn_->command(key.code);
  }
}

bool Session::runFrame(std::span<const Key> keys) {
  const std::span<const Key> scripted = script_.keysFor(framesRun_);
  size_t fromScript = 0;
  while (fromScript < scripted.size() && !closed_) deliver(scripted[fromScript++]);
  // The script's keys are handed on where they lie; only keys typed or a stop signal make a list,
  // so a frame of millions of scripted keys is not copied.
  std::span<const Key> delivered = scripted.first(fromScript);
  delivered_.clear();
  for (const Key& key : keys) {
    if (closed_) break;
    deliver(key);
    delivered_.push_back(key);
  }
  // A stop signal closes the game as the window's close button does, and is recorded as one.
  if (!closed_ && stopRequested()) {
    deliver(Key{HostKey::Close, 0});
    delivered_.push_back(Key{HostKey::Close, 0});
  }
  if (!delivered_.empty()) {
    delivered_.insert(delivered_.begin(), delivered.begin(), delivered.end());
    delivered = delivered_;
  }
  if (recorder_) recorder_->record(framesRun_, delivered);
  if (closed_) return false;

  int pause = 0;
  if (paused_) {
    pause = 1;
    if (stepsPending_ > 0) {
      --stepsPending_;
      pause = 0;
    }
  }
  // A paused game's HUD stands still, so that under a still camera its picture does not change:
  // the frame shown is the simulation's (ctrl-o moves it on), and the rate the one measured when
  // the pause began.
  if (!pause) shownFrame_ = framesStepped_++;
  if (!paused_) shownFps_ = measuredFps_;
  // The status line is the overlay's; a run without one does not make it every frame.
  if (currentView().overlay) updateStatus();
  if (writeFrames_ && frameBackend_) ++framesWritten_;
  Tee tee(frameBackend_, trace_.get());
  tee.beginFrame(FrameInfo{framesRun_, pause, delivered});
  setBackend(&tee);
  if (fn_->step) fn_->step(pause);
  setBackend(nullptr);
  tee.endFrame();
  ++framesRun_;
  return true;
}

void Session::updateStatus() {
  const View& v = currentView();
  HudStatus status;
  status.frame = shownFrame_;
  status.measuredFps = shownFps_;
  status.fps = fps_;
  status.paused = paused_;
  status.writingFrames = writeFrames_;
  status.textures = v.textures;
  status.shadows = v.shadows;
  currentView().status = hudStatusLine(status);
}

void Session::reportFramesWritten() {
  std::printf("ctrl-w: %ld frame%s written\n", framesWritten_, framesWritten_ == 1 ? "" : "s");
}

void Session::hostKey(HostKey key) {
  View& v = currentView();
  switch (key) {
    case HostKey::None:
      break;
    case HostKey::Pause:
      paused_ = !paused_;
      stepsPending_ = 0;
      break;
    case HostKey::Step:
      if (paused_) ++stepsPending_;
      break;
    case HostKey::Textures:
      v.textures = !v.textures;
      break;
    case HostKey::Shadows:
      v.shadows = !v.shadows;
      break;
    case HostKey::Viewpoint:
      std::printf("Viewpoint = (%.4f,%.4f,%.4f,%.4f,%.4f,%.4f)\n", v.xyz[0], v.xyz[1], v.xyz[2],
                  v.hpr[0], v.hpr[1], v.hpr[2]);
      break;
    case HostKey::WriteFrames:
      writeFrames_ = !writeFrames_;
      if (writeFrames_) {
        framesWritten_ = 0;
        std::error_code ec;
        const std::string where = std::filesystem::current_path(ec).string();
        // Named by frame number (frame00042.png), a taken name skipped: the first file's name is
        // known only once it is written.
        std::printf("ctrl-w: writing frames to %s from frame %ld\n", where.c_str(), framesRun_);
      } else {
        reportFramesWritten();
      }
      break;
    case HostKey::Close:
      closed_ = true;
      break;
    case HostKey::Help:
      v.help = !v.help;
      break;
    case HostKey::Hud:
      v.hud = !v.hud;
      break;
    case HostKey::Faster:
      if (fps_ < kFastestFps) fps_ = std::min(fps_ * 2, kFastestFps);
      break;
    case HostKey::Slower:
      if (fps_ > kSlowestFps) fps_ = std::max(fps_ / 2, kSlowestFps);
      break;
  }
}

bool Session::finish(std::string& error) {
  // A run ended by anything but ctrl-x (--frames, a lost display) ends its record all the same,
  // so that its replay stops at the same frame.
  if (recorder_ && !closed_) {
    const Key close{HostKey::Close, 0};
    recorder_->record(framesRun_, std::span<const Key>(&close, 1));
  }
  if (writeFrames_) reportFramesWritten();
  if (fn_->stop) fn_->stop();
  bool ok = true;
  std::string why;
  if (trace_ && !trace_->close(why)) {
    ok = false;
    error = why;
  }
  if (recorder_ && !recorder_->close(why)) {
    ok = false;
    error = error.empty() ? why : error + "; " + why;
  }
  return ok;
}

void Session::fail(const std::string& reason, std::string& error) {
  if (trace_) trace_->fail(reason);
  if (recorder_) recorder_->fail(reason);
  finish(error);
}
