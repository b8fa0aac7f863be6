// The dialog's model: records decoded once, the values that follow from others made by the
// model itself, one encoding for the rules and the plug-in.
#include "ui/dialog_tables.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/config_builder.h"

namespace vantel {
namespace {

using test::ConfigBuilder;
using test::FlywheelWord;

constexpr uint16_t kStoredMarkTooth = 77;
constexpr uint16_t kWheel36Minus1 = FlywheelWord(35, 36);

// The mark tooth follows the flywheel only for a main phase the Phases page shows as
// measured on a camshaft; any other keeps the tooth stored, whichever way the flywheel
// is stored.
TEST(DialogTablesTest, TheMarkToothFollowsTheFlywheelOnlyForAPhaseOnACamshaft) {
  struct Case {
    const char* what;
    std::function<void(ConfigBuilder&)> arrange;
    bool follows;
  };
  const Case cases[] = {
      {"on marks state, on a sensed camshaft", [](ConfigBuilder&) {}, true},
      {"no main phase", [](ConfigBuilder& b) { b.MainPhase(kPhaseNone, 0, 0); }, false},
      {"dynamic synchronisation",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseDynamicSynchronization, 4, 0); }, false},
      {"a type the ECU does not allow", [](ConfigBuilder& b) { b.PhaseTypes(0x7E); }, false},
      {"a camshaft without sensor",
       [](ConfigBuilder& b) {
         b.Camshafts(0x01).MainPhase(kPhaseOnMarksState, 1, 10, kCamIntakeBank2);
       },
       false},
  };
  for (const Case& c : cases) {
    for (const bool built : {true, false}) {
      SCOPED_TRACE(std::string(c.what) + (built ? ", tables built" : ", settings alone"));
      ConfigBuilder builder;
      c.arrange(builder);
      const test::Config config = builder.MarkTooth(kStoredMarkTooth).Build();
      DialogTables model = DialogTables::From(config);
      EXPECT_EQ(model.Encode(), config.tables);
      if (built) {
        ASSERT_TRUE(model.SetFlywheel(kWheel36Minus1, 500));
      } else {
        model.StoreFlywheelSettings(kWheel36Minus1, 500);
      }
      const uint16_t derived = static_cast<uint16_t>(
          PhaseMarkTooth(model.sync.main.teeth, 36, 35, model.sync.mainType, 1));
      EXPECT_EQ(model.sync.markTooth, c.follows ? derived : kStoredMarkTooth);
      // Stored by the Phases page, the phase decides again.
      model.SetPhases(model.sync, !c.follows);
      EXPECT_EQ(model.sync.markTooth, derived);
    }
  }
}

// A flywheel the generator refuses changes nothing, and banks the ECU cannot manage for the
// cylinders are dropped only when asked.
TEST(DialogTablesTest, ARefusedFlywheelChangesNothingAndBanksDropOnlyWhenNotAllowed) {
  const test::Config config = ConfigBuilder().Cylinders(8).Banks(0x0F).Build();
  DialogTables model = DialogTables::From(config);
  const auto before = model.Encode();
  EXPECT_FALSE(model.SetFlywheel(FlywheelWord(0, 0), 500));
  EXPECT_EQ(model.Encode(), before);
  model.DropBanksNotAllowed();
  EXPECT_EQ(model.engine.banks, 0x0F);
  model.caps.banksManaged = false;
  model.DropBanksNotAllowed();
  EXPECT_EQ(model.engine.banks, 0);
}

}  // namespace
}  // namespace vantel
