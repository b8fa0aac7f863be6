#include "kalbrix.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "vantel/host_abi.h"

namespace vantel::host {
namespace {

const char* const kMinimal = R"({
  "machine": 12, "name": "M12", "descriptor": "DSC",
  "userValues": {"VALUSER_LSTSEL": 1},
  "functions": ["FNC_A"], "supervisions": ["SUP_A"],
  "items": [
    {"name": "DSC", "id": 100, "longs": [8, 101]},
    {"name": "TAB", "id": 101, "words": [6, 1, 65535], "state": "0x40000000",
     "attributes": {"20": 0}, "label": "Table"},
    {"name": "VAL", "id": 102, "int": -5},
    {"name": "TXT", "id": 103, "text": "CN0=1 FNC=FNC_A"},
    {"name": "NONE", "id": 104}
  ]
})";

TEST(KalbrixTest, ReadsEveryValueFormAndDefault) {
  const Kalbrix k = KalbrixFromJson(ParseKalbrixText(kMinimal));
  EXPECT_EQ(k.machine, 12u);
  EXPECT_EQ(k.hostLevel, 5);
  EXPECT_EQ(k.UserValue("VALUSER_LSTSEL"), 1);
  EXPECT_FALSE(k.UserValue("VALUSER_LSTPID"));
  EXPECT_TRUE(k.KnowsFunction("FNC_A"));
  EXPECT_FALSE(k.KnowsSupervision("FNC_A"));
  EXPECT_EQ(std::get<Longs>(k.Find("DSC")->value), (Longs{8, 101}));
  EXPECT_EQ(std::get<Words>(k.Find("TAB")->value), (Words{6, 1, 65535}));
  EXPECT_EQ(k.Find("TAB")->stateBits, 0x40000000);
  EXPECT_EQ(k.Find("TAB")->Attribute(REQ_ITEM_ATTR_20), 0);
  EXPECT_EQ(k.Find("VAL")->Attribute(REQ_ITEM_ATTR_20), 1);
  EXPECT_EQ(std::get<int32_t>(k.Find("VAL")->value), -5);
  EXPECT_EQ(k.Find("VAL")->stateBits, kUsableState);
  EXPECT_EQ(std::get<std::string>(k.Find("TXT")->value), "CN0=1 FNC=FNC_A");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(k.Find("NONE")->value));
  ASSERT_NE(k.NameOf(102), nullptr);
  EXPECT_EQ(*k.NameOf(102), "VAL");
  EXPECT_EQ(k.NameOf(-1), nullptr);
}

// The index behind NameOf against a walk over the items, while items come, go and change ids
// (some sharing one), the index read between every change: an id names an item of that id,
// and none when no item has it; once nothing changes, the first by name, as the walk does.
TEST(KalbrixTest, NameOfAnswersAsAWalkOverTheItemsWhateverChanged) {
  const auto walk = [](const Kalbrix& store, int32_t id) -> const std::string* {
    for (const auto& [name, item] : store.items)
      if (item.id == id && id != -1) return &name;
    return nullptr;
  };
  Kalbrix k;
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    const std::string name = "I" + std::to_string(random() % 40);
    const int32_t id = static_cast<int32_t>(random() % 50) - 1;
    switch (random() % 3) {
      case 0:
        k.items[name].id = id;
        break;
      case 1:
        k.items.erase(name);
        break;
      default:
        if (KalbrixItem* item = k.Find(name)) item->id = id;
    }
    for (int32_t asked = -1; asked < 50; asked += 1 + static_cast<int32_t>(random() % 7)) {
      const std::string* named = k.NameOf(asked);
      ASSERT_EQ(named == nullptr, walk(k, asked) == nullptr) << "round " << round << ", " << asked;
      if (named) {
        ASSERT_EQ(k.Find(*named)->id, asked) << "round " << round;
      }
    }
  }
  const Kalbrix read = k;  // as a file reads: ids set before the first question
  read.nameById.clear();
  for (int32_t asked = -1; asked < 50; ++asked) EXPECT_EQ(read.NameOf(asked), walk(read, asked));
}

struct BadCase {
  const char* what;
  const char* text;
  const char* message;  // a part of the one-line message
};

TEST(KalbrixTest, MalformedDocumentsAreRefusedWithOneLineNamingTheFault) {
  const BadCase cases[] = {
      {"not JSON", R"({"machine": 1,)", "not JSON"},
      {"array at top", R"([1, 2])", "one JSON object"},
      {"no machine", R"({"descriptor": "D", "items": []})", "\"machine\" is missing"},
      {"no descriptor", R"({"machine": 1, "items": []})", "\"descriptor\" is missing"},
      {"no items", R"({"machine": 1, "descriptor": "D"})", "\"items\" must be an array"},
      {"unknown top key", R"({"machine": 1, "descriptor": "D", "items": [], "itemz": 1})",
       "unknown key \"itemz\""},
      {"item not object", R"({"machine": 1, "descriptor": "D", "items": [3]})",
       "item 0: must be an object"},
      {"item without name", R"({"machine": 1, "descriptor": "D", "items": [{"id": 1}]})",
       "item 0: \"name\" is missing"},
      {"item without id", R"({"machine": 1, "descriptor": "D", "items": [{"name": "A"}]})",
       "item 0 (A): \"id\" is missing"},
      {"two values",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1, "int": 1, "text": "x"}]})",
       "more than one of"},
      {"word too big",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1, "words": [4, 65536]}]})",
       "\"words\" must be an array of words"},
      {"negative word",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1, "words": [4, -1]}]})",
       "\"words\" must be an array of words"},
      {"words not array",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1, "words": "4 0"}]})",
       "\"words\" must be an array of words"},
      {"long too big",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1, "longs": [8, 4294967296]}]})",
       "\"longs\" must be an array"},
      {"text with NUL",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1, "text": "a\u0000b"}]})",
       "holds a NUL"},
      {"bad state",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1, "state": "0xZZ"}]})",
       "\"state\" must be a 32-bit integer"},
      {"unknown item key",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1, "valu": 3}]})",
       "unknown key \"valu\""},
      // Which fault is named when an item has several: the first unknown key in the file's
      // order, before a missing id; the place names the item's position and name.
      {"two unknown keys, no id",
       R"({"machine": 1, "descriptor": "D", "items": [{"id": 1, "name": "A"}, {"zz": 1, "name": "B", "aa": 2}]})",
       "item 1 (B): unknown key \"zz\""},
      {"bad id before a bad value",
       R"({"machine": 1, "descriptor": "D", "items": [{"words": [-1], "name": "A", "id": "x"}]})",
       "item 0 (A): \"id\" must be a 32-bit integer"},
      {"bad label after a good value",
       R"({"machine": 1, "descriptor": "D", "items": [{"label": 5, "name": "A", "id": 1, "int": 2}]})",
       "item 0 (A): \"label\" must be a text"},
      {"unknown attribute",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1, "attributes": {"21": 1}}]})",
       "unknown attribute \"21\""},
      {"name twice",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1}, {"name": "A", "id": 2}]})",
       "appears twice"},
      {"id twice",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1}, {"name": "B", "id": 1}]})",
       "repeats the id 1"},
      {"functions not names", R"({"machine": 1, "descriptor": "D", "items": [], "functions": [1]})",
       "\"functions\" must be an array of names"},
      {"user value text",
       R"({"machine": 1, "descriptor": "D", "items": [], "userValues": {"V": "x"}})",
       "user value \"V\""},
  };
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  const std::string deepInItem =
      R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1, "x": )" +
      std::string(70, '[') + std::string(70, ']') + "}]}";
  std::string manyKeys = R"({"machine": 1, "descriptor": "D", "items": [], "comment": {)";
  for (int i = 0; i < 100; ++i) manyKeys += "\"k" + std::to_string(i) + "\": 0, ";
  manyKeys += "\"k5\": 1}}";
  const BadCase hostile[] = {
      {"nested a hundred thousand levels", deep.c_str(), "nested deeper than 64 levels"},
      {"nested past the bound inside an item", deepInItem.c_str(), "nested deeper than 64 levels"},
      {"key twice at the top", R"({"machine": 1, "machine": 2, "descriptor": "D", "items": []})",
       "the key \"machine\" appears twice"},
      {"key twice in an item",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1, "int": 1, "int": 2}]})",
       "the key \"int\" appears twice"},
      {"a number past any double", R"({"machine": 1e400, "descriptor": "D", "items": []})",
       "number overflow"},
      {"key twice in an object of many keys", manyKeys.c_str(), "the key \"k5\" appears twice"},
  };
  // Every text the plug-in is given must fit its code page: nothing may be lost on the way.
  const BadCase notHostTexts[] = {
      {"machine name", R"({"machine": 1, "name": "Moteur → 2", "descriptor": "D", "items": []})",
       "\"name\": code page 1252, in which the plug-in reads host texts, has no \"→\" (U+2192)"},
      {"descriptor", R"({"machine": 1, "descriptor": "D→", "items": []})",
       "\"descriptor\": code page 1252"},
      {"item name", R"({"machine": 1, "descriptor": "D", "items": [{"name": "TAB→", "id": 1}]})",
       "item 0 (TAB→): \"name\": code page 1252"},
      {"label",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1, "label": "Débit ✓"}]})",
       "item 0 (A): \"label\": code page 1252, in which the plug-in reads host texts, has no "
       "\"✓\" (U+2713)"},
      {"error text",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1, "errorText": "Ω"}]})",
       "item 0 (A): \"errorText\": code page 1252"},
      {"text value beyond the first plane",
       R"({"machine": 1, "descriptor": "D", "items": [{"name": "A", "id": 1, "text": "ok 😀"}]})",
       "item 0 (A): \"text\": code page 1252, in which the plug-in reads host texts, has no "
       "\"😀\" (U+1F600)"},
      {"function", R"({"machine": 1, "descriptor": "D", "items": [], "functions": ["F→"]})",
       "\"functions\": code page 1252"},
      {"supervision", R"({"machine": 1, "descriptor": "D", "items": [], "supervisions": ["S→"]})",
       "\"supervisions\": code page 1252"},
      {"user value name",
       R"({"machine": 1, "descriptor": "D", "items": [], "userValues": {"V→": 1}})",
       "\"user value \"V→\"\": code page 1252"},
  };
  std::vector<BadCase> all(std::begin(cases), std::end(cases));
  all.insert(all.end(), std::begin(hostile), std::end(hostile));
  all.insert(all.end(), std::begin(notHostTexts), std::end(notHostTexts));
  for (const BadCase& c : all) {
    SCOPED_TRACE(c.what);
    try {
      KalbrixFromJson(ParseKalbrixText(c.text));
      ADD_FAILURE() << "accepted";
    } catch (const KalbrixError& error) {
      const std::string message = error.what();
      EXPECT_NE(message.find(c.message), std::string::npos) << message;
      EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
  }
}

TEST(KalbrixTest, StateBitsMayBeWrittenAsUnsignedOrHex) {
  const char* text = R"({"machine": 1, "descriptor": "D", "items": [
      {"name": "A", "id": 1, "state": 2281701376}, {"name": "B", "id": 2, "state": "0x88000000"}]})";
  const Kalbrix k = KalbrixFromJson(ParseKalbrixText(text));
  EXPECT_EQ(static_cast<uint32_t>(k.Find("A")->stateBits), 0x88000000u);
  EXPECT_EQ(static_cast<uint32_t>(k.Find("B")->stateBits), 0x88000000u);
}

class KalbrixFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }

  test::TempDir temp_;
  const std::filesystem::path dir_ = temp_.path();
};

TEST_F(KalbrixFileTest, MissingFileIsOneLineNamingThePath) {
  const std::string path = (dir_ / "absent.json").string();
  try {
    LoadKalbrix(path);
    FAIL() << "loaded a missing file";
  } catch (const KalbrixError& error) {
    EXPECT_EQ(std::string(error.what()).rfind(path + ": cannot open", 0), 0u) << error.what();
  }
}

TEST_F(KalbrixFileTest, PatchReplacesOnlyWrittenValuesInTheirPlace) {
  Json document = ParseKalbrixText(kMinimal);
  Kalbrix k = KalbrixFromJson(document);
  k.Find("TAB")->value = Words{4, 9};
  k.Find("VAL")->value = int32_t{7};
  k.Find("TXT")->value = std::string("changed but not written");
  const Json patched = PatchValues(document, k, {"TAB", "VAL"});

  const Json& tab = patched["items"][1];
  EXPECT_EQ(tab["words"], Json({4, 9}));
  std::vector<std::string> keys;
  for (const auto& [key, unused] : tab.items()) keys.push_back(key);
  EXPECT_EQ(keys,
            (std::vector<std::string>{"name", "id", "words", "state", "attributes", "label"}));
  EXPECT_EQ(patched["items"][2]["int"], 7);
  EXPECT_EQ(patched["items"][3]["text"], "CN0=1 FNC=FNC_A");
  EXPECT_EQ(patched["userValues"], document["userValues"]);
}

TEST_F(KalbrixFileTest, DumpReadsBackToTheSameDocument) {
  const Json document = ParseKalbrixText(kMinimal);
  const std::string text = DumpKalbrix(document);
  EXPECT_EQ(ParseKalbrixText(text), document);
  // Tables stay on one line each: a flywheel table is read as a row, not a column.
  EXPECT_NE(text.find("\"words\": [6, 1, 65535]"), std::string::npos) << text;

  // An object of many keys keeps them in the file's order, past the reader's linear check.
  std::string many = R"({"machine": 1, "descriptor": "D", "items": [], "comment": {)";
  for (int i = 99; i >= 0; --i) many += "\"k" + std::to_string(i) + (i ? "\": 0, " : "\": 0}}");
  const Json wide = ParseKalbrixText(many);
  std::vector<std::string> keys;
  for (const auto& [key, unused] : wide["comment"].items()) keys.push_back(key);
  ASSERT_EQ(keys.size(), 100u);
  EXPECT_EQ(keys.front(), "k99");
  EXPECT_EQ(keys.back(), "k0");
  EXPECT_EQ(ParseKalbrixText(DumpKalbrix(wide)), wide);
}

TEST_F(KalbrixFileTest, AtomicWriteReplacesTheFileKeepsItsModeAndLeavesNoTemporary) {
  const auto path = dir_ / "k.json";
  { std::ofstream(path) << "old"; }
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  WriteFileAtomically(path.string(), "new text\n");
  EXPECT_EQ(test::ReadFile(path), "new text\n");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

// A file kept under another name by a link (a calibration shared between projects): the
// write replaces the file the chain of links ends at, keeps its mode and leaves the links.
TEST_F(KalbrixFileTest, AtomicWriteThroughLinksReplacesTheFileTheyNameAndKeepsThem) {
  namespace fs = std::filesystem;
  fs::create_directories(dir_ / "real");
  const auto real = dir_ / "real" / "k.json";
  { std::ofstream(real) << "old"; }
  ASSERT_EQ(chmod(real.c_str(), 0640), 0);
  fs::create_symlink("real/k.json", dir_ / "relative");
  fs::create_symlink(dir_ / "relative", dir_ / "absolute");
  for (const char* link : {"relative", "absolute"}) {
    SCOPED_TRACE(link);
    WriteFileAtomically((dir_ / link).string(), std::string("through ") + link);
    EXPECT_TRUE(fs::is_symlink(dir_ / link));
    EXPECT_EQ(test::ReadFile(real), std::string("through ") + link);
    struct stat st {};
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
  }
  EXPECT_EQ(fs::read_symlink(dir_ / "relative"), "real/k.json");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "real"), {}), 1);

  // A link to nothing yet: the file is made where it points.
  fs::create_symlink("real/new.json", dir_ / "dangling");
  WriteFileAtomically((dir_ / "dangling").string(), "new");
  EXPECT_EQ(test::ReadFile(dir_ / "real" / "new.json"), "new");
  EXPECT_TRUE(fs::is_symlink(dir_ / "dangling"));

  fs::create_symlink("loop-b", dir_ / "loop-a");
  fs::create_symlink("loop-a", dir_ / "loop-b");
  try {
    WriteFileAtomically((dir_ / "loop-a").string(), "x");
    ADD_FAILURE() << "wrote through a loop";
  } catch (const KalbrixError& error) {
    EXPECT_NE(std::string(error.what()).find("too many levels of symbolic links"),
              std::string::npos);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 6) << "a temporary was left";
}

TEST_F(KalbrixFileTest, AtomicWriteIntoAMissingFolderFailsWithoutTouchingAnything) {
  EXPECT_THROW(WriteFileAtomically((dir_ / "no" / "k.json").string(), "x"), KalbrixError);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 0);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The written layout is the examples' layout: writing a file back unchanged gives its bytes,
// and a changed word changes the one line that holds its table.
TEST_F(KalbrixFileTest, AWriteChangesOnlyTheLinesOfTheValuesThatChanged) {
  size_t examples = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(VANTEL_SOURCE_DIR) / "examples")) {
    if (entry.path().extension() != ".json") continue;
    ++examples;
    SCOPED_TRACE(entry.path().filename().string());
    const std::string text = test::ReadFile(entry.path());
    const Json document = ParseKalbrixText(text);
    Kalbrix kalbrix = KalbrixFromJson(document);
    EXPECT_EQ(DumpKalbrix(PatchValues(document, kalbrix, kalbrix.listOrder)), text);

    const auto table = std::find_if(
        kalbrix.listOrder.begin(), kalbrix.listOrder.end(), [&](const std::string& name) {
          return std::holds_alternative<Words>(kalbrix.Find(name)->value);
        });
    ASSERT_NE(table, kalbrix.listOrder.end());
    std::get<Words>(kalbrix.Find(*table)->value).back() ^= 1;
    const std::vector<std::string> before = Lines(text);
    const std::vector<std::string> after =
        Lines(DumpKalbrix(PatchValues(document, kalbrix, {*table})));
    ASSERT_EQ(after.size(), before.size());
    std::vector<std::string> changed;
    for (size_t i = 0; i < after.size(); ++i)
      if (after[i] != before[i]) changed.push_back(after[i]);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].find("\"words\": ["), changed[0].find_first_not_of(' ')) << changed[0];
  }
  EXPECT_GE(examples, 7u);
}

TEST_F(KalbrixFileTest, AFileInAnotherLayoutIsWrittenOnceInTheHostsLayoutThenKeptAsItIs) {
  const char* compact = R"({"machine": 2, "descriptor": "D", "userValues": {},
    "items": [{"name": "D", "id": 1, "longs": [8, 2], "attributes": {"20": 0}},
              {"name": "T", "id": 2, "text": "caf\u00e9\n\u0001"}]})";
  const std::string written = DumpKalbrix(ParseKalbrixText(compact));
  EXPECT_EQ(written,
            "{\n"
            "  \"machine\": 2,\n"
            "  \"descriptor\": \"D\",\n"
            "  \"userValues\": {},\n"
            "  \"items\": [\n"
            "    {\n"
            "      \"name\": \"D\",\n"
            "      \"id\": 1,\n"
            "      \"longs\": [8, 2],\n"
            "      \"attributes\": {\n"
            "        \"20\": 0\n"
            "      }\n"
            "    },\n"
            "    {\n"
            "      \"name\": \"T\",\n"
            "      \"id\": 2,\n"
            "      \"text\": \"caf\xC3\xA9\\n\\u0001\"\n"
            "    }\n"
            "  ]\n"
            "}\n");
  EXPECT_EQ(DumpKalbrix(ParseKalbrixText(written)), written);
}

TEST_F(KalbrixFileTest, ATextThatIsNotUtf8IsRefusedRatherThanWritten) {
  Json document = ParseKalbrixText(kMinimal);
  Kalbrix k = KalbrixFromJson(document);
  k.Find("TXT")->value = std::string("CN0=\xFF");  // what a plug-in could write
  EXPECT_THROW(DumpKalbrix(PatchValues(document, k, {"TXT"})), KalbrixError);
}

}  // namespace
}  // namespace vantel::host
