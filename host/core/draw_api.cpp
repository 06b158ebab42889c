// The drawing API: each call becomes a DrawCall, with the colour and texture in force, and goes to
// the current backend.
#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

#include "console_text.h"
#include "drawstuff.h"
#include "host_context.h"

namespace {

Backend nullBackend;

// A program reading the console (the score lines, ctrl-v) sees each line as it is printed, not
// when the buffer fills or the game ends. Set before main, before anything is written.
[[maybe_unused]] const int kLineBufferedOutput = std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);

Backend& backend() {
  Backend* b = hostContext().backend;
  return b ? *b : nullBackend;
}

DrawCall startCall(DrawCall::Shape shape, const auto* pos, const auto* R) {
  DrawCall call;
  call.shape = shape;
  for (int i = 0; i < 3; ++i) call.pos[i] = static_cast<float>(pos[i]);
  for (int i = 0; i < 12; ++i) call.R[i] = static_cast<float>(R[i]);
  const HostContext& context = hostContext();
  for (int i = 0; i < 3; ++i) call.color[i] = context.color[i];
  call.texture = context.texture;
  return call;
}

void drawBox(const auto* pos, const auto* R, const auto* sides) {
  DrawCall call = startCall(DrawCall::Shape::Box, pos, R);
  for (int i = 0; i < 3; ++i) call.sides[i] = static_cast<float>(sides[i]);
  backend().draw(call);
}

void drawSphere(const auto* pos, const auto* R, float radius) {
  DrawCall call = startCall(DrawCall::Shape::Sphere, pos, R);
  call.radius = radius;
  backend().draw(call);
}

void drawCylinder(const auto* pos, const auto* R, float length, float radius) {
  DrawCall call = startCall(DrawCall::Shape::Cylinder, pos, R);
  call.length = length;
  call.radius = radius;
  backend().draw(call);
}

// The HUD shows the last line the game printed, as printed, without its line break.
void keepLastLine(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  if (text.empty()) return;
  const std::size_t lineBreak = text.find_last_of('\n');
  if (lineBreak != std::string_view::npos) text.remove_prefix(lineBreak + 1);
  currentView().printed.assign(text);
}

}  // namespace

HostContext& hostContext() {
  static HostContext context;
  return context;
}

void setBackend(Backend* b) {
  hostContext().backend = b;
}
Backend& currentBackend() {
  return backend();
}

View& currentView() {
  return hostContext().view;
}

void dsSetViewpoint(const float xyz[3], const float hpr[3]) {
  View& view = currentView();
  for (int i = 0; i < 3; ++i) {
    view.xyz[i] = xyz[i];
    view.hpr[i] = hpr[i];
  }
}

void dsGetViewpoint(float xyz[3], float hpr[3]) {
  const View& view = currentView();
  for (int i = 0; i < 3; ++i) {
    xyz[i] = view.xyz[i];
    hpr[i] = view.hpr[i];
  }
}

void dsPrint(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, fmt, args);
  va_end(args);
  std::string console = toConsoleEncoding(text);
  std::fwrite(console.data(), 1, console.size(), stdout);
  keepLastLine(text);
  backend().print(text);
}

void dsSetTexture(int t) {
  hostContext().texture = t;
}

void dsSetColor(float red, float green, float blue) {
  float* color = hostContext().color;
  color[0] = red;
  color[1] = green;
  color[2] = blue;
}

void dsDrawBox(const float pos[3], const float R[12], const float sides[3]) {
  drawBox(pos, R, sides);
}
void dsDrawSphere(const float pos[3], const float R[12], float radius) {
  drawSphere(pos, R, radius);
}
void dsDrawCylinder(const float pos[3], const float R[12], float length, float radius) {
  drawCylinder(pos, R, length, radius);
}
void dsDrawBox(const double pos[3], const double R[12], const double sides[3]) {
  drawBox(pos, R, sides);
}
void dsDrawSphere(const double pos[3], const double R[12], double radius) {
  drawSphere(pos, R, static_cast<float>(radius));
}
void dsDrawCylinder(const double pos[3], const double R[12], double length, double radius) {
  drawCylinder(pos, R, static_cast<float>(length), static_cast<float>(radius));
}
