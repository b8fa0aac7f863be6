#pragma once
// The machine's modeless error report: one row per incoherence found in its configuration.
#include <memory>
#include <string>
#include <vector>

#include "config/finding.h"

#include "platform/dialog.h"

namespace vantel {

struct MachineContext;

class CSisReport : public Dialog {
 public:
  /// `title` becomes the caption when the window is created.
  CSisReport(MachineContext* context, std::string title, Hwnd parent = 0);
  ~CSisReport() override;

  MachineContext* context() const { return context_; }
  const std::string& title() const { return title_; }
  /// The last text filled while the window existed; ReshowReport shows the window for it.
  const std::string& errorText() const { return errorText_; }
  /// The findings behind the rows of that text (none for a text not made by the rules).
  const std::vector<Finding>& findings() const { return findings_; }
  /// One JSON value per row: the row's finding, or null for a row no finding made.
  std::string FindingsJson() const;

 protected:
  bool OnInitDialog() override;
  // The Close button, Enter, Escape and the close box only hide the report.
  void OnOK() override;
  void OnCancel() override;
  bool OnMessage(const Message& message, intptr_t& result) override;

 private:
  friend void FillReport(CSisReport* report, std::string text, std::vector<Finding> findings);
  friend void ReshowReport(CSisReport* report);

  MachineContext* context_;
  std::string title_;
  std::string errorText_;
  std::vector<Finding> findings_;
};

/// Shows `text` one row per line (an empty text hides the report), `findings` the rules'
/// findings it was made from, for the automation API. Does nothing, and keeps the stored
/// text, when the report or its window does not exist.
void FillReport(CSisReport* report, std::string text, std::vector<Finding> findings = {});
/// Shows the last text again, or hides the report when it was empty.
void ReshowReport(CSisReport* report);

/// The report of `context`, titled `title`, its window created hidden and disabled.
std::unique_ptr<CSisReport> CreateReport(MachineContext* context, std::string title);
/// The same, titled "Engine configuration errors" and `machineName`.
std::unique_ptr<CSisReport> CreateReport(MachineContext& context, const std::string& machineName);

}  // namespace vantel
