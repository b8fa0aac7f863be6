#include "ui_events.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace vantel::host {

UiEventLog::UiEventLog() {
  const char* named = std::getenv("VANTEL_UI_LOG");
  if (named && *named) {
    path_ = named;
    std::error_code ignored;
    const auto size = std::filesystem::file_size(path_, ignored);
    offset_ = ignored ? 0 : static_cast<long>(size);
    return;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "vantel-host-ui-XXXXXX").string();
  const int fd = mkstemp(pattern.data());
  if (fd < 0) return;
  close(fd);
  path_ = pattern;
  ownFile_ = true;
  setenv("VANTEL_UI_LOG", path_.c_str(), 1);
}

UiEventLog::~UiEventLog() {
  if (!ownFile_) return;
  unsetenv("VANTEL_UI_LOG");
  std::remove(path_.c_str());
}

void UiEventLog::Restart() {
  // Emptying a file costs the file system a journal entry: once in a while is enough.
  constexpr long kKeptBytes = 1 << 20;
  if (!ownFile_ || offset_ < kKeptBytes || truncate(path_.c_str(), 0) != 0) return;
  offset_ = 0;
}

UiEvents UiEventLog::TakeNew() {
  UiEvents events;
  if (path_.empty()) return events;
  FILE* file = std::fopen(path_.c_str(), "r");
  if (!file) return events;
  std::fseek(file, offset_, SEEK_SET);
  std::string line;
  for (int c; (c = std::fgetc(file)) != EOF;) {
    if (c != '\n') {
      line += static_cast<char>(c);
      continue;
    }
    const Json event = Json::parse(line, nullptr, false);
    line.clear();
    if (!event.is_object()) continue;
    const std::string kind = event.value("event", "");
    if (kind == "report") events.reports.push_back(event);
    if (kind == "report_show") events.reportShows.push_back(event);
    if (kind == "messagebox") events.messageBoxes.push_back(event);
  }
  // A line still being written stays for the next call.
  offset_ = std::ftell(file) - static_cast<long>(line.size());
  std::fclose(file);
  return events;
}

}  // namespace vantel::host
