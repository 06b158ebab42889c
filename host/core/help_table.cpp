#include "help_table.h"

#include <array>

namespace {

constexpr std::array kOptions = {
    OptionHelp{"-notex", "", "start with textures off"},
    OptionHelp{"-noshadow, -noshadows", "", "start with shadows off"},
    OptionHelp{"-pause", "", "start paused"},
    OptionHelp{"--headless", "", "no window: run the frames as fast as possible, then end"},
    OptionHelp{"--frames", "N", "stop after N frames (default 600 when headless)"},
    OptionHelp{"--keys", "FILE", "play a key script (\"-\" reads standard input)"},
    OptionHelp{"--record", "FILE", "write every key pressed as a key script"},
    OptionHelp{"--trace", "FILE", "write every frame's drawing calls as JSON Lines"},
    OptionHelp{"--screenshot", "FILE", "after the last frame, write the picture as PNG"},
    OptionHelp{"--size", "WxH", "window or picture size instead of 800x600"},
    OptionHelp{"--fps", "N",
               "frames per second in a window, 0.1 to 1000 (default 60; 20 is real time)"},
    OptionHelp{"--hud", "", "draw the overlay (score, status, help) into headless pictures too"},
    OptionHelp{"--view", "X,Y,Z,H,P,R", "start-up camera, applied after the game's own"},
    OptionHelp{"--textures", "DIR", "the texture directory (default \"textures\")"},
    OptionHelp{"--help", "", "print this text"},
};

constexpr std::array kGameKeys = {
    KeyHelp{"w / s", "speed up / slow down"},
    KeyHelp{"a / d", "steer left / right"},
    KeyHelp{"z", "stop and straighten"},
    KeyHelp{"space", "fire a missile"},
    KeyHelp{"j / l", "turn the cannon left / right"},
    KeyHelp{"i / k", "raise / lower the cannon"},
    KeyHelp{"f", "toggle fast step mode"},
    KeyHelp{"r", "reset the simulation"},
    KeyHelp{"g / h", "increase / decrease AutoEnableDepth (no effect on this engine)"},
};

constexpr std::array kHostKeys = {
    KeyHelp{"ctrl-p", "pause on / off"},
    KeyHelp{"ctrl-o", "one step while paused"},
    KeyHelp{"ctrl-t", "textures on / off"},
    KeyHelp{"ctrl-s", "shadows on / off"},
    KeyHelp{"ctrl-v", "print the viewpoint"},
    KeyHelp{"ctrl-w", "write frames as PNG on / off"},
    KeyHelp{"ctrl-x, Esc", "quit"},
    KeyHelp{"F1", "help on / off"},
    KeyHelp{"F2", "score and status line on / off"},
    KeyHelp{"PageUp / PageDown", "double / halve the frame rate (1 to 480)"},
    KeyHelp{"Home", "camera back to the start; stop following"},
};

constexpr std::array kMouse = {
    KeyHelp{"left drag", "turn the camera"},
    KeyHelp{"right drag", "move the camera across the ground"},
    KeyHelp{"middle drag", "move the camera up and down"},
    KeyHelp{"wheel", "move the camera forward and back"},
    KeyHelp{"double-click", "follow a shape; on the ground, stop following"},
};

constexpr std::array kKeyGroups = {
    KeyGroup{"Game keys", kGameKeys},
    KeyGroup{"Host keys", kHostKeys},
    KeyGroup{"Mouse", kMouse},
};

}  // namespace

std::span<const OptionHelp> optionHelp() {
  return kOptions;
}

std::span<const KeyGroup> keyHelp() {
  return kKeyGroups;
}
