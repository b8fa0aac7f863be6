#include "ui/cal_ess.h"

#include <algorithm>
#include <array>

#include "platform/ddx.h"
#include "res/dialog_ids.h"

namespace vantel {
namespace {

enum InjectionType : int { kNoType = -1, kSemiSequential = 0, kSequential = 1, kDirect = 2 };
enum Rails : int { kNoRails = -1, kOneRail = 0, kRail1ToRail2 = 1, kRail1ToBoth = 2 };

constexpr std::array<int32_t, 3> kTypeRadios = {IDC_INJECTION_SEMI_SEQUENTIAL,
                                                IDC_INJECTION_SEQUENTIAL, IDC_INJECTION_DIRECT};
constexpr std::array<int32_t, 3> kRailsRadios = {
    IDC_INJECTION_ONE_RAIL, IDC_INJECTION_RAIL1_TO_RAIL2, IDC_INJECTION_RAIL1_TO_BOTH};

struct Combination {
  int rails;
  int type;
};

// By bit of EngineTable word 21 and of InjectionCaps word 1.
constexpr std::array<Combination, 9> kCombinations{{
    {kOneRail, kSemiSequential},
    {kOneRail, kSequential},
    {kOneRail, kDirect},
    {kRail1ToRail2, kSemiSequential},
    {kRail1ToRail2, kSequential},
    {kRail1ToRail2, kDirect},
    {kRail1ToBoth, kSemiSequential},
    {kRail1ToBoth, kSequential},
    {kRail1ToBoth, kDirect},
}};

constexpr bool CombinationsFollowTheInjectionBits() {
  for (size_t bit = 0; bit < kCombinations.size(); ++bit) {
    const Combination c = kCombinations[bit];
    if (InjectionBit(c.type, c.rails) != 1u << bit) return false;
  }
  return true;
}
static_assert(CombinationsFollowTheInjectionBits());

// What a stored combination the ECU refuses, or a second one, shows as.
constexpr Combination kSequentialOneRail{kOneRail, kSequential};

template <size_t N>
int IndexOf(const std::array<int32_t, N>& ids, int32_t id) {
  const auto found = std::find(ids.begin(), ids.end(), id);
  return found == ids.end() ? -1 : static_cast<int>(found - ids.begin());
}

}  // namespace

CSisCalEss::CSisCalEss(DialogTables& model) : CSisCalPage(IDD_INJECTION_PAGE, model) {}

bool CSisCalEss::OnMessage(const Message& message, intptr_t& /*result*/) {
  if (message.kind != MessageKind::Clicked) return false;
  if (const int rails = IndexOf(kRailsRadios, message.controlId); rails >= 0) {
    rails_ = rails;
  } else if (const int type = IndexOf(kTypeRadios, message.controlId); type >= 0) {
    type_ = type;
  } else {
    return false;
  }
  // The six radios are one group: a click clears both rows.
  SetTypeRadios();
  SetRailsRadios();
  return true;
}

void CSisCalEss::FillPage() {
  ReadModel();
  EnableTypeRadios();
  EnableWindow(GetDlgItem(IDC_PEAK_AND_HOLD_ENABLED), false);
  EnableWindow(GetDlgItem(IDC_PEAK_AND_HOLD_COMMAND), false);
  SetTypeRadios();
  SetRailsRadios();
}

void CSisCalEss::ReadModel() {
  const DialogTables& tables = model_;
  allowed_ = tables.caps.injectionTypes & kInjectionAllTypes;
  const uint16_t stored = tables.engine.injection;
  type_ = kNoType;
  rails_ = kNoRails;
  for (size_t bit = 0; bit < kCombinations.size(); ++bit) {
    if (!((stored >> bit) & 1)) continue;
    const bool shownAsStored = type_ == kNoType && ((allowed_ >> bit) & 1);
    const Combination shown = shownAsStored ? kCombinations[bit] : kSequentialOneRail;
    type_ = shown.type;
    rails_ = shown.rails;
  }
  if (type_ != kNoType) return;
  // Nothing stored: the first one-rail combination the ECU allows.
  for (int type = kSemiSequential; type <= kDirect; ++type) {
    if (!(allowed_ & InjectionBit(type, kOneRail))) continue;
    type_ = type;
    rails_ = kOneRail;
    return;
  }
}

void CSisCalEss::EnableTypeRadios() {
  for (int type = kSemiSequential; type <= kDirect; ++type) {
    EnableWindow(GetDlgItem(kTypeRadios[static_cast<size_t>(type)]),
                 (allowed_ & InjectionBit(type, kOneRail)) != 0);
  }
}

void CSisCalEss::SetTypeRadios() {
  if (type_ == kNoType) return;
  CheckRadio(GetSafeHwnd(), kTypeRadios, kTypeRadios[static_cast<size_t>(type_)]);
  // One rail is never disabled. A two-rail radio disabled here may stay checked and be saved:
  // the rules then report the combination.
  for (int rails = kRail1ToRail2; rails <= kRail1ToBoth; ++rails) {
    EnableWindow(GetDlgItem(kRailsRadios[static_cast<size_t>(rails)]),
                 (allowed_ & InjectionBit(type_, rails)) != 0);
  }
}

void CSisCalEss::SetRailsRadios() {
  if (rails_ == kNoRails) return;
  CheckRadio(GetSafeHwnd(), kRailsRadios, kRailsRadios[static_cast<size_t>(rails_)]);
}

bool CSisCalEss::SavePage() {
  const int type = type_ == kNoType ? kSemiSequential : type_;
  const int rails = rails_ == kNoRails ? kOneRail : rails_;
  model_.engine.peakHoldTuning = peakHoldTuning_;
  model_.engine.injection = InjectionBit(type, rails);
  return true;
}

}  // namespace vantel
