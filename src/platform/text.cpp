#include "platform/text.h"

#include <algorithm>

namespace vantel {
namespace {

struct Magnitude {
  bool negative = false;
  uint64_t value = 0;  // saturated at kTypedCeiling
};

constexpr uint64_t kTypedCeiling = uint64_t{1} << 32;

// Sign, "0x" prefix and digits, the whole text; the value wraps to 32 bits unless `saturate`.
std::optional<Magnitude> ReadNumber(std::string_view text, bool saturate) {
  size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
    negative = text[pos] == '-';
    ++pos;
  }
  unsigned base = 10;
  if (text.size() - pos > 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    base = 16;
    pos += 2;
  }
  if (pos >= text.size()) return std::nullopt;
  uint64_t result = 0;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    result = result * base + digit;
    result = saturate ? std::min(result, kTypedCeiling) : result & 0xFFFFFFFFu;
  }
  return Magnitude{negative, result};
}

}  // namespace

bool ParseNumber(std::string_view text, int32_t& value) {
  const std::optional<Magnitude> number = ReadNumber(text, false);
  if (!number) return false;
  const auto magnitude = static_cast<uint32_t>(number->value);
  value = static_cast<int32_t>(number->negative ? 0u - magnitude : magnitude);
  return true;
}

std::optional<int64_t> ParseTypedNumber(std::string_view text) {
  const std::optional<Magnitude> number = ReadNumber(text, true);
  if (!number) return std::nullopt;
  const auto magnitude = static_cast<int64_t>(number->value);
  return number->negative ? -magnitude : magnitude;
}

}  // namespace vantel
