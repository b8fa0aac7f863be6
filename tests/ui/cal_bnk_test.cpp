// The Cylinders banks page as a user sees it: created on the dialog's placeholder over a
// dialog's copies of the tables, driven through the automation API.
#include "ui/cal_bnk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "config/engine_record.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "platform/ui_test_support.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"
#include "support/baseline_tables.h"
#include "support/fake_host.h"
#include "support/message_boxes.h"
#include "ui/cal_emg_dialog.h"

namespace vantel {
namespace {

using test::UiText;
using Words = std::vector<uint16_t>;
using Texts = std::vector<std::string>;
using Flags = std::vector<int32_t>;

constexpr uint16_t kBanks = kBanksAllowedBit;
constexpr uint16_t kNoBanks = 0x01FF;  // every cylinder count, no banks

/// The baseline engine with `cylinders`, bank word `banks` and angle words 8 on.
WordTable Engine(uint16_t cylinders, uint16_t banks, const Words& angles) {
  WordTable table = test::kBaselineEngineTable;
  table[kEngineCylindersWord] = cylinders;
  table[kEngineBanksWord] = banks;
  for (size_t i = 0; i < kMaxCylinders; ++i) {
    table[kEngineAngleWord + i] = i < angles.size() ? angles[i] : uint16_t{0};
  }
  return table;
}

/// `count` entries of `value`, then `rest` up to twelve.
template <class T>
std::vector<T> Rows(size_t count, T value, T rest) {
  std::vector<T> rows(kBankRows, rest);
  std::fill_n(rows.begin(), count, value);
  return rows;
}

/// One text per row of `rows`, split at '|'.
Texts Split(const std::string& rows) {
  Texts texts;
  for (size_t start = 0, bar = 0; bar != std::string::npos; start = bar + 1) {
    bar = rows.find('|', start);
    texts.push_back(rows.substr(start, bar == std::string::npos ? bar : bar - start));
  }
  return texts;
}

class CalBnkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent_.Create());
    ShowWindow(parent_.GetSafeHwnd(), true);
  }

  /// The page over a dialog holding `engine`, CylinderCaps word 1 `cylinderCaps` and
  /// `channels` ignition channels: created on the placeholder, which fills it, and shown.
  void Open(const WordTable& engine, uint16_t cylinderCaps = kBanks, uint16_t channels = 12) {
    page_.reset();
    dialog_.reset();
    hosted_.context.Table(kEngineTable) = engine;
    hosted_.context.caps.CylinderCaps = {4, cylinderCaps};
    hosted_.context.caps.IgnitionCaps = {6, 0, channels};
    dialog_ = std::make_unique<CSisCalEmgDialog>(0, hosted_.context, "M12");
    page_ = std::make_unique<CSisCalBnk>(dialog_->tables());
    ASSERT_TRUE(page_->Create(parent_.GetSafeHwnd(), IDC_MAIN_PAGE_PLACE));
    ShowWindow(page_->GetSafeHwnd(), true);
  }

  VantelUiWindow Control(int32_t id) const { return VantelUiGetControl(parent_.GetSafeHwnd(), id); }
  WordTable EngineCopy() { return dialog_->tables().Encode()[kEngineTable]; }
  Words AngleWords() {
    const WordTable& engine = EngineCopy();
    return Words(engine.begin() + kEngineAngleWord, engine.begin() + kEngineAngleWord + 12);
  }
  Texts AngleTexts() const {
    Texts texts;
    for (int32_t id : IDC_CYLINDER_ANGLES) texts.push_back(UiText(Control(id)));
    return texts;
  }
  Flags Enabled(const std::array<int32_t, kBankRows>& ids) const {
    Flags flags;
    for (int32_t id : ids) flags.push_back(VantelUiIsEnabled(Control(id)));
    return flags;
  }
  Flags Checked(const std::array<int32_t, kBankRows>& ids) const {
    Flags flags;
    for (int32_t id : ids) flags.push_back(VantelUiIsChecked(Control(id)));
    return flags;
  }
  /// Clicks "Specific angles" and types `texts` in the first rows.
  void Type(const Texts& texts) {
    ASSERT_EQ(VantelUiClick(Control(IDC_BANKS_SPECIFIC_ANGLES)), 1);
    for (size_t i = 0; i < texts.size(); ++i) {
      ASSERT_EQ(VantelUiSetEditText(Control(IDC_CYLINDER_ANGLES[i]), texts[i].c_str()), 1) << i;
    }
  }

  test::FakeHost host_;
  test::HostedContext hosted_{host_};
  Dialog parent_{IDD_MAIN_CONFIGURATION, 0};
  std::unique_ptr<CSisCalEmgDialog> dialog_;
  std::unique_ptr<CSisCalBnk> page_;
  test::MessageBoxes boxes_;
};

TEST_F(CalBnkTest, FillShowsAnglesModeAndBanksAsTheTablesAllow) {
  struct Case {
    const char* what;
    WordTable engine;
    uint16_t cylinderCaps;
    uint16_t channels;
    Texts texts;         // of the rows in use, the others empty
    size_t openEdits;    // 0 with regular angles, else the cylinders
    size_t bankRows;     // rows whose bank radios are enabled
    uint16_t banksWord;  // after the fill, and the rows on bank 2
  };
  const Texts regular4 = {"0.00", "180.00", "360.00", "540.00"};
  const Case cases[] = {
      {"4 regular", Engine(4, 0, {0, 16384, 32768, 49152}), kBanks, 4, regular4, 0, 4, 0},
      {"4 specific", Engine(4, 0b0110, {0, 8237, 16384, 65535}), kBanks, 4,
       Texts{"0.00", "90.50", "180.00", "720.00"}, 4, 4, 0b0110},
      {"3 regular, rounded to tenths", Engine(3, 0, {0, 21845, 43691}), kBanks, 3,
       Texts{"0.00", "240.00", "480.00"}, 0, 3, 0},
      {"ECU without banks", Engine(4, 0b1010, {0, 16384, 32768, 49152}), kNoBanks, 4, regular4, 0,
       0, 0},
      {"6 cylinders on 4 channels", Engine(6, 0b1010, {0, 10923, 21845, 32768, 43691, 54613}),
       kBanks, 4, Texts{"0.00", "120.00", "240.00", "360.00", "480.00", "600.00"}, 0, 0, 0},
      {"8 cylinders on 4 channels",
       Engine(8, 0b1010, {0, 8192, 16384, 24576, 32768, 40960, 49152, 57344}), kBanks, 4,
       Texts{"0.00", "90.00", "180.00", "270.00", "360.00", "450.00", "540.00", "630.00"}, 0, 8,
       0b1010},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(c.engine, c.cylinderCaps, c.channels);
    EXPECT_EQ(VantelUiIsChecked(Control(IDC_BANKS_REGULAR_ANGLES)), c.openEdits == 0 ? 1 : 0);
    EXPECT_EQ(VantelUiIsChecked(Control(IDC_BANKS_SPECIFIC_ANGLES)), c.openEdits == 0 ? 0 : 1);
    Texts texts = c.texts;
    texts.resize(kBankRows);
    EXPECT_EQ(AngleTexts(), texts);
    EXPECT_EQ(Enabled(IDC_CYLINDER_ANGLES), Rows(c.openEdits, 1, 0));
    EXPECT_EQ(Enabled(IDC_CYLINDER_BANK1), Rows(c.bankRows, 1, 0));
    EXPECT_EQ(Enabled(IDC_CYLINDER_BANK2), Rows(c.bankRows, 1, 0));
    Flags bank1(kBankRows, 0), bank2(kBankRows, 0);  // every row shows the table
    for (size_t row = 0; row < kBankRows; ++row) {
      bank2[row] = (c.banksWord >> row) & 1;
      bank1[row] = !bank2[row];
    }
    EXPECT_EQ(Checked(IDC_CYLINDER_BANK1), bank1);
    EXPECT_EQ(Checked(IDC_CYLINDER_BANK2), bank2);
    EXPECT_EQ(EngineCopy()[kEngineBanksWord], c.banksWord);
    EXPECT_TRUE(boxes_.shown.empty());
  }
}

TEST_F(CalBnkTest, SaveStoresTypedAnglesOrRefusesWithTheTablesUntouched) {
  struct Case {
    const char* what;
    uint16_t cylinders;
    std::string typed;  // rows split at '|'
    uint32_t refusal;   // 0: saved
    Words angles;       // stored, words 8 on
    std::string shown;  // after filling again
  };
  const std::string digits400(400, '9');
  const Case cases[] = {
      {"90.5 stays 90.50", 4, "0|90.5|180|270", 0, Words{0, 8237, 16384, 24576},
       "0.00|90.50|180.00|270.00"},
      {"90.55 shows as 90.60", 4, "0|90.55|180|270", 0, Words{0, 8243, 16384, 24576},
       "0.00|90.60|180.00|270.00"},
      {"typed as regular", 4, "0|180|360|540", 0, Words{0, 16384, 32768, 49152},
       "0.00|180.00|360.00|540.00"},
      // 480.00 alone would be stored as 43690; the regular word is 43691.
      {"typed as regular, not exact", 3, "0|240| 480.00 ", 0, Words{0, 21845, 43691},
       "0.00|240.00|480.00"},
      {"one off regular", 3, "0|240|480.01", 0, Words{0, 21845, 43696}, "0.00|240.00|480.10"},
      {"720.00 is the last word", 4, "0|180|360|720.00", 0, Words{0, 16384, 32768, 65535},
       "0.00|180.00|360.00|720.00"},
      {"decreasing", 4, "0|200|190|300", IDS_PAGE_ANGLES_DECREASE, Words{}, ""},
      {"decreasing before too high", 4, "0|800|190|900", IDS_PAGE_ANGLES_DECREASE, Words{}, ""},
      {"above 720.00", 4, "0|180|360|720.01", IDS_PAGE_ANGLE_TOO_HIGH, Words{}, ""},
      {"400 digits", 4, "0|180|360|" + digits400, IDS_PAGE_ANGLE_TOO_HIGH, Words{}, ""},
      {"wraps 32 bits", 4, "0|180|360|42949673", IDS_PAGE_ANGLE_TOO_HIGH, Words{}, ""},
      {"a comma is a decimal mark", 4, "0|90,5|180|270", 0, Words{0, 8237, 16384, 24576},
       "0.00|90.50|180.00|270.00"},
      {"trailing letters", 4, "0|90abc|180|270", IDS_PAGE_ANGLE_NOT_AN_ANGLE, Words{}, ""},
      {"a blank inside", 4, "0|90 5|180|270", IDS_PAGE_ANGLE_NOT_AN_ANGLE, Words{}, ""},
      {"two marks", 4, "0|90.5.1|180|270", IDS_PAGE_ANGLE_NOT_AN_ANGLE, Words{}, ""},
      {"empty", 4, "0||180|270", IDS_PAGE_ANGLE_NOT_AN_ANGLE, Words{}, ""},
      {"negative", 4, "0|-90|180|270", IDS_PAGE_ANGLE_NOT_AN_ANGLE, Words{}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Words past the cylinders hold junk: a save clears them.
    Open(Engine(c.cylinders, 0, Rows<uint16_t>(12, 7, 7)));
    const WordTable before = EngineCopy();
    boxes_.shown.clear();
    const Texts typed = Split(c.typed);
    Type(typed);
    const bool saved = page_->SavePage();
    EXPECT_EQ(saved, c.refusal == 0);
    if (!saved) {
      ASSERT_EQ(boxes_.shown.size(), 1u);
      EXPECT_EQ(boxes_.shown[0].text, LoadString(c.refusal));
      EXPECT_EQ(boxes_.shown[0].type, MB_OK | MB_ICONERROR);
      EXPECT_EQ(EngineCopy(), before);
      Texts left = AngleTexts();
      left.resize(typed.size());
      EXPECT_EQ(left, typed);  // for the user to mend
      continue;
    }
    EXPECT_TRUE(boxes_.shown.empty());
    Words angles = c.angles;
    angles.resize(kMaxCylinders, 0);
    EXPECT_EQ(AngleWords(), angles);
    page_->FillPage();
    Texts shown = Split(c.shown);
    shown.resize(kMaxCylinders);
    EXPECT_EQ(AngleTexts(), shown);
  }
}

TEST_F(CalBnkTest, ClickingRegularRewritesTheAnglesAtOnce) {
  Open(Engine(4, 0, {0, 8237, 16384, 24576, 9, 9, 9, 9, 9, 9, 9, 9}));
  ASSERT_EQ(VantelUiIsChecked(Control(IDC_BANKS_SPECIFIC_ANGLES)), 1);
  ASSERT_EQ(VantelUiClick(Control(IDC_BANKS_REGULAR_ANGLES)), 1);
  EXPECT_EQ(AngleWords(), (Words{0, 16384, 32768, 49152, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(AngleTexts(),
            (Texts{"0.00", "180.00", "360.00", "540.00", "", "", "", "", "", "", "", ""}));
  EXPECT_EQ(Enabled(IDC_CYLINDER_ANGLES), Rows(0, 1, 0));

  // Back to specific: the edits open on the angles as they now are.
  ASSERT_EQ(VantelUiClick(Control(IDC_BANKS_SPECIFIC_ANGLES)), 1);
  EXPECT_EQ(AngleWords(), (Words{0, 16384, 32768, 49152, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(AngleTexts()[1], "180.00");
  EXPECT_EQ(Enabled(IDC_CYLINDER_ANGLES), Rows(4, 1, 0));

  dialog_->tables().SetRegularAngles(3);  // as a new number of cylinders does
  EXPECT_EQ(AngleWords(), (Words{0, 21845, 43691, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(CalBnkTest, SaveStoresTheBanksOfTheRowsInUseOnly) {
  struct Case {
    const char* what;
    uint16_t cylinderCaps;
    uint16_t banksBefore;  // with 12 cylinders
    uint16_t banksAtSix;   // the table once the Engine page lowered the count to 6
    int32_t clickRow;      // on Bank 2 once at 6 cylinders, -1 for none
    uint16_t banksAfter;
  };
  const Case cases[] = {
      // The Engine page clears the banks with the count: row 9's old mark is not stored.
      {"row 9 was on bank 2", kBanks, 1u << 8, 0, -1, 0},
      {"and row 2 moved to bank 2", kBanks, 1u << 8 | 1u << 11, 0, 1, 1u << 1},
      // A hidden row keeps what the table holds: the page stores only what it shows.
      {"table left as it was", kBanks, 1u << 8 | 1u << 3, 1u << 8 | 1u << 3, -1, 1u << 8 | 1u << 3},
      {"no banks", kNoBanks, 1u << 8, 1u << 8, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(Engine(12, c.banksBefore, {}), c.cylinderCaps, 12);
    dialog_->tables().engine.cylinders = 6;
    dialog_->tables().engine.banks = c.banksAtSix;
    page_->FillPage();
    EXPECT_EQ(Enabled(IDC_CYLINDER_BANK2), Rows(c.cylinderCaps == kBanks ? 6 : 0, 1, 0));
    // Every row shows what a save stores, the hidden ones too: nothing on bank 2 without banks.
    const uint16_t shown = c.cylinderCaps == kBanks ? EngineCopy()[kEngineBanksWord] : 0;
    for (size_t row = 0; row < kBankRows; ++row) {
      EXPECT_EQ(VantelUiIsChecked(Control(IDC_CYLINDER_BANK2[row])), (shown >> row) & 1) << row;
    }
    if (c.clickRow >= 0) {
      ASSERT_EQ(VantelUiClick(Control(IDC_CYLINDER_BANK2[static_cast<size_t>(c.clickRow)])), 1);
      EXPECT_EQ(VantelUiIsChecked(Control(IDC_CYLINDER_BANK1[static_cast<size_t>(c.clickRow)])), 0);
    }
    ASSERT_TRUE(page_->SavePage());
    EXPECT_EQ(EngineCopy()[kEngineBanksWord], c.banksAfter);
  }
}

}  // namespace
}  // namespace vantel
