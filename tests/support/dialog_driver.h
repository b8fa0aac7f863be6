#pragma once
// Driving the configuration dialog as a user does, through the automation API: its modal
// loop run once, its combos chosen and read by the text they show, its pages and its report.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/ui_test_support.h"
#include "res/dialog_ids.h"
#include "ui/cal_all.h"
#include "ui/cal_bnk.h"
#include "ui/cal_emg_dialog.h"
#include "ui/cal_ess.h"
#include "ui/cal_mot.h"
#include "ui/cal_pha.h"
#include "ui/machine_context.h"
#include "ui/sis_report.h"

namespace vantel::test {

/// Runs `dialog` modally: `act` once on its first turn, message boxes answered with OK. The
/// dialog ends as `act` left it, or cancelled when `act` did not end it.
inline int32_t RunOnce(Dialog& dialog, const std::function<void()>& act) {
  bool acted = false;
  UiDriver driver([&](VantelUiWindow modal) {
    if (modal != dialog.GetSafeHwnd()) {
      VantelUiPressOk(modal);
      return 1;
    }
    if (acted) return 0;
    acted = true;
    act();
    return 1;
  });
  return dialog.DoModal();
}

/// Chooses the entry of `combo` showing `text`; false when there is none or a user could not.
inline bool ChooseEntry(VantelUiWindow combo, const std::string& text) {
  const std::vector<std::string> items = UiItems(combo);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == text) return VantelUiSelectComboItem(combo, static_cast<int32_t>(i)) == 1;
  }
  return false;
}

/// The text of the entry `combo` shows, or "<none>".
inline std::string SelectedEntry(VantelUiWindow combo) {
  const int32_t index = VantelUiGetSelection(combo);
  const int32_t length = index < 0 ? -1 : VantelUiGetItemText(combo, index, nullptr, 0);
  if (length < 0) return "<none>";
  std::string text(static_cast<size_t>(length) + 1, '\0');
  VantelUiGetItemText(combo, index, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

/// `value` in two digits at least, as the pages' number lists show it.
inline std::string TwoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

/// "first", "first + step", ... up to `last`, in two digits at least.
inline std::vector<std::string> TwoDigitSeries(int first, int last, int step = 1) {
  std::vector<std::string> items;
  for (int value = first; value <= last; value += step) items.push_back(TwoDigits(value));
  return items;
}

/// The windows of the dialog's five pages in tab order, 0 for a page that was not created.
inline std::vector<Hwnd> PageWindows(const CSisCalEmgDialog& dialog) {
  std::vector<Hwnd> windows;
  const CSisCalPage* const pages[] = {dialog.enginePage(), dialog.banksPage(), dialog.phasesPage(),
                                      dialog.ignitionPage(), dialog.injectionPage()};
  for (const CSisCalPage* page : pages) {
    windows.push_back(page ? page->GetSafeHwnd() : 0);
  }
  return windows;
}

/// The rows of the machine's report as the user sees them, or {"<hidden>"} / {"<no report>"}.
inline std::vector<std::string> ReportRows(const MachineContext& context) {
  if (!context.report) return {"<no report>"};
  const Hwnd report = context.report->GetSafeHwnd();
  if (VantelUiIsVisible(report) != 1) return {"<hidden>"};
  return UiItems(VantelUiGetControl(report, IDC_REPORT_LIST));
}

}  // namespace vantel::test
