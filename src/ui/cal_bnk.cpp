#include "ui/cal_bnk.h"

#include <algorithm>
#include <array>
#include <optional>

#include "config/engine_record.h"
#include "platform/ddx.h"
#include "platform/string_table.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"

namespace vantel {
namespace {

constexpr int32_t kAngleModeRadios[] = {IDC_BANKS_REGULAR_ANGLES, IDC_BANKS_SPECIFIC_ANGLES};

bool IsChecked(Hwnd control) {
  const Window* window = GetWindow(control);
  return window && window->checked;
}

}  // namespace

CSisCalBnk::CSisCalBnk(DialogTables& model) : CSisCalPage(IDD_BANKS_PAGE, model) {}

bool CSisCalBnk::OnMessage(const Message& message, intptr_t& /*result*/) {
  if (message.kind != MessageKind::Clicked) return false;
  switch (message.controlId) {
    case IDC_BANKS_REGULAR_ANGLES:
      model_.SetRegularAngles(cylinders_);
      FillAngleEdits();
      return true;
    case IDC_BANKS_SPECIFIC_ANGLES:
      FillAngleEdits();
      return true;
    default:
      return false;
  }
}

void CSisCalBnk::FillPage() {
  ReadModel();
  SetAngleModeRadios();
  EnableBankRadios();
  FillAngleEdits();
  SetBankRadios();
}

bool CSisCalBnk::SavePage() {
  for (size_t row = 0; row < kBankRows; ++row) {
    angleTexts_[row] = GetWindowText(GetDlgItem(IDC_CYLINDER_ANGLES[row]));
  }

  EngineRecord& engine = model_.engine;
  const std::array<uint16_t, kMaxCylinders> regularWords = DialogTables::RegularAngles(cylinders_);
  // Words past the cylinders are 0.
  std::array<uint16_t, kMaxCylinders> words{};
  std::copy_n(engine.angles.begin(), Rows(), words.begin());
  if (IsChecked(GetDlgItem(IDC_BANKS_SPECIFIC_ANGLES))) {
    std::array<uint32_t, kMaxCylinders> hundredths{};
    std::array<bool, kMaxCylinders> edited{};
    bool regular = true;
    for (size_t row = 0; row < Rows(); ++row) {
      // The text shows its word rounded to tenths: read back, it would move the word.
      edited[row] = angleTexts_[row] != AngleText(words[row]);
      const std::optional<uint32_t> typed =
          edited[row] ? ParseAngleHundredths(angleTexts_[row]) : ShownAngleHundredths(words[row]);
      if (!typed) return Refuse(LoadString(IDS_PAGE_ANGLE_NOT_AN_ANGLE));
      hundredths[row] = *typed;
      if (row > 0 && hundredths[row] < hundredths[row - 1]) {
        return Refuse(LoadString(IDS_PAGE_ANGLES_DECREASE));
      }
      const auto rank = static_cast<uint32_t>(row);
      regular = regular && hundredths[row] == RegularAngleHundredths(rank, cylinders_);
    }
    const bool anyEdited = std::find(edited.begin(), edited.end(), true) != edited.end();
    for (size_t row = 0; row < Rows(); ++row) {
      // Angles typed as the regular ones keep the exact regular words, which the typed
      // hundredths would only approach.
      if (anyEdited && regular) {
        words[row] = regularWords[row];
        continue;
      }
      if (!edited[row]) continue;
      const std::optional<uint16_t> word = AngleWordFromHundredths(hundredths[row]);
      if (!word) return Refuse(LoadString(IDS_PAGE_ANGLE_TOO_HIGH));
      words[row] = *word;
    }
  } else {
    words = regularWords;
  }

  // Only the rows in use are the user's: the hidden ones keep what the table holds, which the
  // Engine page clears when the number of cylinders changes.
  auto banks = static_cast<uint16_t>(engine.banks & ~((1u << Rows()) - 1));
  if (!banksAllowed_) banks = 0;
  for (size_t row = 0; row < Rows() && banksAllowed_; ++row) {
    if (IsChecked(GetDlgItem(IDC_CYLINDER_BANK2[row]))) banks |= static_cast<uint16_t>(1u << row);
  }
  engine.angles = words;
  engine.banks = banks;
  return true;
}

void CSisCalBnk::ReadModel() {
  cylinders_ = model_.engine.cylinders;
  banksAllowed_ = model_.caps.BanksAllowedFor(cylinders_);
}

void CSisCalBnk::SetAngleModeRadios() {
  const Hwnd page = GetSafeHwnd();
  CheckRadio(page, kAngleModeRadios,
             model_.AnglesAreRegular() ? IDC_BANKS_REGULAR_ANGLES : IDC_BANKS_SPECIFIC_ANGLES);
  for (int32_t id : kAngleModeRadios) EnableWindow(GetDlgItem(id), true);
}

void CSisCalBnk::EnableBankRadios() {
  for (size_t row = 0; row < kBankRows; ++row) {
    const bool enable = banksAllowed_ && row < Rows();
    EnableWindow(GetDlgItem(IDC_CYLINDER_BANK1[row]), enable);
    EnableWindow(GetDlgItem(IDC_CYLINDER_BANK2[row]), enable);
  }
}

void CSisCalBnk::FillAngleEdits() {
  const EngineRecord& engine = model_.engine;
  const bool specific = IsChecked(GetDlgItem(IDC_BANKS_SPECIFIC_ANGLES));
  for (size_t row = 0; row < kBankRows; ++row) {
    const bool used = row < Rows();
    angleTexts_[row] = used ? AngleText(engine.angles[row]) : std::string();
    const Hwnd edit = GetDlgItem(IDC_CYLINDER_ANGLES[row]);
    EnableWindow(edit, specific && used);
    SetWindowText(edit, angleTexts_[row]);
  }
}

void CSisCalBnk::SetBankRadios() {
  // What a save stores: no bank 2 where the ECU manages no banks.
  const uint16_t banks = banksAllowed_ ? model_.engine.banks : uint16_t{0};
  // Every row shows the table, so that a hidden row never shows a mark left from an earlier,
  // larger number of cylinders.
  for (size_t row = 0; row < kBankRows; ++row) {
    const bool bank2 = (banks >> row) & 1;
    SetChecked(GetDlgItem(IDC_CYLINDER_BANK1[row]), !bank2);
    SetChecked(GetDlgItem(IDC_CYLINDER_BANK2[row]), bank2);
  }
}

size_t CSisCalBnk::Rows() const { return std::min<size_t>(cylinders_, kMaxCylinders); }

}  // namespace vantel
