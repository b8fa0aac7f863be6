#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace vantel {

/// Decimal, or hexadecimal with a "0x"/"0X" prefix, optionally signed; the whole text must
/// be the number. Values wrap to 32 bits as the Windows parser does.
bool ParseNumber(std::string_view text, int32_t& value);

/// A number a person typed, read as ParseNumber reads it but never wrapped: the sign is kept
/// and a magnitude past 32 bits reads as 2^32, outside every range an edit accepts, so that
/// "4294967296" is not 0 and "-4294967295" is not 1. nullopt when the text is not wholly a
/// number.
std::optional<int64_t> ParseTypedNumber(std::string_view text);

}  // namespace vantel
