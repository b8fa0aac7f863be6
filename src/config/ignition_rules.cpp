#include "config/ignition_rules.h"

#include <array>
#include <bit>

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

}  // namespace

int DistributedIgnitionTeeth(int kind, int cylinders) {
  const int known = IsKnownFlywheelKind(kind) ? kind : kRegularTeeth;
  const TeethNeed need = kTeethNeedByKind[static_cast<size_t>(known - kTwoMissingTeeth)];
  return (need.halfCylinderFactor * cylinders + 1) / 2 + need.offset;
}

bool CheckIgnitionRules(const RuleView& view, int32_t& injectionChannelCount, ErrorList& errors) {
  const EngineRecord engine = DecodeEngineTable(view.engineTable);
  const SyncRecord sync = DecodeSyncTable(view.syncTable);
  const int cylinders = engine.cylinders;
  const uint16_t type = engine.ignitionType;
  const int ignitionChannels = Word(view.ignitionCaps, 2);
  // Up to this many cylinders (static) or cylinder pairs (twin spark) the ignition leaves
  // the outputs it shares with the injection free.
  const int sharedOutputLimit = Word(view.ignitionCaps, 3);
  const int ignitionPulses = Word(view.ignitionCaps, 4);
  const uint16_t maxDelayUs = Word(view.ignitionCaps, 5);
  const int32_t freedInjectionChannels = Word(view.injectionCaps, 2);
  const auto cylinderCount = static_cast<uint32_t>(cylinders);

  bool ok = true;
  auto fail = [&](uint32_t messageId) {
    errors.Add(messageId);
    ok = false;
  };
  auto failWithCylinders = [&](uint32_t messageId) {
    errors.Add(messageId, cylinderCount, IDS_SUFFIX_CYLINDERS);
    ok = false;
  };

  if (type & kIgnitionStatic) {
    if (ignitionChannels < cylinders) {
      failWithCylinders(IDS_IGNITION_CHANNELS_TOO_FEW);
    } else if (cylinders <= sharedOutputLimit) {
      injectionChannelCount = freedInjectionChannels;
    }
  }

  if (type & kIgnitionTwinSpark) {
    if (ignitionPulses < 2) {
      failWithCylinders(IDS_IGNITION_CHANNELS_TOO_FEW);
    } else if (cylinders % 2 == 0) {
      if (cylinders / 2 <= sharedOutputLimit) injectionChannelCount = freedInjectionChannels;
    } else {
      fail(IDS_TWIN_SPARK_ODD_CYLINDERS);
    }
  }

  if (type & kIgnitionDistributed) {
    if (cylinders % 2 != 0 && IsUnphasedMainType(sync.mainType)) fail(IDS_DISTRIBUTED_UNPHASED_ODD);
    if (ignitionPulses < cylinders) failWithCylinders(IDS_IGNITION_PULSES_TOO_FEW);
    const int neededTeeth = DistributedIgnitionTeeth(sync.flywheel.K, cylinders);
    if (sync.flywheel.T < neededTeeth) {
      errors.Add(IDS_DISTRIBUTED_TEETH_TOO_FEW, static_cast<uint32_t>(neededTeeth),
                 IDS_SUFFIX_TEETH);
      ok = false;
    } else if (ok) {
      injectionChannelCount = freedInjectionChannels;
    }
  }

  if (std::popcount(type) > 1 || (Word(view.ignitionCaps, 1) & type) == 0) {
    fail(IDS_IGNITION_CONFIG_REFUSED);
  }
  if (engine.ignitionDelayUs > maxDelayUs) fail(IDS_IGNITION_DELAY_OUT_OF_LIMITS);
  return ok;
}

}  // namespace vantel
