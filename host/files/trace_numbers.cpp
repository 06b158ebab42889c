#include "trace_numbers.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kDigits = 9;
constexpr std::uint32_t kSmallestNine = 100000000;
constexpr std::uint32_t kLargestNinePlusOne = 1000000000;
// %g writes a decimal exponent X in fixed notation while -4 <= X < precision.
constexpr int kLowestFixedExponent = -4;
// Powers of ten that a double holds exactly.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kLargestExactPower = 22;
// The scaled value is off the true one by at most two roundings of a double below 2^35; closer
// than this to a half, the reference decides.
constexpr double kHalfwayDoubt = 1e-5;

bool referenceOnly = false;
bool shortestOnly = false;
bool cachedShortest = false;

// A frame repeats many numbers (the cannon's rotation on twenty shapes, the colours, the sizes):
// the text of a recent one is kept by its bits.
struct RecentNumber {
  std::uint32_t bits;
  std::uint8_t length;  // 0: empty
  char text[kTraceNumberRoom];
};
constexpr int kRecentBits = 8;
thread_local RecentNumber recent[1 << kRecentBits];

char* writeReference(char* out, float value) {
  auto [end, ec] = std::to_chars(out, out + kTraceNumberRoom, static_cast<double>(value),
                                 std::chars_format::general, kDigits);
  return ec == std::errc() ? end : out;
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char* putPair(char* out, std::uint32_t pair) {
  std::memcpy(out, kDigitPairs + 2 * pair, 2);
  return out + 2;
}

// Nine digits of n (1e8 <= n < 1e9) into digits[0..8].
void nineDigits(std::uint32_t n, char* digits) {
  digits[0] = static_cast<char>('0' + n / 100000000);
  const std::uint32_t high = n % 100000000 / 10000, low = n % 10000;
  char* out = putPair(digits + 1, high / 100);
  out = putPair(out, high % 100);
  out = putPair(out, low / 100);
  putPair(out, low % 100);
}

char* writeInteger(char* out, std::uint32_t n) {
  if (n < 10) {
    *out++ = static_cast<char>('0' + n);
    return out;
  }
  return std::to_chars(out, out + kTraceNumberRoom, n).ptr;
}

// a * 10^power, with at most two roundings; false where the powers run out.
bool scale(double a, int power, double& scaled) {
  if (power >= 0 && power <= kLargestExactPower) {
    scaled = a * kPowersOfTen[power];
  } else if (power < 0 && -power <= kLargestExactPower) {
    scaled = a / kPowersOfTen[-power];
  } else if (power > kLargestExactPower && power <= 2 * kLargestExactPower) {
    scaled = a * kPowersOfTen[kLargestExactPower] * kPowersOfTen[power - kLargestExactPower];
  } else {
    return false;
  }
  return true;
}

// The nine-digit decimal nearest to a scaled value below 1e9; false when the value lies too close
// to a half to decide.
bool roundScaled(double scaled, std::uint32_t& n) {
  const double whole = std::floor(scaled);
  const double fraction = scaled - whole;
  if (std::fabs(fraction - 0.5) < kHalfwayDoubt) return false;
  n = static_cast<std::uint32_t>(whole) + (fraction > 0.5 ? 1 : 0);
  return true;
}

char* writeExponent(char* out, int exponent) {
  *out++ = 'e';
  *out++ = exponent < 0 ? '-' : '+';
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude < 10) *out++ = '0';
  return writeInteger(out, static_cast<std::uint32_t>(magnitude));
}

// a > 0, finite, not a whole number below 1e9. False sends it the reference way.
bool writeScaled(char*& out, float a) {
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(a);
  const int biased = static_cast<int>(bits >> 23);
  if (biased == 0) return false;  // subnormal
  // floor(log10(2^e)): the decimal exponent is this or one more
  int exponent = ((biased - 127) * 1233) >> 12;
  double scaled;
  if (!scale(a, kDigits - 1 - exponent, scaled)) return false;
  if (scaled >= kLargestNinePlusOne) {
    ++exponent;
    if (!scale(a, kDigits - 1 - exponent, scaled)) return false;
  }
  std::uint32_t n;
  if (!roundScaled(scaled, n)) return false;
  if (n == kLargestNinePlusOne) {
    // rounded up to the next power of ten
    n = kSmallestNine;
    ++exponent;
  }
  if (n < kSmallestNine || n >= kLargestNinePlusOne) return false;

  char digits[kDigits];
  nineDigits(n, digits);
  int significant = kDigits;
  while (digits[significant - 1] == '0') --significant;

  if (exponent < kLowestFixedExponent || exponent >= kDigits) {
    *out++ = digits[0];
    if (significant > 1) {
      *out++ = '.';
      std::memcpy(out, digits + 1, significant - 1);
      out += significant - 1;
    }
    out = writeExponent(out, exponent);
  } else if (exponent >= 0) {
    std::memcpy(out, digits, exponent + 1);
    out += exponent + 1;
    if (significant > exponent + 1) {
      *out++ = '.';
      std::memcpy(out, digits + exponent + 1, significant - exponent - 1);
      out += significant - exponent - 1;
    }
  } else {
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > exponent; --i) *out++ = '0';
    std::memcpy(out, digits, significant);
    out += significant;
  }
  return true;
}

}  // namespace

char* writeTraceNumber(char* out, float value) {
  if (referenceOnly) return writeReference(out, value);
  if (shortestOnly) return std::to_chars(out, out + kTraceNumberRoom, value).ptr;
  if (cachedShortest) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    RecentNumber& slot = recent[(bits * 2654435761u) >> (32 - kRecentBits)];
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
  const float a = std::fabs(value);
  // whole numbers of up to nine digits, zero among them, are most of a trace
  if (a < static_cast<float>(kLargestNinePlusOne) && a == std::trunc(a)) {
    if (std::signbit(value)) *out++ = '-';
    return writeInteger(out, static_cast<std::uint32_t>(a));
  }
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
  RecentNumber& slot = recent[(bits * 2654435761u) >> (32 - kRecentBits)];
  if (slot.length && slot.bits == bits) {
    std::memcpy(out, slot.text, kTraceNumberRoom);
    return out + slot.length;
  }
  char* end = out;
  if (std::signbit(value)) *end++ = '-';
  if (!writeScaled(end, a)) end = writeReference(out, value);
  slot.bits = bits;
  slot.length = static_cast<std::uint8_t>(end - out);
  std::memcpy(slot.text, out, slot.length);
  return end;
}

void setReferenceTraceNumbers(bool on) {
  referenceOnly = on;
}

void setShortestTraceNumbers(bool on) {
  shortestOnly = on;
}

void setCachedShortestTraceNumbers(bool on) {
  cachedShortest = on;
  for (RecentNumber& slot : recent) slot.length = 0;
}
