// The flywheel picture, read back through its data- attributes: drawn in process from tables
// the product's generator builds, and by the built vantel-host from the bundled examples.
// The pictures in docs/wheels are what the host draws; after a deliberate change make them
// again with
//   VANTEL_UPDATE_PICTURES=1 ./build/tools/vantel-host/vantel_host_tests
//   --gtest_filter='Wheel*Docs*'
#include "wheel.h"

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/flywheel_tables.h"
#include "host_run.h"
#include "platform/string_table.h"
#include "res/string_ids.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;

// --- Reading the picture back: one element a line, its attributes and its text.
struct Element {
  std::map<std::string, std::string> attributes;
  std::string text;

  std::string operator[](const std::string& name) const {
    const auto found = attributes.find(name);
    return found == attributes.end() ? "" : found->second;
  }
};

std::vector<Element> Elements(const std::string& svg, const std::string& attribute) {
  static const std::regex kAttribute(R"re(([\w-]+)="([^"]*)")re");
  static const std::regex kText(R"re(>([^<]*)</text>)re");
  std::vector<Element> found;
  std::istringstream lines(svg);
  for (std::string line; std::getline(lines, line);) {
    if (line.find(" " + attribute + "=\"") == std::string::npos) continue;
    Element element;
    const std::string tag = line.substr(0, line.find('>'));
    for (std::sregex_iterator it(tag.begin(), tag.end(), kAttribute), end; it != end; ++it)
      element.attributes[(*it)[1]] = (*it)[2];
    std::smatch text;
    if (std::regex_search(line, text, kText)) element.text = text[1];
    found.push_back(element);
  }
  return found;
}

std::vector<std::string> Values(const std::vector<Element>& elements, const std::string& name) {
  std::vector<std::string> values;
  for (const Element& e : elements) values.push_back(e[name]);
  return values;
}

size_t CountWith(const std::vector<Element>& elements, const std::string& name,
                 const std::string& value) {
  return static_cast<size_t>(std::count_if(elements.begin(), elements.end(),
                                           [&](const Element& e) { return e[name] == value; }));
}

bool WellFormed(const std::string& svg) {
  return svg.rfind("<svg ", 0) == 0 && svg.size() > 7 && svg.ends_with("</svg>\n");
}

// --- Drawn in process, from tables the generator builds.
WheelInput Generated(uint16_t flywheelWord, uint16_t cylinders) {
  WheelInput input;
  auto& [engine, sync, window, angle, position, regular] = input.tables;
  engine.assign(kEngineTableWords, 0);
  engine[0] = 2 * kEngineTableWords;
  engine[kEngineFormatWord] = kEngineFormat;
  for (size_t i = 0; i < kEngineReferencePositions.size(); ++i)
    engine[kEngineReferencePositionWord + i] = kEngineReferencePositions[i];
  engine[kEngineCylindersWord] = cylinders;
  for (uint16_t c = 0; c < cylinders && c < kMaxCylinders; ++c)
    engine[kEngineAngleWord + c] = RegularAngleWord(c, cylinders);
  engine[kEngineIgnitionWord] = kIgnitionDistributed;
  engine[kEngineInjectionWord] = InjectionBit(1, 0);
  sync.assign(kSyncTableWords, 0);
  sync[0] = 2 * kSyncTableWords;
  sync[kSyncFlywheelWord] = flywheelWord;
  sync[kSyncPhaseAssignmentWord] = kPhaseOnMarksPosition;
  sync[kSyncMainPhaseWord] = 0x0501;  // one mark, expected from tooth 5
  sync[kSyncAuxPhaseWord] = 0x0304;   // auxiliary phase 1: 4 teeth from tooth 3
  std::optional<FlywheelTables> built = BuildFlywheelTables(sync, engine);
  EXPECT_TRUE(built.has_value());
  if (built) {
    built->WriteSyncWords(sync);
    window = built->tables[0];
    angle = built->tables[1];
    position = built->tables[2];
    regular = built->tables[3];
  }
  const Flywheel f = DecodeFlywheel(flywheelWord);
  sync[kSyncMarkToothWord] =
      static_cast<uint16_t>(PhaseMarkTooth(1, f.N, f.T, kPhaseOnMarksPosition, f.R));
  input.title = "generated";
  input.verdict = "coherent";
  return input;
}

struct FlywheelCase {
  const char* what;  // the wheel's name, or how it differs from the one it is named as
  const char* name;
  uint16_t word;
  size_t teethPerTurn;  // extra teeth included
  size_t extraPerTurn;
  std::vector<std::string> gapsPerTurn;  // data-gap of each missing position of a turn
  size_t marks;
};

TEST(WheelDrawingTest, EveryFlywheelTypeShowsItsTeethGapsAndNumberedMarks) {
  const FlywheelCase cases[] = {
      {"60-2", "60-2", EncodeFlywheel(58, 0, kTwoMissingTeeth, false), 58, 0, {"2", "2"}, 2},
      {"60-2-2",
       "60-2-2",
       EncodeFlywheel(56, 1, kTwoMissingTeeth, false),
       56,
       0,
       {"2", "2", "2", "2"},
       4},
      {"36-1", "36-1", EncodeFlywheel(35, 0, kOneMissingTooth, false), 35, 0, {"1"}, 2},
      {"alternative singularity",
       "60-2",
       EncodeFlywheel(58, 0, kTwoMissingTeeth, true),
       58,
       0,
       {"1", "1"},
       2},
      {"12+1", "12+1", EncodeFlywheel(13, 0, kOneExtraTooth, false), 13, 1, {}, 2},
      {"24+1+1", "24+1+1", EncodeFlywheel(26, 1, kOneExtraTooth, false), 26, 2, {}, 4},
      {"24 regular", "24", EncodeFlywheel(24, 0, kRegularTeeth, false), 24, 0, {}, 0},
  };
  for (const FlywheelCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string svg = DrawWheel(Generated(c.word, 4));
    ASSERT_TRUE(WellFormed(svg));
    EXPECT_EQ(WheelName(c.word), c.name);
    EXPECT_EQ(Values(Elements(svg, "data-title"), "data-wheel"), std::vector<std::string>{c.name});
    const auto teeth = Elements(svg, "data-tooth");
    const auto missing = Elements(svg, "data-missing");
    std::set<std::string> toothAngles;
    for (const std::string turn : {"1", "2"}) {
      EXPECT_EQ(CountWith(teeth, "data-turn", turn), c.teethPerTurn) << "turn " << turn;
      size_t extra = 0;
      std::vector<std::string> gaps;
      for (const Element& t : teeth) extra += t["data-turn"] == turn && t["data-extra"] == "1";
      for (const Element& m : missing)
        if (m["data-turn"] == turn) gaps.push_back(m["data-gap"]);
      EXPECT_EQ(extra, c.extraPerTurn) << "turn " << turn;
      EXPECT_EQ(gaps, c.gapsPerTurn) << "turn " << turn;
    }
    for (const Element& t : teeth) toothAngles.insert(t["data-angle"]);
    for (const Element& m : missing)
      EXPECT_EQ(toothAngles.count(m["data-angle"]), 0u)
          << "a tooth on missing position " << m["data-missing"];
    const auto marks = Elements(svg, "data-reference");
    ASSERT_EQ(marks.size(), c.marks);
    for (size_t m = 0; m < marks.size(); ++m)
      EXPECT_EQ(marks[m]["data-reference"], std::to_string(m + 1));
    EXPECT_TRUE(Elements(svg, "data-note").empty()) << svg;
  }
}

// The camshaft of an auxiliary phase: its teeth counted, the first at its first tooth.
TEST(WheelDrawingTest, AuxiliaryCamshaftTeethAreDrawnFromTheirFirstTooth) {
  const WheelInput input = Generated(EncodeFlywheel(58, 0, kTwoMissingTeeth, false), 4);
  const std::string svg = DrawWheel(input);
  const auto marks = Elements(svg, "data-aux-mark");
  ASSERT_EQ(Values(marks, "data-aux-mark"), (std::vector<std::string>{"1", "2", "3", "4"}));
  std::vector<Element> start;  // the main phase's, then auxiliary phase 1's
  for (const Element& e : Elements(svg, "data-start-tooth"))
    if (e["data-window"].empty()) start.push_back(e);
  ASSERT_EQ(start.size(), 2u);
  EXPECT_EQ(start[1]["data-start-tooth"], "3");
  EXPECT_EQ(marks[0]["data-angle"], start[1]["data-angle"]);
  // Hollow past the first: counted, not placed.
  EXPECT_EQ(marks[0]["fill"], "");
  EXPECT_EQ(marks[1]["fill"], "#ffffff");
}

// What each finding concerns is outlined and numbered after the finding; its words go
// under its row.
TEST(WheelDrawingTest, EachFindingOutlinesTheCylinderToothAndPhaseItConcerns) {
  WheelInput input = Generated(EncodeFlywheel(58, 0, kTwoMissingTeeth, false), 4);
  input.verdict = "not coherent";
  input.reportRows = {"first row", "second row of one finding", "its third row"};
  input.reportFindings = Json::parse(R"([
      {"index":0,"rule":"ignition-delay","words":[{"table":"EngineTable","word":22}],
       "found":150,"unit":"us","bound":"at-most","limit":100,
       "cylinders":[3],"teeth":[5],"phases":["aux1"]},
      {"index":1,"rule":"cylinder-count","words":[],"found":7,"unit":"count",
       "bound":"one-of","limit":[4,6],"cylinders":[3],"teeth":[],"phases":["main"]},
      {"index":1,"rule":"cylinder-count","words":[],"found":7,"unit":"count",
       "bound":"one-of","limit":[4,6],"cylinders":[3],"teeth":[],"phases":["main"]}])");
  const std::string svg = DrawWheel(input);
  ASSERT_TRUE(WellFormed(svg));

  const auto cylinders = Elements(svg, "data-concern-cylinder");
  ASSERT_FALSE(cylinders.empty());
  for (const Element& e : cylinders) {
    EXPECT_EQ(e["data-concern-cylinder"], "3");
    EXPECT_EQ(e["data-finding"], "1 2");
  }
  const auto teeth = Elements(svg, "data-concern-tooth");
  ASSERT_EQ(teeth.size(), 1u);
  EXPECT_EQ(teeth[0]["data-finding"], "1");
  EXPECT_EQ(teeth[0]["data-angle"], Elements(svg, "data-tooth")[5]["data-angle"]);
  std::map<std::string, std::string> phases;
  for (const Element& e : Elements(svg, "data-concern-phase"))
    phases[e["data-concern-phase"]] = e["data-finding"];
  EXPECT_EQ(phases, (std::map<std::string, std::string>{{"aux1", "1"}, {"main", "2"}}));

  // Under the first row and under the last row of the second finding.
  const auto words = Elements(svg, "data-finding-of-row");
  ASSERT_EQ(Values(words, "data-finding-of-row"), (std::vector<std::string>{"1", "3"}));
  EXPECT_EQ(words[0].text,
            "ignition delay: 150 µs, the ECU allows at most 100 µs (EngineTable word 22)");
  EXPECT_EQ(words[1].text, "cylinders: 7, the ECU allows 4, 6");
}

// A TDC typed on a tooth's angle is stored a unit below the tooth's word, which the
// generator rounds to the nearest unit: the picture says why its window ends a tooth early.
TEST(WheelDrawingTest, ATdcTypedOnAToothEndsItsWindowAToothEarlyAndTheLegendSaysWhy) {
  WheelInput input = Generated(EncodeFlywheel(35, 0, kOneMissingTooth, false), 4);
  const std::optional<uint16_t> typed = AngleWordFromHundredths(39000);  // 390.00°
  ASSERT_TRUE(typed.has_value());
  const uint16_t toothWord = input.tables[3][1 + 38];  // tooth 38 lies at 390°
  ASSERT_EQ(AngleText(toothWord), "390.00");
  ASSERT_EQ(*typed + 1, toothWord);

  struct {
    const char* what;
    uint16_t tdc;
    const char* endTooth;
    size_t notes;
  } const cases[] = {{"typed 390.00", *typed, "37", 1},
                     {"the tooth's own word", toothWord, "38", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    input.tables[0][kEngineAngleWord + 2] = c.tdc;
    const std::string svg = DrawWheel(input);
    const auto windows = Elements(svg, "data-window");
    ASSERT_EQ(windows.size(), 4u);
    EXPECT_EQ(windows[2]["data-end-tooth"], c.endTooth);
    const auto notes = Elements(svg, "data-window-note");
    ASSERT_EQ(notes.size(), c.notes);
    if (c.notes == 0) continue;
    EXPECT_EQ(notes[0]["data-window-note"],
              "3rd TDC, 390.00°, is one unit (1/65536 of the cycle) below tooth 38 (390.00°): "
              "a typed angle is stored rounded down, a tooth angle rounded to the nearest unit, "
              "so its window ends at tooth 37, a tooth early");
  }
}

// Every table cut short at every length, or filled with 0xFFFF: the picture is still drawn,
// from nothing past the table's end, and the legend says what the table lacks.
TEST(WheelDrawingTest, ShortOrOddTablesStillDrawAndAreNamedInTheLegend) {
  const WheelInput whole = Generated(EncodeFlywheel(58, 0, kTwoMissingTeeth, false), 4);
  ASSERT_TRUE(Elements(DrawWheel(whole), "data-note").empty());
  for (size_t t = 0; t < kWheelTables; ++t) {
    const size_t size = whole.tables[t].size();
    for (size_t length = 0; length <= size; ++length) {
      SCOPED_TRACE(testing::Message() << "table " << t << " cut to " << length << " words");
      WheelInput input = whole;
      input.tables[t].resize(length);
      const std::string svg = DrawWheel(input);
      ASSERT_TRUE(WellFormed(svg));
      if (length < size) {
        ASSERT_FALSE(Elements(svg, "data-note").empty());
        // Teeth past the end of a cut position table are not taken for extra teeth.
        if (t == 4) {
          ASSERT_TRUE(Elements(svg, "data-extra").empty());
        }
      }
      const size_t teeth = input.tables[3].empty() ? 0 : input.tables[3].size() - 1;
      ASSERT_LE(Elements(svg, "data-tooth").size(), teeth);
    }
    SCOPED_TRACE(testing::Message() << "table " << t << " all 0xFFFF");
    WheelInput input = whole;
    std::fill(input.tables[t].begin(), input.tables[t].end(), 0xFFFF);
    const std::string svg = DrawWheel(input);
    ASSERT_TRUE(WellFormed(svg));
    EXPECT_FALSE(Elements(svg, "data-note").empty());
  }
}

// --- The built host on the bundled examples.
using WheelCliTest = HostRunTest;

std::string RowWithCylinders(uint32_t id, int cylinders) {
  return LoadString(id) + std::to_string(cylinders) + LoadString(IDS_SUFFIX_CYLINDERS);
}

std::vector<std::string> Angles(std::initializer_list<int> degrees) {
  std::vector<std::string> out;
  for (int d : degrees) out.push_back(std::to_string(d) + ".00");
  return out;
}

struct ExampleWheel {
  const char* file;
  int status;
  size_t teethPerTurn;
  std::vector<std::string> extra;    // angles of the extra teeth
  std::vector<std::string> missing;  // angles of the missing positions
  std::vector<std::string> marks;    // angles of the reference marks, in number order
  std::vector<std::string> tdcs;     // in firing order
  std::vector<size_t> banks;         // cylinders with data-bank 0, 1, 2
  std::vector<std::string> rows;
  // Where the windows close when not on the TDCs: no window of exactly one cylinder's share
  // can end on a tooth just past the extra tooth, so that one closes a tooth earlier, and the
  // legend says so under "Measurement windows".
  std::vector<std::string> windowEnds = {};
  size_t windowNotes = 0;
};

TEST_F(WheelCliTest, EveryExampleDrawsItsWheelAfterTheOpen) {
  const std::vector<size_t> noBanks4 = {4, 0, 0};
  const ExampleWheel cases[] = {
      {"inline4-60-2-sequential.json",
       0,
       58,
       {},
       Angles({348, 354, 708, 714}),
       Angles({351, 711}),
       Angles({0, 180, 360, 540}),
       noBanks4,
       {}},
      // Drawn from the upgraded and regenerated tables: the file holds empty ones.
      {"older-layout-machine2.json",
       0,
       58,
       {},
       Angles({348, 354, 708, 714}),
       Angles({351, 711}),
       Angles({0, 180, 360, 540}),
       noBanks4,
       {}},
      {"v12-12plus1-static.json",
       0,
       13,
       {"315.00", "675.00"},
       {},
       {"315.00", "675.00"},
       Angles({0, 60, 120, 180, 240, 300, 360, 420, 480, 540, 600, 660}),
       {12, 0, 0},
       {},
       Angles({0, 60, 120, 180, 240, 270, 360, 420, 480, 540, 600, 630}),
       2},
      {"v8-two-rails.json",
       0,
       58,
       {},
       Angles({348, 354, 708, 714}),
       Angles({351, 711}),
       Angles({0, 90, 180, 270, 360, 450, 540, 630}),
       {0, 4, 4},
       {}},
      {"v6-36-1-banks-twin-spark.json",
       0,
       35,
       {},
       Angles({350, 710}),
       Angles({350, 710}),
       Angles({0, 120, 240, 360, 480, 600}),
       {0, 3, 3},
       {}},
      {"inline3-regular-teeth.json", 0, 24, {}, {}, {}, Angles({0, 240, 480}), {3, 0, 0}, {}},
      {"incoherent-five-cylinders.json",
       1,
       58,
       {},
       Angles({348, 354, 708, 714}),
       Angles({351, 711}),
       Angles({0, 144, 288, 432, 576}),
       {5, 0, 0},
       {LoadString(IDS_MAIN_CAMSHAFT_UNKNOWN), LoadString(IDS_TWIN_SPARK_ODD_CYLINDERS),
        LoadString(IDS_IGNITION_DELAY_OUT_OF_LIMITS),
        RowWithCylinders(IDS_SEMI_SEQ_TWO_RAILS_MINIMUM, 5),
        RowWithCylinders(IDS_SEMI_SEQ_TWO_RAILS_REFUSED, 5)}},
  };
  for (const ExampleWheel& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string before = ReadFile(Example(c.file));
    const fs::path out = dir_ / "wheel.svg";
    const HostRun run = Host({"wheel", Example(c.file).string(), "--svg", out.string()});
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    EXPECT_NE(run.out.find("== result: "), std::string::npos) << run.out;
    EXPECT_EQ(ReadFile(Example(c.file)), before) << "wheel changed the file";
    const std::string svg = ReadFile(out);
    ASSERT_TRUE(WellFormed(svg)) << svg;

    const auto teeth = Elements(svg, "data-tooth");
    EXPECT_EQ(CountWith(teeth, "data-turn", "1"), c.teethPerTurn);
    EXPECT_EQ(CountWith(teeth, "data-turn", "2"), c.teethPerTurn);
    EXPECT_EQ(Values(Elements(svg, "data-extra"), "data-angle"), c.extra);
    EXPECT_EQ(Values(Elements(svg, "data-missing"), "data-angle"), c.missing);
    EXPECT_EQ(Values(Elements(svg, "data-reference"), "data-angle"), c.marks);

    const auto cylinders = Elements(svg, "data-cylinder");
    EXPECT_EQ(Values(cylinders, "data-angle"), c.tdcs);
    std::map<std::string, std::set<std::string>> inks;  // bank to its colours
    for (const Element& cylinder : cylinders) inks[cylinder["data-bank"]].insert(cylinder["fill"]);
    for (size_t bank = 0; bank < c.banks.size(); ++bank)
      EXPECT_EQ(CountWith(cylinders, "data-bank", std::to_string(bank)), c.banks[bank]);
    for (const auto& [bank, colours] : inks) EXPECT_EQ(colours.size(), 1u) << "bank " << bank;
    if (c.banks[2] > 0) {
      EXPECT_NE(inks["1"], inks["2"]);
    }
    // A tooth sits on every TDC of the examples, where its cylinder's window closes.
    EXPECT_EQ(Values(Elements(svg, "data-window"), "data-end-angle"),
              c.windowEnds.empty() ? c.tdcs : c.windowEnds);

    std::vector<std::string> rows;
    for (const Element& row : Elements(svg, "data-row")) rows.push_back(row.text);
    EXPECT_EQ(rows, c.rows);
    EXPECT_TRUE(Elements(svg, "data-note").empty()) << svg;
    EXPECT_EQ(Elements(svg, "data-window-note").size(), c.windowNotes);
  }
}

// The picture in the host's French, the plug-in's rows in its own; what tools read stays.
TEST_F(WheelCliTest, FrenchPictureHasFrenchTexts) {
  const fs::path out = dir_ / "wheel.svg";
  const HostRun run = Host({"wheel", Example("incoherent-five-cylinders.json").string(), "--svg",
                            out.string(), "--language", "1036"});
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  const std::string svg = ReadFile(out);
  ASSERT_TRUE(WellFormed(svg));
  std::set<std::string> texts;
  std::string lines;  // a finding's words may take several
  for (const Element& e : Elements(svg, "x")) {
    texts.insert(e.text);
    lines += e.text + " ";
  }
  for (const char* french :
       {"Prototype 5 : un cycle moteur, volant 60-2", "tour de vilebrequin 1", "vilebrequin",
        "Décodé", "Configuration : non cohérente", "dents : 58", "volant : 60-2"})
    EXPECT_EQ(texts.count(french), 1u) << french;
  EXPECT_NE(lines.find("délai d'allumage : 150 µs, le calculateur admet au plus 100 µs "
                       "(EngineTable TAB_CNFENG_0 mot 22; IgnitionCaps mot 5)"),
            std::string::npos)
      << lines;
  for (const std::string& text : texts)
    for (const char* english : {"crankshaft", "Decoded", "the ECU", "teeth", "revolution"})
      EXPECT_EQ(text.find(english), std::string::npos) << text;
  EXPECT_EQ(Values(Elements(svg, "data-verdict"), "data-verdict"),
            std::vector<std::string>{"not coherent"});
  // The main phase's camshaft is the first finding.
  const auto phases = Elements(svg, "data-concern-phase");
  ASSERT_EQ(phases.size(), 1u);
  EXPECT_EQ(phases[0]["data-concern-phase"], "main");
  EXPECT_EQ(phases[0]["data-finding"], "1");
}

TEST_F(WheelCliTest, DocsShowTheWheelOfEveryExample) {
  const fs::path pictures = fs::path(VANTEL_SOURCE_DIR) / "docs" / "wheels";
  const bool update = std::getenv("VANTEL_UPDATE_PICTURES") != nullptr;
  size_t count = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(VANTEL_SOURCE_DIR) / "examples")) {
    if (entry.path().extension() != ".json") continue;
    ++count;
    SCOPED_TRACE(entry.path().filename().string());
    const HostRun run = Host({"wheel", entry.path().string()});
    EXPECT_LE(run.status, 1) << run.err;
    ASSERT_TRUE(WellFormed(run.out)) << "stdout is the picture alone:\n" << run.out;
    EXPECT_NE(run.err.find("== result: "), std::string::npos) << "the run goes to stderr";
    const fs::path file = pictures / entry.path().filename().replace_extension(".svg");
    if (update) {
      fs::create_directories(pictures);
      std::ofstream(file, std::ios::binary) << run.out;
      continue;
    }
    EXPECT_EQ(run.out, ReadFile(file)) << file << " is not what the host draws: make the pictures "
                                       << "again (see the top of " << __FILE__ << ")";
  }
  EXPECT_GE(count, 7u);
}

// --- Legible where the page shows it. The picture read as a browser lays it out: texts with
// the font size, fill and anchor they inherit, their boxes estimated from size and length,
// and the lines drawn near them.
struct Box {
  double left, top, right, bottom;
  bool Overlaps(const Box& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
};

struct DrawnText {
  std::string text;
  double fontSize;
  std::string fill;
  Box box;
};

struct Drawn {
  double viewWidth = 0;
  std::string background;
  std::vector<DrawnText> texts;
  std::vector<Box> lines;                  // each line's own extent
  std::map<std::string, std::string> ids;  // title and desc texts by id
  std::string role, labelledBy;
  std::map<std::string, std::set<std::string>> tdcFills;  // by bank
};

size_t Characters(const std::string& escaped) {
  const std::string text = std::regex_replace(escaped, std::regex("&[#\\w]+;"), "x");
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

Drawn Read(const std::string& svg) {
  static const std::regex kAttribute(R"re(([\w-]+)="([^"]*)")re");
  static const std::regex kContent(R"re(>([^<]*)</)re");
  Drawn drawn;
  std::vector<std::map<std::string, std::string>> inherited = {{{"fill", "#000000"}}};
  std::istringstream lines(svg);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("</g")) {
      inherited.pop_back();
      continue;
    }
    const std::string tag = line.substr(1, line.find_first_of(" >") - 1);
    std::map<std::string, std::string> a = inherited.back();
    const std::string head = line.substr(0, line.find('>'));
    for (std::sregex_iterator it(head.begin(), head.end(), kAttribute), end; it != end; ++it)
      a[(*it)[1]] = (*it)[2];
    std::smatch content;
    const std::string text = std::regex_search(line, content, kContent) ? content[1].str() : "";
    auto number = [&](const char* name) { return std::stod(a.at(name)); };
    if (tag == "svg") {
      drawn.viewWidth = std::stod(a["viewBox"].substr(4));
      drawn.role = a["role"];
      drawn.labelledBy = a["aria-labelledby"];
      inherited.push_back(a);
    } else if (tag == "g") {
      inherited.push_back(a);
    } else if (tag == "title" || tag == "desc") {
      drawn.ids[a["id"]] = text;
    } else if (tag == "rect" && drawn.background.empty()) {
      drawn.background = a["fill"];
    } else if (tag == "polygon" && a.contains("data-bank")) {
      drawn.tdcFills[a["data-bank"]].insert(a["fill"]);
    } else if (tag == "line") {
      drawn.lines.push_back(
          {std::min(number("x1"), number("x2")), std::min(number("y1"), number("y2")),
           std::max(number("x1"), number("x2")), std::max(number("y1"), number("y2"))});
    } else if (tag == "text") {
      // A little narrower than the painter reckons: what is checked is what a browser shows.
      const double size = number("font-size");
      const double width = static_cast<double>(Characters(text)) * 0.55 * size;
      const std::string anchor = a["text-anchor"];
      const double left = number("x") - (anchor == "middle" ? width / 2
                                         : anchor == "end"  ? width
                                                            : 0);
      const double y = number("y");
      drawn.texts.push_back(
          {text, size, a["fill"], {left, y - 0.72 * size, left + width, y + 0.2 * size}});
    }
  }
  return drawn;
}

double Luminance(const std::string& colour) {
  double channels[3];
  for (int i = 0; i < 3; ++i) {
    const double c =
        std::stoi(colour.substr(1 + 2 * static_cast<size_t>(i), 2), nullptr, 16) / 255.0;
    channels[i] = c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  }
  return 0.2126 * channels[0] + 0.7152 * channels[1] + 0.0722 * channels[2];
}

double Contrast(const std::string& a, const std::string& b) {
  // Values, not std::minmax: it hands back references to its arguments.
  const double first = Luminance(a);
  const double second = Luminance(b);
  return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

// How wide the machine view draws the picture: the window less main's padding (16 a side)
// and its scroll bar (15), at most the 1400 of the .wheel rule.
struct PageWidth {
  int window;
  double floorPx;  // the smallest text a reader meets there
};
constexpr PageWidth kPageWidths[] = {{1366, 12}, {800, 11}};

double DrawnWidth(const PageWidth& page) { return std::min(page.window - 2 * 16 - 15, 1400); }

void ExpectLegible(const std::string& svg) {
  ASSERT_TRUE(WellFormed(svg));
  const Drawn drawn = Read(svg);
  ASSERT_GT(drawn.viewWidth, 0);
  ASSERT_FALSE(drawn.texts.empty());
  // A screen reader names it by its title and says its desc.
  EXPECT_EQ(drawn.role, "img");
  std::istringstream ids(drawn.labelledBy);
  size_t named = 0;
  for (std::string id; ids >> id; ++named)
    EXPECT_TRUE(drawn.ids.contains(id) && !drawn.ids.at(id).empty()) << id;
  EXPECT_EQ(named, 2u) << drawn.labelledBy;

  for (const DrawnText& t : drawn.texts) {
    SCOPED_TRACE(t.text);
    for (const PageWidth& page : kPageWidths)
      EXPECT_GE(t.fontSize * DrawnWidth(page) / drawn.viewWidth, page.floorPx)
          << "in a window " << page.window << " px wide";
    EXPECT_GE(Contrast(t.fill, drawn.background), 4.5) << t.fill;
    EXPECT_GE(t.box.left, 0);
    EXPECT_LE(t.box.right, drawn.viewWidth);
    for (const Box& line : drawn.lines)
      EXPECT_FALSE(t.box.Overlaps(line)) << "a line from " << line.left << "," << line.top << " to "
                                         << line.right << "," << line.bottom;
  }
  // The banks differ by shape as well as colour: the second bank's TDCs are hollow.
  if (drawn.tdcFills.contains("2")) {
    EXPECT_EQ(drawn.tdcFills.at("2"), std::set<std::string>{drawn.background});
    EXPECT_FALSE(drawn.tdcFills.at("1").contains(drawn.background));
  }
  for (size_t i = 0; i < drawn.texts.size(); ++i)
    for (size_t j = i + 1; j < drawn.texts.size(); ++j)
      EXPECT_FALSE(drawn.texts[i].box.Overlaps(drawn.texts[j].box))
          << "'" << drawn.texts[i].text << "' and '" << drawn.texts[j].text << "'";
}

TEST_F(WheelCliTest, EveryExampleIsLegibleInBothLanguagesAtThePagesWidths) {
  size_t count = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(VANTEL_SOURCE_DIR) / "examples")) {
    if (entry.path().extension() != ".json") continue;
    for (const char* language : {"1033", "1036"}) {
      SCOPED_TRACE(entry.path().filename().string() + " in " + language);
      ++count;
      const HostRun run = Host({"wheel", entry.path().string(), "--language", language});
      EXPECT_LE(run.status, 1) << run.err;
      ExpectLegible(run.out);
    }
  }
  EXPECT_GE(count, 14u);
}

// Wheels the examples do not have, crowded TDCs, findings with long words and notes.
TEST(WheelDrawingTest, CrowdedAndOddWheelsStayLegible) {
  WheelInput findings = Generated(EncodeFlywheel(58, 0, kTwoMissingTeeth, false), 4);
  findings.reportRows = {"a row of the report that is long enough to reach the picture's edge"};
  findings.reportFindings = Json::parse(R"([{"index":0,"rule":"ignition-delay",
      "words":[{"table":"EngineTable","word":22}],"found":150,"unit":"us","bound":"at-most",
      "limit":100,"cylinders":[1],"teeth":[0],"phases":["main","aux1"]}])");
  WheelInput sameTdc = Generated(EncodeFlywheel(35, 0, kOneMissingTooth, false), 6);
  for (size_t c = 0; c < 6; ++c) sameTdc.tables[0][kEngineAngleWord + c] = 0x7FF0;  // near 360°
  WheelInput cut = Generated(EncodeFlywheel(26, 1, kOneExtraTooth, false), 12);
  cut.tables[4].resize(3);
  const struct {
    const char* what;
    WheelInput input;
  } cases[] = {
      {"24+1+1 with twelve cylinders", Generated(EncodeFlywheel(26, 1, kOneExtraTooth, false), 12)},
      {"60-2-2 with eight cylinders", Generated(EncodeFlywheel(56, 1, kTwoMissingTeeth, false), 8)},
      {"12+1 with twelve cylinders", Generated(EncodeFlywheel(13, 0, kOneExtraTooth, false), 12)},
      {"a finding on every track", findings},
      {"six TDCs on one angle by the second turn", sameTdc},
      {"a cut position table", cut},
  };
  for (const auto& c : cases) {
    for (const HostLanguage language : {HostLanguage::kEnglish, HostLanguage::kFrench}) {
      SCOPED_TRACE(testing::Message() << c.what << " in language " << static_cast<int>(language));
      WheelInput input = c.input;
      input.language = language;
      ExpectLegible(DrawWheel(input));
    }
  }
}

struct BadWheel {
  const char* what;
  const char* text;  // nullptr: the file does not exist
  std::vector<std::string> extra;
  const char* message;
};

TEST_F(WheelCliTest, BadInputExitsTwoAndWritesNoPicture) {
  const std::string good = ReadFile(Example("inline4-60-2-sequential.json"));
  const BadWheel cases[] = {
      {"missing file", nullptr, {}, "cannot open"},
      {"malformed JSON", "{\"machine\": 12, \"items\": [", {}, "not JSON"},
      {"--svg without a file", good.c_str(), {"--svg"}, "--svg needs a value"},
      {"an option of check",
       good.c_str(),
       {"--write"},
       "--write belongs to check, edit and mapscale, not to wheel"},
      {"a folder that does not exist",
       good.c_str(),
       {"--svg", "no/such/folder/w.svg"},
       "cannot create a temporary file"},
  };
  for (const BadWheel& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path path = dir_ / "k.json";
    fs::remove(path);
    if (c.text) std::ofstream(path, std::ios::binary) << c.text;
    std::vector<std::string> args = {"wheel", path.string()};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    if (c.extra.empty()) args.insert(args.end(), {"--svg", (dir_ / "w.svg").string()});
    const HostRun run = Host(args);
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    EXPECT_EQ(run.err.rfind("vantel-host: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.out.find("<svg"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "w.svg"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}),
              c.text ? 1 : 0)  // the input file alone
        << "a temporary file was left behind";
  }
}

}  // namespace
}  // namespace vantel::host
