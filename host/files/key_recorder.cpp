#include "key_recorder.h"

#include "key_script.h"

namespace {

constexpr const char* kHeader =
    "# cannoncar key script: frame, then the keys delivered before it\n";

}  // namespace

KeyRecorder::KeyRecorder() : file_("key record", OutputFile::OnFailure::KeepWhole) {}

bool KeyRecorder::open(const std::string& path, std::string& error) {
  return file_.open(path, error);
}

bool KeyRecorder::writeHeader(std::string& error) {
  if (file_.write(kHeader)) return true;
  file_.close(error);
  return false;
}

void KeyRecorder::record(long frame, std::span<const Key> keys) {
  if (keys.empty() || failed()) return;
  if (file_.write(keyLine(frame, keys) + "\n")) lastFrame_ = frame;
}

bool KeyRecorder::close(std::string& error) {
  if (file_.close(error)) return true;
  if (file_.keptWhole()) {
    error += lastFrame_ < 0 ? "; it holds no keys"
                            : "; it keeps the keys up to frame " + std::to_string(lastFrame_);
  }
  return false;
}
