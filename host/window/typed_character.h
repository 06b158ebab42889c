// Keys on any keyboard layout: the game knows Latin letters only, so a character outside ASCII
// (a Hangul, Cyrillic or Greek letter) is delivered as the character its key types on a US
// keyboard, where the key has a place there.
#pragma once

// The character to deliver for `typed`, typed with the key `key` (a GLFW key token, which names
// the key by its place on a US keyboard) and the modifiers `mods` (GLFW_MOD_* bits, Caps Lock
// included). ASCII stays as typed; letters take the case that Shift or Caps Lock gives, other keys
// the US character, shifted with Shift.
unsigned characterForLayout(unsigned typed, int key, int mods);
