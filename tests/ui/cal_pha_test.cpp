// The Phases page inside the whole configuration dialog, driven through the automation API:
// the lists each phase offers, what a stored configuration shows, and what saving stores.
#include "ui/cal_pha.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/engine_record.h"
#include "platform/string_table.h"
#include "platform/ui_test_support.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"
#include "support/dialog_driver.h"
#include "support/message_boxes.h"
#include "support/sample_machine.h"
#include "ui/cal_emg_dialog.h"
#include "ui/sis_report.h"

namespace vantel {
namespace {

using test::ConfigBuilder;
using test::FlywheelWord;
using test::TwoDigitSeries;
using test::UiItems;
using test::UiText;
using Strings = std::vector<std::string>;

constexpr uint16_t kWheel36Minus1 = FlywheelWord(35, 36);

/// "TCDM", "TCDM+1", ... "TCDM+last".
Strings StartTeeth(int last) {
  const std::string mark = LoadString(IDS_START_TOOTH_MARK);
  Strings items{mark};
  for (int n = 1; n <= last; ++n) items.push_back(mark + "+" + std::to_string(n));
  return items;
}

/// The texts of string ids, as the lists show them.
Strings Texts(std::initializer_list<uint32_t> ids) {
  Strings texts;
  for (uint32_t id : ids) texts.push_back(LoadString(id));
  return texts;
}

/// The page's thirteen combos in the order it builds them.
std::vector<int32_t> Combos() {
  std::vector<int32_t> ids;
  for (size_t p = 0; p < kPhaseCount; ++p) {
    ids.push_back(IDC_PHASE_CAMSHAFTS[p]);
    if (p == 0) ids.push_back(IDC_MAIN_PHASE_TYPE);
    ids.push_back(IDC_PHASE_MARKS[p]);
    ids.push_back(IDC_PHASE_START_TEETH[p]);
  }
  return ids;
}

class CalPhaTest : public ::testing::Test {
 protected:
  CalPhaTest() { test::PrepareEditAction(context()); }

  MachineContext& context() { return hosted_.context; }

  /// Opens the dialog over `config` on the Phases page, runs `act` once, and cancels the
  /// dialog unless `act` ended it. Message boxes are answered with OK.
  int32_t Run(const test::Config& config, const std::function<void()>& act) {
    config.ApplyTo(context());
    dialog_ = std::make_unique<CSisCalEmgDialog>(0, context(), "M12");
    handles_.clear();
    return test::RunOnce(*dialog_, [&] {
      EXPECT_EQ(VantelUiSelectTab(Control(IDC_MAIN_TABS), CSisCalEmgDialog::kPhasesPage), 1);
      act();
    });
  }

  /// Looked up once per dialog: the sweep reads the combos thousands of times.
  VantelUiWindow Control(int32_t id) const {
    auto [it, added] = handles_.try_emplace(id, 0);
    if (added) it->second = VantelUiGetControl(dialog_->GetSafeHwnd(), id);
    return it->second;
  }
  WordTable Sync() { return dialog_->tables().Encode()[kSyncTable]; }
  uint16_t SyncWord(size_t index) { return Word(Sync(), index); }

  /// Leaves the page for the banks page, which keeps the SyncTable as it is, and comes back,
  /// which fills the page again from the tables.
  void SaveAndFill() {
    const VantelUiWindow tabs = Control(IDC_MAIN_TABS);
    ASSERT_EQ(VantelUiSelectTab(tabs, CSisCalEmgDialog::kBanksPage), 1);
    ASSERT_EQ(VantelUiSelectTab(tabs, CSisCalEmgDialog::kPhasesPage), 1);
  }
  bool Choose(int32_t id, const std::string& text) { return test::ChooseEntry(Control(id), text); }
  std::string Selected(int32_t id) const { return test::SelectedEntry(Control(id)); }
  bool Enabled(int32_t id) const { return VantelUiIsEnabled(Control(id)) == 1; }
  /// The selected text of every combo, and its entry count, in build order.
  Strings Shown() const {
    Strings shown;
    for (int32_t id : Combos()) {
      shown.push_back(Selected(id) + " of " + std::to_string(VantelUiGetItemCount(Control(id))));
    }
    return shown;
  }

  test::FakeHost host_;
  test::HostedContext hosted_{host_};
  std::unique_ptr<CSisCalEmgDialog> dialog_;
  mutable std::map<int32_t, VantelUiWindow> handles_;
  const std::string noCamshaft_ = LoadString(IDS_CAMSHAFT_NONE);
  test::MessageBoxes boxes_;
};

TEST_F(CalPhaTest, EnablingFollowsWhatTheEcuAllows) {
  std::vector<int32_t> labels(IDC_PHASE_CAMSHAFT_LABELS.begin(), IDC_PHASE_CAMSHAFT_LABELS.end());
  labels.insert(labels.end(), IDC_PHASE_MARKS_LABELS.begin(), IDC_PHASE_MARKS_LABELS.end());
  labels.insert(labels.end(), IDC_PHASE_START_TOOTH_LABELS.begin(),
                IDC_PHASE_START_TOOTH_LABELS.end());
  labels.push_back(IDC_MAIN_PHASE_TYPE_LABEL);
  struct Case {
    const char* name;
    uint16_t types, camshafts;
    std::vector<int32_t> enabled;  // of the combos and labels
    Strings typeItems;
  };
  const Case cases[] = {
      {"no phase type", 0, 0x0F, {}, Texts({IDS_PHASE_TYPE_NONE})},
      // The types that need no camshaft stay on offer.
      {"no camshaft sensor",
       0x7F,
       0,
       {IDC_MAIN_PHASE_TYPE},
       Texts({IDS_PHASE_TYPE_NONE, IDS_PHASE_TYPE_DYNAMIC_SYNC, IDS_PHASE_TYPE_PRESSURE_SENSOR})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Run(ConfigBuilder().PhaseTypes(c.types).Camshafts(c.camshafts).Build(), [&] {
      std::vector<int32_t> controls = Combos();
      controls.insert(controls.end(), labels.begin(), labels.end());
      for (int32_t id : controls) {
        const bool expected = std::find(c.enabled.begin(), c.enabled.end(), id) != c.enabled.end();
        EXPECT_EQ(Enabled(id), expected) << id;
        EXPECT_EQ(VantelUiIsVisible(Control(id)), 1) << id;
      }
      EXPECT_EQ(UiItems(Control(IDC_MAIN_PHASE_TYPE)), c.typeItems);
      EXPECT_EQ(UiItems(Control(IDC_PHASE_START_TEETH[0])), StartTeeth(0));
    });
  }
}

// From "On marks state" with 3 marks measured from tooth 57 on 60-2, the type chosen keeps
// the count and the tooth where its lists hold them.
TEST_F(CalPhaTest, EachMainTypeOffersItsMarksAndStartTeeth) {
  struct Case {
    uint32_t type;
    bool camshaft;
    Strings marks;
    std::string mark;
    bool marksEnabled;
    uint32_t label;
    int lastStartTooth;
    int startTooth;
  };
  const Case cases[] = {
      {IDS_PHASE_TYPE_MARKS_STATE, true, TwoDigitSeries(1, 16), "03", true, IDS_LABEL_PHASE_MARKS,
       57, 57},
      {IDS_PHASE_TYPE_MARKS_POSITION, true, TwoDigitSeries(1, 16), "03", true,
       IDS_LABEL_PHASE_MARKS, 115, 57},
      {IDS_PHASE_TYPE_REGULAR_TEETH, true, TwoDigitSeries(2, 16), "03", true, IDS_LABEL_PHASE_MARKS,
       115, 57},
      {IDS_PHASE_TYPE_MISSING_TOOTH, true, TwoDigitSeries(3, 16), "03", true, IDS_LABEL_PHASE_MARKS,
       115, 57},
      {IDS_PHASE_TYPE_EXTRA_TOOTH, true, TwoDigitSeries(3, 13), "03", true, IDS_LABEL_PHASE_MARKS,
       115, 57},
      {IDS_PHASE_TYPE_NONE, false, {"00"}, "00", false, IDS_LABEL_PHASE_MARKS, 0, 0},
      {IDS_PHASE_TYPE_DYNAMIC_SYNC, false, TwoDigitSeries(2, 100, 2), "02", true,
       IDS_LABEL_SYNC_ROUNDS, 0, 0},
      {IDS_PHASE_TYPE_PRESSURE_SENSOR, false, {"01"}, "01", false, IDS_LABEL_PRESSURE_PULSES, 0, 0},
  };
  for (const Case& c : cases) {
    const std::string type = LoadString(c.type);
    SCOPED_TRACE(type);
    Run(ConfigBuilder().MainPhase(kPhaseOnMarksState, 3, 57).Build(), [&] {
      ASSERT_TRUE(c.camshaft || Choose(IDC_PHASE_CAMSHAFTS[0], noCamshaft_));
      ASSERT_TRUE(Choose(IDC_MAIN_PHASE_TYPE, type));
      EXPECT_EQ(Selected(IDC_MAIN_PHASE_TYPE), type);
      const int32_t marks = IDC_PHASE_MARKS[0], start = IDC_PHASE_START_TEETH[0];
      EXPECT_EQ(UiItems(Control(marks)), c.marks);
      EXPECT_EQ(Selected(marks), c.mark);
      EXPECT_EQ(Enabled(marks), c.marksEnabled);
      EXPECT_EQ(UiText(Control(IDC_MAIN_MARKS_LABEL)), LoadString(c.label));
      EXPECT_EQ(UiItems(Control(start)), StartTeeth(c.lastStartTooth));
      EXPECT_EQ(Selected(start), StartTeeth(c.startTooth).back());
      EXPECT_EQ(Enabled(start), c.camshaft);
      // A list closed without a choice shows the entry the page holds.
      if (c.marksEnabled) {
        EXPECT_EQ(VantelUiDismissComboAt(Control(marks), 1), 1);
        EXPECT_EQ(Selected(marks), c.mark);
      }
    });
  }
}

TEST_F(CalPhaTest, WithoutMainCamshaftOnlyTheTypesNeedingNoneAreSaved) {
  struct Case {
    uint32_t type;
    const char* marks;  // nullptr: the one the list offers
    uint16_t word11, word13;
  };
  const Case cases[] = {
      {IDS_PHASE_TYPE_NONE, nullptr, 0, 0},
      {IDS_PHASE_TYPE_DYNAMIC_SYNC, "64", 6, 64},
      {IDS_PHASE_TYPE_PRESSURE_SENSOR, nullptr, 7, 1},
  };
  for (const Case& c : cases) {
    const std::string type = LoadString(c.type);
    SCOPED_TRACE(type);
    const test::Config machine = ConfigBuilder()
                                     .AuxPhase(1, kCamExhaustBank1, 4, 20)
                                     .AuxPhase(2, kCamIntakeBank2, 2, 30)
                                     .AuxPhase(3, kCamExhaustBank2, 1, 40)
                                     .Build();
    Run(machine, [&] {
      const uint16_t markTooth = SyncWord(kSyncMarkToothWord);
      ASSERT_TRUE(Choose(IDC_PHASE_CAMSHAFTS[0], noCamshaft_));
      for (size_t p = 1; p < kPhaseCount; ++p) {
        EXPECT_FALSE(Enabled(IDC_PHASE_CAMSHAFTS[p])) << p;
        EXPECT_EQ(Selected(IDC_PHASE_CAMSHAFTS[p]), noCamshaft_) << p;
      }
      ASSERT_TRUE(Choose(IDC_MAIN_PHASE_TYPE, type));
      ASSERT_TRUE(!c.marks || Choose(IDC_PHASE_MARKS[0], c.marks));
      SaveAndFill();
      EXPECT_EQ(SyncWord(kSyncPhaseAssignmentWord), c.word11);
      EXPECT_EQ(SyncWord(kSyncMainPhaseWord), c.word13);
      EXPECT_EQ(SyncWord(kSyncMarkToothWord), markTooth) << "not a camshaft phase's word";
      for (size_t p = 0; p < kAuxPhaseCount; ++p) EXPECT_EQ(SyncWord(kSyncAuxPhaseWord + p), 0);
      EXPECT_EQ(Selected(IDC_MAIN_PHASE_TYPE), type);
    });
  }
}

TEST_F(CalPhaTest, ACamshaftServesOnePhaseOnly) {
  Run(ConfigBuilder().Build(), [&] {
    EXPECT_EQ(UiItems(Control(IDC_PHASE_CAMSHAFTS[0])),
              Texts({IDS_CAMSHAFT_NONE, IDS_CAMSHAFT_INTAKE_BANK1, IDS_CAMSHAFT_EXHAUST_BANK1,
                     IDS_CAMSHAFT_INTAKE_BANK2, IDS_CAMSHAFT_EXHAUST_BANK2}));
    ASSERT_TRUE(Choose(IDC_PHASE_CAMSHAFTS[1], LoadString(IDS_CAMSHAFT_EXHAUST_BANK1)));
    EXPECT_EQ(UiItems(Control(IDC_PHASE_CAMSHAFTS[0])),
              Texts({IDS_CAMSHAFT_NONE, IDS_CAMSHAFT_INTAKE_BANK1, IDS_CAMSHAFT_INTAKE_BANK2,
                     IDS_CAMSHAFT_EXHAUST_BANK2}));
    EXPECT_EQ(UiItems(Control(IDC_PHASE_CAMSHAFTS[1])),
              Texts({IDS_CAMSHAFT_NONE, IDS_CAMSHAFT_EXHAUST_BANK1, IDS_CAMSHAFT_INTAKE_BANK2,
                     IDS_CAMSHAFT_EXHAUST_BANK2}));
    for (size_t p : {2u, 3u}) {
      EXPECT_EQ(UiItems(Control(IDC_PHASE_CAMSHAFTS[p])),
                Texts({IDS_CAMSHAFT_NONE, IDS_CAMSHAFT_INTAKE_BANK2, IDS_CAMSHAFT_EXHAUST_BANK2}));
    }
    // The auxiliary phase now measures: its lists open.
    EXPECT_EQ(UiItems(Control(IDC_PHASE_MARKS[1])), TwoDigitSeries(1, 16));
    EXPECT_EQ(UiItems(Control(IDC_PHASE_START_TEETH[1])), StartTeeth(115));
    EXPECT_TRUE(Enabled(IDC_PHASE_MARKS[1]));
    EXPECT_TRUE(Enabled(IDC_PHASE_START_TEETH[1]));
    EXPECT_FALSE(Enabled(IDC_PHASE_MARKS[2]));
  });
}

TEST_F(CalPhaTest, StoredAuxiliaryPhasesShowOnlyWhatCanBeMeasured) {
  struct Case {
    const char* name;
    std::array<std::array<int, 3>, kAuxPhaseCount> stored;  // camshaft, marks, start tooth
    bool sensors23;
    std::array<uint16_t, kAuxPhaseCount> saved;  // words 14 to 16
    std::array<uint32_t, kAuxPhaseCount> camshafts;
  };
  const Case cases[] = {
      {"phase 2 on the main camshaft",
       {{{kCamExhaustBank1, 4, 20}, {kCamIntakeBank1, 2, 30}, {kCamExhaustBank2, 1, 40}}},
       true,
       {20 << 8 | 4, 0, 40 << 8 | 1},
       {IDS_CAMSHAFT_EXHAUST_BANK1, IDS_CAMSHAFT_NONE, IDS_CAMSHAFT_EXHAUST_BANK2}},
      {"one camshaft for all three: the lowest phase keeps it",
       {{{kCamIntakeBank2, 4, 20}, {kCamIntakeBank2, 2, 30}, {kCamIntakeBank2, 1, 40}}},
       true,
       {20 << 8 | 4, 0, 0},
       {IDS_CAMSHAFT_INTAKE_BANK2, IDS_CAMSHAFT_NONE, IDS_CAMSHAFT_NONE}},
      {"without the sensors of phases 2 and 3",
       {{{kCamExhaustBank1, 4, 20}, {kCamIntakeBank2, 2, 30}, {kCamExhaustBank2, 1, 40}}},
       false,
       {20 << 8 | 4, 0, 0},
       {IDS_CAMSHAFT_EXHAUST_BANK1, IDS_CAMSHAFT_NONE, IDS_CAMSHAFT_NONE}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConfigBuilder builder;
    builder.AuxPhaseSensors(c.sensors23, c.sensors23);
    for (size_t p = 0; p < kAuxPhaseCount; ++p) {
      builder.AuxPhase(int(p) + 1, c.stored[p][0], c.stored[p][1], c.stored[p][2]);
    }
    Run(builder.Build(), [&] {
      for (size_t p = 0; p < kAuxPhaseCount; ++p) {
        const bool used = c.saved[p] != 0;
        EXPECT_EQ(Selected(IDC_PHASE_CAMSHAFTS[p + 1]), LoadString(c.camshafts[p])) << p;
        EXPECT_EQ(Selected(IDC_PHASE_MARKS[p + 1]), used ? test::TwoDigits(c.stored[p][1]) : "00");
        EXPECT_EQ(Selected(IDC_PHASE_START_TEETH[p + 1]),
                  StartTeeth(used ? c.stored[p][2] : 0).back());
        EXPECT_EQ(Enabled(IDC_PHASE_MARKS[p + 1]), used) << p;
      }
      SaveAndFill();
      for (size_t p = 0; p < kAuxPhaseCount; ++p) {
        EXPECT_EQ(SyncWord(kSyncAuxPhaseWord + p), c.saved[p]) << p;
      }
    });
  }
}

// Eight teeth with one extra tooth (seven nominal) leave no count for a camshaft target with
// a missing or a supplementary tooth: the list is empty, 0 is stored and the rules say why.
TEST_F(CalPhaTest, AFlywheelTooSmallForTheTypeLeavesNoMarksAndTheRulesReportIt) {
  // Word 12 of 0 marks on 7 nominal and 8 actual teeth (one extra tooth, f = 1): a missing
  // tooth gives 4 x 7 / (0 + 1) - 1 = 27; a supplementary one 2 x 7 / (0 - 1) - 1 = -15.
  struct Case {
    const char* name;
    int storedType;
    uint32_t chosen;  // 0: as stored
    uint16_t markTooth;
  };
  const Case cases[] = {
      {"stored missing tooth", kPhaseOneMissingTooth, 0, 27},
      {"stored supplementary tooth", kPhaseOneSupplementaryTooth, 0, uint16_t(-15)},
      {"chosen missing tooth", kPhaseOnMarksState, IDS_PHASE_TYPE_MISSING_TOOTH, 27},
  };
  const std::string mismatch = LoadString(IDS_MAIN_TEETH_FLYWHEEL_MISMATCH);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const test::Config machine =
        ConfigBuilder().Flywheel(FlywheelWord(8, 7)).MainPhase(c.storedType, 3, 1).Build();
    const int32_t result = Run(machine, [&] {
      ASSERT_TRUE(!c.chosen || Choose(IDC_MAIN_PHASE_TYPE, LoadString(c.chosen)));
      const int32_t marks = IDC_PHASE_MARKS[0];
      EXPECT_EQ(UiItems(Control(marks)), Strings{});
      EXPECT_EQ(VantelUiGetSelection(Control(marks)), -1);
      EXPECT_FALSE(Enabled(marks));
      EXPECT_EQ(VantelUiIsVisible(Control(marks)), 1);
      EXPECT_TRUE(Enabled(IDC_PHASE_START_TEETH[0]));

      EXPECT_EQ(VantelUiPressOk(dialog_->GetSafeHwnd()), 1);
      EXPECT_EQ(SyncWord(kSyncMainPhaseWord) & 0xFF, 0);
      EXPECT_EQ(SyncWord(kSyncMarkToothWord), c.markTooth);
      const Strings rows = test::ReportRows(context());
      EXPECT_NE(std::find(rows.begin(), rows.end(), mismatch), rows.end());
    });
    EXPECT_EQ(result, IDCANCEL) << "the rules keep the dialog open";
  }
}

// Word 12, the crankshaft tooth of the camshaft mark, worked out by hand for a few wheels
// (N nominal teeth, T actual, R occurrences): T for the types on marks and on regular teeth;
// 4N / (marks + 1) - f with one missing tooth and 2N / (marks - 1) - f with one supplementary
// tooth, f being 3 on a wheel of two missing teeth, 2 of one missing tooth, 1 otherwise.
TEST_F(CalPhaTest, SavingStoresTheMarkToothOfTheWheelTypeAndMarks) {
  struct Case {
    const char* name;
    uint16_t wheel;
    uint32_t type;
    const char* marks;  // nullptr: as shown
    uint16_t markTooth;
  };
  const uint16_t k60Minus2Minus2 = FlywheelWord(56, 60, 2);
  const uint16_t k12Plus1 = FlywheelWord(13, 12);
  const Case cases[] = {
      {"60-2 on marks state: T", test::kWheel60Minus2, IDS_PHASE_TYPE_MARKS_STATE, nullptr, 58},
      {"36-1 on marks position: T", kWheel36Minus1, IDS_PHASE_TYPE_MARKS_POSITION, nullptr, 35},
      {"36-1 on regular teeth: T", kWheel36Minus1, IDS_PHASE_TYPE_REGULAR_TEETH, "04", 35},
      {"60-2, missing tooth, 3 marks: 240 / 4 - 3", test::kWheel60Minus2,
       IDS_PHASE_TYPE_MISSING_TOOTH, "03", 57},
      {"60-2, missing tooth, 16 marks: 240 / 17 - 3", test::kWheel60Minus2,
       IDS_PHASE_TYPE_MISSING_TOOTH, "16", 11},
      {"36-1, missing tooth, 5 marks: 144 / 6 - 2", kWheel36Minus1, IDS_PHASE_TYPE_MISSING_TOOTH,
       "05", 22},
      {"60-2-2, missing tooth, 4 marks: 240 / 5 - 3", k60Minus2Minus2, IDS_PHASE_TYPE_MISSING_TOOTH,
       "04", 45},
      {"12+1, missing tooth, 3 marks: 48 / 4 - 1", k12Plus1, IDS_PHASE_TYPE_MISSING_TOOTH, "03",
       11},
      {"60-2, extra tooth, 3 marks: 120 / 2 - 3", test::kWheel60Minus2, IDS_PHASE_TYPE_EXTRA_TOOTH,
       "03", 57},
      {"60-2, extra tooth, 13 marks: 120 / 12 - 3", test::kWheel60Minus2,
       IDS_PHASE_TYPE_EXTRA_TOOTH, "13", 7},
      {"36-1, extra tooth, 7 marks: 72 / 6 - 2", kWheel36Minus1, IDS_PHASE_TYPE_EXTRA_TOOTH, "07",
       10},
      {"12+1, extra tooth, 4 marks: 24 / 3 - 1", k12Plus1, IDS_PHASE_TYPE_EXTRA_TOOTH, "04", 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A stored word 12 of 0: what the page saves is its own.
    Run(ConfigBuilder().Flywheel(c.wheel).MarkTooth(0).Build(), [&] {
      ASSERT_TRUE(Choose(IDC_MAIN_PHASE_TYPE, LoadString(c.type)));
      ASSERT_TRUE(!c.marks || Choose(IDC_PHASE_MARKS[0], c.marks));
      const std::string marks = Selected(IDC_PHASE_MARKS[0]);
      SaveAndFill();
      EXPECT_EQ(SyncWord(kSyncMarkToothWord), c.markTooth);
      EXPECT_EQ(SyncWord(kSyncMainPhaseWord) & 0xFF, std::stoi(marks));
      EXPECT_EQ(Selected(IDC_PHASE_MARKS[0]), marks);
    });
  }
}

// Every camshaft assignment a user can make, and every entry of every other list: saved,
// then filled again from the tables, the page shows the same choices, and the mark tooth is
// the one the engine rules expect of the stored words (whose own values the test above pins).
TEST_F(CalPhaTest, EveryChoiceSurvivesASaveAndAFill) {
  struct Case {
    const char* name;
    uint16_t wheel;
    int trips;
  };
  // 1 + 4 x 34 camshaft assignments; the main lists without camshaft (1 + 50 + 1) and on one
  // (the longer of marks and start teeth per type); the auxiliary lists all at once.
  const Case cases[] = {{"60-2", test::kWheel60Minus2, 137 + 52 + (58 + 4 * 116) + 116},
                        {"36-1", kWheel36Minus1, 137 + 52 + (35 + 4 * 70) + 70}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int trips = 0;
    Run(ConfigBuilder().Flywheel(c.wheel).Build(), [&] {
      const auto roundTrip = [&] {
        const Strings before = Shown();
        SaveAndFill();
        ++trips;
        ASSERT_EQ(Shown(), before);
        if (Selected(IDC_PHASE_CAMSHAFTS[0]) == noCamshaft_) return;
        const SyncRecord stored = DecodeSyncTable(Sync());
        const Flywheel& f = stored.flywheel;
        ASSERT_EQ(stored.markTooth,
                  uint16_t(PhaseMarkTooth(stored.main.teeth, f.N, f.T, stored.mainType, f.R)));
      };
      // Entry i of each list at once, a shorter list staying on its last entry.
      const auto together = [&](const std::vector<int32_t>& ids) {
        int32_t longest = 0;
        for (int32_t id : ids) longest = std::max(longest, VantelUiGetItemCount(Control(id)));
        for (int32_t i = 0; i < longest && !HasFatalFailure(); ++i) {
          for (int32_t id : ids) {
            const int32_t count = VantelUiGetItemCount(Control(id));
            if (!Enabled(id) || count == 0) continue;
            ASSERT_EQ(VantelUiSelectComboItem(Control(id), std::min(i, count - 1)), 1) << id;
          }
          roundTrip();
        }
      };
      std::function<void(size_t)> assign = [&](size_t phase) {
        if (phase == kPhaseCount) return roundTrip();
        const int32_t id = IDC_PHASE_CAMSHAFTS[phase];
        if (!Enabled(id)) return assign(phase + 1);
        for (const std::string& item : UiItems(Control(id))) {
          if (HasFatalFailure()) return;
          SCOPED_TRACE(item);
          ASSERT_TRUE(Choose(id, item));
          assign(phase + 1);
        }
        // Free, for the phases before it to walk on.
        ASSERT_TRUE(Choose(id, noCamshaft_));
      };
      assign(0);

      for (uint32_t camshaft : {IDS_CAMSHAFT_NONE, IDS_CAMSHAFT_INTAKE_BANK1}) {
        ASSERT_TRUE(Choose(IDC_PHASE_CAMSHAFTS[0], LoadString(camshaft)));
        for (const std::string& type : UiItems(Control(IDC_MAIN_PHASE_TYPE))) {
          SCOPED_TRACE(type);
          ASSERT_TRUE(Choose(IDC_MAIN_PHASE_TYPE, type));
          together({IDC_PHASE_MARKS[0], IDC_PHASE_START_TEETH[0]});
        }
      }
      ASSERT_TRUE(Choose(IDC_PHASE_CAMSHAFTS[1], LoadString(IDS_CAMSHAFT_EXHAUST_BANK1)));
      ASSERT_TRUE(Choose(IDC_PHASE_CAMSHAFTS[2], LoadString(IDS_CAMSHAFT_INTAKE_BANK2)));
      ASSERT_TRUE(Choose(IDC_PHASE_CAMSHAFTS[3], LoadString(IDS_CAMSHAFT_EXHAUST_BANK2)));
      together({IDC_PHASE_MARKS[1], IDC_PHASE_START_TEETH[1], IDC_PHASE_MARKS[2],
                IDC_PHASE_START_TEETH[2], IDC_PHASE_MARKS[3], IDC_PHASE_START_TEETH[3]});
    });
    EXPECT_EQ(trips, c.trips);
  }
}

}  // namespace
}  // namespace vantel
