// The configuration dialog over the machines of examples/, as a user edits them: confirmed
// without a change it writes nothing, and every single change a page accepts writes only
// words that page owns.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "config/engine_record.h"
#include "kalbrix.h"
#include "platform/controls.h"
#include "platform/ui_test_support.h"
#include "platform/window.h"
#include "plugin/handlers.h"
#include "plugin/vantel_app.h"
#include "res/dialog_ids.h"
#include "support/dialog_driver.h"
#include "support/fake_host.h"
#include "support/message_boxes.h"
#include "ui/cal_all.h"
#include "ui/cal_bnk.h"
#include "ui/cal_emg_dialog.h"
#include "ui/cal_ess.h"
#include "ui/cal_mot.h"
#include "ui/cal_page.h"
#include "ui/cal_pha.h"

namespace vantel {
namespace {

constexpr const char* kKey = "EMG_EDIT";

struct WordRange {
  int table;
  size_t first, last;
};

// What each page may change, in tab order. The Engine page rebuilds the flywheel tables and
// re-encodes the phases for a new flywheel, and resets the angles with a new cylinder count.
const std::vector<WordRange> kOwned[CSisCalEmgDialog::kPageCount] = {
    {{kEngineTable, kEngineCylindersWord, kEngineAngleWord + kMaxCylinders - 1},
     {kSyncTable, 0, 0xFFFF},
     {kToothWindowTable, 0, 0xFFFF},
     {kToothAngleTable, 0, 0xFFFF},
     {kToothPositionTable, 0, 0xFFFF},
     {kRegularToothTable, 0, 0xFFFF}},
    {{kEngineTable, kEngineBanksWord, kEngineAngleWord + kMaxCylinders - 1}},
    {{kSyncTable, kSyncPhaseAssignmentWord, kSyncAuxPhaseWord + 2}},
    {{kEngineTable, kEngineIgnitionWord, kEngineIgnitionWord},
     {kEngineTable, kEngineIgnitionDelayWord, kEngineIgnitionDelayWord}},
    {{kEngineTable, kEngineInjectionWord, kEngineInjectionWord},
     {kEngineTable, kEnginePeakHoldTuningWord, kEnginePeakHoldTuningWord + 2}},
};

bool Owned(int page, int table, size_t word) {
  for (const WordRange& range : kOwned[page]) {
    if (range.table == table && word >= range.first && word <= range.last) return true;
  }
  return false;
}

/// One thing a user does on a page: a click, a combo entry, or a text typed into an edit.
struct Change {
  int page;
  int32_t control;
  ControlKind kind;
  int32_t entry = 0;
  std::string text;

  std::string Name() const {
    return "page " + std::to_string(page) + " control " + std::to_string(control) +
           (kind == ControlKind::ComboBox ? " entry " + std::to_string(entry) : "") + text;
  }
};

/// The changes offered by the controls of `page`: every enabled button not yet checked, a few
/// entries of every enabled list, and another value in the number edits.
std::vector<Change> ChangesOn(int page, Hwnd pageWindow) {
  std::vector<Change> changes;
  for (Hwnd child : GetWindow(pageWindow)->children) {
    const Window& c = *GetWindow(child);
    if (!c.visible || !c.enabled) continue;
    switch (c.kind) {
      case ControlKind::RadioButton:
      case ControlKind::CheckBox:
        if (c.kind == ControlKind::CheckBox || !c.checked)
          changes.push_back({page, c.id, c.kind, 0, {}});
        break;
      case ControlKind::ComboBox: {
        const auto count = static_cast<int32_t>(c.items.size());
        for (int32_t entry : std::set<int32_t>{0, 1, count / 2, count - 1}) {
          if (entry >= 0 && entry < count && entry != c.selection) {
            changes.push_back({page, c.id, c.kind, entry, {}});
          }
        }
        break;
      }
      case ControlKind::Edit:
        if (c.id == IDC_IGNITION_DELAY || c.id == IDC_SYNC_RPM) {
          const int value = std::stoi(c.text);
          changes.push_back({page, c.id, c.kind, 0, std::to_string(value > 0 ? value - 1 : 1)});
        }
        break;
      default:
        break;
    }
  }
  return changes;
}

class DialogExamplesTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    const host::Kalbrix kalbrix = host::LoadKalbrix(GetParam());
    static_cast<hostcore::ItemStore&>(host_) = kalbrix;
    machine_ = static_cast<int32_t>(kalbrix.machine);
    app_.InitInstance();
    OpenConfiguration(machine_, app_, kalbrix.descriptor);
    context_ = FindContext(app_, machine_);
    ASSERT_NE(context_, nullptr);
  }
  void TearDown() override { app_.ExitInstance(); }

  /// One edit action: `user` acts in the dialog, which is then confirmed. True when the
  /// dialog took the OK.
  bool Edit(const std::function<void(CSisCalEmgDialog&)>& user) {
    host_.ClearLog();
    bool acted = false;
    bool accepted = false;
    test::UiDriver driver([&](VantelUiWindow modal) {
      CSisCalEmgDialog* dialog = context_->mainDialog;
      if (acted || !dialog || dialog->GetSafeHwnd() != modal) return 0;
      acted = true;
      user(*dialog);
      accepted = user::PressOk(modal) && GetWindow(modal)->modalEnded &&
                 GetWindow(modal)->modalResult == IDOK;
      return 1;
    });
    StartEditAction(*context_, kKey);
    EndHostAction(*context_, kKey);
    return accepted;
  }

  /// Every word a confirmed dialog wrote that differs from the machine's table.
  std::vector<std::pair<int, size_t>> WrittenWords() const {
    std::vector<std::pair<int, size_t>> words;
    for (int t = 0; t < kConfigTableCount; ++t) {
      const std::optional<WordTable> written = host_.Written(context_->ItemName(t));
      if (!written) continue;
      const WordTable& before = context_->Table(t);
      for (size_t i = 0; i < std::max(written->size(), before.size()); ++i) {
        if (Word(*written, i) != Word(before, i) || i >= written->size() || i >= before.size()) {
          words.emplace_back(t, i);
        }
      }
    }
    return words;
  }

  test::FakeHost host_;
  test::MessageBoxes boxes_;
  ModuleState state_;
  CVantelApp app_{test::FakeHost::Entry(), "unused", &state_};
  int32_t machine_ = 0;
  MachineContext* context_ = nullptr;
};

TEST_P(DialogExamplesTest, ConfirmedUnchangedWritesNothingAndEachChangeOnlyItsPagesWords) {
  if (!context_->Has(Open) || context_->ConfigState != kConfigCoherent) {
    // An incoherent machine's dialog refuses OK until it is mended: nothing is written.
    if (context_->Has(Open)) {
      EXPECT_FALSE(Edit([](CSisCalEmgDialog&) {}));
    }
    EXPECT_EQ(host_.Count(REQ_ITEM_WRITE), 0u);
    return;
  }
  ASSERT_TRUE(Edit([](CSisCalEmgDialog&) {}));
  EXPECT_EQ(host_.Count(REQ_ITEM_WRITE), 0u);

  std::vector<Change> changes;
  Edit([&](CSisCalEmgDialog& dialog) {
    const Hwnd tabs = dialog.GetDlgItem(IDC_MAIN_TABS);
    for (int page = 0; page < CSisCalEmgDialog::kPageCount; ++page) {
      user::SelectTab(tabs, page);
      for (const Change& change :
           ChangesOn(page, test::PageWindows(dialog)[static_cast<size_t>(page)])) {
        changes.push_back(change);
      }
    }
    user::PressCancel(dialog.GetSafeHwnd());
  });
  ASSERT_FALSE(changes.empty());

  std::vector<int> acceptedPerPage(CSisCalEmgDialog::kPageCount, 0);
  for (const Change& change : changes) {
    SCOPED_TRACE(change.Name());
    const bool accepted = Edit([&](CSisCalEmgDialog& dialog) {
      ASSERT_TRUE(user::SelectTab(dialog.GetDlgItem(IDC_MAIN_TABS), change.page));
      const Hwnd control = FindDescendant(
          test::PageWindows(dialog)[static_cast<size_t>(change.page)], change.control);
      switch (change.kind) {
        case ControlKind::ComboBox:
          user::SelectComboItem(control, change.entry, true);
          break;
        case ControlKind::Edit:
          user::SetEditText(control, change.text);
          break;
        default:
          user::Click(control);
      }
    });
    if (!accepted) continue;
    const auto words = WrittenWords();
    if (!words.empty()) ++acceptedPerPage[static_cast<size_t>(change.page)];
    for (const auto& [table, word] : words) {
      EXPECT_TRUE(Owned(change.page, table, word)) << "table " << table << " word " << word;
    }
  }
  // Each page took at least one change of its own.
  for (int page = 0; page < CSisCalEmgDialog::kPageCount; ++page) {
    EXPECT_GT(acceptedPerPage[static_cast<size_t>(page)], 0) << "page " << page;
  }
}

std::vector<std::string> Examples() {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(VANTEL_SOURCE_DIR "/examples")) {
    if (entry.path().extension() == ".json") paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

INSTANTIATE_TEST_SUITE_P(Examples, DialogExamplesTest, ::testing::ValuesIn(Examples()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = std::filesystem::path(info.param).stem().string();
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace vantel
