#pragma once
#include <cstdint>
#include <string>

namespace vantel {

inline constexpr uint16_t kLangEnglishUS = 1033;
inline constexpr uint16_t kLangFrench = 1036;

/// The three-letter abbreviated language name of a locale ("FRA" for 1036), plus the
/// terminating NUL in the returned count as the Windows call counts it; 0 when unknown or
/// when `capacity` (characters, NUL included) is too small.
int AbbreviatedLanguageName(uint32_t locale, std::string& name, int capacity);

}  // namespace vantel
