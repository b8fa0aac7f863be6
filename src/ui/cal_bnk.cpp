#include "ui/cal_bnk.h"

#include <algorithm>
#include <array>
#include <optional>

#include "config/engine_record.h"
#include "platform/ddx.h"
#include "platform/string_table.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"
#include "ui/cal_emg_dialog.h"

namespace vantel {
namespace {

constexpr int32_t kAngleModeRadios[] = {IDC_BANKS_REGULAR_ANGLES, IDC_BANKS_SPECIFIC_ANGLES};

bool IsChecked(Hwnd control) {
  const Window* window = GetWindow(control);
  return window && window->checked;
}

}  // namespace

CSisCalBnk::CSisCalBnk(CSisCalEmgDialog& dialog) : CSisCalPage(IDD_BANKS_PAGE), dialog_(dialog) {}

bool CSisCalBnk::OnInitDialog() {
  FillPage();
  return true;
}

bool CSisCalBnk::OnMessage(const Message& message, intptr_t& /*result*/) {
  if (message.kind != MessageKind::Clicked) return false;
  switch (message.controlId) {
    case IDC_BANKS_REGULAR_ANGLES:
      SetRegularAngles(static_cast<int>(cylinders_));
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
  ReadTables();
  SetAngleModeRadios();
  EnableBankRadios();
  FillAngleEdits();
  SetBankRadios();
}

bool CSisCalBnk::SavePage() {
  for (size_t row = 0; row < kBankRows; ++row) {
    angleTexts_[row] = GetWindowText(GetDlgItem(IDC_CYLINDER_ANGLES[row]));
  }

  const WordTable& engine = dialog_.tables().Engine();
  std::array<uint16_t, kMaxCylinders> words{};
  for (size_t row = 0; row < Rows(); ++row) words[row] = Word(engine, kEngineAngleWord + row);
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
        words[row] = RegularAngleWord(static_cast<uint32_t>(row), cylinders_);
        continue;
      }
      if (!edited[row]) continue;
      const std::optional<uint16_t> word = AngleWordFromHundredths(hundredths[row]);
      if (!word) return Refuse(LoadString(IDS_PAGE_ANGLE_TOO_HIGH));
      words[row] = *word;
    }
  } else {
    for (size_t row = 0; row < Rows(); ++row) {
      words[row] = RegularAngleWord(static_cast<uint32_t>(row), cylinders_);
    }
  }

  // Only the rows in use are the user's: the hidden ones keep what the table holds, which the
  // Engine page clears when the number of cylinders changes.
  const uint16_t storedBanks = Word(engine, kEngineBanksWord);
  auto banks = static_cast<uint16_t>(storedBanks & ~((1u << Rows()) - 1));
  for (size_t row = 0; row < Rows(); ++row) {
    if (IsChecked(GetDlgItem(IDC_CYLINDER_BANK2[row]))) banks |= static_cast<uint16_t>(1u << row);
  }
  WriteAngles(words);
  SetWord(dialog_.tables().Engine(), kEngineBanksWord, banks);
  return true;
}

void CSisCalBnk::SetRegularAngles(int cylinders) {
  const auto count = static_cast<uint32_t>(std::max(cylinders, 0));
  const size_t rows = std::min<size_t>(count, kMaxCylinders);
  std::array<uint16_t, kMaxCylinders> words{};
  for (size_t row = 0; row < rows; ++row) {
    words[row] = RegularAngleWord(static_cast<uint32_t>(row), count);
  }
  WriteAngles(words);
}

void CSisCalBnk::ReadTables() {
  DialogTables& tables = dialog_.tables();
  cylinders_ = Word(tables.Engine(), kEngineCylindersWord);
  banksAllowed_ = BanksAllowed(Word(tables.caps.CylinderCaps, 1), Word(tables.caps.IgnitionCaps, 2),
                               cylinders_);
  if (!banksAllowed_) SetWord(tables.Engine(), kEngineBanksWord, 0);
}

void CSisCalBnk::SetAngleModeRadios() {
  const WordTable& engine = dialog_.tables().Engine();
  bool regular = true;
  for (size_t row = 0; row < Rows(); ++row) {
    const uint16_t expected = RegularAngleWord(static_cast<uint32_t>(row), cylinders_);
    regular = regular && Word(engine, kEngineAngleWord + row) == expected;
  }
  const Hwnd page = GetSafeHwnd();
  CheckRadio(page, kAngleModeRadios,
             regular ? IDC_BANKS_REGULAR_ANGLES : IDC_BANKS_SPECIFIC_ANGLES);
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
  const WordTable& engine = dialog_.tables().Engine();
  const bool specific = IsChecked(GetDlgItem(IDC_BANKS_SPECIFIC_ANGLES));
  for (size_t row = 0; row < kBankRows; ++row) {
    const bool used = row < Rows();
    angleTexts_[row] = used ? AngleText(Word(engine, kEngineAngleWord + row)) : std::string();
    const Hwnd edit = GetDlgItem(IDC_CYLINDER_ANGLES[row]);
    EnableWindow(edit, specific && used);
    SetWindowText(edit, angleTexts_[row]);
  }
}

void CSisCalBnk::SetBankRadios() {
  const uint16_t banks = Word(dialog_.tables().Engine(), kEngineBanksWord);
  // Every row shows the table, so that a hidden row never shows a mark left from an earlier,
  // larger number of cylinders.
  for (size_t row = 0; row < kBankRows; ++row) {
    const bool bank2 = (banks >> row) & 1;
    SetChecked(GetDlgItem(IDC_CYLINDER_BANK1[row]), !bank2);
    SetChecked(GetDlgItem(IDC_CYLINDER_BANK2[row]), bank2);
  }
}

void CSisCalBnk::WriteAngles(const std::array<uint16_t, kMaxCylinders>& words) {
  WordTable& engine = dialog_.tables().Engine();
  for (size_t row = 0; row < kMaxCylinders; ++row)
    SetWord(engine, kEngineAngleWord + row, words[row]);
}

size_t CSisCalBnk::Rows() const { return std::min<size_t>(cylinders_, kMaxCylinders); }

}  // namespace vantel
