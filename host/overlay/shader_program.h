// A GL program from its two shaders' sources: used by the renderer and by the overlay.
#pragma once

#include <epoxy/gl.h>

#include <string>

// Compiles and links; 0 with a one-line reason (the driver's log) when either step fails.
GLuint linkProgram(const std::string& vertex, const std::string& fragment, std::string& error);
