#include "config/ignition_rules.h"

#include <array>
#include <bit>
#include <vector>

#include "config/engine_record.h"
#include "res/string_ids.h"

namespace vantel {
namespace {

// Required teeth ceil(a × C / 2) + b, by flywheel kind K = -2 .. +1; other kinds use the
// regular wheel's need.
struct TeethNeed {
  int halfCylinderFactor;
  int offset;
};
constexpr std::array<TeethNeed, 4> kTeethNeedByKind = {{{5, -2}, {4, -1}, {3, 0}, {3, 1}}};

// IgnitionCaps words.
constexpr size_t kIgnitionTypesWord = 1;
constexpr size_t kIgnitionChannelsWord = 2;
constexpr size_t kIgnitionPulsesWord = 4;
constexpr size_t kIgnitionMaxDelayWord = 5;

}  // namespace

int DistributedIgnitionTeeth(int kind, int cylinders) {
  const int known = IsKnownFlywheelKind(kind) ? kind : kRegularTeeth;
  const TeethNeed need = kTeethNeedByKind[static_cast<size_t>(known - kTwoMissingTeeth)];
  return (need.halfCylinderFactor * cylinders + 1) / 2 + need.offset;
}

bool CheckIgnitionRules(const RuleView& view, int32_t& injectionChannelCount, ErrorList& errors) {
  const EngineRecord& engine = view.engine;
  const SyncRecord& sync = view.sync;
  const int cylinders = engine.cylinders;
  const uint16_t type = engine.ignitionType;
  const int ignitionChannels = Word(view.ignitionCaps, kIgnitionChannelsWord);
  // Up to this many cylinders (static) or cylinder pairs (twin spark) the ignition leaves
  // the outputs it shares with the injection free.
  const int sharedOutputLimit = Word(view.ignitionCaps, 3);
  const int ignitionPulses = Word(view.ignitionCaps, kIgnitionPulsesWord);
  const uint16_t maxDelayUs = Word(view.ignitionCaps, kIgnitionMaxDelayWord);
  const int32_t freedInjectionChannels = Word(view.injectionCaps, 2);
  const auto cylinderCount = static_cast<uint32_t>(cylinders);

  constexpr RuleTable kEngine = RuleTable::kEngineTable;
  constexpr RuleTable kCaps = RuleTable::kIgnitionCaps;
  bool ok = true;
  auto fail = [&](uint32_t messageId, std::string_view rule) -> Finding& {
    ok = false;
    return errors.Add(messageId, rule).Word(kEngine, kEngineIgnitionWord);
  };
  auto failWithCylinders = [&](uint32_t messageId, std::string_view rule) -> Finding& {
    return fail(messageId, rule)
        .Number(cylinderCount, IDS_SUFFIX_CYLINDERS)
        .Word(kEngine, kEngineCylindersWord);
  };

  if (type & kIgnitionStatic) {
    if (ignitionChannels < cylinders) {
      failWithCylinders(IDS_IGNITION_CHANNELS_TOO_FEW, "ignition-channels")
          .Word(kCaps, kIgnitionChannelsWord)
          .Found(cylinders)
          .Limit(Bound::kAtMost, {ignitionChannels});
    } else if (cylinders <= sharedOutputLimit) {
      injectionChannelCount = freedInjectionChannels;
    }
  }

  if (type & kIgnitionTwinSpark) {
    if (ignitionPulses < 2) {
      // The value found is the two sparks a twin spark fires.
      failWithCylinders(IDS_IGNITION_CHANNELS_TOO_FEW, "twin-spark-pulses")
          .Word(kCaps, kIgnitionPulsesWord)
          .Found(2)
          .Limit(Bound::kAtMost, {ignitionPulses});
    } else if (cylinders % 2 == 0) {
      if (cylinders / 2 <= sharedOutputLimit) injectionChannelCount = freedInjectionChannels;
    } else {
      fail(IDS_TWIN_SPARK_ODD_CYLINDERS, "twin-spark-cylinders")
          .Word(kEngine, kEngineCylindersWord)
          .Found(cylinders)
          .Limit(Bound::kEven);
    }
  }

  if (type & kIgnitionDistributed) {
    if (cylinders % 2 != 0 && IsUnphasedMainType(sync.mainType)) {
      fail(IDS_DISTRIBUTED_UNPHASED_ODD, "distributed-ignition-phase")
          .Word(kEngine, kEngineCylindersWord)
          .Word(RuleTable::kSyncTable, kSyncPhaseAssignmentWord)
          .Found(cylinders)
          .Limit(Bound::kEven)
          .Phase(kMainPhaseIndex);
    }
    if (ignitionPulses < cylinders) {
      failWithCylinders(IDS_IGNITION_PULSES_TOO_FEW, "ignition-pulses")
          .Word(kCaps, kIgnitionPulsesWord)
          .Found(cylinders)
          .Limit(Bound::kAtMost, {ignitionPulses});
    }
    const int neededTeeth = DistributedIgnitionTeeth(sync.flywheel.K, cylinders);
    if (sync.flywheel.T < neededTeeth) {
      fail(IDS_DISTRIBUTED_TEETH_TOO_FEW, "distributed-ignition-teeth")
          .Number(static_cast<uint32_t>(neededTeeth), IDS_SUFFIX_TEETH)
          .Word(RuleTable::kSyncTable, kSyncFlywheelWord)
          .Word(kEngine, kEngineCylindersWord)
          .Found(sync.flywheel.T)
          .Limit(Bound::kAtLeast, {neededTeeth});
    } else if (ok) {
      injectionChannelCount = freedInjectionChannels;
    }
  }

  const uint16_t allowedTypes = Word(view.ignitionCaps, kIgnitionTypesWord);
  if (std::popcount(type) > 1 || (allowedTypes & type) == 0) {
    std::vector<int64_t> types;
    for (uint16_t bit : {kIgnitionDistributed, kIgnitionTwinSpark, kIgnitionStatic})
      if (allowedTypes & bit) types.push_back(bit);
    fail(IDS_IGNITION_CONFIG_REFUSED, "ignition-type")
        .Word(kCaps, kIgnitionTypesWord)
        .Found(type, Unit::kBits)
        .Limit(Bound::kOneOf, std::move(types));
  }
  if (engine.ignitionDelayUs > maxDelayUs) {
    ok = false;
    errors.Add(IDS_IGNITION_DELAY_OUT_OF_LIMITS, "ignition-delay")
        .Word(kEngine, kEngineIgnitionDelayWord)
        .Word(kCaps, kIgnitionMaxDelayWord)
        .Found(engine.ignitionDelayUs, Unit::kMicroseconds)
        .Limit(Bound::kAtMost, {maxDelayUs});
  }
  return ok;
}

}  // namespace vantel
