#include "typed_character.h"

#include <GLFW/glfw3.h>

#include <string_view>

namespace {

constexpr unsigned kLastAscii = 0x7f;
// The printable keys of a US keyboard that are not letters, bare and with Shift. GLFW's tokens
// for them are their bare characters.
constexpr std::string_view kUsBare = "`1234567890-=[]\\;',./";
constexpr std::string_view kUsShifted = "~!@#$%^&*()_+{}|:\"<>?";

}  // namespace

unsigned characterForLayout(unsigned typed, int key, int mods) {
  if (typed <= kLastAscii) return typed;
  const bool shift = mods & GLFW_MOD_SHIFT;
  if (key >= GLFW_KEY_A && key <= GLFW_KEY_Z) {
    const bool upper = shift != static_cast<bool>(mods & GLFW_MOD_CAPS_LOCK);
    return static_cast<unsigned>((upper ? 'A' : 'a') + (key - GLFW_KEY_A));
  }
  if (key == GLFW_KEY_SPACE) return ' ';
  if (key <= 0 || key > static_cast<int>(kLastAscii)) return typed;
  const auto place = kUsBare.find(static_cast<char>(key));
  if (place == std::string_view::npos) return typed;
  return static_cast<unsigned char>(shift ? kUsShifted[place] : kUsBare[place]);
}
