#include "shader_program.h"

namespace {

GLuint compile(GLenum stage, const std::string& source, std::string& error) {
  const GLuint shader = glCreateShader(stage);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[512] = "";
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    error = std::string("shader does not compile: ") + log;
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

GLuint linkProgram(const std::string& vertex, const std::string& fragment, std::string& error) {
  const GLuint vs = compile(GL_VERTEX_SHADER, vertex, error);
  if (!vs) return 0;
  const GLuint fs = compile(GL_FRAGMENT_SHADER, fragment, error);
  if (!fs) {
    glDeleteShader(vs);
    return 0;
  }
  const GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[512] = "";
    glGetProgramInfoLog(program, sizeof log, nullptr, log);
    error = std::string("shaders do not link: ") + log;
    glDeleteProgram(program);
    return 0;
  }
  return program;
}
