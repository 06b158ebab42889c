#include "headless.h"

#include <cstdio>
#include <memory>
#include <string>

#include "frame_name.h"
#include "picture.h"
#include "session.h"

namespace {

constexpr long kDefaultFrames = 600;

}  // namespace

int runHeadless(Session& session, PictureMaker makePictures) {
  const Options& options = session.options();
  const long frames = options.frames.value_or(kDefaultFrames);

  // Pictures need the renderer; without a use for them the frames go to the trace only.
  std::unique_ptr<PictureBackend> pictures;
  if (!options.screenshotFile.empty() || session.scriptHas(HostKey::WriteFrames)) {
    std::string error;
    pictures = makePictures(session.view(), error);
    if (!pictures) {
      std::fprintf(stderr, "cannoncar: %s\n", error.c_str());
      return 2;
    }
    session.setFrameBackend(pictures.get());
  }

  if (std::string error; !session.start(error)) {
    std::fprintf(stderr, "cannoncar: %s\n", error.c_str());
    session.setFrameBackend(nullptr);
    return 2;
  }
  int status = 0;
  // Once the trace or the record has lost a write, the run's output is gone: stop playing.
  while (session.framesRun() < frames && !session.outputFailed()) {
    long frame = session.framesRun();
    if (!session.runFrame({})) break;
    if (pictures && session.writingFrames()) {
      std::string error;
      if (!pictures->writePng(frameFileName(frame), "frame picture", error)) {
        std::fprintf(stderr, "cannoncar: %s\n", error.c_str());
        status = 1;
      }
    }
  }
  if (pictures && !options.screenshotFile.empty()) {
    std::string error;
    if (!pictures->writePng(options.screenshotFile, "screenshot", error)) {
      std::fprintf(stderr, "cannoncar: %s\n", error.c_str());
      status = 1;
    }
  }
  session.setFrameBackend(nullptr);
  return status;
}
