/* The texts of the host interface in code page 1252 (host_abi.h), to and from UTF-8, for a host
   that keeps its own texts in UTF-8 and converts them at its side of ACTIONDLL and the exports.
   C++17, header only: unlike the C headers it is no part of the plug-in's binary interface. */
#ifndef VANTEL_HOST_TEXT_H
#define VANTEL_HOST_TEXT_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vantel {

namespace host_text_detail {

/* 0x80 to 0x9F of code page 1252, where it differs from Latin-1; 0 for the five bytes it leaves
   unassigned. */
inline constexpr char16_t kHigh1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

inline void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace host_text_detail

/* What stands for the five bytes code page 1252 leaves unassigned (0x81, 0x8D, 0x8F, 0x90,
   0x9D): U+FFFD, which no byte of the code page holds. */
inline constexpr char32_t kUnassignedCp1252 = 0xFFFD;

/* The character of a byte of code page 1252. */
constexpr char32_t Cp1252Character(unsigned char byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  const char16_t mapped = host_text_detail::kHigh1252[byte - 0x80];
  return mapped != 0 ? mapped : kUnassignedCp1252;
}

/* The byte of code page 1252 that holds `c`, or -1 when the code page has no such character. */
constexpr int Cp1252Byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (host_text_detail::kHigh1252[i] != 0 && host_text_detail::kHigh1252[i] == c) return 0x80 + i;
  return -1;
}

/* The character that starts at `text[at]`, read as UTF-8 into `c`: its length in bytes, or 0
   when the bytes there are not UTF-8 (cut short, overlong, a surrogate, past U+10FFFF). */
inline size_t DecodeUtf8(std::string_view text, size_t at, char32_t& c) {
  if (at >= text.size()) return 0;
  const auto lead = static_cast<unsigned char>(text[at]);
  const size_t length = lead < 0x80                    ? 1
                        : lead >= 0xC2 && lead <= 0xDF ? 2
                        : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                       : 0;
  if (length == 0 || text.size() - at < length) return 0;
  // The second byte's range shuts out overlong forms, surrogates and points past U+10FFFF.
  const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  static constexpr unsigned char kLeadBits[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t value = lead & kLeadBits[length];
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[at + k]);
    if (k == 1 ? next < low || next > high : (next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  c = value;
  return length;
}

/* `text` (code page 1252) in UTF-8, an unassigned byte as U+FFFD; `*whole`, when given, tells
   whether the text had none, so that the UTF-8 turns back into the same bytes. */
inline std::string Cp1252ToUtf8(std::string_view text, bool* whole = nullptr) {
  std::string out;
  out.reserve(text.size());
  bool assigned = true;
  for (char byte : text) {
    const char32_t c = Cp1252Character(static_cast<unsigned char>(byte));
    assigned = assigned && c != kUnassignedCp1252;
    host_text_detail::AppendUtf8(out, c);
  }
  if (whole) *whole = assigned;
  return out;
}

/* `text` (UTF-8) in code page 1252; nothing when it is not UTF-8 or holds a character the code
   page has not, which no host text can carry to the plug-in. */
inline std::optional<std::string> Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    char32_t c = 0;
    const size_t length = DecodeUtf8(text, at, c);
    const int byte = length ? Cp1252Byte(c) : -1;
    if (byte < 0) return std::nullopt;
    out += static_cast<char>(byte);
    at += length;
  }
  return out;
}

}  // namespace vantel

#endif
