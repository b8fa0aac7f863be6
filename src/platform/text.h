#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vantel {

/// Code page 1252 bytes to UTF-8 (the current ANSI code page of the host's texts).
std::string Cp1252ToUtf8(std::string_view narrow);

/// Decimal, or hexadecimal with a "0x"/"0X" prefix, optionally signed; the whole text must
/// be the number. Values wrap to 32 bits as the Windows parser does.
bool ParseNumber(std::string_view text, int32_t& value);

}  // namespace vantel
