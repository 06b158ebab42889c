// Pictures without a window: an EGL context on Mesa's surfaceless platform (llvmpipe where there
// is no GPU) drawing into framebuffer objects. No X server, no Wayland compositor.
#include <epoxy/egl.h>

#include <utility>
#include <vector>

#include "offscreen.h"
#include "output_file.h"
#include "renderer_gl.h"

namespace {

// One EGL display for the process; contexts are made and destroyed on it, and it is never
// terminated, so several backends (tests make many) can live side by side.
EGLDisplay surfacelessDisplay(std::string& error) {
  static EGLDisplay display = EGL_NO_DISPLAY;
  if (display != EGL_NO_DISPLAY) return display;
  if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
    error = "EGL has no surfaceless platform (Mesa's libegl-mesa0 is needed)";
    return EGL_NO_DISPLAY;
  }
  EGLDisplay candidate =
      eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLint major = 0, minor = 0;
  if (candidate == EGL_NO_DISPLAY || !eglInitialize(candidate, &major, &minor)) {
    error = "cannot open the EGL surfaceless display";
    return EGL_NO_DISPLAY;
  }
  display = candidate;
  return display;
}

EGLContext makeContext(EGLDisplay display, std::string& error) {
  if (!eglBindAPI(EGL_OPENGL_API)) {
    error = "EGL cannot bind desktop OpenGL";
    return EGL_NO_CONTEXT;
  }
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  // Nothing is drawn to an EGL surface, so a context without a config will do too.
  if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1)
    config = EGL_NO_CONFIG_KHR;
  const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                      3,
                                      EGL_CONTEXT_MINOR_VERSION,
                                      3,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                      EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
  if (context == EGL_NO_CONTEXT) error = "cannot create an OpenGL 3.3 context with EGL";
  return context;
}

class OffscreenBackend final : public PictureBackend {
 public:
  OffscreenBackend(const View& view, EGLDisplay display, EGLContext context,
                   std::unique_ptr<GlRenderer> renderer)
      : view_(view),
        lastView_(view),
        display_(display),
        context_(context),
        renderer_(std::move(renderer)) {}

  ~OffscreenBackend() override {
    makeCurrent();
    renderer_.reset();
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display_, context_);
  }

  bool start(std::string& error) {
    if (!makeCurrent()) {
      error = "cannot make the EGL context current";
      return false;
    }
    return renderer_->init(error);
  }

  void beginFrame(const FrameInfo&) override { calls_.clear(); }
  void draw(const DrawCall& call) override { calls_.push_back(call); }

  // The frame is kept with the view as it stood and drawn only when a picture is asked for:
  // a long headless run pays for one picture, not one per frame.
  void endFrame() override {
    lastCalls_.swap(calls_);
    calls_.clear();
    lastView_ = view_;
    haveFrame_ = true;
  }

  bool writePng(const std::string& path, std::string_view what, std::string& error) override {
    const View& view = haveFrame_ ? lastView_ : view_;
    const std::string cannot = "cannot write " + outputName(what, path) + ": ";
    if (view.width <= 0 || view.height <= 0) {
      error = cannot + "the picture has no pixels";
      return false;
    }
    if (!makeCurrent()) {
      error = cannot + "cannot make the EGL context current";
      return false;
    }
    const Image image = renderer_->picture(lastCalls_, view, view.width, view.height);
    if (image.rgba.empty()) {
      error = cannot + "cannot draw a picture of " + std::to_string(view.width) + "x" +
              std::to_string(view.height);
      return false;
    }
    return ::writePng(path, image, error, what, PngEffort::Fast);
  }

 private:
  bool makeCurrent() { return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_); }

  const View& view_;
  View lastView_;
  EGLDisplay display_;
  EGLContext context_;
  std::unique_ptr<GlRenderer> renderer_;
  std::vector<DrawCall> calls_, lastCalls_;
  bool haveFrame_ = false;
};

}  // namespace

std::unique_ptr<PictureBackend> makeOffscreenBackend(const View& view, std::string& error) {
  // The textures are decoded on the other core while EGL loads the rasterizer, its longest step.
  auto renderer = std::make_unique<GlRenderer>();
  renderer->startLoadingTextures(view.textureDir);
  const EGLDisplay display = surfacelessDisplay(error);
  if (display == EGL_NO_DISPLAY) return nullptr;
  const EGLContext context = makeContext(display, error);
  if (context == EGL_NO_CONTEXT) return nullptr;
  auto backend = std::make_unique<OffscreenBackend>(view, display, context, std::move(renderer));
  if (!backend->start(error)) return nullptr;
  return backend;
}

bool makeSurfacelessContextCurrent(std::string& error) {
  const EGLDisplay display = surfacelessDisplay(error);
  if (display == EGL_NO_DISPLAY) return false;
  const EGLContext context = makeContext(display, error);
  if (context == EGL_NO_CONTEXT) return false;
  if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
    error = "cannot make the EGL context current";
    return false;
  }
  return true;
}
