#include "bench/gl_context.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

bool makeBenchContext(std::string& error) {
  if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
    error = "EGL has no surfaceless platform";
    return false;
  }
  EGLDisplay display =
      eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLint major = 0, minor = 0;
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor) ||
      !eglBindAPI(EGL_OPENGL_API)) {
    error = "cannot open the EGL surfaceless display";
    return false;
  }
  const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                               3,
                               EGL_CONTEXT_MINOR_VERSION,
                               3,
                               EGL_CONTEXT_OPENGL_PROFILE_MASK,
                               EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                               EGL_NONE};
  EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
  if (context == EGL_NO_CONTEXT ||
      !eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
    error = "cannot make an OpenGL 3.3 context with EGL";
    return false;
  }
  return true;
}

std::string glRendererName() {
  const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  return name ? name : "?";
}
