#include "config/injection_rules.h"

#include <bit>
#include <vector>

#include "config/engine_record.h"
#include "res/string_ids.h"

namespace vantel {
namespace {

// InjectionCaps words: the allowed types and peak-and-hold modes, the channels the
// injection has when the ignition frees its shared outputs, and those it has otherwise.
constexpr size_t kInjectionTypesWord = 1;
constexpr size_t kFreedChannelsWord = 2;
constexpr size_t kChannelsWord = 3;

}  // namespace

bool CheckInjectionRules(const RuleView& view, int32_t injectionChannelCount, ErrorList& errors) {
  const EngineRecord& engine = view.engine;
  const int mainType = view.sync.mainType;
  const int64_t cylinders = engine.cylinders;
  const uint16_t injection = engine.injection;
  const uint16_t injectionCaps = Word(view.injectionCaps, kInjectionTypesWord);
  const int64_t channels = injectionChannelCount;
  // A flywheel table the ECU refused leaves the shared outputs to the ignition.
  const int64_t semiSequentialLimit =
      view.flywheelTableFlag ? channels : int64_t{Word(view.injectionCaps, kChannelsWord)};

  constexpr RuleTable kEngine = RuleTable::kEngineTable;
  constexpr RuleTable kCaps = RuleTable::kInjectionCaps;
  bool ok = true;
  auto fail = [&](uint32_t messageId, std::string_view rule) -> Finding& {
    ok = false;
    return errors.Add(messageId, rule).Word(kEngine, kEngineInjectionWord);
  };
  // The channels the injection may use: InjectionCaps word 3, or word 2 when the ignition
  // freed the outputs it shares.
  auto capsWordOf = [&](int64_t count) {
    return count == Word(view.injectionCaps, kFreedChannelsWord) ? kFreedChannelsWord
                                                                 : kChannelsWord;
  };
  const size_t channelsWord = capsWordOf(channels);
  const size_t limitWord = view.flywheelTableFlag ? channelsWord : kChannelsWord;
  auto failWithNumber = [&](uint32_t messageId, std::string_view rule, int64_t number,
                            size_t capsWord) -> Finding& {
    return fail(messageId, rule)
        .Number(static_cast<uint32_t>(number), IDS_SUFFIX_CYLINDERS)
        .Word(kEngine, kEngineCylindersWord)
        .Word(kCaps, capsWord);
  };

  if ((injection & kInjectionDirect) && IsUnphasedMainType(mainType)) {
    fail(IDS_DIRECT_INJECTION_UNPHASED, "direct-injection-phase")
        .Word(RuleTable::kSyncTable, kSyncPhaseAssignmentWord)
        .Found(mainType, Unit::kPhaseType)
        .Limit(Bound::kOneOf,
               {kPhaseOnMarksState, kPhaseOnMarksPosition, kPhaseOneMissingTooth,
                kPhaseOneSupplementaryTooth, kPhaseDynamicSynchronization, kPhasePressureSensor})
        .Phase(kMainPhaseIndex);
  }
  if ((injection & kInjectionSequentialOrDirectOneRail) && channels < cylinders) {
    failWithNumber(IDS_INJECTION_CHANNELS_ONE_RAIL, "injection-channels", cylinders, channelsWord)
        .Found(cylinders)
        .Limit(Bound::kAtMost, {channels});
  }
  if ((injection & kInjectionSequentialTwoRails) && channels < 2 * cylinders) {
    // Two injectors a cylinder.
    failWithNumber(IDS_INJECTION_CHANNELS_TWO_RAILS, "injection-channels-two-rails", cylinders,
                   channelsWord)
        .Found(2 * cylinders)
        .Limit(Bound::kAtMost, {channels});
  }
  if ((injection & kInjectionSemiSequentialOneRail) && cylinders <= semiSequentialLimit) {
    failWithNumber(IDS_SEMI_SEQ_ONE_RAIL_MINIMUM, "semi-sequential-one-rail", semiSequentialLimit,
                   limitWord)
        .Found(cylinders)
        .Limit(Bound::kAtLeast, {semiSequentialLimit + 1});
  }
  if ((injection & kInjectionSemiSequentialOneRail) && cylinders == 10 && engine.banks != 0) {
    fail(IDS_SEMI_SEQ_TWO_BANKS_TEN_CYLINDERS, "semi-sequential-banks")
        .Word(kEngine, kEngineCylindersWord)
        .Word(kEngine, kEngineBanksWord)
        .Found(cylinders)
        .Limit(Bound::kOtherThan, {10});
  }
  if ((injection & kInjectionSemiSequentialTwoRails) && 2 * cylinders <= semiSequentialLimit) {
    failWithNumber(IDS_SEMI_SEQ_TWO_RAILS_MINIMUM, "semi-sequential-two-rails-injectors", cylinders,
                   limitWord)
        .Found(2 * cylinders)
        .Limit(Bound::kAtLeast, {semiSequentialLimit + 1});
  }
  if ((injection & kInjectionSemiSequentialTwoRails) &&
      (cylinders == 5 || semiSequentialLimit < cylinders)) {
    Finding& finding = failWithNumber(IDS_SEMI_SEQ_TWO_RAILS_REFUSED, "semi-sequential-two-rails",
                                      cylinders, limitWord)
                           .Found(cylinders);
    if (cylinders == 5) {
      finding.Limit(Bound::kOtherThan, {5});
    } else {
      finding.Limit(Bound::kAtMost, {semiSequentialLimit});
    }
  }

  const uint16_t peakHold = injection & kInjectionPeakHold;
  const bool peakHoldTuned = engine.peakHoldTuning[0] != 0 || engine.peakHoldTuning[1] != 0 ||
                             engine.peakHoldTuning[2] != 0;
  if (std::popcount(peakHold) > 1 || (peakHold & ~injectionCaps) != 0 || peakHoldTuned) {
    Finding& finding = fail(IDS_PEAK_AND_HOLD_REFUSED, "peak-and-hold");
    if (peakHoldTuned) {
      size_t tuned = 0;
      while (engine.peakHoldTuning[tuned] == 0) ++tuned;
      finding.Word(kEngine, kEnginePeakHoldTuningWord + tuned)
          .Found(engine.peakHoldTuning[tuned], Unit::kWord)
          .Limit(Bound::kExactly, {0});
    } else {
      // No mode, or one the ECU allows.
      std::vector<int64_t> modes = {0};
      for (uint16_t mode : {uint16_t{0x4000}, uint16_t{0x8000}})
        if (injectionCaps & mode) modes.push_back(mode);
      finding.Word(kCaps, kInjectionTypesWord)
          .Found(peakHold, Unit::kBits)
          .Limit(Bound::kOneOf, std::move(modes));
    }
  }
  if (std::popcount(static_cast<uint16_t>(injection & kInjectionTypeMask)) > 1 ||
      (injectionCaps & injection & kInjectionAllTypes) == 0) {
    std::vector<int64_t> types;
    for (int bit = 0; bit < 9; ++bit)
      if (injectionCaps & (1 << bit)) types.push_back(1 << bit);
    fail(IDS_INJECTION_CONFIG_REFUSED, "injection-type")
        .Word(kCaps, kInjectionTypesWord)
        .Found(injection & kInjectionTypeMask, Unit::kBits)
        .Limit(Bound::kOneOf, std::move(types));
  }
  return ok;
}

}  // namespace vantel
