#include "config/injection_rules.h"

#include <bit>

#include "config/engine_record.h"
#include "res/string_ids.h"

namespace vantel {
bool CheckInjectionRules(const RuleView& view, int32_t injectionChannelCount, ErrorList& errors) {
  const EngineRecord engine = DecodeEngineTable(view.engineTable);
  const int mainType = DecodeSyncTable(view.syncTable).mainType;
  const int64_t cylinders = engine.cylinders;
  const uint16_t injection = engine.injection;
  const uint16_t injectionCaps = Word(view.injectionCaps, 1);
  const int64_t channels = injectionChannelCount;
  // A flywheel table the ECU refused leaves the shared outputs to the ignition.
  const int64_t semiSequentialLimit =
      view.flywheelTableFlag ? channels : int64_t{Word(view.injectionCaps, 3)};

  bool ok = true;
  auto fail = [&](uint32_t messageId) {
    errors.Add(messageId);
    ok = false;
  };
  auto failWithNumber = [&](uint32_t messageId, int64_t number) {
    errors.Add(messageId, static_cast<uint32_t>(number), IDS_SUFFIX_CYLINDERS);
    ok = false;
  };

  if ((injection & kInjectionDirect) && IsUnphasedMainType(mainType))
    fail(IDS_DIRECT_INJECTION_UNPHASED);
  if ((injection & kInjectionSequentialOrDirectOneRail) && channels < cylinders) {
    failWithNumber(IDS_INJECTION_CHANNELS_ONE_RAIL, cylinders);
  }
  if ((injection & kInjectionSequentialTwoRails) && channels < 2 * cylinders) {
    failWithNumber(IDS_INJECTION_CHANNELS_TWO_RAILS, cylinders);
  }
  if ((injection & kInjectionSemiSequentialOneRail) && cylinders <= semiSequentialLimit) {
    failWithNumber(IDS_SEMI_SEQ_ONE_RAIL_MINIMUM, semiSequentialLimit);
  }
  if ((injection & kInjectionSemiSequentialOneRail) && cylinders == 10 && engine.banks != 0) {
    fail(IDS_SEMI_SEQ_TWO_BANKS_TEN_CYLINDERS);
  }
  if ((injection & kInjectionSemiSequentialTwoRails) && 2 * cylinders <= semiSequentialLimit) {
    failWithNumber(IDS_SEMI_SEQ_TWO_RAILS_MINIMUM, cylinders);
  }
  if ((injection & kInjectionSemiSequentialTwoRails) &&
      (cylinders == 5 || semiSequentialLimit < cylinders)) {
    failWithNumber(IDS_SEMI_SEQ_TWO_RAILS_REFUSED, cylinders);
  }

  const uint16_t peakHold = injection & kInjectionPeakHold;
  const bool peakHoldTuned = engine.peakHoldTuning[0] != 0 || engine.peakHoldTuning[1] != 0 ||
                             engine.peakHoldTuning[2] != 0;
  if (std::popcount(peakHold) > 1 || (peakHold & ~injectionCaps) != 0 || peakHoldTuned) {
    fail(IDS_PEAK_AND_HOLD_REFUSED);
  }
  if (std::popcount(static_cast<uint16_t>(injection & kInjectionTypeMask)) > 1 ||
      (injectionCaps & injection & kInjectionAllTypes) == 0) {
    fail(IDS_INJECTION_CONFIG_REFUSED);
  }
  return ok;
}

}  // namespace vantel
