#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>

#include "config/engine_rules.h"
#include "config/ignition_rules.h"
#include "config/injection_rules.h"
#include "config/map_scale_rules.h"
#include "res/string_ids.h"
#include "support/config_builder.h"
#include "support/messages.h"

namespace vantel {
namespace {

using test::Config;
using test::ConfigBuilder;
using test::FlywheelWord;
using namespace test::messages;

std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

// Item identifiers the host knows; high words set so that both words of a reference count.
constexpr uint32_t kMap1 = 0x00071001;
constexpr uint32_t kMap2 = 0x00071002;
constexpr uint32_t kUnknownMap = 0x00071099;
constexpr uint32_t kScale = 0x00082001;
constexpr uint32_t kUnknownScale = 0x00082099;

constexpr uint16_t kDistributed = kIgnitionDistributed;
constexpr uint16_t kTwinSpark = kIgnitionTwinSpark;
const uint16_t kSemiSequential = InjectionBit(0, 0);
const uint16_t kSequential = InjectionBit(1, 0);
const uint16_t kDirect = InjectionBit(2, 0);
const uint16_t kSemiSequentialTwoRails = InjectionBit(0, 1);
const uint16_t kSequentialTwoRails = InjectionBit(1, 1);
const uint16_t kDirectTwoRails = InjectionBit(2, 1);

struct RuleCase {
  const char* name;
  std::function<void(ConfigBuilder&)> change;
  std::string expected;
};

class CoherenceRulesTest : public ::testing::Test {
 protected:
  // Every rule group over one configuration, in the driver's order, checking on the way
  // that each group's verdict agrees with the messages it added.
  std::string Report(const Config& config) {
    const RuleView view = config.View();
    ErrorList errors;
    int32_t channels = Word(view.injectionCaps, 3);

    size_t before = errors.Text().size();
    const bool engineSound = CheckEngineRules(view, errors).sound;
    EXPECT_EQ(engineSound, errors.Text().size() == before) << "engine verdict";
    before = errors.Text().size();
    const bool ignitionSound = CheckIgnitionRules(view, channels, errors);
    EXPECT_EQ(ignitionSound, errors.Text().size() == before) << "ignition verdict";
    before = errors.Text().size();
    const bool injectionSound = CheckInjectionRules(view, channels, errors);
    EXPECT_EQ(injectionSound, errors.Text().size() == before) << "injection verdict";
    CheckRailMapScales(view, resolver, errors);
    return errors.Text();
  }

  void RunCases(std::initializer_list<RuleCase> cases) {
    for (const RuleCase& c : cases) {
      ConfigBuilder builder;
      c.change(builder);
      EXPECT_EQ(Report(builder.Build()), c.expected) << c.name;
    }
  }

  std::set<int32_t> knownItems = {static_cast<int32_t>(kMap1), static_cast<int32_t>(kMap2),
                                  static_cast<int32_t>(kScale)};
  std::set<int32_t> asked;
  ItemResolver resolver = [this](int32_t id) {
    asked.insert(id);
    return knownItems.count(id) != 0;
  };
};

TEST_F(CoherenceRulesTest, TheBaselineIsCoherent) {
  EXPECT_EQ(Report(ConfigBuilder().Build()), "");
}

TEST_F(CoherenceRulesTest, MainPhaseRulesStopAtTheFirstThatFires) {
  RunCases({
      {"camshaft not allowed", [](ConfigBuilder& b) { b.Camshafts(0x0E); }, kMainCamshaftUnknown},
      {"camshaft not allowed without phase",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseNone, 0, 0).Camshafts(0x0E); },
       kMainCamshaftUnknown},
      {"camshaft before type", [](ConfigBuilder& b) { b.Camshafts(0x0E).PhaseTypes(0x7E); },
       kMainCamshaftUnknown},
      {"type not allowed", [](ConfigBuilder& b) { b.PhaseTypes(0x7E); }, kMainTypeUnknown},
      {"type beyond the list", [](ConfigBuilder& b) { b.MainPhase(8, 1, 10); }, kMainTypeUnknown},
      {"regular teeth phase on 60-2-2",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(56, 60, 2)).MainPhase(kPhaseRegularTeeth, 2, 10);
       },
       kMainTypeSeveralReferences},
      {"no phase on 60-2-2",
       [](ConfigBuilder& b) { b.Flywheel(FlywheelWord(56, 60, 2)).MainPhase(kPhaseNone, 0, 0); },
       kMainTypeSeveralReferences},
      {"marks state on 60-2-2", [](ConfigBuilder& b) { b.Flywheel(FlywheelWord(56, 60, 2)); }, ""},
      {"pressure phase on 60-2-2 refused before its sensor",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(56, 60, 2))
             .MainPhase(kPhasePressureSensor, 1, 0)
             .PhasePressureSensor(false);
       },
       kMainTypeSeveralReferences},
      {"regular teeth phase with one mark",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseRegularTeeth, 1, 10); }, kMainTeethRefused},
      {"marks state with 17 marks",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseOnMarksState, 17, 10); }, kMainTeethRefused},
      {"marks position without marks",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseOnMarksPosition, 0, 10); }, kMainTeethRefused},
      {"missing tooth on 60-2: 23 marks clamped to 16, 17 refused",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseOneMissingTooth, 17, 10); }, kMainTeethRefused},
      {"missing tooth on 60-2 with 16 marks",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseOneMissingTooth, 16, 10); }, ""},
      {"missing tooth with two marks",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseOneMissingTooth, 2, 10); }, kMainTeethRefused},
      {"missing tooth on an unknown wheel allows 16 marks",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(40, 60)).MainPhase(kPhaseOneMissingTooth, 16, 10);
       },
       kFlywheelTeethRefused},
      {"missing tooth on 7+1 has too few teeth",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(8, 7)).MainPhase(kPhaseOneMissingTooth, 3, 1);
       },
       kMainTeethFlywheelMismatch},
      {"supplementary tooth on 7+1 has too few teeth",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(8, 7)).MainPhase(kPhaseOneSupplementaryTooth, 3, 1);
       },
       kMainTeethFlywheelMismatch},
      {"supplementary tooth on 48 regular teeth: 17 clamped to 16",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(48, 48)).MainPhase(kPhaseOneSupplementaryTooth, 17, 10);
       },
       // The refused phase counts as none, which a regular wheel cannot synchronise.
       Lines({kMainTeethRefused, kMainTypeFlywheelMismatch})},
      {"supplementary tooth on 48 regular teeth with 16 marks",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(48, 48)).MainPhase(kPhaseOneSupplementaryTooth, 16, 10);
       },
       ""},
      {"supplementary tooth on 60-2 with 14 marks",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseOneSupplementaryTooth, 14, 10); },
       kMainTeethRefused},
      {"dynamic synchronization over 3 rounds",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseDynamicSynchronization, 3, 0); },
       kSyncRoundsRefused},
      {"dynamic synchronization over 100 rounds",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseDynamicSynchronization, 100, 0); }, ""},
      {"dynamic synchronization over 102 rounds",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseDynamicSynchronization, 102, 0); },
       kSyncRoundsRefused},
      {"pressure phase without its sensor",
       [](ConfigBuilder& b) { b.MainPhase(kPhasePressureSensor, 2, 0).PhasePressureSensor(false); },
       kPressureSensorMissing},
      {"pressure phase with two pulses",
       [](ConfigBuilder& b) { b.MainPhase(kPhasePressureSensor, 2, 0); }, kPressurePulsesRefused},
      {"pressure phase with one pulse",
       [](ConfigBuilder& b) { b.MainPhase(kPhasePressureSensor, 1, 0); }, ""},
      {"marks state measured from tooth T",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseOnMarksState, 1, 58); }, kMainCrankToothWrong},
      {"marks state measured from tooth T - 1",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseOnMarksState, 1, 57); }, ""},
      {"marks position measured from tooth 2T",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseOnMarksPosition, 1, 116); }, kMainCrankToothWrong},
      {"marks position measured from tooth 2T - 1",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseOnMarksPosition, 1, 115); }, ""},
      {"mark tooth not the ECU's", [](ConfigBuilder& b) { b.MarkTooth(57); }, kMarkNotIdentified},
  });
}

TEST_F(CoherenceRulesTest, AuxiliaryPhaseRules) {
  RunCases({
      {"phase 2 without its sensor",
       [](ConfigBuilder& b) { b.AuxPhase(2, kCamExhaustBank1, 4, 0).AuxPhaseSensors(false, true); },
       kAux2SensorMissing},
      {"phase 3 without its sensor",
       [](ConfigBuilder& b) { b.AuxPhase(3, kCamExhaustBank1, 4, 0).AuxPhaseSensors(true, false); },
       kAux3SensorMissing},
      {"unused phases need no sensor", [](ConfigBuilder& b) { b.AuxPhaseSensors(false, false); },
       ""},
      {"phase without main phase",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseNone, 0, 0).AuxPhase(1, kCamExhaustBank1, 4, 0); },
       kAuxNeedMainPhase},
      {"two phases with dynamic synchronization, named once",
       [](ConfigBuilder& b) {
         b.MainPhase(kPhaseDynamicSynchronization, 2, 0)
             .AuxPhase(1, kCamExhaustBank1, 4, 0)
             .AuxPhase(2, kCamIntakeBank2, 4, 0);
       },
       kAuxNeedMainPhase},
      {"a refused main phase leaves none",
       [](ConfigBuilder& b) { b.MarkTooth(3).AuxPhase(1, kCamExhaustBank1, 4, 0); },
       Lines({kMarkNotIdentified, kAuxNeedMainPhase})},
      {"a phase without its sensor counts as unused",
       [](ConfigBuilder& b) {
         b.MainPhase(kPhaseNone, 0, 0)
             .AuxPhase(2, kCamExhaustBank1, 4, 0)
             .AuxPhaseSensors(false, true);
       },
       kAux2SensorMissing},
      {"phase on the main camshaft", [](ConfigBuilder& b) { b.AuxPhase(1, kCamIntakeBank1, 4, 0); },
       kCamshaftShared},
      {"two phases on the same camshaft",
       [](ConfigBuilder& b) {
         b.AuxPhase(2, kCamExhaustBank2, 4, 0).AuxPhase(3, kCamExhaustBank2, 4, 0);
       },
       kCamshaftShared},
      {"two phases on camshafts not allowed share none",
       [](ConfigBuilder& b) {
         b.Camshafts(0x03).AuxPhase(1, kCamIntakeBank2, 4, 0).AuxPhase(2, kCamExhaustBank2, 4, 0);
       },
       kCamshaftShared},
      {"phase 1 camshaft not allowed and crank tooth past the cycle",
       [](ConfigBuilder& b) { b.Camshafts(0x03).AuxPhase(1, kCamIntakeBank2, 4, 116); },
       Lines({AuxCamshaftUnknown(1), AuxCrankToothWrong(1)})},
      {"phase 1 with 17 teeth", [](ConfigBuilder& b) { b.AuxPhase(1, kCamExhaustBank1, 17, 0); },
       AuxTeethRefused(1)},
      {"phase 1 crank tooth 2T", [](ConfigBuilder& b) { b.AuxPhase(1, kCamExhaustBank1, 4, 116); },
       AuxCrankToothWrong(1)},
      {"phase 2 camshaft not allowed",
       [](ConfigBuilder& b) { b.Camshafts(0x0B).AuxPhase(2, kCamIntakeBank2, 4, 0); },
       AuxCamshaftUnknown(2)},
      {"phase 2 with 17 teeth and crank tooth 2T",
       [](ConfigBuilder& b) { b.AuxPhase(2, kCamIntakeBank2, 17, 116); },
       Lines({AuxTeethRefused(2), AuxCrankToothWrong(2)})},
      {"phase 3 camshaft not allowed",
       [](ConfigBuilder& b) { b.Camshafts(0x07).AuxPhase(3, kCamExhaustBank2, 4, 0); },
       AuxCamshaftUnknown(3)},
      {"phase 3 with 17 teeth", [](ConfigBuilder& b) { b.AuxPhase(3, kCamExhaustBank2, 17, 0); },
       AuxTeethRefused(3)},
      {"phase 3 crank tooth 2T", [](ConfigBuilder& b) { b.AuxPhase(3, kCamExhaustBank2, 4, 116); },
       AuxCrankToothWrong(3)},
      {"phases 1 and 3 broken, in phase order",
       [](ConfigBuilder& b) {
         b.AuxPhase(3, kCamExhaustBank2, 17, 0).AuxPhase(1, kCamExhaustBank1, 4, 200);
       },
       Lines({AuxCrankToothWrong(1), AuxTeethRefused(3)})},
      {"three sound phases",
       [](ConfigBuilder& b) {
         b.AuxPhase(1, kCamExhaustBank1, 1, 0)
             .AuxPhase(2, kCamIntakeBank2, 8, 20)
             .AuxPhase(3, kCamExhaustBank2, 16, 115);
       },
       ""},
  });
}

const std::vector<uint16_t> kSixUnpaired = {0, 10923, 21845, 32768, 43691, 54614};
const std::vector<uint16_t> kEightEven = {0,      0x2000, 0x4000, 0x6000,
                                          0x8000, 0xA000, 0xC000, 0xE000};

TEST_F(CoherenceRulesTest, CylinderAndBankRules) {
  RunCases({
      {"count not allowed", [](ConfigBuilder& b) { b.CylinderCaps(0x81F7); }, kCylindersRefused},
      {"seven cylinders", [](ConfigBuilder& b) { b.Cylinders(7); },
       Lines({kCylindersRefused, IgnitionChannels(7), InjectionChannels(7)})},
      {"decreasing angles",
       [](ConfigBuilder& b) {
         b.Angles({0, 0x4000, 0x3000, 0xC000});
       },
       kAnglesDecrease},
      {"first cylinder not at 0",
       [](ConfigBuilder& b) {
         b.Angles({0x100, 0x4100, 0x8100, 0xC100});
       },
       kFirstCylinderNotAtZero},
      {"first cylinder on bank 2 skips the bank rules",
       [](ConfigBuilder& b) { b.CylinderCaps(0x01FF).Banks(0x01); }, kFirstCylinderNotAtZero},
      {"six cylinders paired at 360°",
       [](ConfigBuilder& b) { b.Cylinders(6).Ignition(kDistributed).Injection(kSemiSequential); },
       ""},
      {"six cylinders not paired",
       [](ConfigBuilder& b) {
         b.Cylinders(6).Angles(kSixUnpaired).Ignition(kDistributed).Injection(kSemiSequential);
       },
       kAnglesNotOpposed},
      {"six cylinders with a channel each need no pairing",
       [](ConfigBuilder& b) {
         b.Cylinders(6)
             .Angles(kSixUnpaired)
             .IgnitionCaps(7, 6, 6, 12, 100)
             .Injection(kSemiSequential);
       },
       ""},
      {"two cylinders paired at 360°",
       [](ConfigBuilder& b) {
         b.Cylinders(2).IgnitionCaps(7, 1, 4, 12, 100).Ignition(kDistributed);
       },
       ""},
      {"two cylinders not paired",
       [](ConfigBuilder& b) {
         b.Cylinders(2).Angles({0, 0x7000}).IgnitionCaps(7, 1, 4, 12, 100).Ignition(kDistributed);
       },
       kAnglesNotOpposed},
      {"banks not allowed", [](ConfigBuilder& b) { b.CylinderCaps(0x01FF).Banks(0x0A); },
       kBanksNotAllowed},
      {"banks on six cylinders",
       [](ConfigBuilder& b) {
         b.Cylinders(6).Banks(0x2A).Ignition(kDistributed).Injection(kSemiSequential);
       },
       kBanksCylinders},
      {"unequal banks",
       [](ConfigBuilder& b) {
         b.Cylinders(8).Banks(0x0E).Ignition(kDistributed).Injection(kSemiSequential);
       },
       kBanksUnequal},
      {"alternating banks",
       [](ConfigBuilder& b) {
         b.Cylinders(8).Banks(0xAA).Ignition(kDistributed).Injection(kSemiSequential);
       },
       ""},
      {"bank 1 not regular",
       [](ConfigBuilder& b) {
         b.Cylinders(8).Banks(0xF0).Ignition(kDistributed).Injection(kSemiSequential);
       },
       kBanksNotRegular},
      {"bank 2 not regular",
       [](ConfigBuilder& b) {
         std::vector<uint16_t> angles = kEightEven;
         angles[7] = 0xE100;
         b.Cylinders(8)
             .Angles(angles)
             .Banks(0xAA)
             .Ignition(kDistributed)
             .Injection(kSemiSequential);
       },
       kBanksNotRegular},
      {"irregular banks with a channel each",
       [](ConfigBuilder& b) {
         b.Cylinders(8)
             .Banks(0xF0)
             .IgnitionCaps(7, 8, 8, 12, 100)
             .Ignition(kDistributed)
             .Injection(kSemiSequential);
       },
       ""},
  });
}

TEST_F(CoherenceRulesTest, FlywheelRules) {
  RunCases({
      {"59 teeth", [](ConfigBuilder& b) { b.Flywheel(FlywheelWord(59, 61)); },
       kFlywheelTeethRefused},
      {"7 teeth",
       [](ConfigBuilder& b) { b.Flywheel(FlywheelWord(7, 9)).MainPhase(kPhaseOnMarksState, 1, 3); },
       kFlywheelTeethRefused},
      {"regular teeth with marks state", [](ConfigBuilder& b) { b.Flywheel(FlywheelWord(36, 36)); },
       kMainTypeFlywheelMismatch},
      {"regular teeth with marks position",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(36, 36)).MainPhase(kPhaseOnMarksPosition, 1, 10);
       },
       ""},
      {"regular teeth judged against the phase left by the main rules",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(36, 36)).MainPhase(kPhaseOnMarksPosition, 1, 10).MarkTooth(2);
       },
       Lines({kMarkNotIdentified, kMainTypeFlywheelMismatch})},
      {"60-2 with 3 references reads as regular teeth",
       [](ConfigBuilder& b) { b.Flywheel(FlywheelWord(58, 60, 3)); },
       Lines({kMainTypeFlywheelMismatch, kTeethReferences, kTypeReferences})},
      {"teeth not a multiple of references",
       [](ConfigBuilder& b) { b.Flywheel(FlywheelWord(57, 61, 2)); }, kTeethReferences},
      {"alternative singularity on one missing tooth",
       [](ConfigBuilder& b) { b.Flywheel(FlywheelWord(35, 36, 1, true)); }, kTypeSingularity},
      {"alternative singularity on two missing teeth",
       [](ConfigBuilder& b) { b.Flywheel(FlywheelWord(58, 60, 1, true)); }, ""},
      {"extra tooth on too many references",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(8, 4, 4)).MainPhase(kPhaseOnMarksPosition, 1, 10);
       },
       kTypeReferences},
  });
}

TEST_F(CoherenceRulesTest, IgnitionRules) {
  RunCases({
      {"static with too few channels", [](ConfigBuilder& b) { b.IgnitionCaps(7, 2, 4, 12, 100); },
       Lines({IgnitionChannels(4), InjectionChannels(4)})},
      {"twin spark with one pulse",
       [](ConfigBuilder& b) { b.Ignition(kTwinSpark).IgnitionCaps(7, 4, 4, 1, 100); },
       Lines({IgnitionChannels(4), InjectionChannels(4)})},
      {"twin spark on five cylinders",
       [](ConfigBuilder& b) {
         b.Cylinders(5)
             .Ignition(kTwinSpark)
             .IgnitionCaps(7, 12, 4, 12, 100)
             .Injection(kSemiSequential);
       },
       kTwinSparkOdd},
      {"distributed, odd cylinders, no phase",
       [](ConfigBuilder& b) {
         b.Cylinders(5)
             .Ignition(kDistributed)
             .MainPhase(kPhaseNone, 0, 0)
             .IgnitionCaps(7, 12, 4, 12, 100)
             .Injection(kSemiSequential);
       },
       kDistributedUnphased},
      {"distributed, odd cylinders, regular teeth phase",
       [](ConfigBuilder& b) {
         b.Cylinders(5)
             .Ignition(kDistributed)
             .MainPhase(kPhaseRegularTeeth, 2, 10)
             .IgnitionCaps(7, 12, 4, 12, 100)
             .Injection(kSemiSequential);
       },
       kDistributedUnphased},
      {"distributed with too few pulses",
       [](ConfigBuilder& b) { b.Ignition(kDistributed).IgnitionCaps(7, 4, 4, 3, 100); },
       Lines({IgnitionPulses(4), InjectionChannels(4)})},
      {"distributed, 4 cylinders on 60-2 needs 8 teeth",
       [](ConfigBuilder& b) { b.Ignition(kDistributed); }, ""},
      {"distributed, 8 cylinders on 12+1",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(13, 12))
             .Cylinders(8)
             .Ignition(kDistributed)
             .Injection(kSemiSequential);
       },
       ""},
      {"distributed, 10 cylinders on 12+1 needs 16 teeth",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(13, 12))
             .Cylinders(10)
             .Ignition(kDistributed)
             .Injection(kSemiSequential);
       },
       DistributedTeeth(16)},
      {"distributed, 3 cylinders on 11-1 needs 5 teeth",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(10, 11))
             .MainPhase(kPhaseOnMarksState, 1, 5)
             .Cylinders(3)
             .IgnitionCaps(7, 12, 4, 12, 100)
             .Ignition(kDistributed);
       },
       ""},
      {"distributed, 5 cylinders on 8 regular teeth",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(8, 8))
             .MainPhase(kPhaseOnMarksPosition, 1, 10)
             .Cylinders(5)
             .Ignition(kDistributed)
             .IgnitionCaps(7, 12, 4, 12, 100)
             .Injection(kSemiSequential);
       },
       ""},
      {"distributed, 5 cylinders on 7 regular teeth",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(7, 7))
             .MainPhase(kPhaseOnMarksPosition, 1, 10)
             .Cylinders(5)
             .Ignition(kDistributed)
             .IgnitionCaps(7, 12, 4, 12, 100)
             .Injection(kSemiSequential);
       },
       Lines({kFlywheelTeethRefused, DistributedTeeth(8)})},
      {"ignition type not allowed", [](ConfigBuilder& b) { b.IgnitionCaps(3, 4, 4, 12, 100); },
       kIgnitionRefused},
      {"no ignition type", [](ConfigBuilder& b) { b.Ignition(0); },
       Lines({kIgnitionRefused, InjectionChannels(4)})},
      {"two ignition types", [](ConfigBuilder& b) { b.Ignition(kIgnitionStatic | kDistributed); },
       kIgnitionRefused},
      {"delay at the limit", [](ConfigBuilder& b) { b.IgnitionDelay(100); }, ""},
      {"delay above the limit", [](ConfigBuilder& b) { b.IgnitionDelay(101); }, kDelayOutOfLimits},
  });
}

TEST_F(CoherenceRulesTest, InjectionRules) {
  RunCases({
      {"direct without phase",
       [](ConfigBuilder& b) { b.Injection(kDirect).MainPhase(kPhaseNone, 0, 0); }, kDirectUnphased},
      {"direct with regular teeth phase",
       [](ConfigBuilder& b) { b.Injection(kDirect).MainPhase(kPhaseRegularTeeth, 2, 10); },
       kDirectUnphased},
      {"sequential, 6 cylinders on 4 channels",
       [](ConfigBuilder& b) { b.Cylinders(6).IgnitionCaps(7, 6, 6, 12, 100); },
       InjectionChannels(6)},
      {"direct, 6 cylinders on 4 channels",
       [](ConfigBuilder& b) { b.Cylinders(6).IgnitionCaps(7, 6, 6, 12, 100).Injection(kDirect); },
       InjectionChannels(6)},
      {"sequential on two rails", [](ConfigBuilder& b) { b.Injection(kSequentialTwoRails); },
       InjectionChannelsTwoRails(4)},
      {"sequential on two rails with 8 channels",
       [](ConfigBuilder& b) { b.Injection(kSequentialTwoRails).InjectionCaps(0xC1FF, 8, 2); }, ""},
      {"semi-sequential, 4 cylinders, limit 4",
       [](ConfigBuilder& b) { b.Injection(kSemiSequential); }, SemiSequentialOneRail(4)},
      {"semi-sequential shows the limit, not the cylinders",
       [](ConfigBuilder& b) { b.Injection(kSemiSequential).InjectionCaps(0xC1FF, 6, 2); },
       SemiSequentialOneRail(6)},
      {"semi-sequential, 5 cylinders, limit 4",
       [](ConfigBuilder& b) {
         b.Cylinders(5).IgnitionCaps(7, 5, 5, 12, 100).Injection(kSemiSequential);
       },
       ""},
      {"semi-sequential with a refused flywheel table keeps the unraised limit",
       [](ConfigBuilder& b) { b.Injection(kSemiSequential).FlywheelTableFlag(false); }, ""},
      {"semi-sequential on 10 cylinders with banks",
       [](ConfigBuilder& b) {
         b.Cylinders(10)
             .Banks(0x3E0)
             .IgnitionCaps(7, 12, 12, 12, 100)
             .Ignition(kDistributed)
             .Injection(kSemiSequential);
       },
       kSemiSequentialTenCylinderBanks},
      {"semi-sequential on two rails, 4 cylinders, limit 8",
       [](ConfigBuilder& b) { b.Injection(kSemiSequentialTwoRails).InjectionCaps(0xC1FF, 8, 2); },
       SemiSequentialTwoRailsMinimum(4)},
      {"semi-sequential on two rails, 5 cylinders",
       [](ConfigBuilder& b) {
         b.Cylinders(5)
             .IgnitionCaps(7, 5, 5, 12, 100)
             .Injection(kSemiSequentialTwoRails)
             .InjectionCaps(0xC1FF, 8, 2);
       },
       SemiSequentialTwoRailsRefused(5)},
      {"semi-sequential on two rails above the limit",
       [](ConfigBuilder& b) { b.Injection(kSemiSequentialTwoRails).FlywheelTableFlag(false); },
       SemiSequentialTwoRailsRefused(4)},
      {"semi-sequential on two rails, 6 cylinders, limit 8",
       [](ConfigBuilder& b) {
         b.Cylinders(6)
             .IgnitionCaps(7, 6, 6, 12, 100)
             .Injection(kSemiSequentialTwoRails)
             .InjectionCaps(0xC1FF, 8, 2);
       },
       ""},
      {"both peak-and-hold modes", [](ConfigBuilder& b) { b.Injection(kSequential | 0xC000); },
       kPeakHoldRefused},
      {"peak-and-hold mode not allowed",
       [](ConfigBuilder& b) { b.Injection(kSequential | 0x8000).InjectionCaps(0x41FF, 4, 2); },
       kPeakHoldRefused},
      {"peak-and-hold tuned",
       [](ConfigBuilder& b) { b.Injection(kSequential | 0x4000).PeakHoldTuning(1, 5); },
       kPeakHoldRefused},
      {"allowed peak-and-hold mode", [](ConfigBuilder& b) { b.Injection(kSequential | 0x4000); },
       ""},
      {"no injection type", [](ConfigBuilder& b) { b.Injection(0); }, kInjectionRefused},
      {"two injection types", [](ConfigBuilder& b) { b.Injection(0x0003); },
       Lines({SemiSequentialOneRail(4), kInjectionRefused})},
      {"injection type not allowed", [](ConfigBuilder& b) { b.InjectionCaps(0xC1FD, 4, 2); },
       kInjectionRefused},
  });
}

TEST_F(CoherenceRulesTest, RailMapScaleRules) {
  RunCases({
      {"one rail ignores the scales",
       [](ConfigBuilder& b) { b.RailMaps({kMap1}).ScaleReference(0, kUnknownScale); }, ""},
      {"two rails, no scale chosen",
       [](ConfigBuilder& b) { b.Injection(kDirectTwoRails).RailMaps({kMap1}); }, NoScaleChosen(2)},
      {"two rails, a high word alone chooses nothing",
       [](ConfigBuilder& b) {
         b.Injection(kDirectTwoRails)
             .RailMaps({kMap1})
             .ScaleReference(0, 0x12340000)
             .ScaleReference(1, 0x12340000);
       },
       NoScaleChosen(2)},
      {"two rails, first map unknown",
       [](ConfigBuilder& b) {
         b.Injection(kDirectTwoRails).RailMaps({kUnknownMap, kMap2});
       },
       ""},
      {"two rails, only the vertical scale chosen",
       [](ConfigBuilder& b) {
         b.Injection(kDirectTwoRails).RailMaps({kMap1}).ScaleReference(0, kScale);
       },
       ""},
      {"two rails, both scales unknown",
       [](ConfigBuilder& b) {
         b.Injection(kDirectTwoRails)
             .RailMaps({kMap1})
             .ScaleReference(0, kUnknownScale)
             .ScaleReference(1, kUnknownScale);
       },
       Lines({VerticalScaleMissing(2), HorizontalScaleMissing(2)})},
      {"two rails, horizontal scale unknown",
       [](ConfigBuilder& b) {
         b.Injection(kDirectTwoRails)
             .RailMaps({kMap1})
             .ScaleReference(0, kScale)
             .ScaleReference(1, kUnknownScale);
       },
       HorizontalScaleMissing(2)},
      {"two rails, the second map is never examined",
       [](ConfigBuilder& b) {
         b.Injection(kDirectTwoRails)
             .RailMaps({kMap1, kMap2})
             .ScaleReference(0, kScale)
             .ScaleReference(2, kUnknownScale);
       },
       ""},
      {"two rails, no map", [](ConfigBuilder& b) { b.Injection(kDirectTwoRails); }, ""},
  });
}

TEST_F(CoherenceRulesTest, RailMapListSizeWordIsNotTrustedPastTheTable) {
  Config config = ConfigBuilder().Injection(kDirectTwoRails).Build();
  config.caps.RailMapList = {40};  // claims 9 maps, holds none
  EXPECT_EQ(Report(config), "");
  EXPECT_TRUE(asked.empty());
}

TEST_F(CoherenceRulesTest, IgnitionFreesTheSharedOutputsForTheInjection) {
  const struct {
    const char* name;
    std::function<void(ConfigBuilder&)> change;
    int32_t channels;
  } cases[] = {
      {"static within the shared limit", [](ConfigBuilder&) {}, 4},
      {"static above the shared limit", [](ConfigBuilder& b) { b.IgnitionCaps(7, 4, 3, 12, 100); },
       2},
      {"static without enough channels", [](ConfigBuilder& b) { b.IgnitionCaps(7, 3, 4, 12, 100); },
       2},
      {"twin spark, 6 cylinders, 3 pairs shared",
       [](ConfigBuilder& b) { b.Cylinders(6).Ignition(kTwinSpark).IgnitionCaps(7, 4, 3, 2, 100); },
       4},
      {"twin spark, 6 cylinders, 2 pairs shared",
       [](ConfigBuilder& b) { b.Cylinders(6).Ignition(kTwinSpark).IgnitionCaps(7, 4, 2, 2, 100); },
       2},
      {"distributed with enough teeth", [](ConfigBuilder& b) { b.Ignition(kDistributed); }, 4},
      {"distributed with too few teeth",
       [](ConfigBuilder& b) { b.Ignition(kDistributed).Flywheel(FlywheelWord(7, 9)); }, 2},
      {"distributed with too few pulses",
       [](ConfigBuilder& b) { b.Ignition(kDistributed).IgnitionCaps(7, 4, 4, 3, 100); }, 2},
      {"distributed after a failed twin spark",
       [](ConfigBuilder& b) { b.Cylinders(5).Ignition(kDistributed | kTwinSpark); }, 2},
  };
  for (const auto& c : cases) {
    ConfigBuilder builder;
    c.change(builder);
    const Config config = builder.Build();
    ErrorList errors;
    int32_t channels = 2;
    CheckIgnitionRules(config.View(), channels, errors);
    EXPECT_EQ(channels, c.channels) << c.name;
  }
}

TEST_F(CoherenceRulesTest, RequiredTeethOfDistributedIgnitionRoundUp) {
  const struct {
    int kind, cylinders, teeth;
  } cases[] = {
      {kTwoMissingTeeth, 4, 8}, {kTwoMissingTeeth, 5, 11},
      {kOneMissingTooth, 3, 5}, {kRegularTeeth, 5, 8},
      {kOneExtraTooth, 8, 13},  {kOneExtraTooth, 10, 16},
      {kOneExtraTooth, 5, 9},   {-20, 5, 8},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DistributedIgnitionTeeth(c.kind, c.cylinders), c.teeth)
        << "K " << c.kind << ", " << c.cylinders << " cylinders";
  }
}

TEST_F(CoherenceRulesTest, RegeneratedTablesOfACoherentConfigurationMatch) {
  const Config config = ConfigBuilder().Build();
  const FlywheelTableRefresh refresh = RegenerateFlywheelTables(config.tables);
  EXPECT_TRUE(refresh.built);
  EXPECT_TRUE(refresh.changed.empty());
}

TEST_F(CoherenceRulesTest, StaleTablesAreListedSyncTableFirst) {
  const Config fresh = ConfigBuilder().Build();
  std::array<WordTable, kConfigTableCount> stale = fresh.tables;
  stale[kRegularToothTable].pop_back();
  stale[kToothAngleTable][3] ^= 1;
  stale[kSyncTable][6] = 0;

  const FlywheelTableRefresh refresh = RegenerateFlywheelTables(stale);
  ASSERT_TRUE(refresh.built);
  ASSERT_EQ(refresh.changed.size(), 3u);
  EXPECT_EQ(refresh.changed[0].first, kSyncTable);
  EXPECT_EQ(refresh.changed[0].second, fresh.sync());
  EXPECT_EQ(refresh.changed[1].first, kToothAngleTable);
  EXPECT_EQ(refresh.changed[1].second, fresh.tables[kToothAngleTable]);
  EXPECT_EQ(refresh.changed[2].first, kRegularToothTable);
  EXPECT_EQ(refresh.changed[2].second, fresh.tables[kRegularToothTable]);
}

TEST_F(CoherenceRulesTest, ShortTablesReadAsZeros) {
  Config config = ConfigBuilder().Build();
  config.tables[kEngineTable].resize(3);
  config.tables[kSyncTable].resize(2);
  config.caps.IgnitionCaps.resize(1);
  config.caps.InjectionCaps.resize(1);
  config.caps.PhaseCaps.clear();
  // No cylinders, no ignition, no injection: the messages, and no read past an end.
  EXPECT_EQ(Report(config),
            Lines({kMainCamshaftUnknown, kCylindersRefused, kIgnitionRefused, kInjectionRefused}));
}

// --- Findings: beside each row, what the rule looked at, found and allows.

Finding Expect(uint32_t messageId, const char* rule) { return Finding(messageId, rule); }

constexpr RuleTable kEngineT = RuleTable::kEngineTable;
constexpr RuleTable kSyncT = RuleTable::kSyncTable;

struct FindingCase {
  const char* name;
  std::function<void(ConfigBuilder&)> change;
  Finding expected;
};

void ExpectSameFinding(const Finding& actual, const Finding& expected) {
  EXPECT_EQ(actual.messageId, expected.messageId);
  EXPECT_EQ(actual.number, expected.number);
  EXPECT_EQ(actual.words, expected.words);
  EXPECT_EQ(actual.found, expected.found);
  EXPECT_EQ(actual.unit, expected.unit);
  EXPECT_EQ(actual.bound, expected.bound);
  EXPECT_EQ(actual.limits, expected.limits);
  EXPECT_EQ(actual.cylinders, expected.cylinders);
  EXPECT_EQ(actual.teeth, expected.teeth);
  EXPECT_EQ(actual.phases, expected.phases);
}

class RuleFindingsTest : public CoherenceRulesTest {
 protected:
  ErrorList Findings(const Config& config) {
    const RuleView view = config.View();
    ErrorList errors;
    int32_t channels = Word(view.injectionCaps, 3);
    CheckEngineRules(view, errors);
    CheckIgnitionRules(view, channels, errors);
    CheckInjectionRules(view, channels, errors);
    CheckRailMapScales(view, resolver, errors);
    return errors;
  }
};

TEST_F(RuleFindingsTest, EachRuleFamilyNamesItsWordsValueAndLimit) {
  const int markTooth = ConfigBuilder().Build().sync()[kSyncMarkToothWord];
  std::vector<uint16_t> bank2Irregular = kEightEven;
  bank2Irregular[7] = 0xE100;
  const FindingCase cases[] = {
      {"main camshaft not allowed", [](ConfigBuilder& b) { b.Camshafts(0x0E); },
       Expect(IDS_MAIN_CAMSHAFT_UNKNOWN, "main-phase-camshaft")
           .Word(kSyncT, 11)
           .Word(RuleTable::kPhaseCaps, 2)
           .Found(kCamIntakeBank1, Unit::kCamshaft)
           .Limit(Bound::kOneOf, {1, 2, 3})
           .Phase(0)},
      {"marks state with 17 marks",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseOnMarksState, 17, 10); },
       Expect(IDS_MAIN_TEETH_NUMBER_REFUSED, "main-phase-marks")
           .Word(kSyncT, 13)
           .Found(17)
           .Limit(Bound::kBetween, {1, 16})
           .Phase(0)},
      {"marks state measured from tooth T",
       [](ConfigBuilder& b) { b.MainPhase(kPhaseOnMarksState, 1, 58); },
       Expect(IDS_MAIN_CAMSHAFT_TOOTH_WRONG, "main-phase-start-tooth")
           .Word(kSyncT, 13)
           .Found(58, Unit::kTooth)
           .Limit(Bound::kAtMost, {57})
           .Tooth(58)
           .Phase(0)},
      {"mark tooth not the ECU's", [](ConfigBuilder& b) { b.MarkTooth(57); },
       Expect(IDS_MAIN_MARK_NOT_IDENTIFIED, "main-phase-mark-tooth")
           .Word(kSyncT, 12)
           .Word(kSyncT, 13)
           .Found(57, Unit::kTooth)
           .Limit(Bound::kExactly, {markTooth})
           .Tooth(57)
           .Tooth(markTooth)
           .Phase(0)},
      {"phase 2 without its sensor",
       [](ConfigBuilder& b) { b.AuxPhase(2, kCamExhaustBank1, 4, 0).AuxPhaseSensors(false, true); },
       Expect(IDS_AUX2_SENSOR_MISSING, "aux-phase-sensor")
           .Word(kSyncT, 15)
           .Found(4)
           .Limit(Bound::kPresent)
           .Phase(2)},
      {"phase on the main camshaft", [](ConfigBuilder& b) { b.AuxPhase(1, kCamIntakeBank1, 4, 0); },
       Expect(IDS_CAMSHAFT_SHARED, "camshaft-shared")
           .Word(kSyncT, 11)
           .Found(kCamIntakeBank1, Unit::kCamshaft)
           .Limit(Bound::kDifferent)
           .Phase(0)
           .Phase(1)},
      {"phase 3 crank tooth 2T", [](ConfigBuilder& b) { b.AuxPhase(3, kCamExhaustBank2, 4, 116); },
       Expect(IDS_AUX3_CRANK_TOOTH_WRONG, "aux-phase-start-tooth")
           .Word(kSyncT, 16)
           .Found(116, Unit::kTooth)
           .Limit(Bound::kAtMost, {115})
           .Tooth(116)
           .Phase(3)},
      {"seven cylinders", [](ConfigBuilder& b) { b.Cylinders(7); },
       Expect(IDS_CYLINDERS_NUMBER_REFUSED, "cylinder-count")
           .Word(kEngineT, 6)
           .Word(RuleTable::kCylinderCaps, 1)
           .Found(7)
           .Limit(Bound::kOneOf, {1, 2, 3, 4, 5, 6, 8, 10, 12})},
      {"third angle below the second",
       [](ConfigBuilder& b) {
         b.Angles({0, 0x4000, 0x3000, 0xC000});
       },
       Expect(IDS_CYLINDER_ANGLES_DECREASE, "cylinder-angles-decrease")
           .Word(kEngineT, 10)
           .Word(kEngineT, 9)
           .Found(0x3000, Unit::kAngle16)
           .Limit(Bound::kAtLeast, {0x4000})
           .Cylinder(2)
           .Cylinder(3)},
      {"third and sixth of six cylinders not 360° apart",
       [](ConfigBuilder& b) {
         b.Cylinders(6).Angles(kSixUnpaired).Ignition(kDistributed).Injection(kSemiSequential);
       },
       Expect(IDS_CYLINDER_ANGLES_NOT_OPPOSED, "cylinder-angles-opposed")
           .Word(kEngineT, 10)
           .Word(kEngineT, 13)
           .Found(32769, Unit::kAngle16)
           .Limit(Bound::kExactly, {32768})
           .Cylinder(3)
           .Cylinder(6)
           .Word(RuleTable::kIgnitionCaps, 2)},
      {"bank 2 not regular at its last pair",
       [&](ConfigBuilder& b) {
         b.Cylinders(8)
             .Angles(bank2Irregular)
             .Banks(0xAA)
             .Ignition(kDistributed)
             .Injection(kSemiSequential);
       },
       Expect(IDS_BANKS_NOT_REGULAR, "bank-angles-opposed")
           .Word(kEngineT, 7)
           .Word(kEngineT, 11)
           .Word(kEngineT, 15)
           .Found(0x8100, Unit::kAngle16)
           .Limit(Bound::kExactly, {0x8000})
           .Cylinder(4)
           .Cylinder(8)},
      {"59 teeth", [](ConfigBuilder& b) { b.Flywheel(FlywheelWord(59, 61)); },
       Expect(IDS_FLYWHEEL_TEETH_REFUSED, "flywheel-teeth")
           .Word(kSyncT, 1)
           .Found(59)
           .Limit(Bound::kBetween, {8, 58})},
      {"57 teeth in two references", [](ConfigBuilder& b) { b.Flywheel(FlywheelWord(57, 61, 2)); },
       Expect(IDS_FLYWHEEL_TEETH_REFERENCES, "flywheel-teeth-references")
           .Word(kSyncT, 1)
           .Found(57)
           .Limit(Bound::kMultipleOf, {2})},
      {"alternative singularity on two references",
       [](ConfigBuilder& b) { b.Flywheel(FlywheelWord(56, 60, 2, true)); },
       Expect(IDS_FLYWHEEL_TYPE_SINGULARITY, "flywheel-singularity")
           .Word(kSyncT, 1)
           .Found(2)
           .Limit(Bound::kExactly, {1})},
      {"alternative singularity on one missing tooth",
       [](ConfigBuilder& b) { b.Flywheel(FlywheelWord(35, 36, 1, true)); },
       Expect(IDS_FLYWHEEL_TYPE_SINGULARITY, "flywheel-singularity")
           .Word(kSyncT, 1)
           .Found(kOneMissingTooth, Unit::kFlywheelKind)
           .Limit(Bound::kExactly, {kTwoMissingTeeth})},
      {"static ignition, 4 cylinders on 2 channels",
       [](ConfigBuilder& b) { b.IgnitionCaps(7, 2, 4, 12, 100); },
       Expect(IDS_IGNITION_CHANNELS_TOO_FEW, "ignition-channels")
           .Number(4, IDS_SUFFIX_CYLINDERS)
           .Word(kEngineT, 20)
           .Word(kEngineT, 6)
           .Word(RuleTable::kIgnitionCaps, 2)
           .Found(4)
           .Limit(Bound::kAtMost, {2})},
      {"distributed, 10 cylinders on 12+1",
       [](ConfigBuilder& b) {
         b.Flywheel(FlywheelWord(13, 12))
             .Cylinders(10)
             .Ignition(kDistributed)
             .Injection(kSemiSequential);
       },
       Expect(IDS_DISTRIBUTED_TEETH_TOO_FEW, "distributed-ignition-teeth")
           .Number(16, IDS_SUFFIX_TEETH)
           .Word(kEngineT, 20)
           .Word(kSyncT, 1)
           .Word(kEngineT, 6)
           .Found(13)
           .Limit(Bound::kAtLeast, {16})},
      {"ignition delay 150 µs", [](ConfigBuilder& b) { b.IgnitionDelay(150); },
       Expect(IDS_IGNITION_DELAY_OUT_OF_LIMITS, "ignition-delay")
           .Word(kEngineT, 22)
           .Word(RuleTable::kIgnitionCaps, 5)
           .Found(150, Unit::kMicroseconds)
           .Limit(Bound::kAtMost, {100})},
      {"sequential, 6 cylinders on the 4 channels the ignition frees",
       [](ConfigBuilder& b) { b.Cylinders(6).IgnitionCaps(7, 6, 6, 12, 100); },
       Expect(IDS_INJECTION_CHANNELS_ONE_RAIL, "injection-channels")
           .Number(6, IDS_SUFFIX_CYLINDERS)
           .Word(kEngineT, 21)
           .Word(kEngineT, 6)
           .Word(RuleTable::kInjectionCaps, 2)
           .Found(6)
           .Limit(Bound::kAtMost, {4})},
      {"semi-sequential, 4 cylinders on 2 channels of a refused flywheel table",
       [](ConfigBuilder& b) {
         b.Injection(kSemiSequential).InjectionCaps(0xC1FF, 4, 4).FlywheelTableFlag(false);
       },
       Expect(IDS_SEMI_SEQ_ONE_RAIL_MINIMUM, "semi-sequential-one-rail")
           .Number(4, IDS_SUFFIX_CYLINDERS)
           .Word(kEngineT, 21)
           .Word(kEngineT, 6)
           .Word(RuleTable::kInjectionCaps, 3)
           .Found(4)
           .Limit(Bound::kAtLeast, {5})},
      {"sequential not allowed", [](ConfigBuilder& b) { b.InjectionCaps(0xC1FD, 4, 2); },
       Expect(IDS_INJECTION_CONFIG_REFUSED, "injection-type")
           .Word(kEngineT, 21)
           .Word(RuleTable::kInjectionCaps, 1)
           .Found(kSequential, Unit::kBits)
           .Limit(Bound::kOneOf, {1, 4, 8, 16, 32, 64, 128, 256})},
      {"two rails, vertical scale unknown",
       [](ConfigBuilder& b) {
         b.Injection(kDirectTwoRails).RailMaps({kMap1}).ScaleReference(0, kUnknownScale);
       },
       Expect(IDS_RAIL_MAP_VERTICAL_MISSING, "rail-map-vertical-scale")
           .Rail(2)
           .Word(RuleTable::kRailMapList, 1)
           .Word(kEngineT, 26)
           .Found(kUnknownScale, Unit::kItem)
           .Limit(Bound::kPresent)},
  };
  for (const FindingCase& c : cases) {
    SCOPED_TRACE(c.name);
    ConfigBuilder builder;
    c.change(builder);
    const ErrorList errors = Findings(builder.Build());
    const auto& findings = errors.findings();
    const auto found = std::find_if(findings.begin(), findings.end(),
                                    [&](const Finding& f) { return f.rule == c.expected.rule; });
    ASSERT_NE(found, findings.end()) << errors.Text();
    ExpectSameFinding(*found, c.expected);
  }
}

// The report is made from the findings: each row is its finding's text, in the rules' order.
TEST_F(RuleFindingsTest, TheTextIsTheFindingsTextsOneRowEach) {
  ConfigBuilder builder;
  builder.Cylinders(7).IgnitionDelay(150).Camshafts(0x0E);
  const ErrorList errors = Findings(builder.Build());
  ASSERT_EQ(errors.findings().size(), 5u) << errors.Text();
  EXPECT_EQ(errors.Text(), Lines({kMainCamshaftUnknown, kCylindersRefused, IgnitionChannels(7),
                                  kDelayOutOfLimits, InjectionChannels(7)}));
  for (const Finding& f : errors.findings()) EXPECT_FALSE(f.rule.empty()) << f.Text();
}

TEST(FindingsJsonTest, OneEntryPerRowNamingItemsWhereKnown) {
  std::vector<Finding> findings;
  findings.push_back(Finding(IDS_IGNITION_DELAY_OUT_OF_LIMITS, "ignition-delay")
                         .Word(RuleTable::kEngineTable, 22)
                         .Word(RuleTable::kIgnitionCaps, 5)
                         .Found(150, Unit::kMicroseconds)
                         .Limit(Bound::kAtMost, {100}));
  // A message of three lines fills three rows.
  findings.push_back(Finding(IDS_CONFIG_LAYOUT_UNKNOWN, "configuration-layout")
                         .Word(RuleTable::kSyncTable, 0)
                         .Found(20)
                         .Limit(Bound::kExactly, {17}));
  findings.push_back(Finding(IDS_CAMSHAFT_SHARED, "camshaft-shared")
                         .Found(0, Unit::kCamshaft)
                         .Limit(Bound::kDifferent)
                         .Phase(0)
                         .Phase(2));
  RuleTableItems items;
  items[static_cast<size_t>(RuleTable::kEngineTable)] = "TAB_CNFENG_0";
  const std::string json = FindingsJson(findings, items);
  const std::string first =
      R"([{"index":0,"rule":"ignition-delay","message":18123,"words":[)"
      R"({"table":"EngineTable","item":"TAB_CNFENG_0","word":22},)"
      R"({"table":"IgnitionCaps","word":5}],"found":150,"unit":"us","bound":"at-most",)"
      R"("limit":100,"cylinders":[],"teeth":[],"phases":[]},)";
  EXPECT_EQ(json.substr(0, first.size()), first);
  size_t layoutRows = 0;
  for (size_t at = json.find(R"("index":1,)"); at != std::string::npos;
       at = json.find(R"("index":1,)", at + 1))
    ++layoutRows;
  EXPECT_EQ(layoutRows, 3u) << json;
  EXPECT_TRUE(json.ends_with(
      R"("bound":"different","limit":[],"cylinders":[],"teeth":[],"phases":["main","aux2"]}])"))
      << json;
}

}  // namespace
}  // namespace vantel
