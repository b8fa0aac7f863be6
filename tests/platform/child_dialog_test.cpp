// Pages: child dialogs laid on a placeholder of their parent, positioned through the
// screen/client conversions and reached by id from the top dialog.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/module_state.h"
#include "platform/ui_test_support.h"
#include "platform/window.h"

namespace vantel {
namespace {

constexpr uint32_t kTopId = 9201;
constexpr uint32_t kPageId = 9202;
constexpr uint32_t kInnerId = 9203;
constexpr uint32_t kOtherPageId = 9204;
enum ChildIds : int32_t {
  kPlace = 10,
  kSmallPlace = 11,
  kShared = 12,  // on the top dialog and on the page
  kPageEdit = 20,
  kInnerPlace = 21,
  kInnerCheck = 30,  // on the inner page and on the other page
};

constexpr ControlTemplate kTopControls[] = {
    {IDOK, ControlKind::DefPushButton, "OK", {10, 130, 50, 14}, WS_TABSTOP},
    {kPlace, ControlKind::Static, "", {10, 20, 120, 80}, 0},
    {kSmallPlace, ControlKind::Static, "", {140, 20, 50, 40}, 0},
    {kShared, ControlKind::Edit, "", {140, 70, 50, 12}, WS_BORDER},
};
constexpr ControlTemplate kPageControls[] = {
    {kPageEdit, ControlKind::Edit, "", {5, 5, 60, 12}, WS_BORDER},
    {kShared, ControlKind::Edit, "", {5, 20, 60, 12}, WS_BORDER},
    {kInnerPlace, ControlKind::Static, "", {5, 40, 50, 30}, 0},
};
constexpr ControlTemplate kInnerControls[] = {
    {kInnerCheck, ControlKind::CheckBox, "Inner", {2, 2, 36, 10}, WS_TABSTOP},
};
constexpr DialogTemplate kTop{kTopId,
                              "Top",
                              200,
                              150,
                              WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_VISIBLE,
                              kTopControls,
                              std::size(kTopControls)};
constexpr DialogTemplate kPage{
    kPageId, "", 120, 80, WS_CHILD | WS_VISIBLE, kPageControls, std::size(kPageControls)};
constexpr DialogTemplate kInner{
    kInnerId, "", 40, 20, WS_CHILD | WS_VISIBLE, kInnerControls, std::size(kInnerControls)};
constexpr DialogTemplate kOtherPage{
    kOtherPageId, "", 40, 20, WS_CHILD | WS_VISIBLE, kInnerControls, std::size(kInnerControls)};
constexpr const DialogTemplate* kChildTemplates[] = {&kTop, &kPage, &kInner, &kOtherPage};
constexpr ResourceModule kChildModule{"pages", nullptr, 0, kChildTemplates,
                                      std::size(kChildTemplates)};

class ChildDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VantelUiSetScreenSize(1920, 1080);
    guard_ = std::make_unique<ModuleStateGuard>(state_);
    ASSERT_TRUE(top_.Create());
    ASSERT_TRUE(page_.Create(top_.GetSafeHwnd()));
    MoveWindowOnto(page_.GetSafeHwnd(), top_.GetDlgItem(kPlace));
    ASSERT_TRUE(inner_.Create(page_.GetSafeHwnd()));
    MoveWindowOnto(inner_.GetSafeHwnd(), page_.GetDlgItem(kInnerPlace));
  }

  ModuleState state_{&kChildModule, nullptr};
  std::unique_ptr<ModuleStateGuard> guard_;
  Dialog top_{kTopId, 0};
  Dialog page_{kPageId, 0};
  Dialog inner_{kInnerId, 0};
};

TEST_F(ChildDialogTest, CoordinatesConvertThroughFramesAndParents) {
  // The top dialog: 306 x 273 outside, centred at 807, 403; its client area starts 3 pixels
  // in and below the caption. The page lies on the placeholder at 15, 33 of that area, with
  // no frame of its own; its edit at 8, 8 of the page.
  struct Case {
    const char* what;
    Hwnd window;
    Rect screen, client;
  };
  for (const Case& c : std::vector<Case>{
           {"top", top_.GetSafeHwnd(), {810, 429, 830, 439}, {0, 0, 20, 10}},
           {"top, off its area", top_.GetSafeHwnd(), {0, 0, 10, 10}, {-810, -429, -800, -419}},
           {"page", page_.GetSafeHwnd(), {825, 462, 826, 463}, {0, 0, 1, 1}},
           {"edit", page_.GetDlgItem(kPageEdit), {833, 470, 923, 490}, {0, 0, 90, 20}},
       }) {
    EXPECT_EQ(ScreenToClient(c.window, c.screen), c.client) << c.what;
    EXPECT_EQ(ClientToScreen(c.window, c.client), c.screen) << c.what;
  }
  EXPECT_EQ(GetWindowRect(page_.GetDlgItem(kPageEdit)), (Rect{833, 470, 923, 490}));
}

TEST_F(ChildDialogTest, WindowMovedOntoAPlaceholderCoversItWhereverEitherLives) {
  Dialog floating{kTopId, 0};
  ASSERT_TRUE(floating.Create());
  struct Case {
    const char* what;
    Hwnd window, placeholder;
  };
  for (const Case& c : std::vector<Case>{
           {"page on its parent's control", page_.GetSafeHwnd(), top_.GetDlgItem(kPlace)},
           {"inner page on its parent's control", inner_.GetSafeHwnd(),
            page_.GetDlgItem(kInnerPlace)},
           {"inner page on a control of the top", inner_.GetSafeHwnd(),
            top_.GetDlgItem(kSmallPlace)},
           {"top-level window on a control", floating.GetSafeHwnd(), page_.GetDlgItem(kPageEdit)},
       }) {
    MoveWindowOnto(c.window, c.placeholder);
    EXPECT_EQ(GetWindowRect(c.window), GetWindowRect(c.placeholder)) << c.what;
  }
  // Kept in the parent's client coordinates, a page moves with its parent.
  EXPECT_EQ(GetWindow(page_.GetSafeHwnd())->rect, (Rect{15, 33, 195, 163}));
  MoveWindow(top_.GetSafeHwnd(), {0, 0, 306, 273});
  EXPECT_EQ(GetWindowRect(page_.GetSafeHwnd()), (Rect{18, 59, 198, 189}));
}

TEST_F(ChildDialogTest, GetControlReachesThePagesControlsFromTheTop) {
  Dialog other{kOtherPageId, 0};
  ASSERT_TRUE(other.Create(top_.GetSafeHwnd()));
  const Hwnd top = top_.GetSafeHwnd();
  struct Case {
    const char* what;
    int32_t id;
    Hwnd expected;
  };
  for (const Case& c : std::vector<Case>{
           {"own control", kPlace, top_.GetDlgItem(kPlace)},
           {"own control before a page's", kShared, top_.GetDlgItem(kShared)},
           {"page control", kPageEdit, page_.GetDlgItem(kPageEdit)},
           {"the first page's pages before the next page", kInnerCheck,
            inner_.GetDlgItem(kInnerCheck)},
           {"no such control", 999, 0},
       }) {
    EXPECT_EQ(VantelUiGetControl(top, c.id), c.expected) << c.what;
  }
  EXPECT_EQ(VantelUiGetControl(page_.GetSafeHwnd(), kShared), page_.GetDlgItem(kShared));
  ASSERT_EQ(VantelUiClick(VantelUiGetControl(top, kInnerCheck)), 1);
  EXPECT_EQ(VantelUiIsChecked(inner_.GetDlgItem(kInnerCheck)), 1);

  DestroyWindow(page_.GetSafeHwnd());
  EXPECT_EQ(VantelUiGetControl(top, kPageEdit), 0u);
  EXPECT_EQ(VantelUiGetControl(top, kInnerCheck), other.GetDlgItem(kInnerCheck));
}

}  // namespace
}  // namespace vantel
