#include "keys.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<HostKey, std::string_view>, 11> kHostKeyNames = {{
    {HostKey::Pause, "ctrl-p"},
    {HostKey::Step, "ctrl-o"},
    {HostKey::Textures, "ctrl-t"},
    {HostKey::Shadows, "ctrl-s"},
    {HostKey::Viewpoint, "ctrl-v"},
    {HostKey::WriteFrames, "ctrl-w"},
    {HostKey::Close, "ctrl-x"},
    {HostKey::Help, "f1"},
    {HostKey::Hud, "f2"},
    {HostKey::Faster, "pageup"},
    {HostKey::Slower, "pagedown"},
}};

}  // namespace

std::string_view hostKeyName(HostKey key) {
  for (const auto& [k, name] : kHostKeyNames) {
    if (k == key) return name;
  }
  return {};
}

std::optional<HostKey> hostKeyFromName(std::string_view name) {
  for (const auto& [k, n] : kHostKeyNames) {
    if (n == name) return k;
  }
  return std::nullopt;
}
