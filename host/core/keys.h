// Keys as the host delivers them: game keys by character code, host keys by name.
#pragma once

#include <optional>
#include <string_view>

enum class HostKey {
  None,
  Pause,
  Step,
  Textures,
  Shadows,
  Viewpoint,
  WriteFrames,
  Close,
  Help,
  Hud,
  Faster,
  Slower
};

struct Key {
  HostKey host = HostKey::None;  // None: a game key, delivered to the command callback
  int code = 0;                  // the character code of a game key
};

// "ctrl-p" and the like; an empty view for HostKey::None.
std::string_view hostKeyName(HostKey key);
std::optional<HostKey> hostKeyFromName(std::string_view name);
