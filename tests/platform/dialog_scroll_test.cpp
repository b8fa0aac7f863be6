// The vertical scroll bar of a sizing dialog: shown only when its range exceeds a page, it
// takes its width from the client area, and scrolling moves every child, pages included.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/dialog.h"
#include "platform/module_state.h"
#include "platform/ui_test_support.h"
#include "platform/window.h"

namespace vantel {
namespace {

constexpr uint32_t kScrolledId = 9401;
constexpr uint32_t kInsetId = 9402;
enum ScrolledIds : int32_t { kPlace = 10, kInsetCheck = 20 };

constexpr ControlTemplate kScrolledControls[] = {
    {IDOK, ControlKind::DefPushButton, "OK", {10, 180, 50, 14}, WS_TABSTOP},
    {kPlace, ControlKind::Static, "", {10, 10, 100, 60}, 0},
};
constexpr ControlTemplate kInsetControls[] = {
    {kInsetCheck, ControlKind::CheckBox, "Inset", {4, 4, 40, 10}, WS_TABSTOP},
};
constexpr DialogTemplate kScrolled{
    kScrolledId,
    "Scrolled",
    200,
    200,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_VSCROLL | WS_VISIBLE,
    kScrolledControls,
    std::size(kScrolledControls)};
constexpr DialogTemplate kInset{
    kInsetId, "", 100, 60, WS_CHILD | WS_VISIBLE, kInsetControls, std::size(kInsetControls)};
constexpr const DialogTemplate* kScrollTemplates[] = {&kScrolled, &kInset};
constexpr ResourceModule kScrollModule{"scroll", nullptr, 0, kScrollTemplates,
                                       std::size(kScrollTemplates)};

class DialogScrollTest : public ::testing::Test {
 protected:
  void SetUp() override {
    guard_ = std::make_unique<ModuleStateGuard>(state_);
    ASSERT_TRUE(dialog_.Create());
    ASSERT_TRUE(inset_.Create(dialog_.GetSafeHwnd()));
    MoveWindowOnto(inset_.GetSafeHwnd(), dialog_.GetDlgItem(kPlace));
  }

  std::vector<int32_t> Scroll() const {
    int32_t info[4];
    EXPECT_EQ(VantelUiGetScroll(dialog_.GetSafeHwnd(), info), 0);
    return {info[0], info[1], info[2], info[3]};
  }

  ModuleState state_{&kScrollModule, nullptr};
  std::unique_ptr<ModuleStateGuard> guard_;
  Dialog dialog_{kScrolledId, 0};
  Dialog inset_{kInsetId, 0};
};

TEST_F(DialogScrollTest, BarShowsOnlyPastAPageTakesItsWidthAndKeepsItsPositionInRange) {
  const int fullWidth = DuToPixelsX(200);  // 300
  const int height = DuToPixelsY(200);     // 325
  struct Case {
    const char* what;
    ScrollInfo set;
    std::vector<int32_t> read;  // min, max, page, position
    bool shown;
  };
  for (const Case& c : std::vector<Case>{
           {"no range", {0, 0, 0, 0}, {0, 0, 0, 0}, false},
           {"range as large as the page", {0, 99, 100, 0}, {0, 99, 100, 0}, false},
           {"range one past the page", {0, 100, 100, 1}, {0, 100, 100, 1}, true},
           {"position past the last page", {0, 833, 411, 500}, {0, 833, 411, 423}, true},
           {"position before the first", {0, 833, 411, -5}, {0, 833, 411, 0}, true},
       }) {
    SetScrollInfo(dialog_.GetSafeHwnd(), c.set);
    EXPECT_EQ(Scroll(), c.read) << c.what;
    EXPECT_EQ(GetScrollInfo(dialog_.GetSafeHwnd()).Shown(), c.shown) << c.what;
    EXPECT_EQ(GetClientRect(dialog_.GetSafeHwnd()),
              (Rect{0, 0, fullWidth - (c.shown ? kScrollBarWidth : 0), height}))
        << c.what;
    const std::string svg = test::UiSvg(dialog_.GetSafeHwnd());
    // The bar's track, right of the client area.
    EXPECT_EQ(svg.find("fill=\"#e8e8e8\"") != std::string::npos, c.shown) << c.what;
  }
}

TEST_F(DialogScrollTest, ScrollingMovesEveryChildAndThePagesControlsWithIt) {
  const Hwnd ok = dialog_.GetDlgItem(IDOK);
  const Hwnd check = inset_.GetDlgItem(kInsetCheck);
  const Rect okBefore = GetWindowRect(ok);
  const Rect checkBefore = GetWindowRect(check);
  const Rect checkInPage = GetWindow(check)->rect;
  for (int dy : {-30, -5, 35}) {
    const Rect okAt = GetWindowRect(ok);
    const Rect checkAt = GetWindowRect(check);
    ScrollWindow(dialog_.GetSafeHwnd(), dy);
    EXPECT_EQ(GetWindowRect(ok), (Rect{okAt.left, okAt.top + dy, okAt.right, okAt.bottom + dy}));
    EXPECT_EQ(GetWindowRect(check),
              (Rect{checkAt.left, checkAt.top + dy, checkAt.right, checkAt.bottom + dy}));
    EXPECT_EQ(GetWindow(check)->rect, checkInPage) << "the page moved, not its controls";
  }
  EXPECT_EQ(GetWindowRect(ok), okBefore);
  EXPECT_EQ(GetWindowRect(check), checkBefore);
}

}  // namespace
}  // namespace vantel
