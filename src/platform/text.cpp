#include "platform/text.h"

#include <algorithm>

namespace vantel {
namespace {

// 0x80..0x9F of code page 1252; 0 marks the five unassigned bytes (kept as U+FFFD).
constexpr char16_t kHigh1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view narrow) {
  std::string out;
  out.reserve(narrow.size());
  for (unsigned char c : narrow) {
    if (c >= 0x80 && c < 0xA0) {
      const char16_t mapped = kHigh1252[c - 0x80];
      AppendUtf8(out, mapped ? mapped : 0xFFFD);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

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
