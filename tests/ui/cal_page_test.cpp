// A page as its dialog uses it: created on the placeholder, filled from its working values,
// and saved from what the user left, or refused with its message and the values untouched.
#include "ui/cal_page.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ddx.h"
#include "platform/message_box.h"
#include "platform/module_state.h"
#include "platform/string_table.h"
#include "platform/ui_test_support.h"
#include "platform/words.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"

namespace vantel {
namespace {

using test::UiItems;
using test::UiText;

constexpr uint32_t kTestPageId = 9301;
constexpr uint32_t kPopupPageId = 9302;
enum TestPageIds : int32_t {
  kRpm = 100,
  kTypeNone = 110,
  kTypeMarks = 111,
  kTypeTeeth = 112,
  kCylinders = 120,
};
constexpr int32_t kTypeRadios[] = {kTypeNone, kTypeMarks, kTypeTeeth};  // by type code
constexpr int32_t kCylinderCounts[] = {4, 6, 8, 12};
constexpr size_t kRpmWord = 1, kTypeWord = 2, kCylindersWord = 3;

constexpr ControlTemplate kTestPageControls[] = {
    {kRpm, ControlKind::Edit, "", {10, 10, 60, 12}, WS_BORDER | WS_TABSTOP},
    {kTypeNone, ControlKind::RadioButton, "None", {10, 30, 60, 10}, WS_GROUP | WS_TABSTOP},
    {kTypeMarks, ControlKind::RadioButton, "Marks", {10, 42, 60, 10}, 0},
    {kTypeTeeth, ControlKind::RadioButton, "Teeth", {10, 54, 60, 10}, 0},
    {kCylinders, ControlKind::ComboBox, "", {80, 10, 60, 80}, WS_GROUP | WS_TABSTOP},
};
constexpr DialogTemplate kTestPage{kTestPageId,
                                   "",
                                   305,
                                   302,
                                   WS_CHILD | DS_SETFONT,
                                   kTestPageControls,
                                   std::size(kTestPageControls)};
constexpr DialogTemplate kPopupPage{kPopupPageId,
                                    "",
                                    305,
                                    302,
                                    WS_POPUP | DS_SETFONT,
                                    kTestPageControls,
                                    std::size(kTestPageControls)};
constexpr const DialogTemplate* kTestTemplates[] = {&kTestPage, &kPopupPage};
constexpr ResourceModule kTestModule{"test pages", nullptr, 0, kTestTemplates,
                                     std::size(kTestTemplates)};

/// Shows three words of its table: a speed, a type by radio and a cylinder count.
class TestPage : public CSisCalPage {
 public:
  explicit TestPage(DialogTables& model, uint32_t templateId = kTestPageId)
      : CSisCalPage(templateId, model), table_(model.tables[kEngineTable]) {}

  void FillPage() override {
    const Hwnd page = GetSafeHwnd();
    SetEditInt(page, kRpm, Word(table_, kRpmWord));
    const uint16_t type = Word(table_, kTypeWord);
    CheckRadio(page, kTypeRadios, type < std::size(kTypeRadios) ? kTypeRadios[type] : 0);
    SelectComboValue(page, kCylinders, Word(table_, kCylindersWord));
  }

  bool SavePage() override {
    const Hwnd page = GetSafeHwnd();
    const std::optional<int64_t> rpm = GetEditInt(page, kRpm);
    if (!rpm || *rpm < 0 || *rpm > 0xFFFF) return Refuse(LoadString(IDS_SYNC_RPM_OUT_OF_RANGE));
    // Nothing chosen keeps the word: the table held a value the page does not offer.
    const std::optional<int32_t> radio = CheckedRadio(page, kTypeRadios);
    const std::optional<int32_t> cylinders = SelectedComboValue(page, kCylinders);
    SetWord(table_, kRpmWord, static_cast<uint16_t>(*rpm));
    if (radio) SetWord(table_, kTypeWord, static_cast<uint16_t>(*radio - kTypeNone));
    if (cylinders) SetWord(table_, kCylindersWord, static_cast<uint16_t>(*cylinders));
    return true;
  }

 protected:
  bool OnInitDialog() override {
    FillCombo(GetSafeHwnd(), kCylinders, kCylinderCounts, "%.2u");
    return true;
  }

 private:
  WordTable& table_;
};

class CalPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    guard_ = std::make_unique<ModuleStateGuard>(state_);
    ASSERT_TRUE(main_.Create());  // the product's dialog, with its page placeholder
    ShowWindow(main_.GetSafeHwnd(), true);
    SetMessageBoxObserver([this](const std::string& text, unsigned type) {
      shown_.push_back(std::to_string(type) + " " + text);
    });
  }
  void TearDown() override { SetMessageBoxObserver(nullptr); }

  /// The page created on the placeholder, filled and shown.
  void OpenPage() {
    ASSERT_TRUE(page_.Create(main_.GetSafeHwnd(), IDC_MAIN_PAGE_PLACE));
    page_.FillPage();
    ShowWindow(page_.GetSafeHwnd(), true);
  }
  VantelUiWindow Control(int32_t id) const { return VantelUiGetControl(main_.GetSafeHwnd(), id); }

  ModuleState state_{&kTestModule, nullptr};
  std::unique_ptr<ModuleStateGuard> guard_;
  Dialog main_{IDD_MAIN_CONFIGURATION, 0};
  DialogTables model_ = [] {
    DialogTables model;
    model.tables[kEngineTable] = {8, 1200, 1, 6};
    return model;
  }();
  WordTable& table_ = model_.tables[kEngineTable];
  TestPage page_{model_};
  std::vector<std::string> shown_;  // message boxes, as "type text"
};

TEST_F(CalPageTest, IsCreatedHiddenOnThePlaceholderAndReachedFromTheDialog) {
  ASSERT_TRUE(page_.Create(main_.GetSafeHwnd(), IDC_MAIN_PAGE_PLACE));
  const Hwnd page = page_.GetSafeHwnd();
  int32_t pageRect[4], placeRect[4];
  ASSERT_EQ(VantelUiGetRect(page, pageRect), 0);
  ASSERT_EQ(VantelUiGetRect(Control(IDC_MAIN_PAGE_PLACE), placeRect), 0);
  EXPECT_EQ(std::vector<int32_t>(pageRect, pageRect + 4),
            std::vector<int32_t>(placeRect, placeRect + 4));
  EXPECT_EQ(GetWindow(page)->parent, main_.GetSafeHwnd());
  EXPECT_EQ(VantelUiIsVisible(page), 0);
  EXPECT_EQ(Control(kRpm), page_.GetDlgItem(kRpm));
  EXPECT_EQ(UiItems(Control(kCylinders)), (std::vector<std::string>{"04", "06", "08", "12"}));
  EXPECT_EQ(VantelUiSetEditText(Control(kRpm), "1"), 0);  // hidden: out of the user's reach
  EXPECT_FALSE(page_.Create(main_.GetSafeHwnd(), IDC_MAIN_PAGE_PLACE));  // already there
}

TEST_F(CalPageTest, CreateRefusesWhatCannotHoldAPage) {
  struct Case {
    const char* what;
    uint32_t templateId;
    bool withParent;
    int32_t placeholderId;
  };
  for (const Case& c : std::vector<Case>{
           {"no parent", kTestPageId, false, IDC_MAIN_PAGE_PLACE},
           {"no placeholder", kTestPageId, true, 999},
           {"top-level template", kPopupPageId, true, IDC_MAIN_PAGE_PLACE},
           {"unknown template", 4242, true, IDC_MAIN_PAGE_PLACE},
       }) {
    const size_t windows = TopLevelWindows().size();
    const size_t children = GetWindow(main_.GetSafeHwnd())->children.size();
    TestPage page(model_, c.templateId);
    EXPECT_FALSE(page.Create(c.withParent ? main_.GetSafeHwnd() : 0, c.placeholderId)) << c.what;
    EXPECT_EQ(page.GetSafeHwnd(), 0u) << c.what;
    EXPECT_EQ(TopLevelWindows().size(), windows) << c.what;
    EXPECT_EQ(GetWindow(main_.GetSafeHwnd())->children.size(), children) << c.what;
  }
}

TEST_F(CalPageTest, FillShowsTheWorkingValues) {
  OpenPage();
  struct Case {
    WordTable table;
    const char* rpm;
    std::vector<int32_t> radios;  // none, marks, teeth
    int32_t cylinders;            // selection
  };
  for (const Case& c : std::vector<Case>{
           {{8, 65535, 2, 12}, "65535", {0, 0, 1}, 3},
           {{8, 0, 0, 4}, "0", {1, 0, 0}, 0},
           {{8, 7, 9, 5}, "7", {0, 0, 0}, -1},  // a type and a count the page does not offer
           {{8}, "0", {1, 0, 0}, -1},           // short table: missing words read as 0
       }) {
    table_ = c.table;
    page_.FillPage();
    EXPECT_EQ(UiText(Control(kRpm)), c.rpm);
    std::vector<int32_t> radios;
    for (int32_t id : kTypeRadios) radios.push_back(VantelUiIsChecked(Control(id)));
    EXPECT_EQ(radios, c.radios) << c.rpm;
    EXPECT_EQ(VantelUiGetSelection(Control(kCylinders)), c.cylinders) << c.rpm;
  }
}

TEST_F(CalPageTest, SaveTakesWhatTheUserLeftOrRefusesWithTheTableUntouched) {
  OpenPage();
  const WordTable initial = table_;
  const std::string outOfRange = "16 " + LoadString(IDS_SYNC_RPM_OUT_OF_RANGE);
  struct Case {
    const char* typed;
    int32_t radio;
    int32_t cylinderEntry;
    bool saved;
    WordTable after;
  };
  for (const Case& c : std::vector<Case>{
           {"3000", kTypeTeeth, 3, true, {8, 3000, 2, 12}},
           {"0x10", kTypeNone, 0, true, {8, 16, 0, 4}},
           {"65535", kTypeMarks, 2, true, {8, 65535, 1, 8}},
           {"65536", kTypeTeeth, 3, false, initial},
           {"-1", kTypeTeeth, 3, false, initial},
           {"12a", kTypeTeeth, 3, false, initial},
           {"", kTypeTeeth, 3, false, initial},
       }) {
    table_ = initial;
    page_.FillPage();
    shown_.clear();
    ASSERT_EQ(VantelUiSetEditText(Control(kRpm), c.typed), 1);
    ASSERT_EQ(VantelUiClick(Control(c.radio)), 1);
    ASSERT_EQ(VantelUiSelectComboItem(Control(kCylinders), c.cylinderEntry), 1);
    EXPECT_EQ(page_.SavePage(), c.saved) << '"' << c.typed << '"';
    EXPECT_EQ(table_, c.after) << '"' << c.typed << '"';
    EXPECT_EQ(shown_, c.saved ? std::vector<std::string>{} : std::vector<std::string>{outOfRange})
        << '"' << c.typed << '"';
  }
}

TEST_F(CalPageTest, EnterAndEscapeOnThePageAreTheDialogsKeys) {
  OpenPage();
  const Hwnd main = main_.GetSafeHwnd();
  for (auto press : {&VantelUiPressOk, &VantelUiPressCancel}) {
    ShowWindow(main, true);
    EXPECT_EQ(press(page_.GetSafeHwnd()), 1);
    EXPECT_EQ(VantelUiIsVisible(main), 0);  // the modeless dialog ended
    EXPECT_TRUE(GetWindow(page_.GetSafeHwnd())->visible);
  }
  ShowWindow(main, true);
  EnableWindow(Control(IDOK), false);
  VantelUiPressOk(page_.GetSafeHwnd());
  EXPECT_EQ(VantelUiIsVisible(main), 1);  // no OK button to press
}

}  // namespace
}  // namespace vantel
