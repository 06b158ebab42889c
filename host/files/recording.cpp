#include "recording.h"

void RecordingBackend::clear() {
  draws.clear();
  prints.clear();
  frames.clear();
  inFrame_ = false;
}

void RecordingBackend::beginFrame(const FrameInfo& info) {
  Frame frame;
  frame.frame = info.frame;
  frame.pause = info.pause;
  frame.keys.assign(info.keys.begin(), info.keys.end());
  frames.push_back(std::move(frame));
  inFrame_ = true;
}

void RecordingBackend::draw(const DrawCall& call) {
  draws.push_back(call);
  if (inFrame_) frames.back().draws.push_back(call);
}

void RecordingBackend::print(std::string_view text) {
  prints.emplace_back(text);
  if (inFrame_) frames.back().prints.emplace_back(text);
}

void RecordingBackend::endFrame() {
  inFrame_ = false;
}
