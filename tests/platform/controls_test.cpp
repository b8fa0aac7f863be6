// The window layer driven like the real controls: click, select, read back what a user sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialog.h"
#include "platform/message_box.h"
#include "platform/module_state.h"
#include "platform/ui_log.h"
#include "platform/ui_test_support.h"
#include "platform/window.h"

namespace vantel {
namespace {

using test::UiItems;
using test::UiLogCapture;
using test::UiSvg;
using test::UiText;

constexpr uint32_t kProbeId = 9001;
enum ProbeIds : int32_t {
  kApply = 10,
  kSyncCheck = 20,
  kSingle = 30,
  kDouble = 31,
  kOtherGroup = 32,
  kChoice = 40,
  kValue = 50,
  kRows = 60,
  kTabs = 70,
  kNote = 80,
};

constexpr ControlTemplate kProbeControls[] = {
    {IDOK, ControlKind::DefPushButton, "OK", {10, 80, 50, 14}, WS_TABSTOP},
    {IDCANCEL, ControlKind::PushButton, "Cancel", {70, 80, 50, 14}, WS_TABSTOP},
    {kApply, ControlKind::PushButton, "Apply", {130, 80, 50, 14}, WS_DISABLED},
    {kSyncCheck, ControlKind::CheckBox, "Sync test", {10, 10, 80, 10}, WS_TABSTOP},
    {kSingle, ControlKind::RadioButton, "Single", {10, 24, 60, 10}, WS_GROUP | WS_TABSTOP},
    {kDouble, ControlKind::RadioButton, "Double", {10, 36, 60, 10}, 0},
    {kOtherGroup, ControlKind::RadioButton, "Other", {10, 48, 60, 10}, WS_GROUP},
    {kChoice, ControlKind::ComboBox, "", {100, 10, 80, 60}, WS_TABSTOP},
    {kValue, ControlKind::Edit, "", {100, 30, 80, 12}, WS_BORDER},
    {kRows, ControlKind::ListView, "", {200, 10, 100, 40}, LVS_REPORT | LVS_NOCOLUMNHEADER},
    {kTabs, ControlKind::TabControl, "", {200, 55, 100, 20}, 0},
    {kNote, ControlKind::Static, "Note", {100, 50, 80, 10}, 0},
};
constexpr DialogTemplate kProbe{
    kProbeId,
    "Probe",
    310,
    100,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_VSCROLL | WS_VISIBLE,
    kProbeControls,
    std::size(kProbeControls)};
constexpr const DialogTemplate* kProbeTemplates[] = {&kProbe};
constexpr ResourceModule kProbeModule{"probe", nullptr, 0, kProbeTemplates, 1};

/// Records every message it gets, in order, as "Kind:id".
class ProbeDialog : public Dialog {
 public:
  ProbeDialog() : Dialog(kProbeId, 0) {}
  std::vector<std::string> seen;
  bool refuseTabChange = false;
  int maxHeight = 0;  // Sizing keeps the window at most this tall when set

 protected:
  bool OnInitDialog() override {
    for (const char* item : {"Alpha", "Beta", "Gamma"}) AddItem(GetDlgItem(kChoice), item);
    for (const char* tab : {"One", "Two", "Three"}) AddItem(GetDlgItem(kTabs), tab);
    SetSelection(GetDlgItem(kTabs), 0);
    for (int i = 0; i < 10; ++i) AddItem(GetDlgItem(kRows), "row " + std::to_string(i));
    return true;
  }

  bool OnMessage(const Message& message, intptr_t& result) override {
    static constexpr const char* kNames[] = {
        "Clicked",   "SelEndOk", "SelEndCancel", "CloseUp", "TabChanging", "TabChanged",
        "EndScroll", "Help",     "Sizing",       "Size",    "VScroll",     "GetMinMaxInfo"};
    std::string entry = kNames[static_cast<int>(message.kind)];
    entry += ":" + std::to_string(message.kind == MessageKind::VScroll ? message.code
                                                                       : message.controlId);
    seen.push_back(entry);
    switch (message.kind) {
      case MessageKind::TabChanging:
        result = refuseTabChange ? 1 : 0;
        return true;
      case MessageKind::Help:
        if (message.controlId != kSyncCheck) return false;
        ShowHelpPopup(GetSafeHwnd(), message.controlId, "Checks the synchronisation", message.x,
                      message.y);
        return true;
      case MessageKind::Sizing:
        if (maxHeight > 0 && message.rect->Height() > maxHeight) {
          message.rect->bottom = message.rect->top + maxHeight;
        }
        return true;
      default:
        return false;
    }
  }
};

class PlatformControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state_.resources = &kProbeModule;
    guard_ = std::make_unique<ModuleStateGuard>(state_);
    dialog_ = std::make_unique<ProbeDialog>();
    ASSERT_TRUE(dialog_->Create());
    window_ = dialog_->GetSafeHwnd();
    EXPECT_EQ(dialog_->seen, std::vector<std::string>{"GetMinMaxInfo:0"});  // a sizing window
    dialog_->seen.clear();
  }
  void TearDown() override { guard_.reset(); }

  VantelUiWindow Control(int32_t id) const { return VantelUiGetControl(window_, id); }
  std::vector<std::string>& Seen() { return dialog_->seen; }

  ModuleState state_;
  std::unique_ptr<ModuleStateGuard> guard_;
  std::unique_ptr<ProbeDialog> dialog_;
  Hwnd window_ = 0;
};

TEST(DialogUnitsTest, ConvertWithTheOneFontMetricAndRoundHalfUp) {
  struct Case {
    int du, x, y;
  };
  for (const Case& c : std::vector<Case>{{0, 0, 0},
                                         {1, 2, 2},  // 1.5 and 1.625
                                         {2, 3, 3},  // 3 and 3.25
                                         {4, 6, 7},  // 6 and 6.5
                                         {14, 21, 23},
                                         {106, 159, 172},
                                         {355, 533, 577},
                                         {-1, -2, -2}}) {
    EXPECT_EQ(DuToPixelsX(c.du), c.x) << c.du;
    EXPECT_EQ(DuToPixelsY(c.du), c.y) << c.du;
  }
}

TEST_F(PlatformControlsTest, TemplateBecomesPixelsAroundTheClientArea) {
  int32_t outer[4];
  ASSERT_EQ(VantelUiGetRect(window_, outer), 0);
  EXPECT_EQ(outer[2] - outer[0], 465 + 2 * kSizingFrame);
  EXPECT_EQ(outer[3] - outer[1], 163 + 2 * kSizingFrame + kCaptionHeight);
  int32_t ok[4];
  ASSERT_EQ(VantelUiGetRect(Control(IDOK), ok), 0);
  EXPECT_EQ(ok[0] - outer[0], kSizingFrame + 15);
  EXPECT_EQ(ok[1] - outer[1], kSizingFrame + kCaptionHeight + 130);
  EXPECT_EQ(ok[2] - ok[0], 75);
  EXPECT_EQ(ok[3] - ok[1], 23);
  int32_t combo[4];
  ASSERT_EQ(VantelUiGetRect(Control(kChoice), combo), 0);
  EXPECT_EQ(combo[3] - combo[1], kComboClosedHeight);
}

TEST_F(PlatformControlsTest, OnlyReachableButtonsCanBeClicked) {
  struct Case {
    int32_t id;
    int32_t done;
    std::vector<std::string> seen;
  };
  const std::vector<Case> cases{
      {kApply, 0, {}},  // disabled
      {kNote, 0, {}},   // a static does not notify
      {kSyncCheck, 1, {"Clicked:20"}},
      {kSingle, 1, {"Clicked:30"}},
  };
  for (const Case& c : cases) {
    Seen().clear();
    EXPECT_EQ(VantelUiClick(Control(c.id)), c.done) << c.id;
    EXPECT_EQ(Seen(), c.seen) << c.id;
  }
  ShowWindow(Control(kSyncCheck), false);
  EXPECT_EQ(VantelUiClick(Control(kSyncCheck)), 0);
  EnableWindow(window_, false);
  EXPECT_EQ(VantelUiClick(Control(kSingle)), 0);
  EXPECT_EQ(VantelUiClick(0), 0);
}

TEST_F(PlatformControlsTest, CheckBoxTogglesAndRadioClearsOnlyItsGroup) {
  EXPECT_EQ(VantelUiIsChecked(Control(kSyncCheck)), 0);
  VantelUiClick(Control(kSyncCheck));
  EXPECT_EQ(VantelUiIsChecked(Control(kSyncCheck)), 1);
  VantelUiClick(Control(kSyncCheck));
  EXPECT_EQ(VantelUiIsChecked(Control(kSyncCheck)), 0);

  VantelUiClick(Control(kOtherGroup));
  VantelUiClick(Control(kSingle));
  VantelUiClick(Control(kDouble));
  EXPECT_EQ(VantelUiIsChecked(Control(kSingle)), 0);
  EXPECT_EQ(VantelUiIsChecked(Control(kDouble)), 1);
  EXPECT_EQ(VantelUiIsChecked(Control(kOtherGroup)), 1);
}

TEST_F(PlatformControlsTest, ComboChoiceIsAcceptedBeforeTheListClosesUp) {
  const VantelUiWindow combo = Control(kChoice);
  EXPECT_EQ(UiItems(combo), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
  EXPECT_EQ(VantelUiGetSelection(combo), -1);

  EXPECT_EQ(VantelUiSelectComboItem(combo, 1), 1);
  EXPECT_EQ(VantelUiGetSelection(combo), 1);
  EXPECT_EQ(Seen(), (std::vector<std::string>{"SelEndOk:40", "CloseUp:40"}));

  Seen().clear();
  EXPECT_EQ(VantelUiDismissComboAt(combo, 2), 1);
  EXPECT_EQ(Seen(), (std::vector<std::string>{"SelEndCancel:40", "CloseUp:40"}));

  Seen().clear();
  EXPECT_EQ(VantelUiSelectComboItem(combo, 3), 0);
  EXPECT_EQ(VantelUiSelectComboItem(combo, -1), 0);
  EXPECT_EQ(VantelUiSelectComboItem(Control(kValue), 0), 0);
  EXPECT_TRUE(Seen().empty());
}

TEST_F(PlatformControlsTest, TabChangeIsAskedFirstAndMayBeRefused) {
  const VantelUiWindow tabs = Control(kTabs);
  EXPECT_EQ(UiItems(tabs), (std::vector<std::string>{"One", "Two", "Three"}));

  EXPECT_EQ(VantelUiSelectTab(tabs, 2), 1);
  EXPECT_EQ(VantelUiGetSelection(tabs), 2);
  EXPECT_EQ(Seen(), (std::vector<std::string>{"TabChanging:70", "TabChanged:70"}));

  Seen().clear();
  EXPECT_EQ(VantelUiSelectTab(tabs, 2), 1);  // the current tab
  EXPECT_TRUE(Seen().empty());

  dialog_->refuseTabChange = true;
  EXPECT_EQ(VantelUiSelectTab(tabs, 0), 0);
  EXPECT_EQ(VantelUiGetSelection(tabs), 2);
  EXPECT_EQ(Seen(), (std::vector<std::string>{"TabChanging:70"}));
  EXPECT_EQ(VantelUiSelectTab(tabs, 3), 0);
}

TEST_F(PlatformControlsTest, EditTextReadsBackOnlyWhenReachable) {
  EXPECT_EQ(VantelUiSetEditText(Control(kValue), "0x1F"), 1);
  EXPECT_EQ(UiText(Control(kValue)), "0x1F");
  EnableWindow(Control(kValue), false);
  EXPECT_EQ(VantelUiSetEditText(Control(kValue), "12"), 0);
  EXPECT_EQ(UiText(Control(kValue)), "0x1F");
  EXPECT_EQ(VantelUiSetEditText(Control(kNote), "12"), 0);
}

TEST_F(PlatformControlsTest, HelpClimbsToTheDialogAndIsLogged) {
  UiLogCapture log;
  const VantelUiWindow popup = VantelUiAskHelp(Control(kSyncCheck));
  ASSERT_NE(popup, 0u);
  EXPECT_EQ(UiText(popup), "Checks the synchronisation");
  EXPECT_EQ(VantelUiIsVisible(popup), 1);
  EXPECT_EQ(log.Lines(),
            (std::vector<std::string>{
                R"({"event":"help","control":20,"text":"Checks the synchronisation"})"}));

  EXPECT_EQ(VantelUiAskHelp(Control(IDOK)), 0u);  // not in the dialog's help
  EXPECT_EQ(VantelUiIsVisible(popup), -1);        // the previous pop-up went away
  EXPECT_EQ(log.Lines().size(), 1u);
}

TEST_F(PlatformControlsTest, ResizeLetsTheDialogAdjustTheDraggedRectangle) {
  int32_t before[4];
  VantelUiGetRect(window_, before);
  const int height = before[3] - before[1];
  dialog_->maxHeight = height;

  struct Case {
    int32_t edge;
    int32_t width, height;
    int32_t left, top, right, bottom;  // change of each edge
  };
  for (const Case& c : std::vector<Case>{
           {WMSZ_BOTTOM, 0, height - 40, 0, 0, 0, -40},
           {WMSZ_BOTTOM, 0, height + 40, 0, 0, 0, 0},  // the dialog refuses to grow
           {WMSZ_TOP, 0, height - 30, 0, 30, 0, 0},
           {WMSZ_LEFT, 400, 0, 0, 0, 0, 0},
       }) {
    VantelUiResize(window_, WMSZ_BOTTOM, 0, height);  // back to full height first
    VantelUiGetRect(window_, before);
    const int width = c.width ? c.width : before[2] - before[0];
    const int target = c.height ? c.height : before[3] - before[1];
    ASSERT_EQ(VantelUiResize(window_, c.edge, width, target), 1);
    int32_t after[4];
    VantelUiGetRect(window_, after);
    const int moved = c.edge == WMSZ_LEFT ? (before[2] - before[0]) - 400 : 0;
    EXPECT_EQ(after[0] - before[0], c.left + moved) << c.edge;
    EXPECT_EQ(after[1] - before[1], c.top) << c.edge;
    EXPECT_EQ(after[2] - before[2], c.right) << c.edge;
    EXPECT_EQ(after[3] - before[3], c.bottom) << c.edge;
  }
  Seen().clear();
  VantelUiResize(window_, WMSZ_BOTTOM, 0, height - 50);
  ASSERT_GE(Seen().size(), 3u);
  EXPECT_EQ(Seen()[0], "GetMinMaxInfo:0");
  EXPECT_EQ(Seen()[1], "Sizing:0");
  EXPECT_EQ(Seen()[2], "Size:0");
  EXPECT_EQ(GetClientRect(window_).Height(), 163 - 50);
}

TEST_F(PlatformControlsTest, ListScrollMovesRowsAndTellsTheDialog) {
  const VantelUiWindow rows = Control(kRows);
  EXPECT_EQ(VantelUiGetItemCount(rows), 10);
  struct Case {
    int32_t request, position, top;
  };
  // 65 pixels of list show 3 rows of 17: the last top row is 7.
  for (const Case& c : std::vector<Case>{{SB_LINEDOWN, 0, 1},
                                         {SB_PAGEDOWN, 0, 4},
                                         {SB_BOTTOM, 0, 7},
                                         {SB_LINEDOWN, 0, 7},
                                         {SB_THUMBPOSITION, 5, 5},
                                         {SB_THUMBPOSITION, 99, 7},
                                         {SB_TOP, 0, 0},
                                         {SB_LINEUP, 0, 0},
                                         {SB_BOTTOM, 0, 7},
                                         {SB_PAGEUP, 0, 4},
                                         {SB_THUMBTRACK, 2, 2},
                                         {SB_ENDSCROLL, 0, 2}}) {  // no move, still the end
    Seen().clear();
    EXPECT_EQ(VantelUiScroll(rows, c.request, c.position), 1);
    EXPECT_EQ(VantelUiGetTopRow(rows), c.top) << c.request;
    EXPECT_EQ(Seen(), std::vector<std::string>{"EndScroll:60"});
  }
}

TEST_F(PlatformControlsTest, DialogScrollRequestsEndWithEndOfScroll) {
  EXPECT_EQ(VantelUiScroll(window_, SB_LINEDOWN, 0), 1);
  EXPECT_EQ(Seen(), (std::vector<std::string>{"VScroll:1", "VScroll:8"}));
  Seen().clear();
  EXPECT_EQ(VantelUiScroll(window_, SB_ENDSCROLL, 0), 1);  // not followed by a second end
  EXPECT_EQ(Seen(), std::vector<std::string>{"VScroll:8"});
  EXPECT_EQ(VantelUiScroll(Control(kValue), SB_LINEDOWN, 0), 0);
}

TEST_F(PlatformControlsTest, DestroyedHandlesStayInvalid) {
  const Hwnd ok = Control(IDOK);
  dialog_.reset();
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_FALSE(IsWindow(ok));
  EXPECT_EQ(VantelUiIsVisible(window_), -1);
  EXPECT_EQ(VantelUiGetText(ok, nullptr, 0), -1);
  EXPECT_EQ(VantelUiPressOk(window_), 0);
  EXPECT_EQ(VantelUiRenderSvg(window_), nullptr);
  EXPECT_EQ(VantelUiGetChild(window_, 0), 0u);
  EXPECT_EQ(VantelUiGetId(ok), -1);
  EXPECT_EQ(VantelUiGetKind(ok, nullptr, 0), -1);

  ProbeDialog again;
  ASSERT_TRUE(again.Create());
  EXPECT_NE(again.GetSafeHwnd(), window_);
  EXPECT_NE(again.GetSafeHwnd(), ok);
}

TEST_F(PlatformControlsTest, ChildrenAreWalkedInTabOrderWithTheirIdsAndKinds) {
  std::vector<std::string> walked;
  for (int32_t i = 0; const VantelUiWindow child = VantelUiGetChild(window_, i); ++i) {
    char kind[32] = "";
    const int32_t length = VantelUiGetKind(child, kind, sizeof kind);
    EXPECT_EQ(length, static_cast<int32_t>(std::string(kind).size()));
    walked.push_back(std::to_string(VantelUiGetId(child)) + " " + kind);
  }
  EXPECT_EQ(walked, (std::vector<std::string>{"1 default button", "2 push button", "10 push button",
                                              "20 check box", "30 radio button", "31 radio button",
                                              "32 radio button", "40 combo box", "50 edit",
                                              "60 list view", "70 tab control", "80 static"}));
  EXPECT_EQ(VantelUiGetChild(window_, -1), 0u);
  EXPECT_EQ(VantelUiGetId(window_), 0);
  char kind[8] = "";
  EXPECT_EQ(VantelUiGetKind(window_, kind, sizeof kind), 6);
  EXPECT_STREQ(kind, "dialog");
}

TEST_F(PlatformControlsTest, FindWindowPrefersTheNewestVisibleOne) {
  ProbeDialog second;
  ASSERT_TRUE(second.Create());
  EXPECT_EQ(VantelUiFindWindow("Probe"), second.GetSafeHwnd());
  ShowWindow(second.GetSafeHwnd(), false);
  EXPECT_EQ(VantelUiFindWindow("Probe"), window_);
  ShowWindow(window_, false);
  EXPECT_EQ(VantelUiFindWindow("Probe"), second.GetSafeHwnd());
  EXPECT_EQ(VantelUiFindWindow("Nothing like it"), 0u);
  EXPECT_EQ(VantelUiFindWindow(nullptr), 0u);
}

TEST_F(PlatformControlsTest, EnterAndEscapeEndAModelessDialogByHidingIt) {
  EXPECT_EQ(VantelUiPressOk(window_), 1);
  EXPECT_EQ(VantelUiIsVisible(window_), 0);
  EXPECT_EQ(VantelUiPressCancel(window_), 0);  // hidden: no key reaches it
  EXPECT_EQ(Seen(), std::vector<std::string>{"Clicked:1"});
}

TEST_F(PlatformControlsTest, SnapshotShowsWhatAUserSees) {
  VantelUiSelectComboItem(Control(kChoice), 1);
  VantelUiClick(Control(kDouble));
  VantelUiSetEditText(Control(kValue), "<a&b>");
  const std::string svg = UiSvg(window_);
  EXPECT_EQ(svg.rfind("<svg ", 0), 0u);
  for (const char* expected :
       {">Probe</text>", ">OK</text>", ">Beta</text>", ">Double</text>", ">row 0</text>",
        ">Two</text>", "&lt;a&amp;b&gt;", "fill=\"#a0a0a0\" text-anchor=\"middle\">Apply</text>"}) {
    EXPECT_NE(svg.find(expected), std::string::npos) << expected;
  }
  EXPECT_EQ(svg.find(">Alpha</text>"), std::string::npos);  // only the chosen entry shows
  // Only the double radio is checked: one inner dot.
  size_t dots = 0;
  for (size_t at = svg.find("r=\"3\""); at != std::string::npos; at = svg.find("r=\"3\"", at + 1)) {
    ++dots;
  }
  EXPECT_EQ(dots, 1u);

  const std::string path = ::testing::TempDir() + "/probe.svg";
  ASSERT_EQ(VantelUiRenderSvgToFile(window_, path.c_str()), 1);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  std::string written(svg.size(), '\0');
  EXPECT_EQ(std::fread(written.data(), 1, written.size(), file), svg.size());
  std::fclose(file);
  std::remove(path.c_str());
  EXPECT_EQ(written, svg);
}

TEST_F(PlatformControlsTest, ResizeIsRefusedToChildrenFixedFramesAndUnknownEdges) {
  int32_t before[4];
  VantelUiGetRect(window_, before);
  EXPECT_EQ(VantelUiResize(Control(kValue), WMSZ_BOTTOM, 100, 100), 0);  // a child
  EXPECT_EQ(VantelUiResize(window_, WMSZ_LEFT - 1, 100, 100), 0);
  EXPECT_EQ(VantelUiResize(window_, WMSZ_BOTTOMRIGHT + 1, 100, 100), 0);
  GetWindow(window_)->style &= ~WS_THICKFRAME;
  EXPECT_EQ(VantelUiResize(window_, WMSZ_BOTTOM, 100, 100), 0);
  int32_t after[4];
  VantelUiGetRect(window_, after);
  EXPECT_TRUE(std::equal(before, before + 4, after));
  EXPECT_TRUE(Seen().empty());
}

TEST_F(PlatformControlsTest, AColumnHeaderTakesARowOfTheList) {
  const Hwnd rows = Control(kRows);
  GetWindow(rows)->style &= ~LVS_NOCOLUMNHEADER;
  InsertListColumn(rows, 0, "Message", 80);
  // 65 pixels less a header of 17 show 2 rows of 17: the last top row is 8.
  EXPECT_EQ(VantelUiScroll(rows, SB_BOTTOM, 0), 1);
  EXPECT_EQ(VantelUiGetTopRow(rows), 8);
  const std::string svg = UiSvg(window_);
  EXPECT_NE(svg.find(">Message</text>"), std::string::npos);
  EXPECT_NE(svg.find(">row 8</text>"), std::string::npos);
  EXPECT_EQ(svg.find(">row 7</text>"), std::string::npos);
}

// A window that is gone stays gone: whatever is done through its handle reaches no other
// window, and whatever is read through it is empty.
TEST_F(PlatformControlsTest, AStaleHandleReachesNoWindowAndReadsAsNothing) {
  ProbeDialog other;
  ASSERT_TRUE(other.Create());
  other.seen.clear();
  const Hwnd live = other.GetSafeHwnd();
  const Hwnd stale = Control(kChoice);
  const Hwnd staleDialog = window_;
  dialog_.reset();
  const std::string picture = UiSvg(live);
  const int32_t paints = VantelUiGetPaintCount(live);

  ShowWindow(stale, false);
  EnableWindow(stale, false);
  SetWindowText(stale, "x");
  MoveWindow(stale, {0, 0, 10, 10});
  MoveWindowOnto(stale, other.GetDlgItem(kNote));
  MoveWindowOnto(other.GetDlgItem(kNote), stale);
  SetScrollInfo(staleDialog, {0, 100, 10, 5});
  ScrollWindow(staleDialog, 20);
  RedrawNow(stale);
  ResetItems(stale);
  InsertItem(stale, 0, "x");
  SetSelection(stale, 0);
  SetListExStyle(stale, 0, LVS_EX_GRIDLINES);
  InsertListColumn(stale, 0, "x", 10);
  SetChecked(stale, true);
  EXPECT_EQ(UiSvg(live), picture);
  EXPECT_EQ(VantelUiGetPaintCount(live), paints);
  EXPECT_TRUE(other.seen.empty());

  EXPECT_EQ(GetWindowText(stale), "");
  EXPECT_EQ(GetDlgItem(staleDialog, kChoice), 0u);
  EXPECT_EQ(FindDescendant(staleDialog, kChoice), 0u);
  EXPECT_FALSE(IsReachable(stale));
  EXPECT_EQ(GetWindowRect(stale), Rect{});
  EXPECT_EQ(GetClientRect(staleDialog), Rect{});
  int x = -1, y = -1;
  ClientOrigin(staleDialog, x, y);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(0, 0));
  EXPECT_FALSE(GetScrollInfo(staleDialog).Shown());
  EXPECT_EQ(GetSelection(stale), -1);
  EXPECT_EQ(AddItem(stale, "x"), -1);
  EXPECT_EQ(NotifyParent(stale, MessageKind::Clicked), 0);
  intptr_t result = 0;
  EXPECT_FALSE(SendMessage(staleDialog, {}, result));
  EXPECT_EQ(CreateWindowFrom({.className = "Button", .parent = staleDialog}), 0u);
}

TEST_F(PlatformControlsTest, TheAutomationApiAnswersBadArgumentsWithItsFailure) {
  EXPECT_EQ(VantelUiGetItemText(Control(kChoice), 3, nullptr, 0), -1);
  EXPECT_EQ(VantelUiGetItemText(Control(kChoice), -1, nullptr, 0), -1);
  EXPECT_EQ(VantelUiGetRect(window_, nullptr), -1);
  EXPECT_EQ(VantelUiGetScroll(window_, nullptr), -1);
  VantelUiSetEditText(Control(kValue), "12");
  EXPECT_EQ(VantelUiSetEditText(Control(kValue), nullptr), 1);  // a null text empties it
  EXPECT_EQ(UiText(Control(kValue)), "");
  const std::string missingFolder = ::testing::TempDir() + "/no-such-folder/probe.svg";
  EXPECT_EQ(VantelUiRenderSvgToFile(window_, nullptr), 0);
  EXPECT_EQ(VantelUiRenderSvgToFile(window_, missingFolder.c_str()), 0);
  const std::string path = ::testing::TempDir() + "/stale.svg";
  const Hwnd stale = window_;
  dialog_.reset();
  EXPECT_EQ(VantelUiRenderSvgToFile(stale, path.c_str()), 0);
  EXPECT_EQ(std::fopen(path.c_str(), "rb"), nullptr);  // nothing written for a stale window
}

// Each state a user can see changes the picture, and only once it holds.
TEST_F(PlatformControlsTest, EachVisibleStateShowsInThePicture) {
  struct Case {
    const char* what;
    std::function<Hwnd(ProbeDialog&)> arrange;  // the window to draw
    const char* shows;
  };
  const Case cases[] = {
      {"a ticked check box",
       [](ProbeDialog& d) {
         VantelUiClick(d.GetDlgItem(kSyncCheck));
         return d.GetSafeHwnd();
       },
       "<line x1="},
      {"a disabled default button",
       [](ProbeDialog& d) {
         EnableWindow(d.GetDlgItem(IDOK), false);
         return d.GetSafeHwnd();
       },
       "fill=\"#e1e1e1\" stroke=\"#adadad\" stroke-width=\"2\""},
      {"a disabled dialog greys its caption",
       [](ProbeDialog& d) {
         EnableWindow(d.GetSafeHwnd(), false);
         return d.GetSafeHwnd();
       },
       "fill=\"#a0a0a0\" text-anchor=\"start\">Probe</text>"},
      {"quotes and control characters typed into an edit",
       [](ProbeDialog& d) {
         VantelUiSetEditText(d.GetDlgItem(kValue), "say \"hi\"\tnow");
         return d.GetSafeHwnd();
       },
       ">say &quot;hi&quot; now</text>"},
      {"list grid lines",
       [](ProbeDialog& d) {
         SetListExStyle(d.GetDlgItem(kRows), LVS_EX_GRIDLINES, LVS_EX_GRIDLINES);
         return d.GetSafeHwnd();
       },
       "stroke=\"#f0f0f0\"/>"},
      {"a help pop-up", [](ProbeDialog& d) { return VantelUiAskHelp(d.GetDlgItem(kSyncCheck)); },
       "fill=\"#ffffe1\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProbeDialog dialog;
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(UiSvg(dialog.GetSafeHwnd()).find(c.shows), std::string::npos);
    const std::string svg = UiSvg(c.arrange(dialog));
    EXPECT_NE(svg.find(c.shows), std::string::npos) << svg;
  }
  CloseHelpPopup();
  // Nothing chosen in a combo: its box shows no entry.
  const std::string svg = UiSvg(window_);
  for (const char* entry : {">Alpha</text>", ">Beta</text>", ">Gamma</text>"})
    EXPECT_EQ(svg.find(entry), std::string::npos) << entry;
}

TEST(NonClientSizeTest, FrameAndCaptionFollowTheStyle) {
  struct Case {
    uint32_t style;
    int left, top, right, bottom;
  };
  for (const Case& c : std::vector<Case>{
           {WS_POPUP | WS_CAPTION | WS_THICKFRAME, kSizingFrame, kSizingFrame + kCaptionHeight,
            kSizingFrame, kSizingFrame},
           {WS_POPUP | WS_CAPTION, kFixedFrame, kFixedFrame + kCaptionHeight, kFixedFrame,
            kFixedFrame},
           {WS_POPUP | DS_MODALFRAME, kFixedFrame, kFixedFrame, kFixedFrame, kFixedFrame},
           {WS_POPUP | WS_BORDER, 1, 1, 1, 1},
           {WS_CHILD, 0, 0, 0, 0},
       }) {
    int left = -1, top = -1, right = -1, bottom = -1;
    NonClientSize(c.style, left, top, right, bottom);
    EXPECT_EQ(std::vector<int>({left, top, right, bottom}),
              std::vector<int>({c.left, c.top, c.right, c.bottom}))
        << std::hex << c.style;
  }
}

class ModalLoopTest : public ::testing::Test {
 protected:
  void SetUp() override { guard_ = std::make_unique<ModuleStateGuard>(state_); }
  void TearDown() override {
    VantelUiSetHook(nullptr, nullptr);
    guard_.reset();
  }
  ModuleState state_{&kProbeModule, nullptr};
  std::unique_ptr<ModuleStateGuard> guard_;
};

TEST_F(ModalLoopTest, HeadlessDialogEndsCancelledAtOnceAndIsLogged) {
  UiLogCapture log;
  ProbeDialog dialog;
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.GetSafeHwnd(), 0u);  // a modal dialog's window ends with the loop
  EXPECT_EQ(log.Lines(),
            (std::vector<std::string>{
                R"({"event":"dialog_open","caption":"Probe","template":9001})",
                R"({"event":"dialog_end","caption":"Probe","template":9001,"result":2})"}));
}

TEST_F(ModalLoopTest, UnknownTemplateFailsWithoutALoop) {
  Dialog dialog(4242, 0);
  test::UiDriver driver([](VantelUiWindow) { return 1; });
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_EQ(driver.turns, 0);
}

TEST_F(ModalLoopTest, DriverActsOnEveryTurnUntilTheDialogEnds) {
  ProbeDialog dialog;
  VantelUiWindow seenModal = 0;
  test::UiDriver driver([&](VantelUiWindow modal) {
    seenModal = modal;
    if (VantelUiIsChecked(VantelUiGetControl(modal, kSyncCheck)) == 0) {
      VantelUiClick(VantelUiGetControl(modal, kSyncCheck));
      return 1;
    }
    VantelUiPressOk(modal);
    return 1;
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(driver.turns, 2);
  EXPECT_NE(seenModal, 0u);
  EXPECT_FALSE(IsWindow(seenModal));
}

TEST_F(ModalLoopTest, DriverThatGivesUpCancelsTheDialog) {
  ProbeDialog dialog;
  test::UiDriver driver([](VantelUiWindow) { return 0; });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(driver.turns, 1);
}

TEST_F(ModalLoopTest, DialogDeletedFromInsideItsLoopEndsCancelled) {
  auto dialog = std::make_unique<ProbeDialog>();
  ProbeDialog* running = dialog.get();
  test::UiDriver driver([&](VantelUiWindow) {
    dialog.reset();  // a re-entrant call dropped the dialog
    return 1;
  });
  EXPECT_EQ(running->DoModal(), IDCANCEL);
  EXPECT_EQ(dialog, nullptr);
}

// A dialog whose own initialisation ends it, destroys its window or deletes it.
class SelfEndingDialog : public Dialog {
 public:
  explicit SelfEndingDialog(std::function<void(SelfEndingDialog&)> init)
      : Dialog(kProbeId, 0), init_(std::move(init)) {}

 protected:
  bool OnInitDialog() override {
    init_(*this);  // may delete this: nothing of it is touched after
    return true;
  }

 private:
  std::function<void(SelfEndingDialog&)> init_;
};

// Never open to the user: not shown, not logged, no turn of the loop, and the result is the
// one it ended with, or -1 for a window gone (whose dialog may be gone with it).
TEST_F(ModalLoopTest, ADialogItsInitialisationEndsIsNeverShown) {
  struct Case {
    const char* what;
    std::function<void(SelfEndingDialog&)> init;
    int32_t result;
  };
  std::unique_ptr<SelfEndingDialog> owned;
  const Case cases[] = {
      {"ended", [](SelfEndingDialog& d) { d.EndDialog(7); }, 7},
      {"window destroyed", [](SelfEndingDialog& d) { DestroyWindow(d.GetSafeHwnd()); }, -1},
      {"deleted", [&](SelfEndingDialog&) { owned.reset(); }, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UiLogCapture log;
    owned = std::make_unique<SelfEndingDialog>(c.init);
    test::UiDriver driver([](VantelUiWindow) { return 1; });
    EXPECT_EQ(owned.get()->DoModal(), c.result);
    EXPECT_EQ(driver.turns, 0);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{});
    EXPECT_EQ(VantelUiFindWindow("Probe"), 0u);
  }
  // Created modeless from a visible template, an ended dialog stays hidden.
  SelfEndingDialog modeless([](SelfEndingDialog& d) { d.EndDialog(IDOK); });
  ASSERT_TRUE(modeless.Create());
  EXPECT_EQ(VantelUiIsVisible(modeless.GetSafeHwnd()), 0);
  SelfEndingDialog gone([](SelfEndingDialog& d) { DestroyWindow(d.GetSafeHwnd()); });
  EXPECT_TRUE(gone.Create());
  EXPECT_EQ(gone.GetSafeHwnd(), 0u);
}

TEST_F(ModalLoopTest, MessageBoxIsAWindowTheDriverAnswers) {
  struct Case {
    unsigned type;
    const char* press;  // "ok", "cancel" or a button text
    int expected;
  };
  for (const Case& c : std::vector<Case>{{MB_OK | MB_ICONERROR, "ok", IDOK},
                                         {MB_OK, "cancel", IDOK},
                                         {MB_OKCANCEL, "cancel", IDCANCEL},
                                         {MB_OKCANCEL, "OK", IDOK},
                                         {MB_YESNO, "No", IDNO},
                                         {MB_YESNO, "ok", IDYES},
                                         {MB_YESNO, "cancel", IDYES}}) {  // refused, then given up
    std::string text;
    test::UiDriver driver([&](VantelUiWindow modal) {
      if (driver.turns > 1) return 0;
      EXPECT_EQ(VantelUiFindWindow(kMessageBoxCaption), modal);
      text = UiText(VantelUiGetControl(modal, 0xFFFF));
      const std::string press = c.press;
      if (press == "ok") VantelUiPressOk(modal);
      if (press == "cancel") VantelUiPressCancel(modal);
      for (int32_t id : {IDOK, IDCANCEL, IDYES, IDNO}) {
        const VantelUiWindow button = VantelUiGetControl(modal, id);
        if (button && UiText(button) == press) VantelUiClick(button);
      }
      return 1;
    });
    UiLogCapture log;
    EXPECT_EQ(ShowMessageBox("M12\nAction canceled", c.type), c.expected) << c.type << c.press;
    EXPECT_EQ(text, "M12\nAction canceled");
    EXPECT_EQ(VantelUiFindWindow(kMessageBoxCaption), 0u);
    EXPECT_EQ(log.Lines(),
              std::vector<std::string>{
                  R"({"event":"messagebox","text":"M12\nAction canceled","type":)" +
                  std::to_string(c.type) + ",\"result\":" + std::to_string(c.expected) + "}"});
  }
}

TEST_F(ModalLoopTest, HeadlessMessageBoxAnswersAtOnceAndIsObserved) {
  std::vector<std::string> observed;
  SetMessageBoxObserver([&](const std::string& text, unsigned) { observed.push_back(text); });
  EXPECT_EQ(ShowMessageBox("Machine\nx", MB_OK | MB_ICONERROR), IDOK);
  EXPECT_EQ(ShowMessageBox("Machine\ny", MB_YESNO), IDYES);
  SetMessageBoxObserver(nullptr);
  EXPECT_EQ(observed, (std::vector<std::string>{"Machine\nx", "Machine\ny"}));
}

TEST_F(ModalLoopTest, AModalDialogDisablesItsOwnerOnlyWhileItRuns) {
  for (const bool ownerEnabled : {true, false}) {
    SCOPED_TRACE(ownerEnabled ? "enabled owner" : "disabled owner");
    ProbeDialog owner;
    ASSERT_TRUE(owner.Create());
    EnableWindow(owner.GetSafeHwnd(), ownerEnabled);
    Dialog modal(kProbeId, owner.GetSafeHwnd());
    int32_t ownerClick = -1;
    test::UiDriver driver([&](VantelUiWindow dialog) {
      ownerClick = VantelUiClick(owner.GetDlgItem(kSyncCheck));
      VantelUiPressOk(dialog);
      return 1;
    });
    EXPECT_EQ(modal.DoModal(), IDOK);
    EXPECT_EQ(ownerClick, 0);
    EXPECT_EQ(IsReachable(owner.GetSafeHwnd()), ownerEnabled);
  }
}

TEST_F(ModalLoopTest, TheEventLogEscapesWhatJsonCannotHoldAndNeedsAFileToWriteTo) {
  const std::string text = std::string("C:\\cal\r\n\t\"v\"") + '\x01';
  {
    UiLogCapture log;
    ShowMessageBox(text, MB_OK);
    EXPECT_EQ(log.Lines(),
              std::vector<std::string>{
                  R"({"event":"messagebox","text":"C:\\cal\r\n\t\"v\"\u0001","type":0,)"
                  R"("result":1})"});
  }
  for (const char* path : {"", "/nonexistent-folder/ui.log"}) {
    setenv("VANTEL_UI_LOG", path, 1);
    EXPECT_EQ(ShowMessageBox("not logged", MB_OK), IDOK) << path;
  }
  unsetenv("VANTEL_UI_LOG");
}

TEST_F(ModalLoopTest, MessageBoxNestsInsideADialogLoop) {
  ProbeDialog dialog;
  int boxAnswer = 0;
  std::vector<std::string> modals;
  test::UiDriver driver([&](VantelUiWindow modal) {
    modals.push_back(UiText(modal));
    if (modals.size() == 1) {
      boxAnswer = ShowMessageBox("Sure?", MB_OKCANCEL);  // re-entrant, like an export would
      return 1;
    }
    if (UiText(modal) == kMessageBoxCaption) {
      VantelUiClick(VantelUiGetControl(modal, IDCANCEL));
      return 1;
    }
    VantelUiPressOk(modal);
    return 1;
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(boxAnswer, IDCANCEL);
  EXPECT_EQ(modals, (std::vector<std::string>{"Probe", kMessageBoxCaption, "Probe"}));
}

}  // namespace
}  // namespace vantel
