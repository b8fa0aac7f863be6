#include "platform/locale_names.h"

#include <cstring>

namespace vantel {
namespace {

struct LocaleName {
  uint32_t locale;
  const char* abbreviation;
};

constexpr LocaleName kNames[] = {
    {1031, "DEU"}, {1033, "ENU"}, {1034, "ESP"}, {1036, "FRA"},
    {1040, "ITA"}, {1041, "JPN"}, {1043, "NLD"}, {2057, "ENG"},
};

}  // namespace

int AbbreviatedLanguageName(uint32_t locale, std::string& name, int capacity) {
  for (const LocaleName& entry : kNames) {
    if (entry.locale != locale) continue;
    const int needed = static_cast<int>(std::strlen(entry.abbreviation)) + 1;
    if (capacity < needed) return 0;
    name = entry.abbreviation;
    return needed;
  }
  return 0;
}

}  // namespace vantel
