#include "bench/gl_context.h"

#include "offscreen.h"

#include <epoxy/gl.h>

bool makeBenchContext(std::string& error) {
  return makeSurfacelessContextCurrent(error);
}

std::string glRendererName() {
  const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  return name ? name : "?";
}
