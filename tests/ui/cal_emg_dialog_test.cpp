// The configuration dialog as a user drives it through the automation API: its pages and
// tabs, sizing and scrolling, help, and OK or Cancel with what they leave on the host.
#include "ui/cal_emg_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "config/engine_record.h"
#include "host/requests.h"
#include "platform/dialog.h"
#include "platform/module_state.h"
#include "platform/string_table.h"
#include "platform/ui_test_support.h"
#include "platform/window.h"
#include "plugin/handlers.h"
#include "res/dialog_ids.h"
#include "res/dialog_layouts.h"
#include "res/string_ids.h"
#include "support/dialog_driver.h"
#include "support/message_boxes.h"
#include "support/messages.h"
#include "support/sample_machine.h"
#include "ui/cal_all.h"
#include "ui/cal_bnk.h"
#include "ui/cal_ess.h"
#include "ui/cal_mot.h"
#include "ui/cal_pha.h"
#include "ui/sis_report.h"

namespace vantel {
namespace {

using test::ConfigBuilder;
using test::UiItems;
using test::UiKind;
using test::UiLogCapture;
using test::UiText;

constexpr char kTitle[] = "Engine management configuration M12";
constexpr char kActionKey[] = "EMG_EDIT";
constexpr int32_t kMapId = 0x00075001;
const uint16_t kDirectTwoRails = InjectionBit(2, 1);

// Template 1008 in pixels: 347 x 513 dialog units inside a sizing frame and a caption.
constexpr int kTemplateWidth = 521 + 2 * kSizingFrame;
constexpr int kContentHeight = 834;
constexpr int kTemplateHeight = kContentHeight + kCaptionHeight + 2 * kSizingFrame;
constexpr int kFrameHeight = kCaptionHeight + 2 * kSizingFrame;

// Item names of the six tables in their write-back order.
const std::string kSync = test::kSampleTableNames[kSyncTable];
const std::string kWindow = test::kSampleTableNames[kToothWindowTable];
const std::string kAngle = test::kSampleTableNames[kToothAngleTable];
const std::string kPosition = test::kSampleTableNames[kToothPositionTable];
const std::string kRegular = test::kSampleTableNames[kRegularToothTable];
const std::string kEngine = test::kSampleTableNames[kEngineTable];

using Strings = std::vector<std::string>;

/// The sample machine with every table different from the baseline, and still coherent.
test::Config OtherEngine() {
  return ConfigBuilder()
      .Flywheel(test::FlywheelWord(34, 36))
      .IgnitionDelay(50)
      .RailMaps({kMapId})
      .Build();
}

class CalEmgDialogTest : public ::testing::Test {
 protected:
  CalEmgDialogTest() {
    loaded_ = ConfigBuilder().RailMaps({kMapId}).Build();
    loaded_.ApplyTo(context());
    test::AddSampleTables(host_, loaded_);
    host_.AddItem("MAP_RAIL_0", kMapId, int32_t{0});
    test::PrepareEditAction(context());
    context().deferChecks = 1;
  }
  ~CalEmgDialogTest() override {
    SetUiHook(nullptr, nullptr);
    VantelUiSetScreenSize(1920, 1080);
  }

  MachineContext& context() { return hosted_.context; }

  /// Runs the dialog modally, `turn` acting on each turn of whichever loop runs, and
  /// publishes a confirmed dialog's edits as the editing action does.
  int32_t Run(const std::function<int(VantelUiWindow modal)>& turn) {
    if (!dialog_) dialog_ = std::make_unique<CSisCalEmgDialog>(0, context(), kTitle);
    test::UiDriver driver(turn);
    const uint32_t ticket = context().actionSerial;
    const int32_t result = dialog_->DoModal();
    if (result == IDOK) PublishEdits(context(), ticket, dialog_->edited());
    return result;
  }
  /// The model as if opened on `tables`.
  static void Load(DialogTables& t, const std::array<WordTable, kConfigTableCount>& tables) {
    t.tables = tables;
    t.engine = DecodeEngineTable(tables[kEngineTable]);
    t.sync = DecodeSyncTable(tables[kSyncTable]);
  }
  /// Changes the dialog's tables and fills the pages again, so that they show, and save,
  /// what the tables now hold: as if the user had chosen it.
  void Edit(const std::function<void(DialogTables&)>& edit) {
    edit(dialog_->tables());
    dialog_->enginePage()->FillPage();
    dialog_->banksPage()->FillPage();
    dialog_->phasesPage()->FillPage();
    dialog_->ignitionPage()->FillPage();
    dialog_->injectionPage()->FillPage();
  }
  Hwnd DialogWindow() const { return dialog_->GetSafeHwnd(); }
  VantelUiWindow Control(int32_t id) const { return VantelUiGetControl(DialogWindow(), id); }
  std::vector<Hwnd> Pages() const { return test::PageWindows(*dialog_); }
  std::vector<int32_t> Scroll() const {
    int32_t info[4];
    EXPECT_EQ(VantelUiGetScroll(DialogWindow(), info), 0);
    return {info[0], info[1], info[2], info[3]};
  }
  /// Top of a window in the dialog's client area.
  int ClientTop(Hwnd window) const {
    return ScreenToClient(DialogWindow(), GetWindowRect(window)).top;
  }
  /// Wholly inside the client area: a user sees all of it.
  bool InView(Hwnd window) const {
    const Rect r = ScreenToClient(DialogWindow(), GetWindowRect(window));
    const Rect client = GetClientRect(DialogWindow());
    return r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom;
  }
  /// Items a REQ_ITEM_WRITE was asked for, in order, failed ones included.
  Strings WriteRequests() const { return host_.RequestedItems(REQ_ITEM_WRITE); }
  Strings ReportRows() { return test::ReportRows(context()); }

  /// Presses OK; a dialog the rules keep open fails the test with its report, and is
  /// cancelled.
  void PressOkExpectingItCloses(VantelUiWindow modal) {
    VantelUiPressOk(modal);
    if (VantelUiIsVisible(modal) != 1) return;
    ADD_FAILURE() << "OK refused: " << testing::PrintToString(ReportRows());
    VantelUiPressCancel(modal);
  }
  test::FakeHost host_;
  test::HostedContext hosted_{host_};
  test::Config loaded_;
  std::unique_ptr<CSisCalEmgDialog> dialog_;
};

TEST_F(CalEmgDialogTest, OpensWithTheFivePagesOnThePlaceholderAndTabsSwitchThem) {
  dialog_ = std::make_unique<CSisCalEmgDialog>(0, context(), kTitle);
  EXPECT_EQ(dialog_->tables().Encode(), loaded_.tables);
  EXPECT_EQ(dialog_->edited(), loaded_.tables);
  EXPECT_EQ(dialog_->tables().capTables.InjectionCaps, loaded_.caps.InjectionCaps);
  EXPECT_EQ(dialog_->tables().injectionChannelCount, Word(loaded_.caps.InjectionCaps, 3));
  EXPECT_EQ(dialog_->currentPage(), -1);

  constexpr uint32_t kNotes[] = {IDS_NOTE_ENGINE_PAGE, IDS_NOTE_BANKS_PAGE, IDS_NOTE_PHASES_PAGE,
                                 IDS_NOTE_IGNITION_PAGE, IDS_NOTE_INJECTION_PAGE};
  constexpr uint32_t kTemplates[] = {IDD_ENGINE_PAGE, IDD_BANKS_PAGE, IDD_PHASES_PAGE,
                                     IDD_IGNITION_PAGE, IDD_INJECTION_PAGE};
  // One of each per page: a page added without them does not compile.
  static_assert(std::size(kNotes) == CSisCalEmgDialog::kPageCount);
  static_assert(std::size(kTemplates) == CSisCalEmgDialog::kPageCount);
  // Which page each tab click leaves shown; the current tab sends nothing.
  const int kClicks[] = {0, 1, 2, 3, 4, 2, 0};
  const int32_t result = Run([&](VantelUiWindow modal) {
    EXPECT_EQ(UiText(modal), kTitle);
    const VantelUiWindow tabs = Control(IDC_MAIN_TABS);
    EXPECT_EQ(UiItems(tabs), (Strings{LoadString(IDS_TAB_ENGINE), LoadString(IDS_TAB_BANKS),
                                      LoadString(IDS_TAB_PHASES), LoadString(IDS_TAB_IGNITION),
                                      LoadString(IDS_TAB_INJECTION)}));
    int32_t place[4];
    VantelUiGetRect(Control(IDC_MAIN_PAGE_PLACE), place);
    // Covered by the pages, which are transparent: its text would show through them.
    EXPECT_EQ(VantelUiIsVisible(Control(IDC_MAIN_PAGE_PLACE)), 0);
    EXPECT_EQ(test::UiSvg(modal).find(">Function placement<"), std::string::npos);
    const std::vector<Hwnd> pages = Pages();
    for (size_t i = 0; i < pages.size(); ++i) {
      const Window* page = GetWindow(pages[i]);
      if (!page) {
        ADD_FAILURE() << "page " << i << " has no window";
        continue;
      }
      EXPECT_EQ(page->parent, modal) << i;
      EXPECT_EQ(page->templateId, kTemplates[i]) << i;
      if (i > 0) {
        EXPECT_GT(pages[i], pages[i - 1]) << "created in tab order";
      }
      int32_t rect[4];
      VantelUiGetRect(pages[i], rect);
      EXPECT_EQ(std::vector<int32_t>(rect, rect + 4), std::vector<int32_t>(place, place + 4)) << i;
    }
    for (int tab : kClicks) {
      EXPECT_EQ(VantelUiSelectTab(tabs, tab), 1) << tab;
      EXPECT_EQ(VantelUiGetSelection(tabs), tab);
      EXPECT_EQ(dialog_->currentPage(), tab);
      for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(VantelUiIsVisible(pages[i]), static_cast<int>(i) == tab ? 1 : 0)
            << "tab " << tab << " page " << i;
      }
      EXPECT_EQ(UiText(Control(IDC_MAIN_NOTE_TEXT)), LoadString(kNotes[tab])) << tab;
    }
    VantelUiPressCancel(modal);
    return 1;
  });
  EXPECT_EQ(result, IDCANCEL);
}

TEST_F(CalEmgDialogTest, AValueThePageRefusesKeepsThePageForTabsAndOk) {
  test::MessageBoxes boxes;
  UiLogCapture log;
  constexpr int kEngineTab = CSisCalEmgDialog::kEnginePage;
  constexpr int kBanksTab = CSisCalEmgDialog::kBanksPage;
  constexpr int kPhasesTab = CSisCalEmgDialog::kPhasesPage;
  const int32_t result = Run([&](VantelUiWindow modal) {
    if (modal != DialogWindow()) {  // the page's message
      VantelUiPressOk(modal);
      return 1;
    }
    const VantelUiWindow tabControl = Control(IDC_MAIN_TABS);
    EXPECT_EQ(VantelUiSelectTab(tabControl, kBanksTab), 1);
    EXPECT_EQ(VantelUiClick(Control(IDC_BANKS_SPECIFIC_ANGLES)), 1);
    // The second cylinder after the third: the page refuses decreasing angles.
    EXPECT_EQ(VantelUiSetEditText(Control(IDC_CYLINDER_ANGLES[1]), "500"), 1);
    for (int tab : {kPhasesTab, kEngineTab}) {
      EXPECT_EQ(VantelUiSelectTab(tabControl, tab), 0) << tab;
      EXPECT_EQ(VantelUiGetSelection(tabControl), kBanksTab);
      EXPECT_EQ(dialog_->currentPage(), kBanksTab);
      EXPECT_EQ(VantelUiIsVisible(dialog_->banksPage()->GetSafeHwnd()), 1);
    }
    EXPECT_EQ(VantelUiPressOk(modal), 1);
    EXPECT_EQ(VantelUiIsVisible(modal), 1) << "OK refused with the page";
    EXPECT_EQ(VantelUiSetEditText(Control(IDC_CYLINDER_ANGLES[1]), "180"), 1);
    EXPECT_EQ(VantelUiSelectTab(tabControl, kPhasesTab), 1);
    EXPECT_EQ(dialog_->currentPage(), kPhasesTab);
    VantelUiPressCancel(modal);
    return 1;
  });
  EXPECT_EQ(result, IDCANCEL);
  const std::string refused = LoadString(IDS_PAGE_ANGLES_DECREASE);
  ASSERT_EQ(boxes.shown.size(), 3u);
  for (const auto& shown : boxes.shown) {
    EXPECT_EQ(shown.text, refused);
    EXPECT_EQ(shown.type, MB_OK | MB_ICONERROR);
  }
  EXPECT_EQ(host_.Count(REQ_ITEM_WRITE), 0u);
  for (const std::string& line : log.Lines()) {
    EXPECT_EQ(line.find("\"event\":\"report\""), std::string::npos) << "the rules ran: " << line;
  }
}

TEST_F(CalEmgDialogTest, OnASmallScreenItOpensThreeQuartersHighAndScrollsToItsButtons) {
  VantelUiSetScreenSize(1280, 600);
  const int view = 450 - kFrameHeight;  // 411 of the 834 pixels of content
  const int last = kContentHeight - view;
  struct Step {
    int32_t request, position, scrolled;
  };
  const Step kSteps[] = {
      {SB_LINEDOWN, 0, 10},         {SB_LINEDOWN, 0, 20},        {SB_LINEUP, 0, 10},
      {SB_PAGEDOWN, 0, 10 + view},  {SB_PAGEDOWN, 0, last},      {SB_LINEDOWN, 0, last},
      {SB_PAGEUP, 0, last - view},  {SB_LINEUP, 0, 2},           {SB_LINEUP, 0, 0},
      {SB_THUMBTRACK, 200, 200},    {SB_THUMBPOSITION, 50, 200}, {SB_TOP, 0, 200},
      {SB_BOTTOM, 0, 200},          {SB_ENDSCROLL, 0, 200},      {SB_THUMBTRACK, -40, 0},
      {SB_THUMBTRACK, 10000, last},
  };
  Run([&](VantelUiWindow modal) {
    int32_t rect[4];
    VantelUiGetRect(modal, rect);
    EXPECT_EQ(rect[2] - rect[0], kTemplateWidth);
    EXPECT_EQ(rect[3] - rect[1], 450);
    EXPECT_EQ(Scroll(), (std::vector<int32_t>{0, kContentHeight - 1, view, 0}));
    EXPECT_FALSE(InView(Control(IDOK)));
    EXPECT_FALSE(InView(Control(IDCANCEL)));

    const Hwnd page = dialog_->enginePage()->GetSafeHwnd();
    const int okTop = ClientTop(Control(IDOK));
    const int pageTop = ClientTop(page);
    for (const Step& s : kSteps) {
      EXPECT_EQ(VantelUiScroll(modal, s.request, s.position), 1);
      EXPECT_EQ(Scroll()[3], s.scrolled) << s.request << " " << s.position;
      EXPECT_EQ(ClientTop(Control(IDOK)), okTop - s.scrolled) << s.request;
      EXPECT_EQ(ClientTop(page), pageTop - s.scrolled) << s.request;
    }
    EXPECT_TRUE(InView(Control(IDOK)));
    EXPECT_TRUE(InView(Control(IDCANCEL)));

    // Taller, the view needs less scrolling: the position comes down and the content with it.
    VantelUiResize(modal, WMSZ_BOTTOM, kTemplateWidth, 600);
    const int taller = 600 - kFrameHeight;
    EXPECT_EQ(Scroll(),
              (std::vector<int32_t>{0, kContentHeight - 1, taller, kContentHeight - taller}));
    EXPECT_EQ(ClientTop(Control(IDOK)), okTop - (kContentHeight - taller));
    EXPECT_TRUE(InView(Control(IDOK)));
    VantelUiPressCancel(modal);
    return 1;
  });
}

TEST_F(CalEmgDialogTest, NoEdgeWidensItOrMakesItTallerThanItsTemplate) {
  struct Screen {
    int height;
    int opened;  // the window's height
    int grown;   // after dragging a top or bottom edge 300 pixels out
  };
  // On 600 pixels the drag stops at the screen; on 1400 the dialog opens whole.
  for (const Screen& screen :
       {Screen{600, 450, 616}, Screen{1400, kTemplateHeight, kTemplateHeight}}) {
    VantelUiSetScreenSize(1280, screen.height);
    dialog_.reset();
    Run([&](VantelUiWindow modal) {
      for (int32_t edge = WMSZ_LEFT; edge <= WMSZ_BOTTOMRIGHT; ++edge) {
        const bool vertical = edge != WMSZ_LEFT && edge != WMSZ_RIGHT;
        VantelUiResize(modal, WMSZ_BOTTOM, kTemplateWidth, screen.opened);
        EXPECT_EQ(VantelUiResize(modal, edge, kTemplateWidth + 120, screen.opened + 300), 1);
        int32_t rect[4];
        VantelUiGetRect(modal, rect);
        const int height = vertical ? screen.grown : screen.opened;
        EXPECT_EQ(rect[2] - rect[0], kTemplateWidth) << screen.height << " edge " << edge;
        EXPECT_EQ(rect[3] - rect[1], height) << screen.height << " edge " << edge;
        EXPECT_EQ(Scroll()[2], height < kTemplateHeight ? height - kFrameHeight : 0)
            << screen.height << " edge " << edge;
      }
      if (screen.opened == kTemplateHeight) {
        // Whole, with nothing to scroll: scroll requests move nothing.
        const int okTop = ClientTop(Control(IDOK));
        for (int32_t request : {SB_LINEDOWN, SB_PAGEDOWN}) VantelUiScroll(modal, request, 0);
        VantelUiScroll(modal, SB_THUMBTRACK, 100);
        EXPECT_EQ(ClientTop(Control(IDOK)), okTop);
        EXPECT_EQ(Scroll(), (std::vector<int32_t>{0, 0, 0, 0}));
      }
      VantelUiPressCancel(modal);
      return 1;
    });
  }
}

TEST_F(CalEmgDialogTest, OkClosesOnlyWhenTheRulesAllowAndWritesTheChangedTablesInOrder) {
  struct Case {
    const char* name;
    std::function<void(DialogTables&)> edit;
    bool closes;
    Strings written;
    int32_t tablesDone;
    Strings report;
  };
  const std::vector<Case> cases{
      {"unchanged", [](DialogTables&) {}, true, {}, 0x3F, {"<hidden>"}},
      {"engine record only",
       [](DialogTables& t) { t.engine.ignitionDelayUs = 50; },
       true,
       {kEngine},
       kDoneSyncTable | kDoneToothWindowTable | kDoneToothAngleTable | kDoneToothPositionTable |
           kDoneRegularToothTable,
       {"<hidden>"}},
      {"every table",
       [](DialogTables& t) { Load(t, OtherEngine().tables); },
       true,
       {kSync, kWindow, kAngle, kPosition, kRegular, kEngine},
       0,
       {"<hidden>"}},
      {"a map scale message alone",
       [](DialogTables& t) { t.engine.injection = kDirectTwoRails; },
       true,
       {kEngine},
       0x3F & ~kDoneEngineTable,
       {test::messages::NoScaleChosen(2)}},
      {"a failing engine rule",
       [](DialogTables& t) { t.engine.angles[0] = 0x4001; },
       false,
       {},
       0,
       {LoadString(IDS_CYLINDER_ANGLES_DECREASE), LoadString(IDS_FIRST_CYLINDER_NOT_AT_ZERO)}},
  };
  for (const Case& c : cases) {
    host_.ClearLog();
    context().tablesDone = 0;
    context().deferChecks = 1;
    FillReport(context().report.get(), "");
    dialog_.reset();
    bool stayedOpen = false;
    Strings shownWhileOpen;
    int turns = 0;
    const int32_t result = Run([&](VantelUiWindow modal) {
      if (++turns > 1) {
        stayedOpen = true;
        VantelUiPressCancel(modal);
        return 1;
      }
      Edit(c.edit);
      EXPECT_EQ(VantelUiPressOk(modal), 1);
      shownWhileOpen = ReportRows();
      return 1;
    });
    EXPECT_EQ(result, c.closes ? IDOK : IDCANCEL) << c.name;
    EXPECT_EQ(stayedOpen, !c.closes) << c.name;
    EXPECT_EQ(WriteRequests(), c.written) << c.name;
    for (int t = 0; t < kConfigTableCount; ++t) {
      const std::string item = test::kSampleTableNames[t];
      if (const auto written = host_.Written(item)) {
        EXPECT_EQ(*written, dialog_->edited()[static_cast<size_t>(t)]) << item;
      }
    }
    EXPECT_EQ(context().tablesDone, c.tablesDone) << c.name;
    EXPECT_EQ(context().deferChecks, c.closes ? 0 : 1) << c.name;
    EXPECT_EQ(shownWhileOpen, c.report) << c.name;
    EXPECT_EQ(context().tables, loaded_.tables) << c.name << ": the dialog edits its copies";
  }
}

TEST_F(CalEmgDialogTest, EveryWayOfEndingEndsAsItsButton) {
  struct Case {
    const char* name;
    std::function<int32_t(VantelUiWindow)> end;
    bool actionRunning;
    int32_t result;
    Strings written;
    int32_t tablesDone;  // from 0
  };
  auto ok = [this](VantelUiWindow) { return VantelUiClick(Control(IDOK)); };
  const std::vector<Case> cases{
      {"OK button", ok, true, IDOK, {kEngine}, 0x1F},
      {"Enter",
       [](VantelUiWindow modal) { return VantelUiPressOk(modal); },
       true,
       IDOK,
       {kEngine},
       0x1F},
      {"OK outside an action", ok, false, IDOK, {}, 0},
      {"Cancel button",
       [this](VantelUiWindow) { return VantelUiClick(Control(IDCANCEL)); },
       true,
       IDCANCEL,
       {},
       0},
      {"Escape or the close box",
       [](VantelUiWindow modal) { return VantelUiPressCancel(modal); },
       true,
       IDCANCEL,
       {},
       0},
  };
  for (const Case& c : cases) {
    host_.ClearLog();
    context().Opened();
    context().SetActionRunning(c.actionRunning);
    context().tablesDone = 0;
    context().deferChecks = 1;
    dialog_.reset();
    UiLogCapture log;
    int turns = 0;
    const int32_t result = Run([&](VantelUiWindow modal) {
      if (++turns > 1) {
        ADD_FAILURE() << c.name << " left the dialog open";
        return 0;
      }
      Edit([](DialogTables& t) { t.engine.ignitionDelayUs = 50; });
      EXPECT_EQ(c.end(modal), 1) << c.name;
      return 1;
    });
    EXPECT_EQ(result, c.result) << c.name;
    EXPECT_EQ(WriteRequests(), c.written) << c.name;
    // Cancel runs no rules (no report filled); only a write-back ends the deferred checks.
    bool reportFilled = false;
    for (const std::string& line : log.Lines()) {
      reportFilled = reportFilled || line.find("\"event\":\"report\"") != std::string::npos;
    }
    EXPECT_EQ(reportFilled, c.result == IDOK) << c.name;
    EXPECT_EQ(context().tablesDone, c.tablesDone) << c.name;
    EXPECT_EQ(context().deferChecks, c.written.empty() ? 1 : 0) << c.name;
  }
}

TEST_F(CalEmgDialogTest, AHostErrorIsShownAndTheWritesGoOnWhileTheActionRuns) {
  enum class InTheBox { kNothing, kActionEnded, kOtherActionStarted };
  struct Case {
    const char* name;
    InTheBox inTheBox;
    Strings requested;
  };
  const std::vector<Case> cases{
      {"the next table is still written",
       InTheBox::kNothing,
       {kSync, kWindow, kAngle, kPosition, kRegular, kEngine}},
      {"the action ended from the box", InTheBox::kActionEnded, {kSync, kWindow, kAngle}},
      {"another action started from the box",
       InTheBox::kOtherActionStarted,
       {kSync, kWindow, kAngle}},
  };
  const std::string error = "M12\n" + LoadString(HostErrorMessageId(HOST_TRANSFER_ERROR));
  for (const Case& c : cases) {
    host_.ClearLog();
    host_.Fail(REQ_ITEM_WRITE, kAngle, HOST_TRANSFER_ERROR, 1);
    context().Opened();
    context().SetActionRunning(true);
    context().actionKey = kActionKey;
    context().deferChecks = 1;
    dialog_.reset();
    test::MessageBoxes boxes;
    const int32_t result = Run([&](VantelUiWindow modal) {
      if (modal != DialogWindow()) {  // the host error's box
        if (c.inTheBox == InTheBox::kActionEnded) {
          context().SetActionRunning(false);
          context().actionKey.clear();
          context().deferChecks = 0;
        }
        if (c.inTheBox == InTheBox::kOtherActionStarted) {
          context().actionKey = "EMG_OTHER";
          ++context().actionSerial;  // as every start does
        }
        VantelUiPressOk(modal);
        return 1;
      }
      Edit([](DialogTables& t) { Load(t, OtherEngine().tables); });
      VantelUiPressOk(modal);
      return 1;
    });
    EXPECT_EQ(result, IDOK) << c.name;
    EXPECT_EQ(boxes.Texts(), Strings{error}) << c.name;
    EXPECT_EQ(WriteRequests(), c.requested) << c.name;
    EXPECT_FALSE(host_.Written(kAngle)) << c.name;
    EXPECT_EQ(context().tablesDone, 0) << c.name;
    EXPECT_EQ(context().deferChecks, c.inTheBox == InTheBox::kOtherActionStarted ? 1 : 0) << c.name;
  }
}

// The help topic of each control of the pages, as the product has always shown it: the
// reference the templates' help ids are held to. Every other control has none.
struct HelpTopic {
  uint32_t text;
  std::vector<int32_t> ids;
};
const std::vector<HelpTopic> kHelpTopics{
    {IDS_HELP_IGNITION_TYPE, {1107, 1108, 1109, 1110}},
    {IDS_HELP_INJECTION_RAILS, {1101, 1102, 1103, 1104}},
    {IDS_HELP_INJECTION_TYPE, {1097, 1098, 1099, 1100}},
    {IDS_HELP_PEAK_AND_HOLD, {1105, 1106, 1116, 1117}},
    {IDS_HELP_MAIN_PHASE, {1066, 1067, 1068, 1072, 1076, 1080, 1084, 1088, 1092}},
    {IDS_HELP_AUX_PHASES, {1069, 1070, 1071, 1073, 1074, 1075, 1077, 1078, 1079, 1081, 1082,
                           1083, 1085, 1086, 1087, 1089, 1090, 1091, 1093, 1094, 1095}},
    {IDS_HELP_IGNITION_DELAY, {1113, 1114, 1115}},
    {IDS_HELP_FLYWHEEL, {1050, 1051, 1052, 1053, 1054, 1056, 1057, 1058, 1059, 1060}},
    {IDS_HELP_CYLINDERS_NUMBER, {1064, 1163, 1188}},
    {IDS_HELP_SYNC_RPM, {1186, 1189, 1190}},
    {IDS_HELP_CYLINDER_BANK,
     {1127, 1128, 1129, 1130, 1131, 1132, 1133, 1134, 1135, 1136, 1137, 1138,
      1139, 1140, 1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149, 1150}},
    {IDS_HELP_CYLINDER_ANGLES,
     {1055, 1063, 1187, 1152, 1154, 1156, 1158, 1160, 1162, 1165, 1167, 1169, 1171, 1173, 1175}},
};

uint32_t ReferenceHelp(int32_t id) {
  for (const HelpTopic& topic : kHelpTopics) {
    if (std::find(topic.ids.begin(), topic.ids.end(), id) != topic.ids.end()) return topic.text;
  }
  return 0;
}

// Every control of the dialog and of its pages, each with its page (-1: the dialog's own) and
// topic; F1 on each that a user can reach shows its topic's text, or nothing.
TEST_F(CalEmgDialogTest, HelpShowsTheTopicEachControlCarriesAndEverySettingHasOne) {
  const std::set<std::string> kSettingKinds = {"radio button", "check box", "combo box", "edit"};
  Run([&](VantelUiWindow modal) {
    const std::vector<Hwnd> pages = Pages();
    struct Found {
      VantelUiWindow handle;
      int page;
    };
    std::vector<Found> controls;
    for (int32_t i = 0; VantelUiWindow child = VantelUiGetChild(modal, i); ++i) {
      if (std::find(pages.begin(), pages.end(), child) == pages.end()) {
        controls.push_back({child, -1});
      }
    }
    for (size_t page = 0; page < pages.size(); ++page) {
      for (int32_t i = 0; VantelUiWindow child = VantelUiGetChild(pages[page], i); ++i) {
        controls.push_back({child, static_cast<int>(page)});
      }
    }

    UiLogCapture log;
    std::set<int32_t> seen;
    std::map<uint32_t, int> shownPerTopic;
    size_t shown = 0;
    for (const Found& c : controls) {
      const int32_t id = VantelUiGetId(c.handle);
      const uint32_t topic = GetWindow(c.handle)->help;
      seen.insert(id);
      EXPECT_EQ(topic, ReferenceHelp(id)) << id;
      if (c.page >= 0 && kSettingKinds.count(UiKind(c.handle))) {
        EXPECT_NE(topic, 0u) << "setting " << id << " has no help";
      }
      if (c.page >= 0) VantelUiSelectTab(Control(IDC_MAIN_TABS), c.page);  // as a user must
      if (!IsReachable(c.handle)) continue;  // a page may disable what does not apply
      const VantelUiWindow popup = VantelUiAskHelp(c.handle);
      if (ReferenceHelp(id) == 0) {
        EXPECT_EQ(popup, 0u) << id;
        continue;
      }
      EXPECT_NE(popup, 0u) << id;
      if (popup == 0) continue;
      ++shown;
      ++shownPerTopic[ReferenceHelp(id)];
      EXPECT_EQ(UiText(popup), LoadString(ReferenceHelp(id))) << id;
      // At the mouse, which the driver put on the control's middle.
      const Rect at = GetWindowRect(c.handle);
      const Rect where = GetWindowRect(popup);
      EXPECT_EQ(where.left, (at.left + at.right) / 2) << id;
      EXPECT_EQ(where.top, (at.top + at.bottom) / 2) << id;
    }
    // Only a shown pop-up is logged; each topic was shown at least once.
    EXPECT_EQ(log.Lines().size(), shown);
    for (const HelpTopic& topic : kHelpTopics) {
      EXPECT_GT(shownPerTopic[topic.text], 0) << LoadString(topic.text);
      for (int32_t id : topic.ids) EXPECT_TRUE(seen.count(id)) << id << " is not a control";
    }
    // The dialog's own controls and the cylinder rows' labels were among those without help.
    for (int32_t id : {IDOK, IDCANCEL, IDC_MAIN_TABS, IDC_MAIN_NOTE_TEXT, IDC_MAIN_NOTE_GROUP,
                       IDC_CYLINDER_LABELS[0]}) {
      EXPECT_TRUE(seen.count(id)) << id;
    }
    VantelUiPressCancel(modal);
    return 1;
  });
}

TEST_F(CalEmgDialogTest, AMissingPageCancelsWithItsMessage) {
  const uint32_t kTemplates[] = {IDD_ENGINE_PAGE, IDD_BANKS_PAGE, IDD_PHASES_PAGE,
                                 IDD_IGNITION_PAGE, IDD_INJECTION_PAGE};
  for (size_t missing = 0; missing < std::size(kTemplates); ++missing) {
    // A top-level template under the page's id: the page cannot be laid on the dialog.
    const DialogTemplate broken{
        kTemplates[missing], "", layout::kPageWidth, layout::kPageHeight, WS_POPUP, nullptr, 0};
    const DialogTemplate* const templates[] = {&broken};
    const ResourceModule module{"broken page", nullptr, 0, templates, 1};
    ModuleState state{&module, nullptr};
    ModuleStateGuard guard(state);
    test::MessageBoxes boxes;
    dialog_.reset();
    int dialogTurns = 0;
    const int32_t result = Run([&](VantelUiWindow modal) {
      if (modal == DialogWindow()) {
        ++dialogTurns;
        return 0;
      }
      VantelUiPressOk(modal);
      return 1;
    });
    EXPECT_EQ(result, IDCANCEL) << missing;
    EXPECT_EQ(dialogTurns, 0) << missing;
    ASSERT_EQ(boxes.shown.size(), 1u) << missing;
    EXPECT_EQ(boxes.shown[0].text, LoadString(IDS_PAGES_NOT_CREATED));
    EXPECT_EQ(boxes.shown[0].type, MB_OK | MB_ICONERROR);
    const CSisCalPage* pages[] = {dialog_->enginePage(), dialog_->banksPage(),
                                  dialog_->phasesPage(), dialog_->ignitionPage(),
                                  dialog_->injectionPage()};
    for (size_t i = 0; i < std::size(pages); ++i) {
      EXPECT_EQ(pages[i] == nullptr, i == missing) << missing << " page " << i;
    }
  }
}

TEST_F(CalEmgDialogTest, OkAfterAHostCallFromInsideItsLoopUsesNothingStale) {
  enum class When { kFromTheLoop, kWhileTheRulesAskTheHost };
  enum class What { kClose, kCloseAndReopen, kEndAction };
  struct Case {
    const char* name;
    When when;
    What what;
    uint16_t injectionWord;  // two rails make the rules ask the host about the rail map
    uint16_t firstAngle;     // not 0: an engine rule fails
    int32_t result;
    Strings written;
    Strings report;
  };
  const uint16_t oneRail = Word(loaded_.engine(), kEngineInjectionWord);
  const std::vector<Case> cases{
      {"closed, rules pass",
       When::kFromTheLoop,
       What::kClose,
       oneRail,
       0,
       IDOK,
       {kEngine},
       {"<no report>"}},
      {"closed, a rule fails",
       When::kFromTheLoop,
       What::kClose,
       oneRail,
       0x4001,
       IDCANCEL,
       {},
       {"<no report>"}},
      {"closed and reopened, a rule fails",
       When::kFromTheLoop,
       What::kCloseAndReopen,
       oneRail,
       0x4001,
       IDCANCEL,
       {},
       {LoadString(IDS_CYLINDER_ANGLES_DECREASE), LoadString(IDS_FIRST_CYLINDER_NOT_AT_ZERO)}},
      {"closed during the rules",
       When::kWhileTheRulesAskTheHost,
       What::kClose,
       kDirectTwoRails,
       0,
       IDOK,
       {kEngine},
       {"<no report>"}},
      {"closed and reopened during the rules",
       When::kWhileTheRulesAskTheHost,
       What::kCloseAndReopen,
       kDirectTwoRails,
       0,
       IDOK,
       {kEngine},
       {test::messages::NoScaleChosen(2)}},
      {"action ended during the rules",
       When::kWhileTheRulesAskTheHost,
       What::kEndAction,
       kDirectTwoRails,
       0,
       IDCANCEL,
       {},
       {test::messages::NoScaleChosen(2)}},
  };
  for (const Case& c : cases) {
    host_.ClearLog();
    context().Opened();
    context().SetActionRunning(true);
    context().actionKey = kActionKey;
    if (!context().report) context().report = CreateReport(context(), GetMachineName(context()));
    dialog_.reset();
    auto hostCall = [&] {
      switch (c.what) {
        case What::kClose:
        case What::kCloseAndReopen:
          context().SetOpen(false);
          context().report.reset();
          context().groups.clear();
          context().scaleEntries.clear();
          if (c.what == What::kClose) return;
          context().SetOpen(true);
          context().report = CreateReport(context(), GetMachineName(context()));
          return;
        case What::kEndAction:
          context().SetActionRunning(false);
          context().actionKey.clear();
          if (CSisCalEmgDialog* running = dialog_.get()) running->EndDialog(IDCANCEL);
          return;
      }
    };
    bool called = false;
    if (c.when == When::kWhileTheRulesAskTheHost) {
      host_.onRequest = [&](const test::RequestRecord& request) {
        if (request.code != REQ_ITEM_NAME || called) return;
        called = true;
        hostCall();
      };
    }
    int turns = 0;
    const int32_t result = Run([&](VantelUiWindow modal) {
      if (++turns > 1) {  // still open after OK
        VantelUiPressCancel(modal);
        return 1;
      }
      if (c.when == When::kFromTheLoop) {
        called = true;
        hostCall();
      }
      Edit([&c](DialogTables& t) {
        t.engine.ignitionDelayUs = 50;
        t.engine.injection = c.injectionWord;
        t.engine.angles[0] = c.firstAngle;
      });
      VantelUiPressOk(modal);
      return 1;
    });
    host_.onRequest = nullptr;
    EXPECT_TRUE(called) << c.name;
    EXPECT_EQ(result, c.result) << c.name;
    EXPECT_EQ(WriteRequests(), c.written) << c.name;
    EXPECT_EQ(ReportRows(), c.report) << c.name;
  }
}

}  // namespace
}  // namespace vantel

namespace vantel {
namespace {

// The pages together: a save of the Engine page refills the Ignition page for the new number
// of cylinders and re-encodes the phases for the new flywheel.
TEST_F(CalEmgDialogTest, TheEnginePageCarriesTheIgnitionAndThePhasesWithIt) {
  dialog_ = std::make_unique<CSisCalEmgDialog>(0, context(), kTitle);
  const int32_t result = Run([&](VantelUiWindow modal) {
    // Twin spark on 4 cylinders: allowed, and the ignition leaves the shared outputs free.
    Edit([](DialogTables& t) { t.engine.ignitionType = kIgnitionTwinSpark; });
    EXPECT_EQ(VantelUiIsChecked(Control(IDC_IGNITION_TWIN_SPARK)), 1);
    EXPECT_EQ(dialog_->tables().injectionChannelCount, 4);

    // 12 cylinders: twin spark needs more channels, and static takes the shared outputs.
    if (!test::ChooseEntry(Control(IDC_ENGINE_CYLINDERS), "12")) {
      ADD_FAILURE() << "12 cylinders not offered";
      return 0;
    }
    EXPECT_EQ(VantelUiSelectTab(Control(IDC_MAIN_TABS), CSisCalEmgDialog::kIgnitionPage), 1);
    EXPECT_EQ(VantelUiIsEnabled(Control(IDC_IGNITION_TWIN_SPARK)), 0);
    EXPECT_EQ(VantelUiIsChecked(Control(IDC_IGNITION_STATIC)), 1);
    EXPECT_EQ(dialog_->tables().injectionChannelCount, 2);

    // Another flywheel, 10-2: the phase words follow, word 12 "on marks state" being the
    // 8 actual teeth.
    EXPECT_EQ(VantelUiSelectTab(Control(IDC_MAIN_TABS), CSisCalEmgDialog::kEnginePage), 1);
    const VantelUiWindow teeth = Control(IDC_FLYWHEEL_TEETH);
    EXPECT_EQ(UiItems(teeth).front(), "08");
    VantelUiSelectComboItem(teeth, 0);
    EXPECT_EQ(VantelUiSelectTab(Control(IDC_MAIN_TABS), CSisCalEmgDialog::kPhasesPage), 1);
    const WordTable sync = dialog_->tables().Encode()[kSyncTable];
    EXPECT_EQ(Word(sync, kSyncFlywheelWord), test::FlywheelWord(8, 10));
    EXPECT_EQ(Word(sync, kSyncMarkToothWord), 8);
    VantelUiPressCancel(modal);
    return 1;
  });
  EXPECT_EQ(result, IDCANCEL);
}

// Fewer cylinders put every cylinder on bank 1, whichever tabs the user visits before OK: a
// bank 2 mark of a cylinder the Cylinders banks page no longer shows is never stored.
TEST_F(CalEmgDialogTest, FewerCylindersPutEveryCylinderOnBank1WhicheverTabsAreVisited) {
  struct Case {
    const char* what;
    std::vector<int> before;  // tabs visited before choosing 6 cylinders on the Engine page
    std::vector<int> after;   // and after it, the last one current at OK
  };
  constexpr int kBanksTab = CSisCalEmgDialog::kBanksPage;
  constexpr int kPhasesTab = CSisCalEmgDialog::kPhasesPage;
  const Case cases[] = {
      {"banks page after", {}, {kBanksTab}},
      {"banks page before and after", {kBanksTab, 0}, {kBanksTab}},
      {"banks page before only", {kBanksTab, 0}, {kPhasesTab}},
      {"never the banks page", {}, {kPhasesTab}},
      {"ok on the engine page", {kBanksTab, 0}, {kBanksTab, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Eight cylinders, the even ones on bank 2; an ignition channel for each.
    ConfigBuilder()
        .Cylinders(8)
        .Banks(0xAA)
        .IgnitionCaps(0x7, 12, 4, 12, 100)
        .InjectionCaps(0xC1FF, 12, 12)
        .RailMaps({kMapId})
        .Build()
        .ApplyTo(context());
    dialog_ = std::make_unique<CSisCalEmgDialog>(0, context(), kTitle);
    const int32_t result = Run([&](VantelUiWindow modal) {
      const VantelUiWindow tabs = Control(IDC_MAIN_TABS);
      for (int tab : c.before) EXPECT_EQ(VantelUiSelectTab(tabs, tab), 1);
      EXPECT_TRUE(test::ChooseEntry(Control(IDC_ENGINE_CYLINDERS), "06"));
      for (int tab : c.after) EXPECT_EQ(VantelUiSelectTab(tabs, tab), 1);
      if (c.after.back() == kBanksTab) {
        for (size_t row = 0; row < kBankRows; ++row) {
          EXPECT_EQ(VantelUiIsChecked(Control(IDC_CYLINDER_BANK2[row])), 0) << row;
        }
      }
      PressOkExpectingItCloses(modal);
      return 1;
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Word(dialog_->edited()[kEngineTable], kEngineCylindersWord), 6);
    EXPECT_EQ(Word(dialog_->edited()[kEngineTable], kEngineBanksWord), 0);
  }
}

// OK stores what the user typed and nothing else: an angle shown rounded to tenths keeps its
// word unless its text was edited, and a comma is a decimal mark.
TEST_F(CalEmgDialogTest, AnAngleTheUserDidNotEditKeepsItsStoredWord) {
  struct Case {
    const char* what;
    std::vector<std::pair<size_t, const char*>> typed;  // row, text
    std::vector<uint16_t> stored;
  };
  // 8243 shows as 90.60, which read back would be 8246.
  const std::vector<uint16_t> loaded = {0, 8243, 16384, 24576};
  const Case cases[] = {
      {"nothing typed", {}, loaded},
      {"the shown text typed again", {{1, "90.60"}}, loaded},
      {"another row typed", {{2, "200"}}, {0, 8243, 18204, 24576}},
      {"a comma", {{1, "90,5"}}, {0, 8237, 16384, 24576}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ConfigBuilder().Cylinders(4).Angles(loaded).RailMaps({kMapId}).Build().ApplyTo(context());
    dialog_ = std::make_unique<CSisCalEmgDialog>(0, context(), kTitle);
    host_.ClearLog();
    const int32_t result = Run([&](VantelUiWindow modal) {
      EXPECT_EQ(VantelUiSelectTab(Control(IDC_MAIN_TABS), CSisCalEmgDialog::kBanksPage), 1);
      EXPECT_EQ(VantelUiIsChecked(Control(IDC_BANKS_SPECIFIC_ANGLES)), 1);
      EXPECT_EQ(UiText(Control(IDC_CYLINDER_ANGLES[1])), "90.60");
      for (const auto& [row, text] : c.typed) {
        EXPECT_EQ(VantelUiSetEditText(Control(IDC_CYLINDER_ANGLES[row]), text), 1);
      }
      PressOkExpectingItCloses(modal);
      return 1;
    });
    EXPECT_EQ(result, IDOK);
    const WordTable& engine = dialog_->edited()[kEngineTable];
    const std::vector<uint16_t> angles(engine.begin() + kEngineAngleWord,
                                       engine.begin() + kEngineAngleWord + 4);
    EXPECT_EQ(angles, c.stored);
    EXPECT_EQ(WriteRequests().empty(), c.stored == loaded);
  }
}

// A help pop-up goes with its dialog, however the dialog ends.
TEST_F(CalEmgDialogTest, AHelpPopUpEndsWithItsDialog) {
  enum class End { kOk, kCancel, kHostEndsTheAction, kDriverGivesUp };
  struct Case {
    const char* what;
    End end;
    int32_t result;
  };
  const Case cases[] = {
      {"OK", End::kOk, IDOK},
      {"Cancel", End::kCancel, IDCANCEL},
      {"the host ends the action", End::kHostEndsTheAction, IDCANCEL},
      {"the driver gives up", End::kDriverGivesUp, IDCANCEL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dialog_ = std::make_unique<CSisCalEmgDialog>(0, context(), kTitle);
    context().mainDialog = dialog_.get();
    bool asked = false;
    const int32_t result = Run([&](VantelUiWindow modal) {
      if (asked) return 0;  // the driver has nothing more to do
      asked = true;
      EXPECT_NE(VantelUiAskHelp(Control(IDC_ENGINE_CYLINDERS)), 0u);
      switch (c.end) {
        case End::kOk:
          VantelUiPressOk(modal);
          break;
        case End::kCancel:
          VantelUiPressCancel(modal);
          break;
        case End::kHostEndsTheAction:
          dialog_->EndDialog(IDCANCEL);  // what the host's end of the action does
          break;
        case End::kDriverGivesUp:
          return 0;
      }
      return 1;
    });
    context().mainDialog = nullptr;
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(CurrentHelpPopup(), 0u);
    for (Hwnd window : TopLevelWindows()) {
      EXPECT_NE(GetWindow(window)->className, "HelpPopup") << window;
    }
  }
}

}  // namespace
}  // namespace vantel

namespace vantel {
namespace {

// Enter and Escape pressed on a control of any page reach the dialog that holds the page:
// Enter is its OK (the rules, then the write-back), Escape its Cancel.
TEST_F(CalEmgDialogTest, EnterAndEscapeOnEveryPageAreTheDialogsOkAndCancel) {
  // A control of each page, in tab order.
  constexpr int32_t kControls[] = {IDC_ENGINE_CYLINDERS, IDC_BANKS_SPECIFIC_ANGLES,
                                   IDC_MAIN_PHASE_TYPE, IDC_IGNITION_STATIC,
                                   IDC_INJECTION_SEQUENTIAL};
  // A new page needs its control here: a shorter list would leave it untested.
  static_assert(std::size(kControls) == CSisCalEmgDialog::kPageCount);
  for (int page = 0; page < CSisCalEmgDialog::kPageCount; ++page) {
    for (const bool enter : {true, false}) {
      SCOPED_TRACE(std::string(enter ? "Enter" : "Escape") + " on page " + std::to_string(page));
      host_.ClearLog();
      context().Opened();
      context().SetActionRunning(true);
      context().tablesDone = 0;
      context().deferChecks = 1;
      dialog_.reset();
      int turns = 0;
      const int32_t result = Run([&](VantelUiWindow) {
        if (++turns > 1) {
          ADD_FAILURE() << "the key left the dialog open";
          return 0;
        }
        EXPECT_EQ(VantelUiSelectTab(Control(IDC_MAIN_TABS), page), 1);
        Edit([](DialogTables& t) { t.engine.ignitionDelayUs = 50; });
        const VantelUiWindow control = Control(kControls[page]);
        // The key goes to the dialog the control is on: its page.
        const Hwnd pageWindow = GetWindow(control)->parent;
        EXPECT_EQ(pageWindow, Pages()[static_cast<size_t>(page)]);
        EXPECT_EQ(enter ? VantelUiPressOk(pageWindow) : VantelUiPressCancel(pageWindow), 1);
        EXPECT_TRUE(GetWindow(pageWindow)->visible) << "the page itself never hides";
        return 1;
      });
      EXPECT_EQ(result, enter ? IDOK : IDCANCEL);
      EXPECT_EQ(WriteRequests(), enter ? Strings{kEngine} : Strings{});
      EXPECT_EQ(context().deferChecks, enter ? 0 : 1);
    }
  }
}

}  // namespace
}  // namespace vantel
