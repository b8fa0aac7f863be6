// A review of a change to a Kalbrix file: the comparison on files made by hand, and
// `vantel-host diff` on the changes every example script makes, checked against a comparison
// of the two files' values that knows nothing of the settings.
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host_run.h"
#include "kalbrix.h"
#include "review.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;

constexpr uint16_t kTwinSpark = 2;  // EngineTable word 20
constexpr uint16_t kStatic = 4;

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

/// A file as the review reads it, without the plug-in: the values as the file holds them.
ReviewSide SideOfKalbrix(const std::string& file, Kalbrix kalbrix) {
  ReviewSide side;
  side.file = file;
  side.kalbrix = std::move(kalbrix);
  const KalbrixItem* descriptor = side.kalbrix.Find(side.kalbrix.descriptor);
  for (int32_t id : std::get<Longs>(descriptor->value)) {
    const std::string* name = side.kalbrix.NameOf(id);
    side.elements.push_back(name ? *name : "");
  }
  return side;
}

// --- The comparison, on one example with one value changed by hand.

struct Edit {
  const char* name;
  int element;  // of the descriptor: the item changed
  size_t word;  // of a word table; ignored for an integer item
  int32_t value;
  const char* key;        // the one change it makes
  const char* after;      // a part of the value after
  int32_t nextWord = -1;  // when not -1, the value of the word after too
};

class ReviewCompareTest : public ::testing::TestWithParam<Edit> {};

TEST_P(ReviewCompareTest, OneEditIsOneChangeNamedInWords) {
  const Edit& edit = GetParam();
  const std::string file = Example("inline4-60-2-sequential.json").string();
  const ReviewSide before = SideOfKalbrix(file, LoadKalbrix(file));
  ReviewSide after = before;
  const std::string item = after.elements.at(static_cast<size_t>(edit.element));
  ItemValue& value = after.kalbrix.Find(item)->value;
  if (auto* words = std::get_if<Words>(&value)) {
    words->at(edit.word) = static_cast<uint16_t>(edit.value);
    if (edit.nextWord >= 0) words->at(edit.word + 1) = static_cast<uint16_t>(edit.nextWord);
  } else
    value = edit.value;

  for (HostLanguage language : {HostLanguage::kEnglish, HostLanguage::kFrench}) {
    const Review review = Compare(before, after, language);
    std::set<std::string> keys;
    for (const Change& change : review.changes) {
      EXPECT_TRUE(keys.insert(change.key).second) << "named twice: " << change.key;
      EXPECT_NE(change.before, change.after) << change.key;
      EXPECT_FALSE(change.subject.empty()) << change.key;
      // Tables left as they were under a changed flywheel are told, though they hold no change.
      if (change.key == "flywheel-tables" && change.items.empty()) continue;
      EXPECT_NE(std::find(change.items.begin(), change.items.end(), item), change.items.end())
          << change.key << " does not name " << item;
    }
    const auto found = std::find_if(review.changes.begin(), review.changes.end(),
                                    [&](const Change& c) { return c.key == edit.key; });
    ASSERT_NE(found, review.changes.end()) << edit.key;
    EXPECT_NE(found->after.find(edit.after), std::string::npos) << ChangeLine(*found);
    // Nothing changed is nothing said, whichever way round.
    EXPECT_TRUE(Compare(after, after, language).changes.empty());
    EXPECT_EQ(Compare(after, before, language).changes.size(), review.changes.size());
  }
}

// Descriptor elements: 5 option flags, 12 EngineTable, 13 SyncTable, 14 ToothWindowTable.
// Word 7 of EngineTable is the banks (bit 3: the fourth cylinder on bank 2), 8 to 19 the TDCs,
// 20 ignition, 21 injection, 22 the delay, 23 tuning no setting names, 26 and 27 the
// reference of rail 2's vertical scale. SyncTable word 1 is the flywheel (36-1 here), 3 the
// synchronisation check's speed, 11 the phases' assignment, 14 the first auxiliary phase.
const Edit kEdits[] = {
    {"Cylinders", 12, 6, 6, "cylinders", "6"},
    {"Tdc", 12, 10, 0x4000, "tdc/3", "180.00°"},
    {"Bank", 12, 7, 0x0008, "bank/4", "2"},
    {"Ignition", 12, 20, 4, "ignition", ""},
    {"IgnitionDelay", 12, 22, 80, "ignition/delay", "80"},
    {"Injection", 12, 21, 0x001, "injection", ""},
    {"RailScales", 12, 26, 4120, "rail/2", "SCL_LOAD_0", 0},
    {"TuningWord", 12, 23, 5, "word/TAB_CNFENG_0/23", "5"},
    {"Flywheel", 13, 1, 35 | (36 << 8), "flywheel", "36-1"},
    {"FlywheelTablesLeft", 13, 1, 35 | (36 << 8), "flywheel-tables", ""},
    {"FlywheelTeeth", 13, 1, 35 | (36 << 8), "flywheel/teeth", "35"},
    {"SyncSpeed", 13, 3, 90, "sync/min-rpm", "90"},
    {"AuxPhase", 13, 14, 2 | (10 << 8), "aux/1", "2"},
    {"GeneratorWord", 13, 6, 1, "flywheel-tables", ""},
    {"ToothWindows", 14, 1, 1, "flywheel-tables", ""},
    {"OptionFlags", 5, 0, 0x40, "item/VAL_OPTFLAGS_0", "64"},
};

INSTANTIATE_TEST_SUITE_P(Edits, ReviewCompareTest, ::testing::ValuesIn(kEdits),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReviewEcuTest, AnotherEcuIsToldByItsDescriptorItsCapabilitiesAndItsCommandTables) {
  const std::string file = Example("inline4-60-2-sequential.json").string();
  const ReviewSide side = SideOfKalbrix(file, LoadKalbrix(file));
  EXPECT_FALSE(DifferentEcus(side, side));
  // Its configuration is the machine's: another ECU it is not.
  ReviewSide configured = side;
  std::get<Words>(configured.kalbrix.Find("TAB_CNFENG_0")->value)[6] = 6;
  EXPECT_FALSE(DifferentEcus(side, configured));
  for (const char* item : {"CAP_CYL_0", "CAP_INJ_0", "LST_RAILMAP_0", "CMD_ENGMGT_0"}) {
    ReviewSide other = side;
    ItemValue& value = other.kalbrix.Find(item)->value;
    if (auto* longs = std::get_if<Longs>(&value))
      longs->back() ^= 1;
    else
      std::get<std::string>(value) += "\n";
    const auto why = DifferentEcus(side, other);
    ASSERT_TRUE(why) << item;
    EXPECT_NE(why->find(item), std::string::npos) << *why;
    EXPECT_EQ(why->find('\n'), std::string::npos) << *why;
  }
  ReviewSide renamed = side;
  renamed.kalbrix.descriptor = "DSC_OTHER_0";
  EXPECT_TRUE(DifferentEcus(side, renamed));
  EXPECT_TRUE(DifferentEcus(side, SideOfKalbrix("v8", LoadKalbrix(Example("v8-two-rails.json")))));
}

// --- The command.

using DiffCliTest = HostRunTest;

/// The items whose values differ between two files, by nothing but their values.
std::set<std::string> ChangedValues(const fs::path& a, const fs::path& b) {
  const Kalbrix before = LoadKalbrix(a.string());
  const Kalbrix after = LoadKalbrix(b.string());
  std::set<std::string> names;
  for (const auto& [name, item] : after.items) {
    const KalbrixItem* was = before.Find(name);
    if (!was || was->value != item.value) names.insert(name);
  }
  for (const auto& [name, item] : before.items)
    if (!after.Find(name)) names.insert(name);
  return names;
}

// Each script of the examples applied to its file with the write-back gives a NEW: every
// value that differs is named, once, in words, in each format, and nothing else is.
TEST_F(DiffCliTest, EveryScriptsChangeIsNamedOnceInEachFormat) {
  std::vector<fs::path> scripts;
  for (const auto& entry : fs::directory_iterator(Example("scripts")))
    if (entry.path().extension() == ".script") scripts.push_back(entry.path());
  std::sort(scripts.begin(), scripts.end());
  ASSERT_GE(scripts.size(), 8u);
  size_t withChanges = 0;
  for (const fs::path& script : scripts) {
    SCOPED_TRACE(script.filename().string());
    const std::string text = ReadFile(script);
    std::istringstream first(text.substr(0, text.find('\n')));
    std::vector<std::string> words;
    for (std::string word; first >> word;) words.push_back(word);
    ASSERT_GE(words.size(), 4u);
    words.erase(words.begin(), words.begin() + 2);  // "# vantel-host"
    const fs::path example = fs::path(VANTEL_SOURCE_DIR) / words[1];
    fs::copy_file(example, dir_ / "old.json", fs::copy_options::overwrite_existing);
    fs::copy_file(example, dir_ / "new.json", fs::copy_options::overwrite_existing);
    words[1] = "new.json";
    *(std::find(words.begin(), words.end(), "--script") + 1) = script.string();
    words.push_back("--write");
    if (Host(words).status == 2) continue;  // a script that could not go on wrote nothing

    const HostRun json = Host({"diff", "old.json", "new.json", "--format", "json"});
    ASSERT_NE(json.status, 2) << json.err;
    EXPECT_EQ(json.status, Host({"check", "new.json"}).status);
    const Json review = Json::parse(json.out);

    // What the plug-in reads of each: the files as a check writes them back.
    fs::copy_file(dir_ / "old.json", dir_ / "old-read.json", fs::copy_options::overwrite_existing);
    fs::copy_file(dir_ / "new.json", dir_ / "new-read.json", fs::copy_options::overwrite_existing);
    Host({"check", "old-read.json", "--write"});
    Host({"check", "new-read.json", "--write"});
    const std::set<std::string> differ =
        ChangedValues(dir_ / "old-read.json", dir_ / "new-read.json");

    std::set<std::string> named, keys;
    for (const Json& change : review["changes"]) {
      const std::string key = change["key"];
      EXPECT_TRUE(keys.insert(key).second) << "named twice: " << key;
      EXPECT_FALSE(key.starts_with("word/")) << "not in words: " << key;
      if (change["group"] == "switches") continue;
      for (const Json& item : change["items"]) named.insert(item.get<std::string>());
    }
    EXPECT_EQ(named, differ);
    withChanges += review["changes"].empty() ? 0 : 1;

    const HostRun textRun = Host({"diff", "old.json", "new.json"});
    const HostRun markdown = Host({"diff", "old.json", "new.json", "--format", "markdown"});
    const HostRun french =
        Host({"diff", "old.json", "new.json", "--format", "json", "--language", "fr"});
    EXPECT_EQ(textRun.status, json.status);
    EXPECT_EQ(markdown.status, json.status);
    const std::vector<std::string> lines = Lines(textRun.out);
    for (const Json& change : review["changes"]) {
      const std::string line = "  " + change["text"].get<std::string>();
      EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                              [&](const std::string& l) { return l.starts_with(line); }),
                1)
          << line << "\n"
          << textRun.out;
      EXPECT_EQ(Count(markdown.out, "| " + change["subject"].get<std::string>() + " | "), 1u)
          << markdown.out;
    }
    // The same changes in French, named by the same keys.
    const Json frenchReview = Json::parse(french.out);
    ASSERT_EQ(frenchReview["changes"].size(), review["changes"].size());
    for (size_t i = 0; i < review["changes"].size(); ++i)
      EXPECT_EQ(frenchReview["changes"][i]["key"], review["changes"][i]["key"]);
  }
  EXPECT_GE(withChanges, 6u) << "the sweep compared too few changes";
}

// What the dialog replaced because the plug-in found the ECU does not allow the stored value
// carries a note, on that setting's change only; a value it allows does not. SyncTable word 11
// is 0x0402 here (main camshaft 0, auxiliary phase 1 on camshaft 1).
TEST_F(DiffCliTest, AValueThePluginFoundTheEcuDoesNotAllowIsNotedAsReplaced) {
  using WordEdits = std::vector<std::pair<std::string, std::pair<size_t, uint16_t>>>;
  struct Case {
    const char* key;
    uint16_t camshafts;  // PhaseCaps word 2
    WordEdits before, after;
    bool noted;
  };
  const Case cases[] = {
      {"main-phase/camshaft", 0xD, {{"TAB_CNFSYN1_0", {11, 0x0502}}}, {}, true},
      {"main-phase/camshaft", 0xF, {{"TAB_CNFSYN1_0", {11, 0x0502}}}, {}, false},
      {"aux/1/camshaft", 0xB, {{"TAB_CNFSYN1_0", {11, 0x0802}}}, {}, true},
      {"aux/1/camshaft", 0xF, {{"TAB_CNFSYN1_0", {11, 0x0802}}}, {}, false},
      {"ignition",
       0xF,
       {{"TAB_CNFENG_0", {6, 5}}, {"TAB_CNFENG_0", {20, kTwinSpark}}},
       {{"TAB_CNFENG_0", {6, 5}}, {"TAB_CNFENG_0", {20, kStatic}}},
       true},
      {"ignition", 0xF, {}, {{"TAB_CNFENG_0", {20, kStatic}}}, false},
  };
  const Json example = ParseKalbrixText(ReadFile(Example("inline4-60-2-sequential.json")));
  const auto write = [&](const std::string& file, uint16_t camshafts, const WordEdits& edits) {
    Json document = example;
    for (Json& item : document["items"]) {
      if (item["name"] == "CAP_PHASE_0") item["longs"][2] = camshafts;
      for (const auto& [name, word] : edits)
        if (item["name"] == name) item["words"][word.first] = word.second;
    }
    Write(file, DumpKalbrix(document));
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + (c.noted ? " noted" : " not noted"));
    write("old.json", c.camshafts, c.before);
    write("new.json", c.camshafts, c.after);
    for (const char* language : {"en", "fr"}) {
      const HostRun run =
          Host({"diff", "old.json", "new.json", "--format", "json", "--language", language});
      ASSERT_NE(run.status, 2) << run.err;
      const Json changes = Json::parse(run.out)["changes"];
      const auto found = std::find_if(changes.begin(), changes.end(),
                                      [&](const Json& change) { return change["key"] == c.key; });
      ASSERT_NE(found, changes.end()) << run.out;
      EXPECT_EQ(found->contains("note"), c.noted) << run.out;
      for (const Json& other : changes)
        if (other["key"] != c.key) {
          EXPECT_FALSE(other.contains("note")) << other.dump();
        }
    }
  }
}

TEST_F(DiffCliTest, AFileAgainstItselfIsNoChangeWithItsOwnVerdict) {
  for (const char* name : {"inline4-60-2-sequential.json", "incoherent-five-cylinders.json",
                           "older-layout-machine2.json"}) {
    SCOPED_TRACE(name);
    const std::string file = Example(name).string();
    const HostRun run = Host({"diff", file, file, "--format", "json"});
    ASSERT_NE(run.status, 2) << run.err;
    EXPECT_EQ(run.status, Host({"check", file}).status);
    const Json review = Json::parse(run.out);
    EXPECT_TRUE(review["changes"].empty()) << run.out;
    EXPECT_TRUE(review["rowsAppeared"].empty());
    EXPECT_TRUE(review["rowsGone"].empty());
    EXPECT_NE(Host({"diff", file, file}).out.find("no change"), std::string::npos);
  }
}

TEST_F(DiffCliTest, BadInputAndAnotherEcuAreOneLineAndStatusTwoWithNothingWritten) {
  const std::string inline4 = Example("inline4-60-2-sequential.json").string();
  Write("broken.json", "{\"items\": [");
  const std::vector<std::vector<std::string>> runs = {
      {"diff", inline4, Example("v8-two-rails.json").string()},
      {"diff", inline4, "missing.json"},
      {"diff", "broken.json", inline4},
      {"diff", inline4},
      {"diff", inline4, inline4, inline4},
      {"diff", inline4, dir_.string()},
      {"diff", inline4, inline4, "--format", "sarif"},
      {"check", inline4, "--format", "markdown"},
      {"diff", inline4, inline4, "--write"},
  };
  for (std::vector<std::string> args : runs) {
    args.insert(args.end(), {"--svg", "wheel.svg"});
    const HostRun run = Host(args);
    SCOPED_TRACE(args[1] + " " + args[2]);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_EQ(Count(run.err, "\n"), 1u) << run.err;
    EXPECT_FALSE(fs::exists(dir_ / "wheel.svg"));
  }
  // The two files are read side by side, yet of two bad files OLD is the one named.
  const HostRun both = Host({"diff", "broken.json", "missing.json"});
  EXPECT_NE(both.err.find("broken.json"), std::string::npos) << both.err;
  EXPECT_EQ(both.err.find("missing.json"), std::string::npos) << both.err;
}

TEST_F(DiffCliTest, ThePictureOfNewMarksWhatChanged) {
  const std::string inline4 = Example("inline4-60-2-sequential.json").string();
  fs::copy_file(inline4, dir_ / "new.json");
  Json document = ParseKalbrixText(ReadFile(dir_ / "new.json"));
  for (Json& item : document["items"])
    if (item["name"] == "TAB_CNFENG_0") item["words"][8 + 2] = 0x4100;  // cylinder 3
  Write("new.json", DumpKalbrix(document));
  ASSERT_NE(Host({"diff", inline4, "new.json", "--svg", "changed.svg"}).status, 2);
  const std::string changed = ReadFile(dir_ / "changed.svg");
  EXPECT_NE(changed.find("data-changed-cylinder=\"3\""), std::string::npos);
  EXPECT_EQ(Count(changed, "data-changed=\"cylinder\""), 2u) << "the TDC and its window";
  EXPECT_EQ(Count(changed, "data-changed=\"flywheel\""), 0u);
  EXPECT_EQ(Count(changed, "data-key=\"changed\""), 1u);

  ASSERT_NE(Host({"diff", inline4, inline4, "--svg", "same.svg"}).status, 2);
  const std::string same = ReadFile(dir_ / "same.svg");
  EXPECT_EQ(Count(same, "data-changed"), 0u);
  EXPECT_EQ(Count(same, "data-key=\"changed\""), 0u);
}

}  // namespace
}  // namespace vantel::host
