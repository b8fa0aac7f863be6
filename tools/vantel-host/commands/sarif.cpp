#include "sarif.h"

#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "findings.h"
#include "item_places.h"
#include "kalbrix.h"

namespace vantel::host {
namespace {

constexpr const char* kSchema = "https://json.schemastore.org/sarif-2.1.0.json";
// A rule of no finding: a row the plug-in writes without saying which words made it.
constexpr const char* kRowRule = "report-row";

bool Unreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~' || c == '/';
}

// The file as a URI reference: relative paths stay relative to where the check ran, which is
// where a review system's checkout is.
std::string FileUri(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = path.starts_with('/') ? "file://" : "";
  for (unsigned char c : path) {
    if (Unreserved(c)) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 0xF];
    }
  }
  return uri;
}

Json Message(const std::string& text) { return Json{{"text", text}}; }

class SarifSink : public ResultSink {
 public:
  explicit SarifSink(FILE* out) : out_(out) {}

  void File(const FileResult& result) override {
    const size_t artifact = artifacts_.size();
    uris_.push_back(FileUri(result.file));
    artifacts_.push_back(Json{{"location", Json{{"uri", uris_.back()}}}});
    if (result.BadInput()) {
      notifications_.push_back(Json{{"level", "error"},
                                    {"message", Message(result.error)},
                                    {"locations", Json::array({Located(artifact, nullptr)})}});
      return;
    }
    // The places are only read when there is something to place.
    std::unordered_map<std::string, TextSpan> places;
    if (!result.reportRows.empty()) {
      try {
        places = ItemPlaces(ReadKalbrixFile(result.file));
      } catch (const KalbrixError&) {
        // Gone since the check: the results stay on the file, without a line.
      }
    }
    const char* level = result.verdict == Verdict::kCoherent ? "note" : "error";
    for (size_t row = 0; row < result.reportRows.size(); ++row) {
      const Json findings = RowFindingsJson(result.reportFindings, row);
      const Json* finding = findings.empty() ? nullptr : &findings.front();
      Json sarif = Json::object();
      const std::string rule = finding ? finding->value("rule", kRowRule) : kRowRule;
      sarif["ruleId"] = rule;
      sarif["ruleIndex"] = RuleIndex(rule, result.reportRows[row]);
      sarif["level"] = level;
      std::string text = result.reportRows[row];
      if (finding && finding->contains("text"))
        text += "\n" + (*finding)["text"].get<std::string>();
      sarif["message"] = Message(text);
      sarif["locations"] = Json::array({Located(artifact, finding ? &places : nullptr, finding)});
      if (finding) sarif["properties"] = Json{{"finding", *finding}};
      results_.push_back(std::move(sarif));
    }
  }

  void Finish() override {
    Json driver = Json::object();
    driver["name"] = "vantel-host";
    driver["semanticVersion"] = VANTEL_PROJECT_VERSION;
    driver["rules"] = rules_;
    Json invocation = Json::object();
    invocation["executionSuccessful"] = notifications_.empty();
    invocation["toolExecutionNotifications"] = notifications_;
    Json run = Json::object();
    run["tool"] = Json{{"driver", driver}};
    run["invocations"] = Json::array({invocation});
    run["columnKind"] = "unicodeCodePoints";
    run["artifacts"] = artifacts_;
    run["results"] = results_;
    Json log = Json::object();
    log["version"] = "2.1.0";
    log["$schema"] = kSchema;
    log["runs"] = Json::array({run});
    // A file name or a text need not be UTF-8; the log must be JSON all the same.
    const std::string text = log.dump(2, ' ', false, Json::error_handler_t::replace);
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
  }

 private:
  size_t RuleIndex(const std::string& rule, const std::string& row) {
    const auto [at, added] = ruleIndex_.emplace(rule, rules_.size());
    if (added) rules_.push_back(Json{{"id", rule}, {"shortDescription", Message(row)}});
    return at->second;
  }

  // The file, and the entry of the first of the finding's items that the file holds.
  Json Located(size_t artifact, const std::unordered_map<std::string, TextSpan>* places,
               const Json* finding = nullptr) {
    Json physical = Json{{"artifactLocation", Json{{"uri", uris_[artifact]}, {"index", artifact}}}};
    Json location = Json::object();
    if (places && finding) {
      for (const Json& word : finding->value("words", Json::array())) {
        const std::string item = word.value("item", "");
        const auto place = places->find(item);
        if (place == places->end()) continue;
        const TextSpan& span = place->second;
        physical["region"] = Json{{"startLine", span.start.line},
                                  {"startColumn", span.start.column},
                                  {"endLine", span.end.line},
                                  {"endColumn", span.end.column}};
        location["logicalLocations"] = Json::array({Json{{"name", item}, {"kind", "member"}}});
        break;
      }
    }
    location["physicalLocation"] = std::move(physical);
    return location;
  }

  FILE* out_;
  std::vector<std::string> uris_;
  Json artifacts_ = Json::array();
  Json results_ = Json::array();
  Json rules_ = Json::array();
  Json notifications_ = Json::array();
  std::map<std::string, size_t> ruleIndex_;
};

}  // namespace

std::unique_ptr<ResultSink> SarifLog(FILE* out) { return std::make_unique<SarifSink>(out); }

}  // namespace vantel::host
