#pragma once
// The plug-in's UI event log (VANTEL_UI_LOG), read back by the host after each step.
#include <cstdio>
#include <string>
#include <vector>

#include "kalbrix.h"

namespace vantel::host {

struct UiEvents {
  std::vector<Json> reports;       // "report": every fill of an error report
  std::vector<Json> reportShows;   // "report_show": the report shown again or hidden
  std::vector<Json> messageBoxes;  // "messagebox"
};

/// Points VANTEL_UI_LOG at a file of its own (or keeps the one the user named) and reads
/// the events appended since the last call.
class UiEventLog {
 public:
  UiEventLog();
  ~UiEventLog();
  UiEventLog(const UiEventLog&) = delete;
  UiEventLog& operator=(const UiEventLog&) = delete;

  UiEvents TakeNew();

  /// Forgets what was read: a log of the host's own is emptied now and then, so that a run
  /// over many files keeps it small.
  void Restart();

 private:
  std::string path_;
  bool ownFile_ = false;
  long offset_ = 0;
};

}  // namespace vantel::host
