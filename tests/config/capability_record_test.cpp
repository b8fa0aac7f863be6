#include "config/capability_record.h"

#include <gtest/gtest.h>

#include "config/engine_record.h"

namespace vantel {
namespace {

// Every field comes from its own word: distinct values catch a field read from a neighbour.
TEST(CapabilityRecordTest, EachFieldIsItsOwnWord) {
  const EcuCapabilities caps{.CylinderCaps = {4, 0x8011},
                             .PhaseCaps = {6, 0x0102, 0x0003},
                             .IgnitionCaps = {12, 0x0005, 6, 3, 12, 900},
                             .InjectionCaps = {8, 0x01FF, 8, 4},
                             .RailMapList = {}};
  const CapabilityRecord r = DecodeCapabilities(caps);
  EXPECT_EQ(r.cylinderCounts, 0x8011);
  EXPECT_TRUE(r.banksManaged);
  EXPECT_EQ(r.mainPhaseTypes, 0x0102);
  EXPECT_EQ(r.sensedCamshafts, 0x0003);
  EXPECT_EQ(r.ignitionTypes, 0x0005);
  EXPECT_EQ(r.ignitionChannels, 6);
  EXPECT_EQ(r.sharedOutputLimit, 3);
  EXPECT_EQ(r.ignitionPulses, 12);
  EXPECT_EQ(r.maxIgnitionDelayUs, 900);
  EXPECT_EQ(r.injectionTypes, 0x01FF);
  EXPECT_EQ(r.freedInjectionChannels, 8);
  EXPECT_EQ(r.sharedInjectionChannels, 4);
  // Short tables read as nothing allowed rather than past their end.
  const CapabilityRecord none = DecodeCapabilities({});
  EXPECT_FALSE(none.banksManaged);
  EXPECT_EQ(none.sharedInjectionChannels, 0);
}

// The record gives the same answer as the words it came from, for every cylinder count.
TEST(CapabilityRecordTest, BanksAllowedAgreesWithTheWords) {
  for (uint16_t word : {uint16_t{0x0000}, kBanksAllowedBit}) {
    for (uint16_t channels : {uint16_t{0}, uint16_t{4}, uint16_t{12}}) {
      const CapabilityRecord r = DecodeCapabilities({.CylinderCaps = {4, word},
                                                     .PhaseCaps = {},
                                                     .IgnitionCaps = {6, 0, channels},
                                                     .InjectionCaps = {},
                                                     .RailMapList = {}});
      for (uint32_t cylinders = 0; cylinders <= kMaxCylinders; ++cylinders) {
        EXPECT_EQ(r.BanksAllowedFor(cylinders), BanksAllowed(word, channels, cylinders))
            << word << " " << channels << " " << cylinders;
      }
    }
  }
}

}  // namespace
}  // namespace vantel
