#pragma once
// `vantel-host check` over many files, as a host with many ECUs opens them: the plug-in
// loaded once, each file opened on its own machine index, checked and closed before the next,
// one result per file to the outputs a CI system reads (text lines, JSON lines, JUnit XML).
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host_service.h"
#include "steps.h"

namespace vantel::host {

/// What one file gave.
struct FileResult {
  std::string file;
  /// Bad input: what is wrong with the file, in one line; empty for a checked file.
  std::string error;
  Verdict verdict = Verdict::kNotChecked;
  std::optional<uint32_t> machine;
  std::vector<std::string> reportRows;
  /// The plug-in's finding behind each report row, one entry per row.
  Json reportFindings = Json::array();
  /// The last value sent for each function, supervision and data item, in first-sent order.
  std::vector<Enable> switched;
  std::vector<std::string> tablesRewritten;
  /// With --write: the items whose value changed and were written back.
  std::optional<size_t> writtenBack;
  double seconds = 0;

  bool BadInput() const { return !error.empty(); }
  /// 0 coherent, 1 not coherent, rejected or not checked, 2 bad input.
  int Status() const;
  /// "coherent", "not coherent", "rejected", "not checked" or "bad input".
  std::string VerdictText() const;
};

/// Receives each file's result as soon as it is known, then the end of the run.
class ResultSink {
 public:
  virtual ~ResultSink() = default;
  virtual void File(const FileResult& result) = 0;
  virtual void Finish() {}
};

/// One line per file ("FILE: not coherent, 5 report row(s)"), then a summary line.
std::unique_ptr<ResultSink> TextLines(FILE* out);

/// One JSON object per file, one a line.
Json JsonResult(const FileResult& result);

/// {"on": [...], "off": [...]}: the entries of `kind` ('F', 'S' or 'D') last switched so.
Json SwitchesJson(const std::vector<Enable>& switched, char kind);
std::unique_ptr<ResultSink> JsonLines(FILE* out);

/// A JUnit XML report written to `path` at the end, through an AtomicFile: one test case per
/// file, the report rows as the failure's text, bad input as an error. The cases wait in an
/// unnamed temporary file, so memory stays flat. KalbrixError when `path` cannot be written.
std::unique_ptr<ResultSink> JUnitReport(const std::string& path);

struct CheckManyOptions {
  std::vector<Step> steps;
  bool write = false;
  FILE* trace = nullptr;
  int32_t language = 1033;
  /// The plug-in's file; beside the host's executable when empty.
  std::string plugin;
};

/// Checks every file of `paths` (files, and folders searched for Kalbrix files) and hands
/// each result to the sinks; returns the worst status. PluginError when the plug-in cannot
/// be loaded at all.
int CheckMany(const std::vector<std::string>& paths, const CheckManyOptions& options,
              const std::vector<ResultSink*>& sinks);

/// Calls `visit` for each Kalbrix candidate under `path` in name order, sub-folders at their
/// place: files ending in .json, not hidden, in folders that are not hidden, links to files
/// followed and links to folders not. A named path is visited whatever it is. Returns how
/// many files were visited.
size_t VisitFiles(const std::string& path,
                  const std::function<void(const std::string& file, bool named)>& visit);

}  // namespace vantel::host
