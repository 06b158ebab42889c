// Play in a window: GLFW for the window, the keyboard and the mouse, the GL renderer for the
// pictures, frames paced by the clock.
#include <epoxy/gl.h>
// GLFW after epoxy, which brings the GL declarations.
#include <GLFW/glfw3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera_control.h"
#include "camera_follow.h"
#include "frame_name.h"
#include "frame_writer.h"
#include "lost_display.h"
#include "output_file.h"
#include "picture.h"
#include "png_image.h"
#include "renderer_gl.h"
#include "session.h"
#include "shape_pick.h"
#include "shown_frame.h"
#include "software_present.h"
#include "typed_character.h"
#include "window.h"

constexpr const char* kTitle = "cannoncar";
constexpr const char* kHowToRunHeadless = "run with --headless to play without a window";
// Two presses of the left button this close in time and place are a double-click.
constexpr double kDoubleClickSeconds = 0.4;
constexpr double kDoubleClickPixels = 4;
// Frames written with ctrl-w are compressed on these threads while the game goes on; when as many
// pictures wait as the queue holds, the frame loop waits for room.
constexpr int kFrameWriterThreads = 2;
constexpr std::size_t kFrameWriterQueue = 4;
constexpr const char* kFramePicture = "frame picture";

namespace {

// What the GLFW callbacks gather between two frames.
struct Input {
  View* view = nullptr;
  bool damaged = false;  // the window's contents need drawing again (uncovered, resized)
  // The framebuffer's size as the window's events last told it: asked for every frame, it would
  // cost a round trip to the X server.
  int framebufferWidth = 0, framebufferHeight = 0;
  std::vector<Key> keys;
  double cursorX = 0, cursorY = 0;
  bool cursorKnown = false;
  // The key and modifiers of the last press: the character that follows was typed with them.
  int lastKey = GLFW_KEY_UNKNOWN, lastMods = 0;
  // The frame on screen, for what a double-click points at, and the camera that follows it.
  const std::vector<DrawCall>* frame = nullptr;
  CameraFollow* camera = nullptr;
  double lastClickTime = -1, lastClickX = 0, lastClickY = 0;
};

std::string glfwFault;

void onGlfwError(int, const char* description) {
  glfwFault = description ? description : "";
}

Input& inputOf(GLFWwindow* window) {
  return *static_cast<Input*>(glfwGetWindowUserPointer(window));
}

// Host keys go by the letter the keyboard layout puts on the key, where GLFW knows it.
std::optional<HostKey> hostKeyFor(int key, int scancode) {
  const char* name = glfwGetKeyName(key, scancode);
  char letter = 0;
  if (name && name[0] && !name[1]) {
    letter = name[0];
  } else if (key >= GLFW_KEY_A && key <= GLFW_KEY_Z) {
    letter = static_cast<char>('a' + (key - GLFW_KEY_A));
  }
  switch (letter) {
    case 'p':
      return HostKey::Pause;
    case 'o':
      return HostKey::Step;
    case 't':
      return HostKey::Textures;
    case 's':
      return HostKey::Shadows;
    case 'v':
      return HostKey::Viewpoint;
    case 'w':
      return HostKey::WriteFrames;
    case 'x':
      return HostKey::Close;
    default:
      return std::nullopt;
  }
}

// Host keys of their own, without ctrl.
std::optional<HostKey> functionKeyFor(int key) {
  switch (key) {
    case GLFW_KEY_F1:
      return HostKey::Help;
    case GLFW_KEY_F2:
      return HostKey::Hud;
    case GLFW_KEY_PAGE_UP:
      return HostKey::Faster;
    case GLFW_KEY_PAGE_DOWN:
      return HostKey::Slower;
    default:
      return std::nullopt;
  }
}

// Keys that type a control character rather than a printable one.
int controlCharacterFor(int key) {
  switch (key) {
    case GLFW_KEY_ENTER:
    case GLFW_KEY_KP_ENTER:
      return 13;
    case GLFW_KEY_TAB:
      return 9;
    case GLFW_KEY_BACKSPACE:
      return 8;
    case GLFW_KEY_DELETE:
      return 127;
    default:
      return 0;
  }
}

void onKey(GLFWwindow* window, int key, int scancode, int action, int mods) {
  if (action == GLFW_RELEASE) return;
  Input& input = inputOf(window);
  input.lastKey = key;
  input.lastMods = mods;
  if (key == GLFW_KEY_HOME) {
    if (input.camera) input.camera->home(*input.view);
    return;
  }
  if (key == GLFW_KEY_ESCAPE) {
    if (action == GLFW_PRESS) glfwSetWindowShouldClose(window, GLFW_TRUE);
    return;
  }
  if (const auto host = functionKeyFor(key)) {
    // A held key does not repeat: one press, one toggle or one step of speed.
    if (action == GLFW_PRESS) input.keys.push_back({*host, 0});
    return;
  }
  if (mods & GLFW_MOD_CONTROL) {
    // Held, only ctrl-o goes on repeating: it steps a paused game frame by frame.
    const auto host = hostKeyFor(key, scancode);
    if (host && (action == GLFW_PRESS || *host == HostKey::Step)) input.keys.push_back({*host, 0});
    return;
  }
  if (const int code = controlCharacterFor(key)) input.keys.push_back({HostKey::None, code});
}

// Printable characters as typed: upper case with Shift or Caps Lock, space 32; outside ASCII,
// the US keyboard's character of the key pressed.
void onCharacter(GLFWwindow* window, unsigned codepoint) {
  Input& input = inputOf(window);
  const unsigned character = characterForLayout(codepoint, input.lastKey, input.lastMods);
  input.keys.push_back({HostKey::None, static_cast<int>(character)});
}

unsigned buttonsHeld(GLFWwindow* window) {
  unsigned buttons = 0;
  if (glfwGetMouseButton(window, GLFW_MOUSE_BUTTON_LEFT) == GLFW_PRESS) buttons |= kLeftButton;
  if (glfwGetMouseButton(window, GLFW_MOUSE_BUTTON_RIGHT) == GLFW_PRESS) buttons |= kRightButton;
  if (glfwGetMouseButton(window, GLFW_MOUSE_BUTTON_MIDDLE) == GLFW_PRESS) buttons |= kMiddleButton;
  return buttons;
}

void onCursor(GLFWwindow* window, double x, double y) {
  Input& input = inputOf(window);
  const unsigned buttons = buttonsHeld(window);
  if (input.cursorKnown && buttons)
    dragCamera(*input.view, buttons, x - input.cursorX, y - input.cursorY);
  input.cursorX = x;
  input.cursorY = y;
  input.cursorKnown = true;
}

// A double-click follows the shape under the cursor; on the ground or the sky it stops following.
void followAt(GLFWwindow* window, Input& input, double x, double y) {
  int width = 0, height = 0, framebufferWidth = 0, framebufferHeight = 0;
  glfwGetWindowSize(window, &width, &height);
  glfwGetFramebufferSize(window, &framebufferWidth, &framebufferHeight);
  if (width <= 0 || height <= 0 || !input.frame || !input.camera) return;
  // The cursor is in screen coordinates, the picture in pixels.
  const double scaleX = double(framebufferWidth) / width,
               scaleY = double(framebufferHeight) / height;
  const auto picked = pickShape(*input.frame, *input.view, framebufferWidth, framebufferHeight,
                                static_cast<float>(x * scaleX), static_cast<float>(y * scaleY));
  if (picked)
    input.camera->follow(*input.view, *input.frame, *picked);
  else
    input.camera->stop();
}

void onMouseButton(GLFWwindow* window, int button, int action, int) {
  if (button != GLFW_MOUSE_BUTTON_LEFT || action != GLFW_PRESS) return;
  Input& input = inputOf(window);
  double x = 0, y = 0;
  glfwGetCursorPos(window, &x, &y);
  const double now = glfwGetTime();
  const bool twice = input.lastClickTime >= 0 && now - input.lastClickTime <= kDoubleClickSeconds &&
                     std::abs(x - input.lastClickX) <= kDoubleClickPixels &&
                     std::abs(y - input.lastClickY) <= kDoubleClickPixels;
  if (twice) {
    followAt(window, input, x, y);
    // A third press starts a new pair.
    input.lastClickTime = -1;
    return;
  }
  input.lastClickTime = now;
  input.lastClickX = x;
  input.lastClickY = y;
}

void onScroll(GLFWwindow* window, double, double notches) {
  scrollCamera(*inputOf(window).view, notches);
}

void onRefresh(GLFWwindow* window) {
  inputOf(window).damaged = true;
}

void onFramebufferSize(GLFWwindow* window, int width, int height) {
  Input& input = inputOf(window);
  input.framebufferWidth = width;
  input.framebufferHeight = height;
}

bool hasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

int noDisplay(const std::string& why) {
  std::fprintf(stderr, "cannoncar: no display found (%s); %s\n", why.c_str(), kHowToRunHeadless);
  return 2;
}

GLFWwindow* openWindow(int width, int height) {
  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
  glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
  glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
  glfwWindowHint(GLFW_RESIZABLE, GLFW_TRUE);
  // The renderer draws into its own target, with its own sampling (four samples on hardware GL,
  // one on a software rasterizer, as offscreen), and copies the picture into the window.
  glfwWindowHint(GLFW_DEPTH_BITS, 0);
  glfwWindowHint(GLFW_STENCIL_BITS, 0);
  glfwWindowHint(GLFW_SAMPLES, 0);
  GLFWwindow* window = glfwCreateWindow(width, height, kTitle, nullptr, nullptr);
  if (window)
    glfwSetWindowSizeLimits(window, kSmallestSide, kSmallestSide, kLargestSide, kLargestSide);
  return window;
}

// A window stretched past what the renderer draws (by a window manager or a tool that ignores the
// window's limits) is asked back within them, and this frame is not shown: drawn and sent to the
// X server at that size, it aborts inside the X client library.
void keepWithinLimits(GLFWwindow* window, int& width, int& height) {
  width = std::min(width, kLargestSide);
  height = std::min(height, kLargestSide);
  int windowWidth = 0, windowHeight = 0;
  glfwGetWindowSize(window, &windowWidth, &windowHeight);
  glfwSetWindowSize(window, std::min(windowWidth, kLargestSide),
                    std::min(windowHeight, kLargestSide));
}

// Frames per second over the last whole second, for the HUD; -1 until a second has passed.
class FrameRateMeter {
 public:
  double frameShown(std::chrono::steady_clock::time_point now) {
    if (frames_ < 0) {
      start_ = now;
      frames_ = 0;
      return measured_;
    }
    ++frames_;
    const std::chrono::duration<double> elapsed = now - start_;
    if (elapsed.count() >= kSecond) {
      measured_ = frames_ / elapsed.count();
      start_ = now;
      frames_ = 0;
    }
    return measured_;
  }

 private:
  static constexpr double kSecond = 1.0;
  std::chrono::steady_clock::time_point start_;
  long frames_ = -1;
  double measured_ = -1;
};

// The picture of a frame at the window's framebuffer size (the view's size while minimised).
bool writePicture(GlRenderer& renderer, const FrameCalls& frame, const View& view, int width,
                  int height, const std::string& path, std::string_view what) {
  if (width <= 0 || height <= 0) {
    width = view.width;
    height = view.height;
  }
  std::string error;
  const Image image = renderer.picture(frame.calls, view, width, height);
  if (image.rgba.empty())
    error = "cannot write " + outputName(what, path) + ": cannot draw a picture of " +
            std::to_string(width) + "x" + std::to_string(height);
  if (!image.rgba.empty() && writePng(path, image, error, what, PngEffort::Fast)) return true;
  std::fprintf(stderr, "cannoncar: %s\n", error.c_str());
  return false;
}

// Hands a frame's picture to the writer's threads; one that could not be drawn is said at once.
void queueFrame(FrameWriter& writer, const std::string& path, Image image, int width, int height,
                int& status) {
  if (image.rgba.empty()) {
    std::fprintf(stderr, "cannoncar: cannot write %s: cannot draw a picture of %dx%d\n",
                 outputName(kFramePicture, path).c_str(), width, height);
    status = 1;
    return;
  }
  writer.write(path, std::move(image));
}

// Sleeps until the deadline, waking for the window's events (the camera follows the mouse
// meanwhile), and returns early when the window is asked to close.
void waitUntil(GLFWwindow* window, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= left.zero() || glfwWindowShouldClose(window)) return;
    glfwWaitEventsTimeout(std::chrono::duration<double>(left).count());
  }
}

// Runs frames until the session ends; returns 0, or 1 when a picture could not be written.
int playFrames(Session& session, GLFWwindow* window, GlRenderer& renderer, Input& input) {
  const Options& options = session.options();
  // Vsync where the driver gives it paces the default rate; the clock paces every rate.
  const double vsyncFps = session.fps();
  const bool vsyncAllowed = !options.fps;
  int swapInterval = -1;
  FrameRateMeter meter;

  FrameCalls frame;
  ShownFrame shown;
  FrameWriter frameWriter(kFrameWriterThreads, kFrameWriterQueue);
  // On a software rasterizer GL's copy into the window's buffer and its swap cost more than reading
  // the picture back and handing it to the X server.
  const auto present = renderer.software() ? SoftwarePresent::make(window) : nullptr;
  session.setFrameBackend(&frame);
  if (std::string error; !session.start(error)) {
    std::fprintf(stderr, "cannoncar: %s\n", error.c_str());
    return 2;
  }
  CameraFollow camera(session.view());
  input.frame = &frame.calls;
  input.camera = &camera;
  int status = 0;
  int width = 0, height = 0;
  auto deadline = std::chrono::steady_clock::now();
  while (!options.frames || session.framesRun() < *options.frames) {
    glfwPollEvents();
    std::vector<Key> keys;
    keys.swap(input.keys);
    // A lost display closes the game as the window's close button does.
    if (glfwWindowShouldClose(window) || displayLost()) keys.push_back({HostKey::Close, 0});
    const long index = session.framesRun();
    if (!session.runFrame(keys)) break;
    camera.track(session.view(), frame.calls);

    // Once the display is lost no size comes any more; pictures keep the last.
    if (!displayLost()) {
      width = input.framebufferWidth;
      height = input.framebufferHeight;
    }
    const bool tooLarge = width > kLargestSide || height > kLargestSide;
    if (tooLarge && !displayLost()) keepWithinLimits(window, width, height);
    const View& view = session.view();
    const bool writing = session.writingFrames() && !displayLost();
    if (!displayLost() && width > 0 && height > 0 && !tooLarge &&
        (writing || input.damaged || !shown.matches(frame, view, width, height))) {
      // Read straight from the renderer's own target into the window where the X server shares
      // memory; otherwise copied into the window's buffer and swapped.
      const unsigned drawn = present && present->ready(width, height)
                                 ? renderer.drawForReading(frame.calls, view, width, height)
                                 : 0;
      if (!drawn) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        renderer.draw(frame.calls, view, width, height);
      }
      // ctrl-w writes the picture shown, overlay and all, read before the buffers swap.
      Image image = writing ? renderer.shownPicture() : Image{};
      if (drawn)
        present->show(drawn);
      else
        glfwSwapBuffers(window);
      shown.remember(frame, view, width, height);
      input.damaged = false;
      if (writing)
        queueFrame(frameWriter, frameFileName(index), std::move(image), width, height, status);
    } else if (writing) {
      // Minimised, or stretched past the largest side: the picture at the view's size.
      queueFrame(frameWriter, frameFileName(index),
                 renderer.picture(frame.calls, view, view.width, view.height), view.width,
                 view.height, status);
    }

    // PageUp and PageDown change the rate between frames: each frame is paced by the rate now.
    const double fps = session.fps();
    const int interval = vsyncAllowed && fps == vsyncFps ? 1 : 0;
    if (interval != swapInterval) glfwSwapInterval(swapInterval = interval);
    const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(1.0 / fps));
    deadline += period;
    const auto now = std::chrono::steady_clock::now();
    session.setMeasuredFps(meter.frameShown(now));
    // After a stall (a drag of the window, a slow picture) the pace starts afresh.
    if (deadline < now - period) deadline = now;
    waitUntil(window, deadline);
  }
  if (!frameWriter.drain()) status = 1;
  session.setFrameBackend(nullptr);
  input.frame = nullptr;
  input.camera = nullptr;
  if (!options.screenshotFile.empty() && !displayLost() &&
      !writePicture(renderer, frame, session.view(), width, height, options.screenshotFile,
                    "screenshot"))
    status = 1;
  return status;
}

// Past the loss the GL driver works on with whatever its failed requests left behind, and tearing
// it down has been seen to crash its threads: the renderer, the window and GLFW are left as they
// are, for the end of the process to take.
int endWithoutDisplay(const Session& session, std::unique_ptr<GlRenderer> renderer) {
  static std::unique_ptr<GlRenderer> abandoned;
  abandoned = std::move(renderer);
  const bool screenshot = !session.options().screenshotFile.empty();
  std::fprintf(stderr,
               "cannoncar: lost the display %s; the game ended as if its window had closed%s\n",
               displayName().c_str(), screenshot ? ", without a screenshot" : "");
  return 1;
}

}  // namespace

int runWindow(Session& session) {
  if (!hasDisplay()) return noDisplay("neither DISPLAY nor WAYLAND_DISPLAY is set");
  glfwSetErrorCallback(onGlfwError);
  if (!glfwInit()) return noDisplay(glfwFault);
  watchForLostDisplay();
  const View& view = session.view();
  GLFWwindow* window = openWindow(view.width, view.height);
  if (!window) {
    glfwTerminate();
    return noDisplay("cannot open a window: " + glfwFault);
  }
  glfwMakeContextCurrent(window);

  int status = 0;
  {
    auto renderer = std::make_unique<GlRenderer>();
    std::string error;
    if (!renderer->init(error)) {
      glfwDestroyWindow(window);
      glfwTerminate();
      return noDisplay("cannot draw in a window: " + error);
    }
    Input input;
    input.view = &session.view();
    // In a window the overlay is always there, the HUD shown until F2 hides it.
    session.view().overlay = true;
    session.view().hud = true;
    glfwSetWindowUserPointer(window, &input);
    // Caps Lock reaches the key callback: it gives the case of a letter typed on another layout.
    glfwSetInputMode(window, GLFW_LOCK_KEY_MODS, GLFW_TRUE);
    glfwSetKeyCallback(window, onKey);
    glfwSetCharCallback(window, onCharacter);
    glfwSetCursorPosCallback(window, onCursor);
    glfwSetMouseButtonCallback(window, onMouseButton);
    glfwSetScrollCallback(window, onScroll);
    glfwSetWindowRefreshCallback(window, onRefresh);
    glfwSetFramebufferSizeCallback(window, onFramebufferSize);
    glfwGetFramebufferSize(window, &input.framebufferWidth, &input.framebufferHeight);
    status = playFrames(session, window, *renderer, input);
    if (displayLost()) return endWithoutDisplay(session, std::move(renderer));
  }  // the renderer lets go of its GL objects while the context still exists
  glfwDestroyWindow(window);
  glfwTerminate();
  return status;
}
