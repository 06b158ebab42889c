#include "shown_frame.h"

void FrameCalls::beginFrame(const FrameInfo&) {
  calls.clear();
  prints.clear();
}

bool ShownFrame::matches(const FrameCalls& next, const View& nextView, int nextWidth,
                         int nextHeight) const {
  return valid_ && width_ == nextWidth && height_ == nextHeight && view_ == nextView &&
         frame_.prints == next.prints && frame_.calls == next.calls;
}

void ShownFrame::remember(const FrameCalls& next, const View& nextView, int nextWidth,
                          int nextHeight) {
  frame_.calls = next.calls;
  frame_.prints = next.prints;
  view_ = nextView;
  width_ = nextWidth;
  height_ = nextHeight;
  valid_ = true;
}
