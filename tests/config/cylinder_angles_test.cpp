// TDC angles as a person sees and types them: words of 1/65536 of the cycle against degrees
// with two decimals.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/engine_record.h"

namespace vantel {
namespace {

TEST(CylinderAnglesTest, TextShowsTheWordRoundedToTenths) {
  struct Case {
    uint16_t word;
    const char* text;
  };
  constexpr Case kCases[] = {
      {0, "0.00"},
      {4, "0.00"},  // 0.04°
      {5, "0.10"},  // 0.0549°: half a tenth rounds up
      {16384, "180.00"},
      {21845, "240.00"},  // second cylinder of a regular 3-cylinder engine, 239.9963°
      {43691, "480.00"},  // and the third, 480.0037°
      {8237, "90.50"},
      {8243, "90.60"},    // 90.5603°
      {65490, "719.50"},  // 719.4946°: hundredths truncated first, 71949 rounds up
      {65535, "720.00"},  // 719.989°: the last word reaches the end of the cycle
  };
  for (const Case& c : kCases) EXPECT_EQ(AngleText(c.word), c.text) << c.word;
}

TEST(CylinderAnglesTest, ParseReadsWholeAnglesInDegreesWithTwoDecimals) {
  struct Case {
    std::string text;
    std::optional<uint32_t> hundredths;
  };
  const std::string manyNines(400, '9');
  const Case cases[] = {
      {"90.5", 9050},
      {"90,5", 9050},  // the French decimal mark
      {"90.55", 9055},
      {"90,55", 9055},
      {"90.559", 9055},  // further digits truncated, not rounded
      {"  180  ", 18000},
      {"\t7.\t", 700},
      {"7,", 700},
      {"720", 72000},
      {"720.01", 72001},
      {"010", 1000},  // decimal, not octal
      {"0x10", 1600},
      {"0X1f.5", 3150},
      {"42949672", 4294967200u},
      {"42949673", UINT32_MAX},  // x 100 passes 32 bits
      {"4294967296", UINT32_MAX},
      {"0x100000000", UINT32_MAX},
      {manyNines, UINT32_MAX},
      {manyNines + ".99", UINT32_MAX},
      // Not wholly an angle: no part of it is taken.
      {"0x", std::nullopt},
      {"12abc", std::nullopt},
      {"90abc", std::nullopt},
      {"90 5", std::nullopt},
      {"1.2.3", std::nullopt},
      {"1,2.3", std::nullopt},
      {"3.x5", std::nullopt},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {".5", std::nullopt},
      {",5", std::nullopt},
      {"-5", std::nullopt},
      {"+5", std::nullopt},
      {"abc", std::nullopt},
      {"0x1g", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseAngleHundredths(c.text), c.hundredths) << '"' << c.text.substr(0, 20) << '"';
  }
}

TEST(CylinderAnglesTest, ConversionStoresTheNextTenthAtOrAboveAndStopsAt720) {
  struct Case {
    uint32_t hundredths;
    std::optional<uint16_t> word;
  };
  constexpr Case kCases[] = {
      {0, 0},
      {1, 5},  // 0.01° is stored as the first word showing 0.10
      {9050, 8237},
      {9055, 8243},
      {18000, 16384},
      {71950, 65490},
      {71951, 65496},  // 65491 to 65495 show 719.50, below the typed 719.51
      {71999, 65535},
      {72000, 65535},  // would be 65536 and wrap to 0
      {72001, std::nullopt},
      {4294967200u, std::nullopt},
      {UINT32_MAX, std::nullopt},
  };
  for (const Case& c : kCases)
    EXPECT_EQ(AngleWordFromHundredths(c.hundredths), c.word) << c.hundredths;
}

TEST(CylinderAnglesTest, EveryShownAngleTypedBackShowsTheSame) {
  for (uint32_t word = 0; word <= kLastAngleWord; ++word) {
    const std::string text = AngleText(static_cast<uint16_t>(word));
    const std::optional<uint16_t> stored =
        AngleWordFromHundredths(ParseAngleHundredths(text).value_or(UINT32_MAX));
    ASSERT_TRUE(stored.has_value()) << word << " " << text;
    ASSERT_EQ(AngleText(*stored), text) << word;
  }
}

TEST(CylinderAnglesTest, RegularAnglesSpreadTheCycleFromZero) {
  struct Case {
    uint32_t cylinders;
    std::vector<uint16_t> words;
    std::vector<uint32_t> hundredths;
  };
  const Case cases[] = {
      {1, {0}, {0}},
      {3, {0, 21845, 43691}, {0, 24000, 48000}},  // 21845.33 down, 43690.67 up
      {4, {0, 16384, 32768, 49152}, {0, 18000, 36000, 54000}},
      {7,
       {0, 9362, 18725, 28087, 37449, 46811, 56174},
       {0, 10285, 20571, 30857, 41142, 51428, 61714}},
  };
  for (const Case& c : cases) {
    for (uint32_t i = 0; i < c.cylinders; ++i) {
      EXPECT_EQ(RegularAngleWord(i, c.cylinders), c.words[i]) << c.cylinders << " " << i;
      EXPECT_EQ(RegularAngleHundredths(i, c.cylinders), c.hundredths[i]) << c.cylinders << " " << i;
    }
  }
}

TEST(CylinderAnglesTest, BanksNeedTheEcuAndAChannelPerCylinderOrAMultipleOfFour) {
  struct Case {
    uint16_t caps;
    uint32_t channels;
    uint32_t cylinders;
    bool allowed;
  };
  constexpr Case kCases[] = {
      {0x8000, 6, 6, true},   {0x8000, 4, 6, false},  {0x8000, 4, 8, true},  {0x8000, 0, 12, true},
      {0x8000, 2, 10, false}, {0x7FFF, 12, 6, false}, {0x7FFF, 2, 8, false}, {0xFFFF, 0, 0, true},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(BanksAllowed(c.caps, c.channels, c.cylinders), c.allowed)
        << std::hex << c.caps << std::dec << " " << c.channels << " " << c.cylinders;
  }
}

}  // namespace
}  // namespace vantel
