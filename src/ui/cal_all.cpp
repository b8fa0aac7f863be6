#include "ui/cal_all.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "config/engine_record.h"
#include "platform/ddx.h"
#include "platform/string_table.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"

namespace vantel {
namespace {

enum IgnitionType : int { kNoType = -1, kDistributed = 0, kTwinSpark = 1, kStatic = 2 };

struct IgnitionRadio {
  int32_t id;
  uint16_t flag;  // EngineTable word 20, IgnitionCaps word 1
};

// By ignition type.
constexpr std::array<IgnitionRadio, 3> kIgnitionRadios{{
    {IDC_IGNITION_DISTRIBUTED, kIgnitionDistributed},
    {IDC_IGNITION_TWIN_SPARK, kIgnitionTwinSpark},
    {IDC_IGNITION_STATIC, kIgnitionStatic},
}};
constexpr std::array<int32_t, kIgnitionRadios.size()> kIgnitionRadioIds = {
    kIgnitionRadios[0].id, kIgnitionRadios[1].id, kIgnitionRadios[2].id};

constexpr uint16_t Flag(int type) { return kIgnitionRadios[static_cast<size_t>(type)].flag; }

}  // namespace

CSisCalAll::CSisCalAll(DialogTables& model) : CSisCalPage(IDD_IGNITION_PAGE, model) {}

bool CSisCalAll::OnInitDialog() {
  const uint16_t maxDelayUs = model_.caps.maxIgnitionDelayUs;
  SetWindowText(
      GetDlgItem(IDC_IGNITION_DELAY_LABEL),
      LoadString(IDS_IGNITION_DELAY_LABEL) + " ( 0 - " + std::to_string(maxDelayUs) + " )");
  FillPage();
  return true;
}

bool CSisCalAll::OnMessage(const Message& message, intptr_t& /*result*/) {
  if (message.kind != MessageKind::Clicked) return false;
  const auto radio =
      std::find(kIgnitionRadioIds.begin(), kIgnitionRadioIds.end(), message.controlId);
  if (radio == kIgnitionRadioIds.end()) return false;
  type_ = static_cast<int>(radio - kIgnitionRadioIds.begin());
  return true;
}

void CSisCalAll::FillPage() {
  ReadModel();
  EnableRadios();
  SetDelayEdit();
  SetRadioChecks();
}

void CSisCalAll::ReadModel() {
  DialogTables& tables = model_;
  const CapabilityRecord& caps = tables.caps;
  const uint32_t ignitionChannels = caps.ignitionChannels;
  const uint32_t ignitionPulses = caps.ignitionPulses;
  const EngineRecord& engine = tables.engine;
  cylinders_ = engine.cylinders;

  allowedTypes_ = caps.ignitionTypes;
  // A twin-spark coil fires a pair of cylinders at once, on one channel, with two pulses.
  if (cylinders_ % 2 != 0 || ignitionPulses < 2 || cylinders_ > 2 * ignitionChannels) {
    allowedTypes_ &= static_cast<uint16_t>(~kIgnitionTwinSpark);
  }
  // A distributed ignition needs a pulse per cylinder.
  if (cylinders_ > ignitionPulses) allowedTypes_ &= static_cast<uint16_t>(~kIgnitionDistributed);

  // Later flags override earlier ones; a stored type the ECU refuses shows as static.
  const auto allows = [&](int type) { return (allowedTypes_ & Flag(type)) != 0; };
  const uint16_t stored = engine.ignitionType;
  type_ = kNoType;
  if (stored & kIgnitionDistributed) type_ = allows(kDistributed) ? kDistributed : kStatic;
  if (stored & kIgnitionTwinSpark) {
    type_ = type_ == kNoType && allows(kTwinSpark) ? kTwinSpark : kStatic;
  }
  if (stored & kIgnitionStatic) type_ = kStatic;
  for (int type = kDistributed; type_ == kNoType && type <= kStatic; ++type) {
    if (allows(type)) type_ = type;
  }

  // A distributed ignition never takes the outputs it shares with the injection.
  const uint32_t sharedOutputLimit = caps.sharedOutputLimit;
  const int32_t freedChannels = caps.freedInjectionChannels;
  const int32_t sharedChannels = caps.sharedInjectionChannels;
  switch (type_) {
    case kDistributed:
      tables.injectionChannelCount = freedChannels;
      break;
    case kTwinSpark:
      tables.injectionChannelCount =
          2 * sharedOutputLimit < cylinders_ ? sharedChannels : freedChannels;
      break;
    case kStatic:
      tables.injectionChannelCount =
          sharedOutputLimit < cylinders_ ? sharedChannels : freedChannels;
      break;
    default:
      break;
  }
}

void CSisCalAll::EnableRadios() {
  for (const IgnitionRadio& radio : kIgnitionRadios) {
    EnableWindow(GetDlgItem(radio.id), (allowedTypes_ & radio.flag) != 0);
  }
}

void CSisCalAll::SetDelayEdit() {
  SetEditInt(GetSafeHwnd(), IDC_IGNITION_DELAY, model_.engine.ignitionDelayUs);
}

void CSisCalAll::SetRadioChecks() {
  // With no type the marks stay as they are.
  if (type_ == kNoType) return;
  CheckRadio(GetSafeHwnd(), kIgnitionRadioIds, kIgnitionRadioIds[static_cast<size_t>(type_)]);
}

bool CSisCalAll::SavePage() {
  DialogTables& tables = model_;
  const uint16_t maxDelayUs = tables.caps.maxIgnitionDelayUs;
  // Read as 0, a text that is not a number would replace the user's delay without a word.
  const std::optional<int64_t> delayUs = GetEditInt(GetSafeHwnd(), IDC_IGNITION_DELAY);
  if (!delayUs) {
    return Refuse(LoadString(IDS_IGNITION_DELAY_NOT_A_NUMBER) + std::to_string(maxDelayUs));
  }
  if (*delayUs < 0 || *delayUs > maxDelayUs) return Refuse(LoadString(IDS_IGNITION_DELAY_TOO_HIGH));

  tables.engine.ignitionDelayUs = static_cast<uint16_t>(*delayUs);
  // With no type chosen, distributed: the first of the three.
  tables.engine.ignitionType = type_ == kNoType ? kIgnitionDistributed : Flag(type_);
  return true;
}

}  // namespace vantel
