#include "ui/cal_emg_dialog.h"

#include <algorithm>
#include <utility>

#include "config/check_driver.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"
#include "ui/cal_all.h"
#include "ui/cal_bnk.h"
#include "ui/cal_ess.h"
#include "ui/cal_mot.h"
#include "ui/cal_pha.h"
#include "ui/sis_report.h"

namespace vantel {
namespace {

template <class Page>
std::unique_ptr<CSisCalPage> MakePage(DialogTables& model) {
  return std::make_unique<Page>(model);
}

struct PageEntry {
  uint32_t tabText;
  uint32_t helpText;
  std::unique_ptr<CSisCalPage> (*make)(DialogTables&);
};

// In tab order, which is also the order the pages are created, moved and destroyed in. A
// page stores its own fields only; what follows from them the model makes, and a page shows
// it when it is next filled.
constexpr std::array<PageEntry, CSisCalEmgDialog::kPageCount> kPages{{
    {IDS_TAB_ENGINE, IDS_NOTE_ENGINE_PAGE, &MakePage<CSisCalMot>},
    {IDS_TAB_BANKS, IDS_NOTE_BANKS_PAGE, &MakePage<CSisCalBnk>},
    {IDS_TAB_PHASES, IDS_NOTE_PHASES_PAGE, &MakePage<CSisCalPha>},
    {IDS_TAB_IGNITION, IDS_NOTE_IGNITION_PAGE, &MakePage<CSisCalAll>},
    {IDS_TAB_INJECTION, IDS_NOTE_INJECTION_PAGE, &MakePage<CSisCalEss>},
}};

// Filled once the pages exist; page 0 is filled again when it is selected.
constexpr CSisCalEmgDialog::PageIndex kFirstFills[] = {
    CSisCalEmgDialog::kEnginePage, CSisCalEmgDialog::kPhasesPage, CSisCalEmgDialog::kIgnitionPage};

constexpr bool MovesLeftEdge(int32_t edge) {
  return edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
}
constexpr bool MovesRightEdge(int32_t edge) {
  return edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
}
constexpr bool MovesTopEdge(int32_t edge) {
  return edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
}
constexpr bool MovesBottomEdge(int32_t edge) {
  return edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
}

}  // namespace

CSisCalEmgDialog::CSisCalEmgDialog(Hwnd parent, MachineContext& context, std::string title)
    : Dialog(IDD_MAIN_CONFIGURATION, parent),
      context_(&context),
      title_(std::move(title)),
      tables_(DialogTables::From(context)),
      edited_(context.tables) {
  tables_.DropBanksNotAllowed();
}

CSisCalEmgDialog::~CSisCalEmgDialog() {
  for (auto& page : pages_) page.reset();
}

CSisCalMot* CSisCalEmgDialog::enginePage() const {
  return static_cast<CSisCalMot*>(Page(kEnginePage));
}
CSisCalBnk* CSisCalEmgDialog::banksPage() const {
  return static_cast<CSisCalBnk*>(Page(kBanksPage));
}
CSisCalPha* CSisCalEmgDialog::phasesPage() const {
  return static_cast<CSisCalPha*>(Page(kPhasesPage));
}
CSisCalAll* CSisCalEmgDialog::ignitionPage() const {
  return static_cast<CSisCalAll*>(Page(kIgnitionPage));
}
CSisCalEss* CSisCalEmgDialog::injectionPage() const {
  return static_cast<CSisCalEss*>(Page(kInjectionPage));
}

CSisCalPage* CSisCalEmgDialog::Page(int index) const {
  if (index < 0 || index >= kPageCount) return nullptr;
  return pages_[static_cast<size_t>(index)].get();
}

bool CSisCalEmgDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  const Hwnd self = GetSafeHwnd();
  initialRect_ = GetWindowRect(self);
  contentHeight_ = GetClientRect(self).Height();

  const int highest = 3 * ScreenHeight() / 4;
  if (highest < initialRect_.Height()) {
    MoveWindow(self, {initialRect_.left, initialRect_.top, initialRect_.right,
                      initialRect_.top + highest});
  }
  // The window layer sends no size message at creation: take the first one here, so that
  // the view height is known even when the window kept its full height.
  OnSize(GetClientRect(self).Height());

  SetWindowText(self, title_);
  const Hwnd tabs = GetDlgItem(IDC_MAIN_TABS);
  for (size_t i = 0; i < kPages.size(); ++i) {
    InsertItem(tabs, static_cast<int32_t>(i), LoadString(kPages[i].tabText));
  }

  currentPage_ = -1;
  bool allCreated = true;
  for (size_t i = 0; i < kPages.size(); ++i) {
    pages_[i] = kPages[i].make(tables_);
    if (pages_[i]->Create(self, IDC_MAIN_PAGE_PLACE)) continue;
    pages_[i].reset();
    allCreated = false;
  }
  if (!allCreated) {
    ShowMessageBox(LoadString(IDS_PAGES_NOT_CREATED), MB_OK | MB_ICONERROR);
    EndDialog(IDCANCEL);
    return true;
  }

  const Hwnd place = GetDlgItem(IDC_MAIN_PAGE_PLACE);
  for (const auto& page : pages_) {
    MoveWindowOnto(page->GetSafeHwnd(), place);
    RedrawNow(page->GetSafeHwnd());
  }
  // The pages are transparent: the placeholder's text would show through them.
  ShowWindow(place, false);
  for (PageIndex index : kFirstFills) Page(index)->FillPage();
  SetSelection(tabs, kEnginePage);
  SelectPage(kEnginePage);
  return true;
}

void CSisCalEmgDialog::SelectPage(int index) {
  if (index == currentPage_ || !Page(index)) return;
  currentPage_ = index;
  for (int i = 0; i < kPageCount; ++i) {
    if (const CSisCalPage* page = Page(i)) ShowWindow(page->GetSafeHwnd(), i == index);
  }
  SetWindowText(GetDlgItem(IDC_MAIN_NOTE_TEXT),
                LoadString(kPages[static_cast<size_t>(index)].helpText));
  Page(index)->FillPage();
}

bool CSisCalEmgDialog::SavePage(int index) {
  CSisCalPage* page = Page(index);
  return !page || page->SavePage();
}

void CSisCalEmgDialog::OnOK() {
  const Hwnd self = GetSafeHwnd();
  if (!SavePage(currentPage_)) return;
  if (!CheckDialogTables()) return;
  // The page's message box or the rules' host requests may have let the host end the
  // action, which cancels the dialog: that cancel stands.
  const Window* window = GetWindow(self);
  if (!window || window->modalEnded) return;
  // The plug-in publishes the edited tables once the dialog has ended.
  EndDialog(IDOK);
}

void CSisCalEmgDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CSisCalEmgDialog::CheckDialogTables() {
  edited_ = tables_.Encode();
  // The rules read the model's own records beside their encoding: nothing is decoded again.
  const RuleView view = EditedRuleView(*context_, edited_[kEngineTable], edited_[kSyncTable],
                                       tables_.engine, tables_.sync, tables_.capTables);
  const CheckOutcome outcome =
      CheckDialogConfiguration(*context_, view, tables_.injectionChannelCount);
  // Looked up only now: the configuration may have been closed, or reopened with a new
  // report, while the rules asked the host.
  FillReport(context_->report.get(), outcome.errorText, outcome.findings);
  return outcome.coherent;
}

void CSisCalEmgDialog::OnSize(int clientHeight) {
  const Hwnd self = GetSafeHwnd();
  viewHeight_ = clientHeight;
  const int before = scrollPosition_;
  ScrollInfo bar;
  if (clientHeight < contentHeight_) {
    scrollPosition_ = std::min(scrollPosition_, contentHeight_ - clientHeight);
    bar = {.min = 0, .max = contentHeight_ - 1, .page = clientHeight, .pos = scrollPosition_};
  } else {
    scrollPosition_ = 0;
  }
  SetScrollInfo(self, bar);
  if (scrollPosition_ != before) ScrollWindow(self, before - scrollPosition_);
}

void CSisCalEmgDialog::OnVScroll(int32_t request, int thumbPosition) {
  int step = 0;
  switch (request) {
    case SB_LINEUP:
      step = -lineStep_;
      break;
    case SB_LINEDOWN:
      step = lineStep_;
      break;
    case SB_PAGEUP:
      step = -viewHeight_;
      break;
    case SB_PAGEDOWN:
      step = viewHeight_;
      break;
    case SB_THUMBTRACK:
      step = thumbPosition - scrollPosition_;
      break;
    default:
      return;
  }
  const int last = std::max(0, contentHeight_ - viewHeight_);
  step = std::clamp(scrollPosition_ + step, 0, last) - scrollPosition_;
  if (step == 0) return;
  scrollPosition_ += step;
  const Hwnd self = GetSafeHwnd();
  ScrollInfo bar = GetScrollInfo(self);
  bar.pos = scrollPosition_;
  SetScrollInfo(self, bar);
  ScrollWindow(self, -step);
}

void CSisCalEmgDialog::OnSizing(int32_t edge, Rect& rect) const {
  const int width = initialRect_.Width();
  const int height = initialRect_.Height();
  if (MovesLeftEdge(edge)) rect.right = rect.left + width;
  if (MovesRightEdge(edge)) rect.left = rect.right - width;
  if (rect.Height() <= height) return;
  if (MovesTopEdge(edge)) rect.bottom = rect.top + height;
  if (MovesBottomEdge(edge)) rect.top = rect.bottom - height;
}

bool CSisCalEmgDialog::OnMessage(const Message& message, intptr_t& result) {
  switch (message.kind) {
    case MessageKind::TabChanging: {
      if (message.controlId != IDC_MAIN_TABS) return false;
      result = SavePage(currentPage_) ? 0 : 1;
      return true;
    }
    case MessageKind::TabChanged:
      if (message.controlId != IDC_MAIN_TABS) return false;
      SelectPage(GetSelection(message.from));
      return true;
    case MessageKind::Help: {
      // The pages' templates give each control its topic; the dialog shows it.
      const Window* control = GetWindow(message.from);
      if (!control || control->help == 0) return false;
      ShowHelpPopup(GetSafeHwnd(), message.controlId, LoadString(control->help), message.x,
                    message.y);
      result = 1;
      return true;
    }
    case MessageKind::GetMinMaxInfo:
      // Before initialisation: let the window be created at its full template height even
      // on a small screen; initialisation then fits it to the screen with a scroll bar.
      if (contentHeight_ == 0 && message.minMax) {
        message.minMax->maxHeight *= 4;
        message.minMax->maxTrackHeight *= 4;
      }
      return false;
    case MessageKind::Sizing:
      if (message.rect) OnSizing(message.code, *message.rect);
      return false;
    case MessageKind::Size:
      OnSize(message.y);
      return false;
    case MessageKind::VScroll:
      OnVScroll(message.code, message.x);
      return true;
    default:
      return false;
  }
}

}  // namespace vantel
