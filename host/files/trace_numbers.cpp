#include "trace_numbers.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace {

struct RecentNumber {
  std::uint32_t bits;
  std::uint8_t length;  // 0: empty
  char text[kTraceNumberRoom];
};
// 256 slots hold a frame's repeated numbers; a slot is picked by a multiplicative hash of the bits.
constexpr int kRecentBits = 8;
constexpr std::uint32_t kHashFactor = 2654435761u;
thread_local RecentNumber recent[1 << kRecentBits];

}  // namespace

char* writeTraceNumber(char* out, float value) {
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
  RecentNumber& slot = recent[(bits * kHashFactor) >> (32 - kRecentBits)];
  if (slot.length && slot.bits == bits) {
    std::memcpy(out, slot.text, kTraceNumberRoom);
    return out + slot.length;
  }
  char* end = std::to_chars(out, out + kTraceNumberRoom, value).ptr;
  slot.bits = bits;
  slot.length = static_cast<std::uint8_t>(end - out);
  std::memcpy(slot.text, out, slot.length);
  return end;
}
