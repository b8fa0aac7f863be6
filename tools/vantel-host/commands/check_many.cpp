#include "check_many.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <tuple>

#include "findings.h"
#include "kalbrix.h"
#include "plugin_loader.h"
#include "session.h"
#include "vantel/host_abi.h"
#include "vantel/svg_text.h"

namespace vantel::host {

namespace fs = std::filesystem;

namespace {

struct CloseFile {
  void operator()(FILE* file) const { std::fclose(file); }
};
using OwnedFile = std::unique_ptr<FILE, CloseFile>;

/// A document found in a folder is taken for a Kalbrix when it is an object with items;
/// other JSON files (package manifests, editor settings) are no concern of the check.
bool LooksLikeKalbrix(const Json& document) {
  return document.is_object() && document.contains("items");
}

class Checker {
 public:
  Checker(const CheckManyOptions& options, const std::vector<ResultSink*>& sinks, FILE* quiet)
      : options_(options),
        sinks_(sinks),
        quiet_(quiet),
        session_(options.language, options.plugin) {}

  void Named(const std::string& path) {
    const size_t before = taken_;
    const size_t visited =
        VisitFiles(path, [this](const std::string& file, bool named) { Take(file, named); });
    if (fs::is_directory(path) && taken_ == before) {
      FileResult none;
      none.file = path;
      none.error = visited == 0 ? "no .json file in this folder" : "no Kalbrix file in this folder";
      Emit(none);
    }
  }

  int worst() const { return worst_; }

 private:
  using MachineAnswers = std::tuple<int32_t, bool>;

  static MachineAnswers Answers(const Kalbrix& kalbrix) {
    return {kalbrix.hostLevel, kalbrix.machineName.has_value() && !kalbrix.machineName->empty()};
  }

  void Take(const std::string& file, bool named) {
    FileResult result = Check(file, named);
    if (result.file.empty()) return;  // JSON found in a folder that is no Kalbrix
    ++taken_;
    Emit(result);
  }

  void Emit(const FileResult& result) {
    worst_ = std::max(worst_, result.Status());
    for (ResultSink* sink : sinks_) sink->File(result);
  }

  FileResult Check(const std::string& path, bool named) {
    const auto start = std::chrono::steady_clock::now();
    FileResult result;
    result.file = path;
    Run(path, named, &result);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
  }

  /// What the plug-in decides once per loading or once per machine from the host's answers:
  /// the handshake takes the host's version; a machine's context, made at its first open and
  /// kept until the unload, takes the host's level and whether the machine has a name. A file
  /// that answers otherwise than the file the plug-in learnt them from is checked by a freshly
  /// loaded plug-in, so that it gets the verdict it gets alone.
  bool Relearn(const Kalbrix& kalbrix) const {
    if (!session_.loaded()) return false;
    const auto known = contexts_.find(kalbrix.machine);
    return kalbrix.hostVersion != handshakeVersion_ ||
           (known != contexts_.end() && known->second != Answers(kalbrix));
  }

  /// Loaded and shaken hands with for `kalbrix`, whose machine is the session's; false when
  /// the plug-in refuses the host.
  bool Ready(const Kalbrix& kalbrix) {
    if (Relearn(kalbrix)) {
      session_.Unload();
      contexts_.clear();
    }
    if (!session_.loaded()) {
      handshakeVersion_ = kalbrix.hostVersion;
      accepted_ = session_.Load().accepted();
    }
    return accepted_;
  }

  void Run(const std::string& path, bool named, FileResult* result) {
    Json document;
    Kalbrix kalbrix;
    try {
      document = ParseKalbrixText(ReadKalbrixFile(path));
      if (!named && !LooksLikeKalbrix(document)) {
        result->file.clear();
        return;
      }
      kalbrix = KalbrixFromJson(document);
    } catch (const KalbrixError& error) {
      result->error = error.what();
      return;
    }
    result->machine = kalbrix.machine;
    for (const Step& step : options_.steps) {
      std::string error;
      if (!StepFitsKalbrix(step, kalbrix, &error)) {
        result->error = error;
        return;
      }
    }

    // One machine at a time: the next file on this machine index opens a configuration
    // this one no longer holds.
    SessionMachine* machine =
        session_.Add(path, std::move(document), std::move(kalbrix), quiet_, options_.trace);
    struct Removed {
      HostSession& session;
      SessionMachine* machine;
      ~Removed() { session.Remove(machine); }
    } removed{session_, machine};
    bool madeContext = false;
    machine->service().failRequest = [&madeContext](int32_t code, const std::string&) {
      if (code == REQ_HOST_LEVEL) madeContext = true;
      return HOST_OK;
    };
    if (!Ready(machine->kalbrix())) {
      result->error = "the plug-in refused the host (handshake answered 0)";
      return;
    }
    session_.Open(*machine);
    for (const Step& step : options_.steps) session_.Step(*machine, step);
    result->verdict = machine->verdict();
    result->reportRows = machine->reportRows();
    result->reportFindings = machine->reportFindings();
    result->switched = machine->switched();
    result->tablesRewritten = machine->tablesRewritten();
    session_.Close(*machine);
    machine->service().failRequest = nullptr;
    if (madeContext) contexts_[machine->index()] = Answers(machine->kalbrix());

    if (!options_.write) return;
    const SaveOutcome written = session_.WriteBack(*machine);
    if (written.kind == SaveOutcome::Kind::kFailed)
      result->error = written.reason;
    else
      result->writtenBack = written.Count();
  }

  const CheckManyOptions& options_;
  const std::vector<ResultSink*>& sinks_;
  FILE* quiet_;
  HostSession session_;
  int32_t handshakeVersion_ = 0;
  bool accepted_ = false;
  // At most one entry per machine index the plug-in keeps a context for.
  std::map<uint32_t, MachineAnswers> contexts_;
  size_t taken_ = 0;
  int worst_ = 0;
};

void VisitFolder(const fs::path& folder, size_t* visited,
                 const std::function<void(const std::string&, bool)>& visit) {
  // The names of one folder at a time, and names only: a tree of any size costs a few tens of
  // bytes a file of its largest folder, for the order they are checked in.
  std::vector<std::string> names;
  std::error_code failed;
  for (fs::directory_iterator it(folder, failed), end; !failed && it != end; it.increment(failed)) {
    std::string name = it->path().filename().string();
    if (!name.empty() && name[0] != '.') names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const fs::path path = folder / name;
    std::error_code ignored;
    const fs::file_status link = fs::symlink_status(path, ignored);
    if (fs::is_directory(link)) {
      VisitFolder(path, visited, visit);
    } else if (path.extension() == ".json" && fs::is_regular_file(fs::status(path, ignored))) {
      ++*visited;
      visit(path.string(), false);
    }
  }
}

}  // namespace

int FileResult::Status() const {
  if (BadInput()) return 2;
  return verdict == Verdict::kCoherent ? 0 : 1;
}

std::string FileResult::VerdictText() const {
  return BadInput() ? "bad input" : VerdictName(verdict);
}

size_t VisitFiles(const std::string& path,
                  const std::function<void(const std::string& file, bool named)>& visit) {
  size_t visited = 0;
  if (!fs::is_directory(path)) {
    visit(path, true);
    return 1;
  }
  VisitFolder(path, &visited, visit);
  return visited;
}

int CheckMany(const std::vector<std::string>& paths, const CheckManyOptions& options,
              const std::vector<ResultSink*>& sinks) {
  const OwnedFile quiet(std::fopen("/dev/null", "w"));
  if (!quiet) throw PluginError("cannot open /dev/null");
  Checker checker(options, sinks, quiet.get());
  for (const std::string& path : paths) checker.Named(path);
  for (ResultSink* sink : sinks) sink->Finish();
  return checker.worst();
}

// ---- The outputs --------------------------------------------------------------------------

namespace {

class TextSink : public ResultSink {
 public:
  explicit TextSink(FILE* out) : out_(out) {}

  void File(const FileResult& result) override {
    ++counts_[result.VerdictText()];
    ++files_;
    std::string line = result.file + ": " + result.VerdictText();
    if (result.BadInput()) line += ": " + result.error;
    if (!result.reportRows.empty())
      line += ", " + std::to_string(result.reportRows.size()) + " report row(s)";
    if (result.writtenBack)
      line += ", written back: " + std::to_string(*result.writtenBack) + " item(s)";
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
  }

  void Finish() override {
    std::fprintf(out_, "== %zu file(s):", files_);
    const char* separator = " ";
    for (const char* verdict :
         {"coherent", "not coherent", "rejected", "not checked", "bad input"}) {
      std::fprintf(out_, "%s%zu %s", separator, counts_[verdict], verdict);
      separator = ", ";
    }
    std::fprintf(out_, "\n");
  }

 private:
  FILE* out_;
  size_t files_ = 0;
  std::map<std::string, size_t> counts_;
};

class JsonSink : public ResultSink {
 public:
  explicit JsonSink(FILE* out) : out_(out) {}

  void File(const FileResult& result) override {
    // A file name or a text need not be UTF-8; the line must be JSON all the same.
    const std::string line =
        JsonResult(result).dump(-1, ' ', false, Json::error_handler_t::replace);
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
  }

 private:
  FILE* out_;
};

/// `text` with every byte sequence that is not UTF-8 replaced, as XML must be.
std::string Utf8(const std::string& text) {
  return Json::parse(Json(text).dump(-1, ' ', false, Json::error_handler_t::replace))
      .get<std::string>();
}

std::string XmlText(const std::string& text) { return SvgText(Utf8(text)); }

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

std::string Why(const FileResult& result) {
  switch (result.verdict) {
    case Verdict::kRejected:
      return "the plug-in ended the open: the machine data could not be read";
    case Verdict::kNotChecked:
      return "loaded, not checked: a configuration item is missing or not usable";
    default:
      return std::to_string(result.reportRows.size()) + " report row(s)";
  }
}

class JUnitSink : public ResultSink {
 public:
  explicit JUnitSink(const std::string& path) : file_(path), cases_(std::tmpfile()) {
    if (!cases_) throw KalbrixError(path + ": cannot make a temporary file for the test cases");
  }

  void File(const FileResult& result) override {
    ++tests_;
    seconds_ += result.seconds;
    std::string xml = "    <testcase name=\"" + XmlText(result.file) +
                      "\" classname=\"vantel-host.check\" time=\"" + Seconds(result.seconds) + "\"";
    if (result.Status() == 0) {
      xml += "/>\n";
    } else if (result.BadInput()) {
      ++errors_;
      xml += ">\n      <error type=\"bad input\" message=\"" + XmlText(result.error) + "\">" +
             XmlText(result.error) + "</error>\n    </testcase>\n";
    } else {
      ++failures_;
      const std::string verdict = result.VerdictText();
      xml += ">\n      <failure type=\"" + verdict + "\" message=\"" + verdict + ": " +
             Why(result) + "\">";
      for (size_t i = 0; i < result.reportRows.size(); ++i)
        xml += (i ? "\n" : "") + XmlText(result.reportRows[i]);
      xml += "</failure>\n    </testcase>\n";
    }
    if (std::fwrite(xml.data(), 1, xml.size(), cases_.get()) != xml.size())
      throw KalbrixError("cannot keep the test cases for the JUnit report");
  }

  void Finish() override {
    char host[256] = "localhost";
    gethostname(host, sizeof host - 1);
    const std::time_t now = std::time(nullptr);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", std::gmtime(&now));
    const std::string counts = "tests=\"" + std::to_string(tests_) + "\" failures=\"" +
                               std::to_string(failures_) + "\" errors=\"" +
                               std::to_string(errors_) + "\"";
    file_.Write(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"vantel-host check\" " +
        counts + " time=\"" + Seconds(seconds_) + "\">\n" +
        "  <testsuite name=\"vantel-host check\" " + counts + " skipped=\"0\" time=\"" +
        Seconds(seconds_) + "\" timestamp=\"" + stamp + "\" hostname=\"" + XmlText(host) + "\">\n");
    std::rewind(cases_.get());
    std::array<char, 65536> block;
    for (size_t n; (n = std::fread(block.data(), 1, block.size(), cases_.get())) > 0;)
      file_.Write(std::string_view(block.data(), n));
    file_.Write("  </testsuite>\n</testsuites>\n");
    file_.Commit();
  }

 private:
  AtomicFile file_;
  OwnedFile cases_;
  size_t tests_ = 0, failures_ = 0, errors_ = 0;
  double seconds_ = 0;
};

}  // namespace

Json SwitchesJson(const std::vector<Enable>& switched, char kind) {
  Json on = Json::array();
  Json off = Json::array();
  for (const Enable& e : switched)
    if (e.kind == kind) (e.value ? on : off).push_back(e.name);
  return Json{{"on", on}, {"off", off}};
}

Json JsonResult(const FileResult& result) {
  Json rows = Json::array();
  for (size_t row = 0; row < result.reportRows.size(); ++row)
    rows.push_back(Json{{"text", result.reportRows[row]},
                        {"findings", RowFindingsJson(result.reportFindings, row)}});
  Json line = Json::object();
  line["file"] = result.file;
  line["machine"] = result.machine ? Json(*result.machine) : Json(nullptr);
  line["verdict"] = result.VerdictText();
  line["status"] = result.Status();
  if (result.BadInput()) line["error"] = result.error;
  line["report"] = rows;
  line["functions"] = SwitchesJson(result.switched, 'F');
  line["supervisions"] = SwitchesJson(result.switched, 'S');
  line["dataItems"] = SwitchesJson(result.switched, 'D');
  line["tablesRewritten"] = result.tablesRewritten;
  if (result.writtenBack) line["writtenBack"] = *result.writtenBack;
  return line;
}

std::unique_ptr<ResultSink> TextLines(FILE* out) { return std::make_unique<TextSink>(out); }

std::unique_ptr<ResultSink> JsonLines(FILE* out) { return std::make_unique<JsonSink>(out); }

std::unique_ptr<ResultSink> JUnitReport(const std::string& path) {
  return std::make_unique<JUnitSink>(path);
}

}  // namespace vantel::host
