#pragma once
// A dialog holding one control of every kind the window layer makes, and a page, made by the
// plug-in's own window layer in this process.
#include <gtest/gtest.h>

#include <memory>

#include "platform/dialog.h"
#include "platform/module_state.h"
#include "platform/window.h"
#include "vantel/ui_automation.h"

namespace vantel::host {
namespace kinds_window {

// One control of every kind the window layer makes, in a dialog with a page.
inline constexpr uint32_t kKindsDialogId = 9101;
inline constexpr uint32_t kKindsPageId = 9102;
inline constexpr vantel::ControlTemplate kKindsControls[] = {
    {1, vantel::ControlKind::PushButton, "Push", {5, 5, 40, 14}, 0},
    {2, vantel::ControlKind::DefPushButton, "Default", {50, 5, 40, 14}, 0},
    {3, vantel::ControlKind::GroupBox, "Group", {5, 25, 100, 40}, 0},
    {4, vantel::ControlKind::Static, "Static", {10, 35, 40, 10}, 0},
    {5, vantel::ControlKind::Edit, "", {55, 35, 40, 12}, WS_BORDER},
    {6, vantel::ControlKind::CheckBox, "Check", {10, 50, 40, 10}, 0},
    {7, vantel::ControlKind::RadioButton, "Radio", {55, 50, 40, 10}, WS_GROUP},
    {8, vantel::ControlKind::ComboBox, "", {110, 5, 60, 60}, 0},
    {9, vantel::ControlKind::ListView, "", {110, 25, 60, 30}, LVS_REPORT | LVS_NOCOLUMNHEADER},
    {10, vantel::ControlKind::TabControl, "", {110, 60, 60, 15}, 0},
};
inline constexpr vantel::ControlTemplate kKindsPageControls[] = {
    {20, vantel::ControlKind::Static, "On the page", {5, 5, 60, 10}, 0},
};
inline constexpr vantel::DialogTemplate kKindsDialog{
    kKindsDialogId,           "Kinds", 180, 120, WS_POPUP | WS_CAPTION | WS_VISIBLE, kKindsControls,
    std::size(kKindsControls)};
inline constexpr vantel::DialogTemplate kKindsPage{kKindsPageId,
                                                   "",
                                                   60,
                                                   30,
                                                   WS_CHILD | WS_VISIBLE,
                                                   kKindsPageControls,
                                                   std::size(kKindsPageControls)};
inline constexpr const vantel::DialogTemplate* kKindsTemplates[] = {&kKindsDialog, &kKindsPage};
inline constexpr vantel::ResourceModule kKindsModule{"kinds", nullptr, 0, kKindsTemplates, 2};

class KindsDialog : public vantel::Dialog {
 public:
  KindsDialog() : vantel::Dialog(kKindsDialogId, 0) {}

 protected:
  bool OnInitDialog() override {
    for (const char* item : {"Alpha", "Beta"}) vantel::AddItem(GetDlgItem(8), item);
    vantel::SetSelection(GetDlgItem(8), 1);
    for (const char* row : {"row 0", "row 1"}) vantel::AddItem(GetDlgItem(9), row);
    for (const char* tab : {"One", "Two"}) vantel::AddItem(GetDlgItem(10), tab);
    vantel::SetSelection(GetDlgItem(10), 0);
    vantel::SetChecked(GetDlgItem(6), true);
    return true;
  }
};

class KindsPage : public vantel::Dialog {
 public:
  explicit KindsPage(vantel::Hwnd parent) : vantel::Dialog(kKindsPageId, parent) {}
};

/// A dialog holding one control of every kind and a page, made by the plug-in's own window
/// layer in this process; for the vocabulary and snapshot tests.
}  // namespace kinds_window

class KindsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state_.resources = &kinds_window::kKindsModule;
    guard_ = std::make_unique<vantel::ModuleStateGuard>(state_);
    dialog_ = std::make_unique<kinds_window::KindsDialog>();
    ASSERT_TRUE(dialog_->Create());
    page_ = std::make_unique<kinds_window::KindsPage>(dialog_->GetSafeHwnd());
    ASSERT_TRUE(page_->Create());
    window_ = dialog_->GetSafeHwnd();
  }
  void TearDown() override {
    page_.reset();
    dialog_.reset();
    guard_.reset();
  }

  vantel::ModuleState state_;
  std::unique_ptr<vantel::ModuleStateGuard> guard_;
  std::unique_ptr<kinds_window::KindsDialog> dialog_;
  std::unique_ptr<kinds_window::KindsPage> page_;
  VantelUiWindow window_ = 0;
};

}  // namespace vantel::host
