// The resource library's name is built from the abbreviation: a wrong count or a name left
// behind on a refusal would load the wrong library, or none.
#include "platform/locale_names.h"

#include <gtest/gtest.h>

#include <string>

namespace vantel {
namespace {

TEST(LocaleNamesTest, AnAbbreviationIsGivenOnlyWhenItsNulFitsToo) {
  struct Case {
    uint32_t locale;
    int capacity;
    int count;
    const char* name;  // what `name` holds after the call, "-" for untouched
  };
  const Case cases[] = {
      {kLangFrench, 4, 4, "FRA"},
      {kLangEnglishUS, 64, 4, "ENU"},
      {2057, 4, 4, "ENG"},
      {kLangFrench, 3, 0, "-"},
      {kLangFrench, 0, 0, "-"},
      {1033 + 1036, 4, 0, "-"},
      {0, 4, 0, "-"},
  };
  for (const Case& c : cases) {
    std::string name = "-";
    EXPECT_EQ(AbbreviatedLanguageName(c.locale, name, c.capacity), c.count)
        << c.locale << " in " << c.capacity;
    EXPECT_EQ(name, c.name) << c.locale << " in " << c.capacity;
  }
}

}  // namespace
}  // namespace vantel
