// Keys on any keyboard layout reach the game as the Latin letters of their US places.
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "typed_character.h"

namespace {

TEST(TypedCharacter, OutsideAsciiTheKeysUsPlaceGivesTheCharacter) {
  struct Case {
    const char* what;
    unsigned typed;
    int key, mods;
    unsigned delivered;
  };
  const Case cases[] = {
      {"Hangul jieut on the w key", 0x3148, GLFW_KEY_W, 0, 'w'},
      {"Hangul mieum on the a key", 0x3141, GLFW_KEY_A, 0, 'a'},
      {"Cyrillic tse on the w key", 0x0446, GLFW_KEY_W, 0, 'w'},
      {"Shift gives upper case", 0x0426, GLFW_KEY_W, GLFW_MOD_SHIFT, 'W'},
      {"Caps Lock gives upper case", 0x0426, GLFW_KEY_W, GLFW_MOD_CAPS_LOCK, 'W'},
      {"Shift with Caps Lock gives lower case", 0x0446, GLFW_KEY_W,
       GLFW_MOD_SHIFT | GLFW_MOD_CAPS_LOCK, 'w'},
      {"Greek final sigma on the w key", 0x03C2, GLFW_KEY_W, 0, 'w'},
      {"Cyrillic yu on the period key", 0x044E, GLFW_KEY_PERIOD, 0, '.'},
      {"Cyrillic Yu on the period key with Shift", 0x042E, GLFW_KEY_PERIOD, GLFW_MOD_SHIFT, '>'},
      {"Caps Lock leaves the digits alone", 0x0445, GLFW_KEY_1, GLFW_MOD_CAPS_LOCK, '1'},
      {"a non-breaking space on the space bar", 0x00A0, GLFW_KEY_SPACE, 0, ' '},
      // ASCII as typed, whatever the key: a French layout types 'a' on the US q key.
      {"ASCII stays as typed", 'a', GLFW_KEY_Q, 0, 'a'},
      {"upper-case ASCII stays as typed", 'Z', GLFW_KEY_W, GLFW_MOD_SHIFT, 'Z'},
      // A key that a US keyboard does not have keeps what it typed.
      {"the ISO key beside left Shift", 0x00B5, GLFW_KEY_WORLD_1, 0, 0x00B5},
      {"a key GLFW does not know", 0x3148, GLFW_KEY_UNKNOWN, 0, 0x3148},
      {"a keypad key", 0x00B7, GLFW_KEY_KP_DECIMAL, 0, 0x00B7},
  };
  for (const Case& c : cases)
    EXPECT_EQ(characterForLayout(c.typed, c.key, c.mods), c.delivered) << c.what;
}

}  // namespace
