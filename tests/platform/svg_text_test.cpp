// The text escape shared by the snapshots and the reference host's pictures.
#include "vantel/svg_text.h"

#include <gtest/gtest.h>

#include <string_view>

namespace vantel {
namespace {

TEST(SvgTextTest, MarkupBecomesEntitiesControlsBecomeBlanksAndUtf8Stays) {
  struct Case {
    std::string_view text;
    const char* svg;
  };
  const Case kCases[] = {
      {"", ""},
      {"Bank 1", "Bank 1"},
      {"Injection <rail 1> & 2", "Injection &lt;rail 1&gt; &amp; 2"},
      {"say \"OK\" or 'no'", "say &quot;OK&quot; or 'no'"},
      {"&amp;", "&amp;amp;"},  // a text, not markup: escaped again
      {"two\nlines\tand\x1f", "two lines and "},
      {std::string_view("a\0b", 3), "a b"},
      {"R\u00e9glage 720\u00b0", "R\u00e9glage 720\u00b0"},
  };
  for (const Case& c : kCases) EXPECT_EQ(SvgText(c.text), c.svg) << c.svg;
}

}  // namespace
}  // namespace vantel
