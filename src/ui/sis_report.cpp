#include "ui/sis_report.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/string_table.h"
#include "platform/ui_log.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"
#include "ui/machine_context.h"

namespace vantel {
namespace {

// Up to this host level the list does not repaint itself cleanly after scrolling.
constexpr int32_t kHighestLevelNeedingRepaint = 3;
// The one column is wider than the list, so that long messages are never cut.
constexpr int kColumnWidth = 1000;

std::vector<std::string> SplitRows(const std::string& text) {
  std::vector<std::string> rows;
  size_t start = 0;
  while (true) {
    const size_t feed = text.find('\n', start);
    if (feed == std::string::npos) {
      rows.push_back(text.substr(start));
      return rows;
    }
    rows.push_back(text.substr(start, feed - start));
    start = feed + 1;
  }
}

std::string VisibleJson(Hwnd window) {
  const Window* record = GetWindow(window);
  return record && record->visible ? "true" : "false";
}

}  // namespace

CSisReport::CSisReport(MachineContext* context, std::string title, Hwnd parent)
    : Dialog(IDD_REPORT, parent), context_(context), title_(std::move(title)) {}

CSisReport::~CSisReport() = default;

bool CSisReport::OnInitDialog() {
  Dialog::OnInitDialog();
  SetWindowText(GetSafeHwnd(), title_);
  const Hwnd list = GetDlgItem(IDC_REPORT_LIST);
  SetListExStyle(list, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE);
  InsertListColumn(list, 0, "", kColumnWidth);
  return true;
}

void CSisReport::OnOK() { ShowWindow(GetSafeHwnd(), false); }

void CSisReport::OnCancel() { ShowWindow(GetSafeHwnd(), false); }

std::string CSisReport::FindingsJson() const {
  if (!findings_.empty()) {
    RuleTableItems items;
    for (int table = kEngineTable; table < kConfigTableCount; ++table)
      if (context_) items[static_cast<size_t>(table)] = context_->ItemName(table);
    return vantel::FindingsJson(findings_, items);
  }
  if (errorText_.empty()) return "[]";
  std::string out = "[null";
  for (char c : errorText_)
    if (c == '\n') out += ",null";
  return out + "]";
}

bool CSisReport::OnMessage(const Message& message, intptr_t& result) {
  if (message.kind == MessageKind::GetObjectText && message.text) {
    *message.text = FindingsJson();
    result = 1;
    return true;
  }
  if (message.kind != MessageKind::EndScroll || message.controlId != IDC_REPORT_LIST) {
    return false;
  }
  result = 0;
  if (context_ && context_->hostLevel <= kHighestLevelNeedingRepaint) RedrawNow(message.from);
  return true;
}

void FillReport(CSisReport* report, std::string text, std::vector<Finding> findings) {
  if (!report) return;
  const Hwnd window = report->GetSafeHwnd();
  if (window == 0) return;
  const Hwnd list = report->GetDlgItem(IDC_REPORT_LIST);
  ResetItems(list);
  report->errorText_ = std::move(text);
  report->findings_ = std::move(findings);
  const std::string& stored = report->errorText_;
  std::vector<std::string> rows;
  if (stored.empty()) {
    ShowWindow(window, false);
  } else {
    rows = SplitRows(stored);
    for (size_t i = 0; i < rows.size(); ++i) InsertItem(list, static_cast<int32_t>(i), rows[i]);
    ShowWindow(window, true);
    EnableWindow(window, true);
  }
  UiLog("{\"event\":\"report\",\"caption\":" + JsonString(GetWindowText(window)) +
        ",\"window\":" + std::to_string(window) + ",\"rows\":" + JsonStringArray(rows) +
        ",\"visible\":" + VisibleJson(window) + "}");
}

void ReshowReport(CSisReport* report) {
  if (!report) return;
  const Hwnd window = report->GetSafeHwnd();
  if (window == 0) return;
  const bool show = !report->errorText_.empty();
  ShowWindow(window, show);
  if (show) EnableWindow(window, true);
  UiLog("{\"event\":\"report_show\",\"caption\":" + JsonString(GetWindowText(window)) +
        ",\"window\":" + std::to_string(window) + ",\"visible\":" + VisibleJson(window) + "}");
}

std::unique_ptr<CSisReport> CreateReport(MachineContext* context, std::string title) {
  // The host's main window is not ours to know: the report has no parent.
  auto report = std::make_unique<CSisReport>(context, std::move(title));
  report->Create();
  return report;
}

std::unique_ptr<CSisReport> CreateReport(MachineContext& context, const std::string& machineName) {
  return CreateReport(&context, LoadString(IDS_REPORT_TITLE) + " " + machineName);
}

}  // namespace vantel
