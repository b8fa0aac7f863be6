// The Engine page inside the whole configuration dialog, driven as a user drives it through
// the automation API: what it shows of the stored flywheel, what saving it stores, and what it
// refuses.
#include "ui/cal_mot.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/engine_record.h"
#include "config/flywheel_tables.h"
#include "platform/dialog.h"
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
using test::TwoDigits;
using test::TwoDigitSeries;
using test::UiItems;
using test::UiText;
using Strings = std::vector<std::string>;

constexpr char kTitle[] = "Engine management configuration M12";

struct RadioChoice {
  int32_t id;
  int kind;
  bool renaultRs;
};
constexpr std::array<RadioChoice, 5> kRadios{{
    {IDC_FLYWHEEL_SAME_TEETH, kRegularTeeth, false},
    {IDC_FLYWHEEL_ONE_MISSING, kOneMissingTooth, false},
    {IDC_FLYWHEEL_TWO_MISSING, kTwoMissingTeeth, false},
    {IDC_FLYWHEEL_ONE_EXTRA, kOneExtraTooth, false},
    {IDC_FLYWHEEL_RS_TYPE, kTwoMissingTeeth, true},
}};

/// A machine whose main phase type is `mainType`, with this flywheel word and cylinders.
test::Config Machine(uint16_t flywheel, int mainType = kPhaseOnMarksState, uint16_t cylinders = 4) {
  return ConfigBuilder().Cylinders(cylinders).Flywheel(flywheel).MainPhase(mainType, 1, 10).Build();
}

/// SyncTable words 0 to 10: the size word, the page's own and the generator's.
std::vector<uint16_t> EngineOwnedSyncWords(const WordTable& sync) {
  std::vector<uint16_t> words;
  for (size_t i = 0; i < kSyncPhaseAssignmentWord; ++i) words.push_back(Word(sync, i));
  return words;
}

class CalMotTest : public ::testing::Test {
 protected:
  CalMotTest() { test::PrepareEditAction(context()); }
  ~CalMotTest() override { SetUiHook(nullptr, nullptr); }

  MachineContext& context() { return hosted_.context; }

  /// Opens the dialog over `config`, runs `act` once with the Engine page shown, and cancels
  /// the dialog unless `act` ended it. Message boxes are recorded and answered with OK.
  int32_t Run(const test::Config& config, const std::function<void()>& act) {
    config.ApplyTo(context());
    test::AddSampleTables(host_, config);
    dialog_ = std::make_unique<CSisCalEmgDialog>(0, context(), kTitle);
    return test::RunOnce(*dialog_, act);
  }

  VantelUiWindow Control(int32_t id) const {
    return VantelUiGetControl(dialog_->GetSafeHwnd(), id);
  }
  std::array<WordTable, kConfigTableCount> Tables() { return dialog_->tables().Encode(); }

  /// Saves the page as leaving its tab does (to the phases tab, which leaves the tables as
  /// they are), then comes back to it, which fills it again. False when the save refused.
  bool Save() {
    const VantelUiWindow tabs = Control(IDC_MAIN_TABS);
    if (VantelUiSelectTab(tabs, CSisCalEmgDialog::kPhasesPage) != 1) return false;
    EXPECT_EQ(VantelUiSelectTab(tabs, CSisCalEmgDialog::kEnginePage), 1);
    return true;
  }
  bool Choose(int32_t comboId, const std::string& text) {
    return test::ChooseEntry(Control(comboId), text);
  }
  std::string Selected(int32_t comboId) const { return test::SelectedEntry(Control(comboId)); }
  int32_t CheckedRadio() const {
    int32_t checked = 0;
    for (const RadioChoice& radio : kRadios) {
      if (VantelUiIsChecked(Control(radio.id)) != 1) continue;
      if (checked != 0) return -1;  // more than one
      checked = radio.id;
    }
    return checked;
  }

  test::FakeHost host_;
  test::HostedContext hosted_{host_};
  std::unique_ptr<CSisCalEmgDialog> dialog_;
  test::MessageBoxes boxes_;
};

TEST_F(CalMotTest, StoredFlywheelShowsAsItsRadioOccurrencesAndTeeth) {
  const Strings oneToFour = TwoDigitSeries(1, 4);
  struct Case {
    const char* name;
    uint16_t word;
    int mainType;
    int32_t radio;
    bool sameTeethEnabled;
    Strings occurrences;
    std::string occurrence;
    Strings teeth;
    std::string tooth;
  };
  const std::vector<Case> cases{
      {"60-2", FlywheelWord(58, 60), kPhaseOnMarksState, IDC_FLYWHEEL_TWO_MISSING, false, oneToFour,
       "01", TwoDigitSeries(8, 58), "58"},
      {"60-2-2 on marks state", FlywheelWord(56, 60, 2), kPhaseOnMarksState,
       IDC_FLYWHEEL_TWO_MISSING, false, oneToFour, "02", TwoDigitSeries(8, 58, 2), "56"},
      {"60-2-2 on marks position", FlywheelWord(56, 60, 2), kPhaseOnMarksPosition,
       IDC_FLYWHEEL_TWO_MISSING, false, oneToFour, "02", TwoDigitSeries(8, 58, 2), "56"},
      {"60-2-2 with a one-mark phase",
       FlywheelWord(56, 60, 2),
       kPhaseOneMissingTooth,
       IDC_FLYWHEEL_TWO_MISSING,
       true,
       {"01"},
       "01",
       TwoDigitSeries(8, 58),
       "56"},
      {"12+1", FlywheelWord(13, 12), kPhaseOnMarksState, IDC_FLYWHEEL_ONE_EXTRA, false, oneToFour,
       "01", TwoDigitSeries(8, 58), "13"},
      {"4 x (3+1)", FlywheelWord(16, 12, 4), kPhaseOnMarksState, IDC_FLYWHEEL_ONE_EXTRA, false,
       oneToFour, "04", TwoDigitSeries(12, 56, 4), "16"},
      {"RS",
       FlywheelWord(58, 60, 1, true),
       kPhaseOnMarksState,
       IDC_FLYWHEEL_RS_TYPE,
       false,
       {"01"},
       "01",
       TwoDigitSeries(8, 58),
       "58"},
      {"difference not divisible", FlywheelWord(58, 61, 2), kPhaseOnMarksState,
       IDC_FLYWHEEL_TWO_MISSING, false, oneToFour, "01", TwoDigitSeries(8, 58), "58"},
      {"type below two missing", FlywheelWord(50, 60), kPhaseOnMarksState, IDC_FLYWHEEL_TWO_MISSING,
       false, oneToFour, "01", TwoDigitSeries(8, 58), "50"},
      {"teeth above 58", FlywheelWord(62, 64), kPhaseOnMarksState, IDC_FLYWHEEL_TWO_MISSING, false,
       oneToFour, "01", TwoDigitSeries(8, 58), "58"},
      {"teeth below 8", FlywheelWord(4, 6), kPhaseOnMarksState, IDC_FLYWHEEL_TWO_MISSING, false,
       oneToFour, "01", TwoDigitSeries(8, 58), "08"},
      {"regular teeth, no phase",
       FlywheelWord(36, 36),
       kPhaseNone,
       IDC_FLYWHEEL_TWO_MISSING,
       false,
       {"01"},
       "01",
       TwoDigitSeries(8, 58),
       "36"},
      {"regular teeth, marks position",
       FlywheelWord(36, 36),
       kPhaseOnMarksPosition,
       IDC_FLYWHEEL_SAME_TEETH,
       true,
       {"01"},
       "01",
       TwoDigitSeries(8, 58),
       "36"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Run(Machine(c.word, c.mainType), [&] {
      EXPECT_EQ(CheckedRadio(), c.radio);
      EXPECT_EQ(VantelUiIsEnabled(Control(IDC_FLYWHEEL_SAME_TEETH)), c.sameTeethEnabled ? 1 : 0);
      EXPECT_EQ(UiItems(Control(IDC_FLYWHEEL_OCCURRENCES)), c.occurrences);
      EXPECT_EQ(Selected(IDC_FLYWHEEL_OCCURRENCES), c.occurrence);
      EXPECT_EQ(UiItems(Control(IDC_FLYWHEEL_TEETH)), c.teeth);
      EXPECT_EQ(Selected(IDC_FLYWHEEL_TEETH), c.tooth);
      EXPECT_EQ(UiItems(Control(IDC_ENGINE_CYLINDERS)),
                (Strings{"01", "02", "03", "04", "05", "06", "08", "10", "12"}));
      EXPECT_EQ(Selected(IDC_ENGINE_CYLINDERS), "04");
      // A disabled radio cannot be clicked; an enabled one is taken at once.
      EXPECT_EQ(VantelUiClick(Control(IDC_FLYWHEEL_SAME_TEETH)), c.sameTeethEnabled ? 1 : 0);
      if (c.sameTeethEnabled) {
        EXPECT_EQ(CheckedRadio(), IDC_FLYWHEEL_SAME_TEETH);
      }
      // A list closed without a choice shows the entry the page holds.
      const std::string shown = Selected(IDC_FLYWHEEL_TEETH);
      EXPECT_EQ(VantelUiDismissComboAt(Control(IDC_FLYWHEEL_TEETH), 1), 1);
      EXPECT_EQ(Selected(IDC_FLYWHEEL_TEETH), shown);
    });
  }
}

TEST_F(CalMotTest, RadiosAndOccurrencesRebuildTheListsTheyRestrict) {
  Run(Machine(FlywheelWord(58, 60)), [&] {
    ASSERT_TRUE(Choose(IDC_FLYWHEEL_OCCURRENCES, "02"));
    EXPECT_EQ(UiItems(Control(IDC_FLYWHEEL_TEETH)), TwoDigitSeries(8, 58, 2));
    EXPECT_EQ(Selected(IDC_FLYWHEEL_TEETH), "58");
    ASSERT_TRUE(Choose(IDC_FLYWHEEL_OCCURRENCES, "03"));
    EXPECT_EQ(UiItems(Control(IDC_FLYWHEEL_TEETH)), TwoDigitSeries(9, 57, 3));
    EXPECT_EQ(Selected(IDC_FLYWHEEL_TEETH), "09") << "58 is gone: the first entry";
    ASSERT_TRUE(Choose(IDC_FLYWHEEL_OCCURRENCES, "04"));
    EXPECT_EQ(VantelUiClick(Control(IDC_FLYWHEEL_ONE_EXTRA)), 1);
    EXPECT_EQ(UiItems(Control(IDC_FLYWHEEL_TEETH)), TwoDigitSeries(12, 56, 4));
    // The RS type has one mark only.
    EXPECT_EQ(VantelUiClick(Control(IDC_FLYWHEEL_RS_TYPE)), 1);
    EXPECT_EQ(CheckedRadio(), IDC_FLYWHEEL_RS_TYPE);
    EXPECT_EQ(UiItems(Control(IDC_FLYWHEEL_OCCURRENCES)), Strings{"01"});
    EXPECT_EQ(UiItems(Control(IDC_FLYWHEEL_TEETH)), TwoDigitSeries(8, 58));
    EXPECT_EQ(Selected(IDC_FLYWHEEL_TEETH), "12");
  });
}

TEST_F(CalMotTest, RpmIsStoredWhenItFitsSixteenBitsAndRefusedOtherwise) {
  struct Case {
    const char* text;
    bool accepted;
    uint16_t stored;
  };
  const std::vector<Case> cases{
      {"0x10", true, 16},
      {"65535", true, 65535},
      {"0", true, 0},
      {"65536", false, 0},
      {"-1", false, 0},
      {"", false, 0},
      {"12a", false, 0},
      {"0x10000", false, 0},
      // Would wrap to 0 and to 1000 in 32 bits.
      {"4294967296", false, 0},
      {"-4294966296", false, 0},
      {"0x100000000", false, 0},
  };
  const std::string refused = LoadString(IDS_SYNC_RPM_OUT_OF_RANGE);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    test::Config machine = Machine(FlywheelWord(58, 60));
    machine.tables[kSyncTable][kSyncMinRpmWord] = 700;
    machine.tables[kSyncTable][kSyncWord4] = 0;
    boxes_.shown.clear();
    Run(machine, [&] {
      EXPECT_EQ(UiText(Control(IDC_SYNC_RPM)), "700");
      // Any change of the flywheel shows the stored RPM again.
      EXPECT_EQ(VantelUiSetEditText(Control(IDC_SYNC_RPM), "123"), 1);
      EXPECT_EQ(VantelUiClick(Control(IDC_FLYWHEEL_ONE_MISSING)), 1);
      EXPECT_EQ(UiText(Control(IDC_SYNC_RPM)), "700");
      ASSERT_TRUE(Choose(IDC_FLYWHEEL_TEETH, "58"));

      const std::array<WordTable, kConfigTableCount> before = Tables();
      EXPECT_EQ(VantelUiSetEditText(Control(IDC_SYNC_RPM), c.text), 1);
      EXPECT_EQ(Save(), c.accepted);
      EXPECT_EQ(dialog_->currentPage(), CSisCalEmgDialog::kEnginePage);
      if (!c.accepted) {
        ASSERT_EQ(boxes_.shown.size(), 1u);
        EXPECT_EQ(boxes_.shown[0].text, refused);
        EXPECT_EQ(boxes_.shown[0].type, unsigned(MB_OK | MB_ICONERROR));
        EXPECT_EQ(Tables(), before);
        return;
      }
      EXPECT_TRUE(boxes_.shown.empty());
      EXPECT_EQ(Word(Tables()[kSyncTable], kSyncMinRpmWord), c.stored);
      EXPECT_EQ(Word(Tables()[kSyncTable], kSyncWord4), 0xFFFF);
      EXPECT_EQ(Word(Tables()[kSyncTable], kSyncFlywheelWord), FlywheelWord(58, 59));
      EXPECT_EQ(UiText(Control(IDC_SYNC_RPM)), std::to_string(c.stored));
    });
  }
}

TEST_F(CalMotTest, ChangingTheCylindersResetsTheAnglesAndBanksAndKeepingThemLeavesBoth) {
  // Four cylinders on two banks at angles of their own.
  const std::vector<uint16_t> ownAngles = {0, 0x3000, 0x8000, 0xB000};
  struct Case {
    const char* chosen;
    uint16_t cylinders;
    std::vector<uint16_t> angles;
    uint16_t banks;
  };
  const std::vector<Case> cases{
      {"04", 4, ownAngles, 0b1010},
      {"08", 8, test::RegularAngles(8), 0},
      {"03", 3, test::RegularAngles(3), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen);
    const test::Config machine = ConfigBuilder().Angles(ownAngles).Banks(0b1010).Build();
    Run(machine, [&] {
      ASSERT_TRUE(Choose(IDC_ENGINE_CYLINDERS, c.chosen));
      ASSERT_TRUE(Save());
      const WordTable engine = Tables()[kEngineTable];
      EXPECT_EQ(Word(engine, kEngineCylindersWord), c.cylinders);
      std::vector<uint16_t> angles(c.angles);
      angles.resize(kMaxCylinders, 0);
      EXPECT_EQ(std::vector<uint16_t>(engine.begin() + kEngineAngleWord,
                                      engine.begin() + kEngineAngleWord + kMaxCylinders),
                angles);
      EXPECT_EQ(Word(engine, kEngineBanksWord), c.banks);
      EXPECT_EQ(Selected(IDC_ENGINE_CYLINDERS), c.chosen);
      // The flywheel tables follow the cylinders.
      const std::optional<FlywheelTables> flywheel =
          BuildFlywheelTables(Tables()[kSyncTable], engine);
      ASSERT_TRUE(flywheel.has_value());
      for (size_t i = 0; i < flywheel->tables.size(); ++i) {
        EXPECT_EQ(Tables()[kToothWindowTable + i], flywheel->tables[i]) << i;
      }
    });
  }
}

// 60-2 chosen over a 36-1 wheel on the baseline engine: the SyncTable and the four flywheel
// tables are the worked 60-2 example word for word, mark tooth included.
TEST_F(CalMotTest, Choosing60Minus2StoresTheWorkedExampleTables) {
  Run(ConfigBuilder().Flywheel(FlywheelWord(35, 36)).Build(), [&] {
    ASSERT_EQ(VantelUiClick(Control(IDC_FLYWHEEL_TWO_MISSING)), 1);
    ASSERT_TRUE(Choose(IDC_FLYWHEEL_OCCURRENCES, "01"));
    ASSERT_TRUE(Choose(IDC_FLYWHEEL_TEETH, "58"));
    ASSERT_TRUE(Save());
    EXPECT_EQ(Tables()[kSyncTable], test::kBaselineSyncTable);
    EXPECT_EQ(Tables()[kToothWindowTable], test::kBaselineToothWindowTable);
    EXPECT_EQ(Tables()[kToothAngleTable], test::kBaselineToothAngleTable);
    EXPECT_EQ(Tables()[kToothPositionTable], test::kBaselineToothPositionTable);
    EXPECT_EQ(Tables()[kRegularToothTable], test::kBaselineRegularToothTable);
  });
}

TEST_F(CalMotTest, NoAllowedCylinderCountLeavesTheStoredOneForTheRules) {
  test::Config machine = ConfigBuilder().CylinderCaps(kBanksAllowedBit).Build();
  const int32_t result = Run(machine, [&] {
    const VantelUiWindow cylinders = Control(IDC_ENGINE_CYLINDERS);
    EXPECT_EQ(UiItems(cylinders), Strings{});
    EXPECT_EQ(VantelUiGetSelection(cylinders), -1);
    EXPECT_EQ(VantelUiIsEnabled(cylinders), 0);
    EXPECT_EQ(VantelUiIsVisible(cylinders), 1);
    ASSERT_TRUE(Save());
    EXPECT_EQ(Word(Tables()[kEngineTable], kEngineCylindersWord), 4);

    EXPECT_EQ(VantelUiPressOk(dialog_->GetSafeHwnd()), 1);
    EXPECT_EQ(test::ReportRows(context()), Strings{LoadString(IDS_CYLINDERS_NUMBER_REFUSED)});
  });
  EXPECT_EQ(result, IDCANCEL) << "the rules keep the dialog open";
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(CalMotTest, FlywheelTheGeneratorRefusesIsNotSavedAndKeepsThePage) {
  // Eight teeth in four occurrences of two missing teeth: no window for six cylinders.
  struct Case {
    const char* name;
    uint16_t storedCylinders;
  };
  const std::vector<Case> cases{{"six cylinders stored", 6}, {"six cylinders chosen", 4}};
  const std::string refused = LoadString(IDS_PAGE_FLYWHEEL_NOT_BUILT);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxes_.shown.clear();
    const int32_t result =
        Run(Machine(FlywheelWord(58, 60), kPhaseOnMarksPosition, c.storedCylinders), [&] {
          const std::array<WordTable, kConfigTableCount> before = Tables();
          ASSERT_TRUE(Choose(IDC_ENGINE_CYLINDERS, "06"));
          ASSERT_TRUE(Choose(IDC_FLYWHEEL_OCCURRENCES, "04"));
          ASSERT_TRUE(Choose(IDC_FLYWHEEL_TEETH, "08"));
          EXPECT_FALSE(Save());
          EXPECT_EQ(dialog_->currentPage(), CSisCalEmgDialog::kEnginePage);
          EXPECT_EQ(Tables(), before);
          // OK is refused the same way, and the choice is still there to correct.
          EXPECT_EQ(VantelUiPressOk(dialog_->GetSafeHwnd()), 1);
          EXPECT_EQ(Tables(), before);
          EXPECT_EQ(Selected(IDC_FLYWHEEL_TEETH), "08");
          EXPECT_EQ(Selected(IDC_FLYWHEEL_OCCURRENCES), "04");
          ASSERT_TRUE(Choose(IDC_FLYWHEEL_OCCURRENCES, "01"));
          ASSERT_TRUE(Choose(IDC_FLYWHEEL_TEETH, "58"));
          EXPECT_TRUE(Save());
          EXPECT_EQ(Word(Tables()[kEngineTable], kEngineCylindersWord), 6);
        });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(boxes_.shown.size(), 2u);
    for (const auto& box : boxes_.shown) {
      EXPECT_EQ(box.text, refused);
      EXPECT_EQ(box.type, unsigned(MB_OK | MB_ICONERROR));
    }
  }
}

// Every flywheel a user can choose, for every cylinder count: the main phase type "on marks
// position" allows both all teeth the same and several occurrences, so it reaches them all.
TEST_F(CalMotTest, EverySavedChoiceReadsBackWithItsTablesOrIsRefusedUntouched) {
  const std::string refused = LoadString(IDS_PAGE_FLYWHEEL_NOT_BUILT);
  int saved = 0;
  int refusals = 0;
  Run(Machine(FlywheelWord(58, 60), kPhaseOnMarksPosition), [&] {
    const size_t cylinderCount = UiItems(Control(IDC_ENGINE_CYLINDERS)).size();
    ASSERT_EQ(cylinderCount, kCylinderCounts.size());
    for (size_t cyl = 0; cyl < cylinderCount; ++cyl) {
      ASSERT_EQ(VantelUiSelectComboItem(Control(IDC_ENGINE_CYLINDERS), int32_t(cyl)), 1);
      const uint16_t cylinders = kCylinderCounts[cyl];
      for (const RadioChoice& radio : kRadios) {
        // One occurrence first: all teeth the same is offered with one only.
        ASSERT_EQ(VantelUiSelectComboItem(Control(IDC_FLYWHEEL_OCCURRENCES), 0), 1);
        ASSERT_EQ(VantelUiClick(Control(radio.id)), 1) << radio.id;
        const Strings occurrences = UiItems(Control(IDC_FLYWHEEL_OCCURRENCES));
        for (size_t occ = 0; occ < occurrences.size(); ++occ) {
          ASSERT_EQ(VantelUiSelectComboItem(Control(IDC_FLYWHEEL_OCCURRENCES), int32_t(occ)), 1);
          const Strings teeth = UiItems(Control(IDC_FLYWHEEL_TEETH));
          for (size_t tooth = 0; tooth < teeth.size(); ++tooth) {
            ASSERT_EQ(VantelUiSelectComboItem(Control(IDC_FLYWHEEL_TEETH), int32_t(tooth)), 1);
            const int actual = std::stoi(teeth[tooth]);
            const int code = std::stoi(occurrences[occ]) - 1;
            SCOPED_TRACE(std::to_string(cylinders) + " cylinders, radio " +
                         std::to_string(radio.id) + ", " + occurrences[occ] + " x " + teeth[tooth]);
            const std::array<WordTable, kConfigTableCount> before = Tables();
            const size_t boxesBefore = boxes_.shown.size();

            // What the generator makes of this choice decides whether it may be saved.
            WordTable sync = before[kSyncTable];
            WordTable engine = before[kEngineTable];
            sync[kSyncFlywheelWord] = EncodeFlywheel(actual, code, radio.kind, radio.renaultRs);
            engine[kEngineCylindersWord] = cylinders;
            std::optional<FlywheelTables> flywheel = BuildFlywheelTables(sync, engine);
            const bool buildable = flywheel.has_value();
            if (flywheel) flywheel->WriteSyncWords(sync);
            if (!Save()) {
              ++refusals;
              ASSERT_FALSE(buildable);
              ASSERT_EQ(boxes_.shown.size(), boxesBefore + 1);
              EXPECT_EQ(boxes_.shown.back().text, refused);
              ASSERT_EQ(Tables(), before);
              continue;
            }
            ++saved;
            ASSERT_TRUE(buildable);
            ASSERT_EQ(boxes_.shown.size(), boxesBefore);
            const Flywheel stored = DecodeFlywheel(Word(Tables()[kSyncTable], kSyncFlywheelWord));
            ASSERT_EQ(stored.T, actual);
            ASSERT_EQ(stored.R, code + 1);
            ASSERT_EQ(stored.K, radio.kind);
            ASSERT_EQ(stored.S == 2, radio.renaultRs);
            ASSERT_EQ(Word(Tables()[kEngineTable], kEngineCylindersWord), cylinders);
            // Words 11 on belong to the phases page, which re-encodes them on its own save.
            ASSERT_EQ(EngineOwnedSyncWords(Tables()[kSyncTable]), EngineOwnedSyncWords(sync));
            for (size_t i = 0; i < flywheel->tables.size(); ++i) {
              ASSERT_EQ(Tables()[kToothWindowTable + i], flywheel->tables[i]) << i;
            }
            // Filled again from the tables, the page shows the same choice.
            ASSERT_EQ(CheckedRadio(), radio.id);
            ASSERT_EQ(Selected(IDC_FLYWHEEL_OCCURRENCES), occurrences[occ]);
            ASSERT_EQ(Selected(IDC_FLYWHEEL_TEETH), teeth[tooth]);
            ASSERT_EQ(Selected(IDC_ENGINE_CYLINDERS), TwoDigits(cylinders));
          }
        }
      }
    }
  });
  // Per cylinder count: 51 regular, 107 of one and of two missing teeth (51 + 26 + 17 + 13),
  // 106 with an extra tooth (51 + 26 + 17 + 12) and 51 of the RS type.
  EXPECT_EQ(saved + refusals, 9 * 422);
  EXPECT_GT(refusals, 0);
}

}  // namespace
}  // namespace vantel
