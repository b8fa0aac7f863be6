// check --format sarif as a review system reads it: one result per report row, each on the
// entry of the item its finding names, and a log the SARIF schema accepts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host_run.h"
#include "item_places.h"
#include "json.h"
#include "kalbrix.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;

TEST(ItemPlacesTest, OnlyTheNamedEntriesOfTheTopItemsArrayArePlaced) {
  struct Case {
    const char* text;
    std::map<std::string, std::vector<size_t>> places;  // line, column, end line, end column
  };
  const Case cases[] = {
      {"{\"items\": [{\"name\": \"A\"}, {\"name\": \"B\", \"id\": 2}]}",
       {{"A", {1, 12, 1, 25}}, {"B", {1, 27, 1, 49}}}},
      // Columns count code points: "é" and "°" are two bytes each.
      {"{\"comment\": \"é°\", \"items\": [{\"name\": \"A\"}]}", {{"A", {1, 29, 1, 42}}}},
      {"{\n  \"items\": [\n    {\n      \"name\": \"A\"\n    }\n  ]\n}", {{"A", {3, 5, 5, 6}}}},
      // The first entry of a repeated name; an entry without one, or with a name that is no
      // text, is passed over and the next is still found.
      {"{\"items\": [{\"id\": 1}, {\"name\": 7}, {\"name\": \"A\"}, {\"name\": \"A\", \"id\": 2}]}",
       {{"A", {1, 36, 1, 49}}}},
      // Names deeper in an entry, at the top, or in another array are no items.
      {"{\"name\": \"T\", \"lists\": [{\"name\": \"L\"}], \"items\": [{\"attributes\": {\"name\": "
       "\"N\"}, \"words\": [1, 2], \"name\": \"A\"}]}",
       {{"A", {1, 51, 1, 110}}}},
      {"{\"x\": {\"items\": [{\"name\": \"A\"}]}}", {}},
      {"{\"items\": [{\"name\": \"A\"}]", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    std::map<std::string, std::vector<size_t>> places;
    for (const auto& [name, span] : ItemPlaces(c.text))
      places[name] = {span.start.line, span.start.column, span.end.line, span.end.column};
    EXPECT_EQ(places, c.places) << c.text;
  }
}

/// Where a place stands in `text` as a byte offset, lines and columns counted from 1 and
/// columns in code points.
size_t Offset(const std::string& text, size_t line, size_t column) {
  size_t at = 0;
  for (size_t l = 1; l < line; ++l) at = text.find('\n', at) + 1;
  for (size_t c = 1; c < column; ++c) {
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
  }
  return at;
}

std::string UriPath(const std::string& uri) {
  std::string path;
  for (size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size()) {
      path += static_cast<char>(std::stoi(uri.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      path += uri[i];
    }
  }
  return path;
}

class SarifCliTest : public HostRunTest {
 protected:
  /// Every example, one of them again under a name a URI must escape and in one line with
  /// non-ASCII text ahead of its items, and a file that is no JSON.
  void SetUp() override {
    HostRunTest::SetUp();
    fs::create_directories(dir_ / "kalbrix");
    for (const auto& entry : fs::directory_iterator(Example("")))
      if (entry.path().extension() == ".json")
        fs::copy_file(entry.path(), dir_ / "kalbrix" / entry.path().filename());
    Json document = ParseKalbrixText(ReadFile(Example("incoherent-five-cylinders.json")));
    document["comment"] = "cinq cylindres, 150 µs, 5 × 72°";
    std::ofstream(dir_ / "kalbrix" / "un fichier à 5 #1.json", std::ios::binary) << document.dump();
    std::ofstream(dir_ / "kalbrix" / "broken.json", std::ios::binary) << "{";
  }

  Json Sarif() {
    const HostRun run = Host({"check", "kalbrix", "--format", "sarif"});
    EXPECT_EQ(run.status, 2) << run.err;  // the broken file is bad input
    return Json::parse(run.out);
  }
};

TEST_F(SarifCliTest, EachReportRowIsOneResultOnTheEntryOfTheItemItsFindingNames) {
  const Json log = Sarif();
  const Json& run = log.at("runs").at(0);

  // What check --format json says of each file: the truth the log is held to.
  std::map<std::string, Json> lines;
  {
    const HostRun json = Host({"check", "kalbrix", "--format", "json"});
    std::istringstream in(json.out);
    for (std::string line; std::getline(in, line);) {
      const Json parsed = Json::parse(line);
      lines[parsed.at("file").get<std::string>()] = parsed;
    }
  }
  std::vector<std::string> files;
  for (const Json& artifact : run.at("artifacts"))
    files.push_back(UriPath(artifact.at("location").at("uri")));
  ASSERT_EQ(std::set<std::string>(files.begin(), files.end()).size(), lines.size());

  std::map<std::string, size_t> rowsSeen;
  size_t placed = 0;
  for (const Json& result : run.at("results")) {
    const Json& physical = result.at("locations").at(0).at("physicalLocation");
    const size_t artifact = physical.at("artifactLocation").at("index");
    const std::string file = files.at(artifact);
    EXPECT_EQ(UriPath(physical.at("artifactLocation").at("uri")), file);
    const Json& line = lines.at(file);
    const size_t row = rowsSeen[file]++;
    ASSERT_LT(row, line.at("report").size()) << file;
    const Json& expected = line.at("report").at(row);
    EXPECT_EQ(result.at("message").at("text").get<std::string>().rfind(expected.at("text"), 0), 0u)
        << file;
    EXPECT_EQ(result.at("level"), line.at("verdict") == "coherent" ? "note" : "error") << file;
    const Json& rules = run.at("tool").at("driver").at("rules");
    EXPECT_EQ(rules.at(result.at("ruleIndex").get<size_t>()).at("id"), result.at("ruleId"));

    // The first of the finding's items that the file holds is where the result stands.
    const std::string text = ReadFile(dir_ / file);
    const Json document = Json::parse(text);
    std::string item;
    for (const Json& finding : expected.at("findings")) {
      EXPECT_EQ(result.at("ruleId"), finding.at("rule"));
      for (const Json& word : finding.at("words")) {
        const std::string name = word.value("item", "");
        for (const Json& entry : document.at("items"))
          if (item.empty() && entry.at("name") == name) item = name;
      }
    }
    if (item.empty()) {
      EXPECT_FALSE(physical.contains("region")) << file << " row " << row;
      continue;
    }
    ASSERT_TRUE(physical.contains("region")) << file << " row " << row;
    const Json& region = physical.at("region");
    const size_t start = Offset(text, region.at("startLine"), region.at("startColumn"));
    const size_t end = Offset(text, region.at("endLine"), region.at("endColumn"));
    ASSERT_LT(start, end);
    const Json entry = Json::parse(text.substr(start, end - start));
    EXPECT_EQ(entry.at("name"), item) << file << " row " << row;
    EXPECT_EQ(result.at("locations").at(0).at("logicalLocations").at(0).at("name"), item);
    ++placed;
  }
  for (const auto& [file, line] : lines)
    if (!line.contains("error")) {
      EXPECT_EQ(rowsSeen[file], line.at("report").size()) << file;
    }
  EXPECT_GT(placed, 5u);  // the incoherent example twice at least

  // The file that is no Kalbrix is the run's one notification, and the run failed.
  const Json& invocation = run.at("invocations").at(0);
  EXPECT_FALSE(invocation.at("executionSuccessful"));
  ASSERT_EQ(invocation.at("toolExecutionNotifications").size(), 1u);
  const Json& notification = invocation.at("toolExecutionNotifications").at(0);
  EXPECT_EQ(files.at(notification.at("locations")
                         .at(0)
                         .at("physicalLocation")
                         .at("artifactLocation")
                         .at("index")),
            "kalbrix/broken.json");
}

TEST_F(SarifCliTest, TheLogIsValidSarif) {
  if (!fs::exists(VANTEL_SARIF_VALIDATOR_MODULES) || std::string(VANTEL_NODE_PATH).empty())
    GTEST_SKIP() << "the SARIF schema and validator are not installed (.ci/deps --tests)";
  std::ofstream(dir_ / "log.sarif", std::ios::binary) << Sarif().dump(2);
  const std::string validate = Quoted(VANTEL_NODE_PATH) + " " + Quoted(VANTEL_SARIF_VALIDATOR) +
                               " " + Quoted((dir_ / "log.sarif").string()) + " 2>&1";
  EXPECT_EQ(std::system(validate.c_str()), 0);
  // A validator that accepts anything proves nothing.
  std::ofstream(dir_ / "bad.sarif", std::ios::binary) << R"({"version": "2.1.0", "runs": [{}]})";
  const std::string refuse = Quoted(VANTEL_NODE_PATH) + " " + Quoted(VANTEL_SARIF_VALIDATOR) + " " +
                             Quoted((dir_ / "bad.sarif").string()) + " >/dev/null 2>&1";
  EXPECT_NE(std::system(refuse.c_str()), 0);
}

}  // namespace
}  // namespace vantel::host
