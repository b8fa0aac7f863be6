// Data exchange as a page uses it: what it writes is what a user sees, and what a user leaves
// in the controls is what it reads back.
#include "platform/ddx.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/module_state.h"
#include "platform/ui_test_support.h"

namespace vantel {
namespace {

using test::UiItems;
using test::UiText;

constexpr uint32_t kFormId = 9101;
enum FormIds : int32_t {
  kSingle = 10,
  kDouble = 11,
  kTriple = 12,
  kOther = 13,  // a radio of another group
  kValue = 20,
  kCount = 30,
};
constexpr int32_t kGroup[] = {kSingle, kDouble, kTriple};

constexpr ControlTemplate kFormControls[] = {
    {kSingle, ControlKind::RadioButton, "Single", {10, 10, 60, 10}, WS_GROUP | WS_TABSTOP},
    {kDouble, ControlKind::RadioButton, "Double", {10, 22, 60, 10}, 0},
    {kTriple, ControlKind::RadioButton, "Triple", {10, 34, 60, 10}, 0},
    {kOther, ControlKind::RadioButton, "Other", {10, 46, 60, 10}, WS_GROUP},
    {kValue, ControlKind::Edit, "", {80, 10, 60, 12}, WS_BORDER | WS_TABSTOP},
    {kCount, ControlKind::ComboBox, "", {80, 30, 60, 80}, WS_TABSTOP},
};
constexpr DialogTemplate kForm{kFormId,
                               "Form",
                               160,
                               70,
                               WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_VISIBLE,
                               kFormControls,
                               std::size(kFormControls)};
constexpr const DialogTemplate* kFormTemplates[] = {&kForm};
constexpr ResourceModule kFormModule{"form", nullptr, 0, kFormTemplates, 1};

class DdxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    guard_ = std::make_unique<ModuleStateGuard>(state_);
    ASSERT_TRUE(dialog_.Create());
    form_ = dialog_.GetSafeHwnd();
  }

  VantelUiWindow Control(int32_t id) const { return VantelUiGetControl(form_, id); }

  ModuleState state_{&kFormModule, nullptr};
  std::unique_ptr<ModuleStateGuard> guard_;
  Dialog dialog_{kFormId, 0};
  Hwnd form_ = 0;
};

TEST_F(DdxTest, RadioGroupShowsOneCheckedAndLeavesOtherGroupsAlone) {
  ASSERT_EQ(VantelUiClick(Control(kOther)), 1);
  struct Case {
    int32_t check;
    std::optional<int32_t> read;
    std::vector<int32_t> shown;  // single, double, triple, other
  };
  for (const Case& c : std::vector<Case>{
           {kDouble, kDouble, {0, 1, 0, 1}},
           {kSingle, kSingle, {1, 0, 0, 1}},
           {kTriple, kTriple, {0, 0, 1, 1}},
           {0, std::nullopt, {0, 0, 0, 1}},       // a value no radio stands for
           {kOther, std::nullopt, {0, 0, 0, 1}},  // not of this group: neither set nor cleared
       }) {
    CheckRadio(form_, kGroup, c.check);
    std::vector<int32_t> shown;
    for (int32_t id : {kSingle, kDouble, kTriple, kOther}) {
      shown.push_back(VantelUiIsChecked(Control(id)));
    }
    EXPECT_EQ(shown, c.shown) << c.check;
    EXPECT_EQ(CheckedRadio(form_, kGroup), c.read) << c.check;
  }
  ASSERT_EQ(VantelUiClick(Control(kTriple)), 1);
  EXPECT_EQ(CheckedRadio(form_, kGroup), kTriple);
}

TEST_F(DdxTest, EditReadsAsANumberOnlyWhenItsWholeTextIsOneAndNeverWraps) {
  constexpr int64_t kPast32Bits = int64_t{1} << 32;
  struct Case {
    const char* typed;
    std::optional<int64_t> read;
  };
  for (const Case& c : std::vector<Case>{{"42", 42},
                                         {"0", 0},
                                         {"-7", -7},
                                         {"+12", 12},
                                         {"0x1F", 31},
                                         {"0Xff", 255},
                                         {"4294967295", 4294967295},
                                         {"0xFFFFFFFF", 4294967295},
                                         {"-4294967295", -4294967295},
                                         // Past 32 bits: outside every range, never wrapped.
                                         {"4294967296", kPast32Bits},
                                         {"+4294967296", kPast32Bits},
                                         {"-4294967296", -kPast32Bits},
                                         {"-4294966296", -4294966296},
                                         {"0x100000000", kPast32Bits},
                                         {"0X100000000", kPast32Bits},
                                         {"-99999999999", -kPast32Bits},
                                         {"", std::nullopt},
                                         {"abc", std::nullopt},
                                         {"12a", std::nullopt},
                                         {"0x", std::nullopt},
                                         {"-", std::nullopt},
                                         {" 5", std::nullopt},
                                         {"1.5", std::nullopt}}) {
    ASSERT_EQ(VantelUiSetEditText(Control(kValue), c.typed), 1);
    EXPECT_EQ(GetEditInt(form_, kValue), c.read) << '"' << c.typed << '"';
  }
  for (int32_t value : {0, 65535, -12}) {
    SetEditInt(form_, kValue, value);
    EXPECT_EQ(UiText(Control(kValue)), std::to_string(value));
    EXPECT_EQ(GetEditInt(form_, kValue), value);
  }
  EXPECT_EQ(GetEditInt(form_, 999), std::nullopt);
}

TEST_F(DdxTest, ComboListsTheValuesInTheirOrderAndFormatWithNothingSelected) {
  struct Case {
    const char* format;
    std::vector<int32_t> values;
    std::vector<std::string> items;
  };
  for (const Case& c : std::vector<Case>{
           {"%.2u", {1, 2, 12, 100}, {"01", "02", "12", "100"}},
           {"%d", {8, 4, 6}, {"8", "4", "6"}},
           {"%d cylinders", {3, -1}, {"3 cylinders", "-1 cylinders"}},
           {"TCDM+%d", {5}, {"TCDM+5"}},
           {"%#x", {255}, {"0xff"}},
           {"%d%%", {50}, {"50%"}},
           {"%5i|%%", {-7}, {"   -7|%"}},
           {"%-3u|", {7}, {"7  |"}},
           {"%X", {255}, {"FF"}},
           {"%o", {8}, {"10"}},
           {"%d", {}, {}},
       }) {
    SetSelection(Control(kCount), 0);  // a previous choice does not survive a refill
    FillCombo(form_, kCount, c.values, c.format);
    EXPECT_EQ(UiItems(Control(kCount)), c.items) << c.format;
    EXPECT_EQ(VantelUiGetSelection(Control(kCount)), -1) << c.format;
    EXPECT_EQ(SelectedComboValue(form_, kCount), std::nullopt) << c.format;
  }
}

TEST_F(DdxTest, ComboSelectsByValueAndReadsTheUsersChoice) {
  constexpr int32_t kCylinders[] = {8, 4, 6, 12};
  FillCombo(form_, kCount, kCylinders, "%.2u");
  const VantelUiWindow combo = Control(kCount);

  struct Case {
    int32_t value;
    bool found;
    int32_t selection;
  };
  for (const Case& c :
       std::vector<Case>{{6, true, 2}, {8, true, 0}, {5, false, -1}, {12, true, 3}}) {
    EXPECT_EQ(SelectComboValue(form_, kCount, c.value), c.found) << c.value;
    EXPECT_EQ(VantelUiGetSelection(combo), c.selection) << c.value;
    EXPECT_EQ(SelectedComboValue(form_, kCount),
              c.found ? std::optional<int32_t>(c.value) : std::nullopt)
        << c.value;
  }
  ASSERT_EQ(VantelUiSelectComboItem(combo, 1), 1);
  EXPECT_EQ(UiItems(combo)[1], "04");
  EXPECT_EQ(SelectedComboValue(form_, kCount), 4);
  EXPECT_FALSE(SelectComboValue(form_, 999, 4));
}

}  // namespace
}  // namespace vantel
