// The command line from any bytes (arguments split at NUL): parsed without a crash, every error
// one short line, and every accepted value within its bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "options.h"

static constexpr std::size_t kLongestError = 200;

static void check(bool fact) {
  if (!fact) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words(1, "cannoncar");
  words.emplace_back();
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.emplace_back();
    } else {
      words.back() += static_cast<char>(data[i]);
    }
  }
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  argv.push_back(nullptr);

  const OptionsResult result = parseOptions(static_cast<int>(words.size()), argv.data());
  if (!result.error.empty()) {
    check(result.error.size() <= kLongestError);
    check(result.error.find('\n') == std::string::npos);
    return 0;
  }
  const Options& o = result.options;
  check(!o.frames || (*o.frames >= 1 && *o.frames <= 1'000'000'000));
  check(!o.fps || (*o.fps > 0 && *o.fps <= 1000));
  check(o.width.has_value() == o.height.has_value());
  check(!o.width || (*o.width >= 16 && *o.width <= 8192 && *o.height >= 16 && *o.height <= 8192));
  return 0;
}
