#pragma once
// The machine's modeless error report.
#include <string>

namespace vantel {

struct MachineContext;

class CSisReport {
 public:
  CSisReport(MachineContext* context, std::string title);
  ~CSisReport();
  CSisReport(const CSisReport&) = delete;
  CSisReport& operator=(const CSisReport&) = delete;

  MachineContext* context() const { return context_; }
  const std::string& title() const { return title_; }
  const std::string& errorText() const { return errorText_; }

 private:
  MachineContext* context_;
  std::string title_;
  std::string errorText_;
};

}  // namespace vantel
