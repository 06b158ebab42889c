// Key scripts from any bytes: parsed without a crash, every error one short line naming the place,
// and every script that parses written back by the recorder's own format into the same script.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "key_script.h"

static constexpr std::size_t kLongestError = 200;

static void check(bool fact) {
  if (!fact) std::abort();
}

static bool sameKeys(const KeyScript::Entry& a, const KeyScript::Entry& b) {
  if (a.frame != b.frame || a.keys.size() != b.keys.size()) return false;
  for (std::size_t i = 0; i < a.keys.size(); ++i) {
    if (a.keys[i].host != b.keys[i].host || a.keys[i].code != b.keys[i].code) return false;
  }
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  KeyScript script;
  std::string error;
  if (!parseKeyScript(text, "fuzz", script, error)) {
    check(error.starts_with("fuzz:") && error.size() <= kLongestError);
    check(error.find('\n') == std::string::npos);
    return 0;
  }
  check(error.empty());
  std::string written;
  for (std::size_t i = 0; i < script.entries.size(); ++i) {
    const KeyScript::Entry& entry = script.entries[i];
    check(entry.frame >= 0 && (i == 0 || entry.frame >= script.entries[i - 1].frame));
    written += keyLine(entry.frame, entry.keys) + "\n";
  }
  KeyScript again;
  check(parseKeyScript(written, "again", again, error));
  check(again.entries.size() == script.entries.size());
  for (std::size_t i = 0; i < script.entries.size(); ++i) {
    check(sameKeys(script.entries[i], again.entries[i]));
  }
  return 0;
}
