// `vantel-host check` over folders as a CI job runs it: the verdict of each file is the one
// it gets alone, whatever shares its machine index; the JSON lines and the JUnit report are
// read back with the libraries a CI system would use.
#include "check_many.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host_run.h"
#include "kalbrix.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;

class CheckManyCliTest : public HostRunTest {
 protected:
  /// A copy of an example in `folder` under `name`, changed by `change`.
  fs::path Copy(const std::string& example, const std::string& folder, const std::string& name,
                const std::function<void(Json&)>& change = nullptr) const {
    Json document = ParseKalbrixText(ReadFile(Example(example)));
    if (change) change(document);
    fs::create_directories(dir_ / folder);
    const fs::path path = dir_ / folder / name;
    std::ofstream(path, std::ios::binary) << DumpKalbrix(document);
    return path;
  }

  /// Every example, as it is, in `folder`.
  void CopyExamples(const std::string& folder) const {
    for (const auto& entry : fs::directory_iterator(Example("")))
      if (entry.path().extension() == ".json")
        Copy(entry.path().filename().string(), folder, entry.path().filename().string());
  }

  /// The JSON lines of a run, by file.
  static std::map<std::string, Json> ByFile(const std::string& out) {
    std::map<std::string, Json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
      const Json parsed = Json::parse(line);  // throws, failing the test, on a line not JSON
      lines[parsed.at("file").get<std::string>()] = parsed;
    }
    return lines;
  }
};

std::function<void(Json&)> OnMachine(uint32_t machine,
                                     const std::function<void(Json&)>& more = nullptr) {
  return [=](Json& document) {
    document["machine"] = machine;
    if (more) more(document);
  };
}

// Files opened on one machine index one after the other, some of them answering the host's
// questions otherwise (a level that refuses the machine, no machine name, a host too old),
// between files the plug-in accepts: each must get what `check FILE` gives it alone.
TEST_F(CheckManyCliTest, EveryFileGetsTheVerdictItGetsAlone) {
  CopyExamples("examples");
  Copy("inline4-60-2-sequential.json", "shared", "a-inline4.json", OnMachine(3));
  Copy("incoherent-five-cylinders.json", "shared", "b-incoherent.json", OnMachine(3));
  Copy("older-layout-machine2.json", "shared", "c-older-layout.json", OnMachine(3));
  Copy("v8-two-rails.json", "shared", "d-v8.json", OnMachine(3));
  Copy("inline4-60-2-sequential.json", "shared", "e-level-two.json",
       OnMachine(3, [](Json& d) { d["hostLevel"] = 2; }));
  Copy("v6-36-1-banks-twin-spark.json", "shared", "f-v6.json", OnMachine(3));
  Copy("inline4-60-2-sequential.json", "shared", "g-no-name.json",
       OnMachine(3, [](Json& d) { d.erase("name"); }));
  Copy("v12-12plus1-static.json", "shared", "h-v12.json", OnMachine(3));
  Copy("inline4-60-2-sequential.json", "shared", "i-old-host.json",
       OnMachine(3, [](Json& d) { d["hostVersion"] = 0x40000; }));
  Copy("inline3-regular-teeth.json", "shared", "j-inline3.json", OnMachine(3));

  const HostRun many =
      Host({"check", (dir_ / "examples").string(), (dir_ / "shared").string(), "--format", "json"});
  const std::map<std::string, Json> lines = ByFile(many.out);
  ASSERT_EQ(lines.size(), 17u) << many.out << many.err;
  int worst = 0;
  std::map<std::string, int> verdicts;
  for (const auto& [file, line] : lines) {
    SCOPED_TRACE(file);
    const HostRun alone = Host({"check", file});
    const std::string verdict = line.at("verdict");
    ++verdicts[verdict];
    EXPECT_EQ(line.at("status"), alone.status) << alone.out << alone.err;
    if (verdict == "bad input")
      EXPECT_EQ(alone.status, 2) << alone.out;
    else
      EXPECT_NE(alone.out.find("== result: " + verdict + "\n"), std::string::npos) << alone.out;
    worst = std::max(worst, alone.status);
  }
  EXPECT_EQ(many.status, worst);
  // Not a sweep of one outcome: the shared index holds every kind.
  EXPECT_GE(verdicts["coherent"], 10);
  EXPECT_EQ(verdicts["not coherent"], 2);
  EXPECT_EQ(verdicts["rejected"], 2);
  EXPECT_EQ(verdicts["bad input"], 1);
}

// libxml2 owns what it returns; these free it.
struct XmlFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
  void operator()(xmlSchemaParserCtxt* context) const { xmlSchemaFreeParserCtxt(context); }
  void operator()(xmlSchema* schema) const { xmlSchemaFree(schema); }
  void operator()(xmlSchemaValidCtxt* context) const { xmlSchemaFreeValidCtxt(context); }
};
template <typename T>
using XmlPtr = std::unique_ptr<T, XmlFree>;

void KeepMessage(void* messages, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  *static_cast<std::string*>(messages) += text;
}

/// What the JUnit schema kept beside the tests finds wrong with `doc`; "" when it is valid.
std::string JUnitSchemaErrors(xmlDoc* doc) {
  std::string messages;
  const XmlPtr<xmlSchemaParserCtxt> parser(xmlSchemaNewParserCtxt(VANTEL_JUNIT_XSD));
  xmlSchemaSetParserErrors(parser.get(), KeepMessage, KeepMessage, &messages);
  const XmlPtr<xmlSchema> schema(xmlSchemaParse(parser.get()));
  if (!schema) return "the schema does not load: " + messages;
  const XmlPtr<xmlSchemaValidCtxt> validator(xmlSchemaNewValidCtxt(schema.get()));
  xmlSchemaSetValidErrors(validator.get(), KeepMessage, KeepMessage, &messages);
  const int result = xmlSchemaValidateDoc(validator.get(), doc);
  return result == 0 ? "" : "invalid (" + std::to_string(result) + "): " + messages;
}

std::string Attribute(xmlNode* node, const char* name) {
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
  std::string text = value ? reinterpret_cast<const char*>(value) : "";
  xmlFree(value);
  return text;
}

std::vector<xmlNode*> Children(xmlNode* node, const char* name) {
  std::vector<xmlNode*> found;
  for (xmlNode* child = node->children; child; child = child->next)
    if (child->type == XML_ELEMENT_NODE && xmlStrcmp(child->name, BAD_CAST name) == 0)
      found.push_back(child);
  return found;
}

std::string Content(xmlNode* node) {
  xmlChar* value = xmlNodeGetContent(node);
  std::string text = value ? reinterpret_cast<const char*>(value) : "";
  xmlFree(value);
  return text;
}

// A calibration repository as CI finds it: Kalbrix files in folders, one broken by hand, one
// with a typo in a key, JSON files that are no Kalbrix and a hidden folder.
TEST_F(CheckManyCliTest, AFolderGivesOneJsonLinePerFileAndAValidJUnitReport) {
  CopyExamples("repo/ecus");
  Write("repo/ecus/broken.json", "{\"machine\": 1, <<<<<<< HEAD\n");
  Copy("v8-two-rails.json", "repo/more", "typo.json", [](Json& d) { d["itemz"] = 1; });
  fs::create_directories(dir_ / "repo/.git");
  Write("repo/.git/hidden.json", "not looked at");
  Write("repo/more/package.json", R"({"name": "calibrations", "version": "1.0.0"})");
  Write("repo/more/notes.txt", "not a .json file");

  const HostRun run = Host({"check", (dir_ / "repo").string(), "--format", "json", "--junit",
                            (dir_ / "out.xml").string()});
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_EQ(run.err, "");
  const std::map<std::string, Json> lines = ByFile(run.out);
  ASSERT_EQ(lines.size(), 9u) << run.out;
  for (const auto& [file, line] : lines) {
    SCOPED_TRACE(file);
    for (const char* key : {"verdict", "status", "machine", "report", "tablesRewritten"})
      EXPECT_TRUE(line.contains(key)) << key;
    for (const char* kind : {"functions", "supervisions", "dataItems"}) {
      EXPECT_TRUE(line.at(kind).at("on").is_array());
      EXPECT_TRUE(line.at(kind).at("off").is_array());
    }
    for (const Json& row : line.at("report")) {
      EXPECT_TRUE(row.at("text").is_string());
      ASSERT_LE(row.at("findings").size(), 1u);
      for (const Json& finding : row.at("findings")) {
        EXPECT_TRUE(finding.at("rule").is_string());
        EXPECT_TRUE(finding.at("text").is_string());
      }
    }
  }
  const Json& incoherent = lines.at((dir_ / "repo/ecus/incoherent-five-cylinders.json").string());
  EXPECT_EQ(incoherent.at("verdict"), "not coherent");
  EXPECT_EQ(incoherent.at("status"), 1);
  EXPECT_EQ(incoherent.at("report").size(), 5u);
  // Every row of a rule's report says which rule and in words what it found.
  for (const Json& row : incoherent.at("report")) EXPECT_EQ(row.at("findings").size(), 1u) << row;
  const Json& v8 = lines.at((dir_ / "repo/ecus/v8-two-rails.json").string());
  EXPECT_EQ(v8.at("machine"), 20);
  EXPECT_NE(std::find(v8.at("functions").at("on").begin(), v8.at("functions").at("on").end(),
                      "FNC_RAIL2"),
            v8.at("functions").at("on").end());
  EXPECT_EQ(lines.at((dir_ / "repo/ecus/older-layout-machine2.json").string())
                .at("tablesRewritten")
                .size(),
            6u);
  const Json& broken = lines.at((dir_ / "repo/ecus/broken.json").string());
  EXPECT_EQ(broken.at("status"), 2);
  EXPECT_NE(broken.at("error").get<std::string>().find("not JSON"), std::string::npos);
  EXPECT_NE(lines.at((dir_ / "repo/more/typo.json").string())
                .at("error")
                .get<std::string>()
                .find("unknown key \"itemz\""),
            std::string::npos);

  const XmlPtr<xmlDoc> doc(xmlReadFile((dir_ / "out.xml").c_str(), nullptr, XML_PARSE_NONET));
  ASSERT_TRUE(doc) << ReadFile(dir_ / "out.xml");
  EXPECT_EQ(JUnitSchemaErrors(doc.get()), "") << ReadFile(dir_ / "out.xml");
  xmlNode* root = xmlDocGetRootElement(doc.get());
  const std::vector<xmlNode*> suites = Children(root, "testsuite");
  ASSERT_EQ(suites.size(), 1u);
  EXPECT_EQ(Attribute(suites[0], "tests"), "9");
  EXPECT_EQ(Attribute(suites[0], "failures"), "1");
  EXPECT_EQ(Attribute(suites[0], "errors"), "2");
  const std::vector<xmlNode*> cases = Children(suites[0], "testcase");
  ASSERT_EQ(cases.size(), 9u);
  for (xmlNode* test : cases) {
    const std::string name = Attribute(test, "name");
    SCOPED_TRACE(name);
    ASSERT_EQ(lines.count(name), 1u);
    const Json& line = lines.at(name);
    const std::vector<xmlNode*> failures = Children(test, "failure");
    const std::vector<xmlNode*> errors = Children(test, "error");
    EXPECT_EQ(failures.size(), line.at("status") == 1 ? 1u : 0u);
    EXPECT_EQ(errors.size(), line.at("status") == 2 ? 1u : 0u);
    if (!errors.empty()) {
      EXPECT_EQ(Content(errors[0]), line.at("error"));
    }
    if (failures.empty()) continue;
    std::string rows;
    for (const Json& row : line.at("report"))
      rows += (rows.empty() ? "" : "\n") + row.at("text").get<std::string>();
    EXPECT_EQ(Content(failures[0]), rows);
  }

  // The schema is a real check: a suite that does not count its tests is refused.
  const char* uncounted = "<testsuites><testsuite name=\"x\"/></testsuites>";
  const XmlPtr<xmlDoc> bad(xmlReadMemory(uncounted, static_cast<int>(std::strlen(uncounted)),
                                         nullptr, nullptr, XML_PARSE_NONET));
  EXPECT_NE(JUnitSchemaErrors(bad.get()).find("'tests' is required"), std::string::npos);
}

TEST_F(CheckManyCliTest, ABadFileGetsItsOwnLineTheOthersAreCheckedAndWrittenBack) {
  const fs::path older = Copy("older-layout-machine2.json", "k", "a-older.json");
  const fs::path v8 = Copy("v8-two-rails.json", "k", "b-v8.json");
  const fs::path typo =
      Copy("inline4-60-2-sequential.json", "k", "c-typo.json", [](Json& d) { d["itemz"] = 1; });
  const std::string before = ReadFile(older);
  const std::string v8Before = ReadFile(v8);
  const std::string typoBefore = ReadFile(typo);

  const HostRun first = Host({"check", "--write", (dir_ / "k").string()});
  EXPECT_EQ(first.status, 2) << first.err;
  EXPECT_EQ(first.out, older.string() + ": coherent, written back: 6 item(s)\n" + v8.string() +
                           ": coherent, written back: 0 item(s)\n" + typo.string() +
                           ": bad input: unknown key \"itemz\"\n" +
                           "== 3 file(s): 2 coherent, 0 not coherent, 0 rejected, 0 not checked, "
                           "1 bad input\n");
  EXPECT_NE(ReadFile(older), before);
  EXPECT_EQ(ReadFile(v8), v8Before);
  EXPECT_EQ(ReadFile(typo), typoBefore);

  // Written back, the upgraded file has nothing left for the plug-in to change.
  const HostRun second = Host({"check", older.string(), v8.string(), "--write"});
  EXPECT_EQ(second.status, 0) << second.out << second.err;
  EXPECT_NE(second.out.find(older.string() + ": coherent, written back: 0 item(s)\n"),
            std::string::npos)
      << second.out;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "k"), {}), 3) << "a temporary was left";
}

TEST_F(CheckManyCliTest, AFolderWithoutAKalbrixIsBadInput) {
  fs::create_directories(dir_ / "empty");
  fs::create_directories(dir_ / "other");
  Write("other/package.json", "{\"name\": \"x\"}");
  const HostRun run = Host({"check", (dir_ / "empty").string(), (dir_ / "other").string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, (dir_ / "empty").string() + ": bad input: no .json file in this folder\n" +
                         (dir_ / "other").string() +
                         ": bad input: no Kalbrix file in this folder\n" +
                         "== 2 file(s): 0 coherent, 0 not coherent, 0 rejected, 0 not checked, "
                         "2 bad input\n");
}

}  // namespace
}  // namespace vantel::host
