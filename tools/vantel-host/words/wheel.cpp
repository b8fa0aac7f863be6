#include "wheel.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

#include "config/engine_record.h"
#include "config/flywheel_tables.h"
#include "vantel/svg_text.h"
#include "words.h"

namespace vantel::host {
namespace {

enum WheelTable : size_t {
  kEngine,
  kSync,
  kToothWindow,
  kToothAngle,
  kToothPosition,
  kRegularTooth
};

constexpr std::array<const char*, kWheelTables> kTableNames = {
    "EngineTable",     "SyncTable",          "ToothWindowTable",
    "ToothAngleTable", "ToothPositionTable", "RegularToothTable"};

// --- The layout: the cycle runs left to right, two pixels a degree, tracks below each other.
constexpr int kWidth = 1560;
constexpr int kCycleLeft = 96;
constexpr double kCycleWidth = 1440;
constexpr int kLegendRight = 800;       // x of the legend's second column
constexpr size_t kLegendColumns = 118;  // characters a line of that column holds
constexpr int kLine = 16;
constexpr int kScaleY = 64;
constexpr int kCrankTop = 96;
constexpr int kCrankBottom = 120;
constexpr int kExtraTop = 86;
constexpr int kMarkY = 146;
constexpr int kTdcY = 170;
constexpr int kLanesTop = 204;
constexpr int kLaneHeight = 16;
constexpr int kPhaseHeight = 40;

constexpr std::string_view kGrey = "#808080";
constexpr std::string_view kToothInk = "#404040";
constexpr std::string_view kMissingInk = "#d62728";
constexpr std::string_view kExtraInk = "#9467bd";
constexpr std::string_view kPhaseInk = "#2ca02c";
constexpr std::string_view kAuxInk = "#8c564b";
constexpr std::string_view kConcernInk = "#e6007e";
/// No bank management, bank 1, bank 2.
constexpr std::array<std::string_view, 3> kBankInk = {"#1f77b4", "#1f77b4", "#ff7f0e"};

// --- What the words mean: the catalogue's words for the tables' codes.
struct KindName {
  int kind;
  HostWord name;
};

constexpr std::array<KindName, 4> kFlywheelKinds = {{
    {kTwoMissingTeeth, HostWord::kFlywheelTwoMissingTeeth},
    {kOneMissingTooth, HostWord::kFlywheelOneMissingTooth},
    {kRegularTeeth, HostWord::kFlywheelRegularTeeth},
    {kOneExtraTooth, HostWord::kFlywheelOneExtraTooth},
}};

/// What the marks count of word 13 counts, by main phase type (none for no phase).
constexpr std::array<std::optional<HostWord>, 8> kMainPhaseCounts = {{
    std::nullopt,
    HostWord::kCountedMarks,
    HostWord::kCountedMarks,
    HostWord::kCountedCamshaftTeeth,
    HostWord::kCountedMarks,
    HostWord::kCountedMarks,
    HostWord::kCountedEngineRounds,
    HostWord::kCountedPressurePulses,
}};

constexpr std::array<KindName, 3> kIgnitionTypes = {{
    {kIgnitionDistributed, HostWord::kIgnitionDistributed},
    {kIgnitionTwinSpark, HostWord::kIgnitionTwinSpark},
    {kIgnitionStatic, HostWord::kIgnitionStatic},
}};

constexpr std::array<HostWord, 3> kInjectionTypes = {
    HostWord::kInjectionSemiSequential, HostWord::kInjectionSequential, HostWord::kInjectionDirect};
constexpr std::array<HostWord, 3> kInjectionRails = {
    HostWord::kRailsOne, HostWord::kRailsOneSwitchingToTwo, HostWord::kRailsOneSwitchingToBoth};
constexpr size_t kPeakHoldModes = 2;

struct VerdictWords {
  std::string_view verdict;
  HostWord words;
};

constexpr std::array<VerdictWords, 4> kVerdicts = {{{"coherent", HostWord::kVerdictCoherent},
                                                    {"not coherent", HostWord::kVerdictNotCoherent},
                                                    {"rejected", HostWord::kVerdictRejected},
                                                    {"not checked", HostWord::kVerdictNotChecked}}};

// --- Text helpers.
std::string Attr(std::string_view name, std::string_view value) {
  return " " + std::string(name) + "=\"" + SvgText(value) + "\"";
}

std::string Attr(std::string_view name, long long value) {
  return Attr(name, std::to_string(value));
}

std::string Num(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string Degrees(uint16_t angle16) { return AngleText(angle16) + "°"; }

double X(uint32_t angle16) { return kCycleLeft + angle16 * kCycleWidth / 65536.0; }

int Turn(uint16_t angle16) { return angle16 < 0x8000 ? 1 : 2; }

/// `text` in lines of at most `columns` characters, broken at blanks (a longer word stays
/// whole).
std::vector<std::string> Wrapped(const std::string& text, size_t columns) {
  std::vector<std::string> lines;
  std::string line;
  size_t shown = 0;  // characters, not bytes: UTF-8 continuation bytes do not count
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    const auto width = static_cast<size_t>(
        std::count_if(word.begin(), word.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    if (!line.empty() && shown + 1 + width > columns) {
      lines.push_back(line);
      line.clear();
      shown = 0;
    }
    line += (line.empty() ? "" : " ") + word;
    shown += (shown == 0 ? 0 : 1) + width;
    start = end + 1;
  }
  if (!line.empty() || lines.empty()) lines.push_back(line);
  return lines;
}

/// One line of the document per element, so that a reader can take it apart line by line.
class Svg {
 public:
  void Rect(double x, double y, double w, double h, const std::string& attributes) {
    out += "<rect x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" width=\"" + Num(std::max(w, 0.0)) +
           "\" height=\"" + Num(std::max(h, 0.0)) + "\"" + attributes + "/>\n";
  }
  void Line(double x1, double y1, double x2, double y2, const std::string& attributes) {
    out += "<line x1=\"" + Num(x1) + "\" y1=\"" + Num(y1) + "\" x2=\"" + Num(x2) + "\" y2=\"" +
           Num(y2) + "\"" + attributes + "/>\n";
  }
  void Circle(double cx, double cy, double r, const std::string& attributes) {
    out += "<circle cx=\"" + Num(cx) + "\" cy=\"" + Num(cy) + "\" r=\"" + Num(r) + "\"" +
           attributes + "/>\n";
  }
  /// A triangle pointing down to (x, tipY).
  void Triangle(double x, double tipY, double size, const std::string& attributes) {
    const double base = tipY - size;
    out += "<polygon points=\"" + Num(x - size / 2) + "," + Num(base) + " " + Num(x + size / 2) +
           "," + Num(base) + " " + Num(x) + "," + Num(tipY) + "\"" + attributes + "/>\n";
  }
  void Text(double x, double y, std::string_view text, const std::string& attributes = {}) {
    out += "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\"" + attributes + ">" + SvgText(text) +
           "</text>\n";
  }
  void Begin(const std::string& attributes) { out += "<g" + attributes + ">\n"; }
  void End() { out += "</g>\n"; }

  std::string out;
};

bool MainPhaseHasMarks(int type) {
  return type >= kPhaseOnMarksState && type <= kPhaseOneSupplementaryTooth;
}

std::span<const uint16_t> Entries(const std::vector<uint16_t>& table) {
  if (table.empty()) return {};
  return std::span<const uint16_t>(table).subspan(1);
}

std::string NameOf(const Flywheel& f) {
  if (!IsKnownFlywheelKind(f.K)) return "?";
  std::string name = std::to_string(f.N);
  if (f.K == kRegularTeeth) return name;
  const std::string mark = f.K > 0 ? "+" + std::to_string(f.K) : std::to_string(f.K);
  for (int r = 0; r < f.R; ++r) name += mark;
  return name;
}

// --- The model: what the tables say, decoded once, before anything is drawn.
struct Gap {
  std::vector<size_t> positions;
  uint16_t angle16 = 0;  // of its middle
};

struct ReferenceMark {
  int number = 0;
  uint16_t angle16 = 0;
};

struct Cylinder {
  int order = 0;  // 1 for the first in firing order
  uint16_t angle16 = 0;
  int bank = 0;  // 0 when the banks are not managed
  std::optional<ToothWindow> window;
};

/// The main phase among the phases a finding concerns; auxiliary phases are 1 to 3.
constexpr int kMainPhase = 0;

/// What the findings concern, each with the numbers (from 1) of the findings about it.
struct Concerns {
  std::map<int, std::vector<int>> cylinders;  // by firing-order rank
  std::map<int, std::vector<int>> teeth;      // by tooth index
  std::map<int, std::vector<int>> phases;     // 0 main, 1 to 3 auxiliary
};

struct Wheel {
  HostLanguage language = HostLanguage::kEnglish;
  EngineRecord engine;
  SyncRecord sync;
  std::vector<uint16_t> toothAngles;  // 1/65536 of the cycle, by tooth index
  std::vector<bool> extra;            // teeth no position holds
  size_t positionCount = 0;
  std::vector<Gap> gaps;
  std::vector<ReferenceMark> marks;
  std::vector<Cylinder> cylinders;
  std::vector<std::string> notes;        // what could not be drawn, and why
  std::vector<std::string> windowNotes;  // why a window does not close at its TDC
  Concerns concerns;

  std::optional<uint16_t> ToothAngle(size_t tooth) const {
    if (tooth >= toothAngles.size()) return std::nullopt;
    return toothAngles[tooth];
  }
  std::string Say(HostWord word, std::initializer_list<std::string> values = {}) const {
    return host::Say(word, language, values);
  }
};

std::string TableName(const WheelInput& input, size_t table) {
  const std::string& item = input.itemNames[table];
  return std::string(kTableNames[table]) + (item.empty() ? "" : " (" + item + ")");
}

void NoteLayouts(const WheelInput& input, Wheel& wheel) {
  for (size_t t = 0; t < kWheelTables; ++t) {
    const std::vector<uint16_t>& table = input.tables[t];
    const std::string name = TableName(input, t);
    if (table.empty()) {
      wheel.notes.push_back(wheel.Say(HostWord::kNoteNoWords, {name}));
      continue;
    }
    const bool sound = t == kEngine ? IsCurrentEngineTable(table)
                       : t == kSync ? IsCurrentSyncTable(table)
                                    : IsWellFormedFlywheelTable(table);
    if (!sound)
      wheel.notes.push_back(wheel.Say(
          HostWord::kNoteLayout, {name, std::to_string(table.size()), std::to_string(table[0])}));
  }
}

// Each position entry names the tooth at or before it, `gap` positions back: positions no
// entry puts a tooth on are the missing teeth, teeth no position holds are the extra ones.
void PlaceTeeth(const WheelInput& input, Wheel& wheel) {
  const std::span<const uint16_t> angles = Entries(input.tables[kToothAngle]);
  wheel.toothAngles.assign(angles.begin(), angles.end());
  const size_t teeth = angles.size();
  const auto cycleTeeth = static_cast<size_t>(2 * wheel.sync.flywheel.T);
  if (teeth != cycleTeeth)
    wheel.notes.push_back(wheel.Say(
        HostWord::kNoteTeeth,
        {TableName(input, kToothAngle), std::to_string(teeth), std::to_string(cycleTeeth)}));

  const std::span<const uint16_t> entries = Entries(input.tables[kToothPosition]);
  const size_t count = entries.size();
  wheel.positionCount = count;
  wheel.extra.assign(teeth, false);
  if (teeth == 0) return;
  // A cut table would make every tooth past its end look extra.
  FlywheelGeometry geometry;
  const bool described = DescribeFlywheel(Word(input.tables[kSync], kSyncFlywheelWord),
                                          wheel.engine.cylinders, geometry);
  const auto flywheelPositions = static_cast<size_t>(2 * geometry.periods);
  if (count == 0 || !IsWellFormedFlywheelTable(input.tables[kToothPosition]) ||
      (described && count != flywheelPositions)) {
    wheel.notes.push_back(wheel.Say(HostWord::kNotePositions,
                                    {TableName(input, kToothPosition), std::to_string(count),
                                     described ? wheel.Say(HostWord::kNoteFlywheelPositions,
                                                           {std::to_string(flywheelPositions)})
                                               : std::string()}));
    return;
  }
  std::vector<int> occupant(count, -1);
  std::vector<bool> placed(teeth, false);
  size_t unknown = 0;
  for (size_t j = 0; j < count; ++j) {
    const ToothPositionEntry entry = DecodeToothPosition(entries[j]);
    if (static_cast<size_t>(entry.tooth) >= teeth) {
      ++unknown;
      continue;
    }
    const size_t at = (j + count - static_cast<size_t>(entry.gap) % count) % count;
    occupant[at] = entry.tooth;
    placed[static_cast<size_t>(entry.tooth)] = true;
  }
  if (unknown > 0)
    wheel.notes.push_back(wheel.Say(HostWord::kNoteUnknownTeeth,
                                    {TableName(input, kToothPosition), std::to_string(unknown)}));
  const auto first = std::find_if(occupant.begin(), occupant.end(), [](int t) { return t >= 0; });
  if (first == occupant.end()) {
    wheel.notes.push_back(wheel.Say(HostWord::kNoteNoTooth));
    return;
  }
  for (size_t tooth = 0; tooth < teeth; ++tooth) wheel.extra[tooth] = !placed[tooth];

  // Runs of empty positions, starting after an occupied one so that none is cut in two.
  const auto start = static_cast<size_t>(first - occupant.begin());
  Gap run;
  for (size_t step = 1; step <= count; ++step) {
    const size_t j = (start + step) % count;
    if (occupant[j] < 0) {
      run.positions.push_back(j);
      continue;
    }
    if (!run.positions.empty()) wheel.gaps.push_back(run);
    run = {};
  }
  for (Gap& gap : wheel.gaps) {
    const uint64_t twiceMiddle = 2 * gap.positions.front() + (gap.positions.size() - 1);
    gap.angle16 = static_cast<uint16_t>(RoundHalfUp(twiceMiddle * 32768, count) & 0xFFFF);
  }
}

uint16_t PositionAngle(size_t position, size_t count) {
  return static_cast<uint16_t>(RoundHalfUp(uint64_t{position} * 65536, count) & 0xFFFF);
}

// One mark for each occurrence of the singularity, numbered in the order they pass, at the
// first gap or extra tooth of the occurrence.
void NumberMarks(Wheel& wheel) {
  std::vector<uint16_t> singular;
  for (const Gap& gap : wheel.gaps) singular.push_back(gap.angle16);
  for (size_t tooth = 0; tooth < wheel.extra.size(); ++tooth)
    if (wheel.extra[tooth]) singular.push_back(wheel.toothAngles[tooth]);
  std::sort(singular.begin(), singular.end());
  const auto occurrences = static_cast<uint32_t>(2 * wheel.sync.flywheel.R);
  std::optional<uint32_t> last;
  for (uint16_t angle16 : singular) {
    const uint32_t occurrence = angle16 * occurrences / 65536;
    if (last && *last == occurrence) continue;
    last = occurrence;
    wheel.marks.push_back({static_cast<int>(wheel.marks.size()) + 1, angle16});
  }
}

// Why a window does not close at its TDC, where the tables say so. `next` is the first tooth
// past the TDC, whose ToothWindowTable entry gives the window.
void ExplainWindow(const Cylinder& c, size_t next, Wheel& wheel) {
  const size_t teeth = wheel.toothAngles.size();
  if (!c.window || teeth == 0) return;
  const auto end = static_cast<size_t>(c.window->end);
  const std::string ordinal = Ordinal(c.order, wheel.language);
  auto tooth = [&](size_t t) { return std::to_string(t); };
  auto angle = [&](size_t t) { return Degrees(wheel.toothAngles[t]); };
  // A TDC typed on a tooth's angle may be stored one unit below the tooth's own word.
  if (next < teeth && wheel.toothAngles[next] == c.angle16 + 1) {
    wheel.windowNotes.push_back(
        wheel.Say(HostWord::kNoteTdcBelowTooth,
                  {ordinal, Degrees(c.angle16), tooth(next), angle(next), tooth(end)}));
    return;
  }
  const size_t last = (next + teeth - 1) % teeth;  // the last tooth at or before the TDC
  if (end == last) return;
  wheel.windowNotes.push_back(wheel.Say(
      HostWord::kNoteWindowShort,
      {ordinal, tooth(end), angle(end), tooth(last), angle(last), std::to_string(next + 1)}));
}

// A cylinder's speed is measured over the window that closes at the last tooth at or before
// its TDC: the ToothWindowTable entry of the first tooth past the TDC.
void PlaceCylinders(const WheelInput& input, Wheel& wheel) {
  const EngineRecord& engine = wheel.engine;
  const size_t count = std::min<size_t>(engine.cylinders, kMaxCylinders);
  if (engine.cylinders > kMaxCylinders)
    wheel.notes.push_back(wheel.Say(HostWord::kNoteCylinders, {std::to_string(engine.cylinders),
                                                               std::to_string(kMaxCylinders)}));
  const std::span<const uint16_t> windows = Entries(input.tables[kToothWindow]);
  const size_t teeth = wheel.toothAngles.size();
  std::vector<std::string> without;
  for (size_t c = 0; c < count; ++c) {
    Cylinder cylinder;
    cylinder.order = static_cast<int>(c) + 1;
    cylinder.angle16 = engine.angles[c];
    if (engine.banks != 0) cylinder.bank = ((engine.banks >> c) & 1) ? 2 : 1;
    size_t next = 0;
    while (next < teeth && wheel.toothAngles[next] <= cylinder.angle16) ++next;
    if (next < windows.size()) {
      const ToothWindow window = DecodeToothWindow(windows[next]);
      if (static_cast<size_t>(window.start) < teeth && static_cast<size_t>(window.end) < teeth)
        cylinder.window = window;
    }
    if (!cylinder.window) without.push_back(Ordinal(cylinder.order, wheel.language));
    ExplainWindow(cylinder, next, wheel);
    wheel.cylinders.push_back(cylinder);
  }
  if (without.empty()) return;
  std::string list;
  for (const std::string& order : without) list += (list.empty() ? "" : ", ") + order;
  wheel.notes.push_back(wheel.Say(HostWord::kNoteNoWindow, {TableName(input, kToothWindow), list}));
}

void NotePhases(Wheel& wheel) {
  const SyncRecord& sync = wheel.sync;
  if (sync.mainType != kPhaseNone &&
      (!wheel.ToothAngle(sync.main.crankTooth) ||
       (MainPhaseHasMarks(sync.mainType) && !wheel.ToothAngle(sync.markTooth))))
    wheel.notes.push_back(wheel.Say(HostWord::kNoteMainPhaseTooth));
  for (size_t i = 0; i < kAuxPhaseCount; ++i)
    if (sync.aux[i].teeth != 0 && !wheel.ToothAngle(sync.aux[i].crankTooth))
      wheel.notes.push_back(wheel.Say(HostWord::kNoteAuxPhaseTooth, {std::to_string(i + 1)}));
}

// The plug-in's findings, one entry per report row; a finding of several rows counts once.
void GatherConcerns(const Json& findings, Wheel& wheel) {
  if (!findings.is_array()) return;
  int previous = -1;
  for (const Json& finding : findings) {
    if (!finding.is_object()) continue;
    const int index = finding.value("index", -1);
    if (index < 0 || index == previous) continue;
    previous = index;
    const int number = index + 1;
    for (const Json& c : finding.value("cylinders", Json::array()))
      if (c.is_number_integer()) wheel.concerns.cylinders[c.get<int>()].push_back(number);
    for (const Json& t : finding.value("teeth", Json::array()))
      if (t.is_number_integer()) wheel.concerns.teeth[t.get<int>()].push_back(number);
    for (const Json& p : finding.value("phases", Json::array())) {
      const std::string phase = p.is_string() ? p.get<std::string>() : "";
      if (phase == "main") wheel.concerns.phases[0].push_back(number);
      if (phase.size() == 4 && phase.starts_with("aux"))
        wheel.concerns.phases[phase[3] - '0'].push_back(number);
    }
  }
}

Wheel Decode(const WheelInput& input) {
  Wheel wheel;
  wheel.language = input.language;
  wheel.engine = DecodeEngineTable(input.tables[kEngine]);
  wheel.sync = DecodeSyncTable(input.tables[kSync]);
  NoteLayouts(input, wheel);
  PlaceTeeth(input, wheel);
  NumberMarks(wheel);
  PlaceCylinders(input, wheel);
  NotePhases(wheel);
  GatherConcerns(input.reportFindings, wheel);
  return wheel;
}

// --- The legend's decoded values.
std::string FlywheelKindText(const Flywheel& f, HostLanguage language) {
  if (f.K == kTwoMissingTeeth && f.S == 2)
    return Say(HostWord::kFlywheelAlternativeSingularity, language);
  for (const KindName& kind : kFlywheelKinds)
    if (kind.kind == f.K) return std::string(In(kind.name, language));
  return Say(HostWord::kFlywheelUnknownKind, language, {std::to_string(f.K)});
}

std::string IgnitionText(const EngineRecord& engine, HostLanguage language) {
  for (const KindName& type : kIgnitionTypes)
    if (engine.ignitionType == type.kind) return std::string(In(type.name, language));
  return Say(HostWord::kUnknownValue, language, {Hex(engine.ignitionType, 4)});
}

std::string InjectionText(const EngineRecord& engine, HostLanguage language) {
  const uint16_t type = engine.injection & kInjectionAllTypes;
  std::string text = Say(HostWord::kUnknownValue, language, {Hex(engine.injection, 4)});
  for (int t = 0; t < static_cast<int>(kInjectionTypes.size()); ++t)
    for (int rails = 0; rails < static_cast<int>(kInjectionRails.size()); ++rails)
      if (type == InjectionBit(t, rails))
        text = std::string(In(kInjectionTypes[static_cast<size_t>(t)], language)) + ", " +
               std::string(In(kInjectionRails[static_cast<size_t>(rails)], language));
  for (size_t mode = 0; mode < kPeakHoldModes; ++mode)
    if (engine.injection & (0x4000u << mode))
      text += ", " + Say(HostWord::kPeakAndHoldMode, language, {std::to_string(mode + 1)});
  return text;
}

std::string CamshaftText(int code, HostLanguage language) {
  if (const std::optional<HostWord> name = CamshaftWord(code))
    return std::string(In(*name, language));
  return Say(HostWord::kCamshaftNumbered, language, {std::to_string(code)});
}

std::string MainPhaseText(const SyncRecord& sync, HostLanguage language) {
  const auto type = static_cast<size_t>(sync.mainType);
  if (type == kPhaseNone) return Say(HostWord::kLegendNoMainPhase, language);
  if (type >= kMainPhaseCounts.size())
    return Say(HostWord::kLegendUnknownMainPhase, language, {std::to_string(type)});
  std::string text = Say(
      HostWord::kLegendMainPhase, language,
      {std::string(In(*PhaseTypeWord(sync.mainType), language)),
       CamshaftText(sync.mainCamshaft, language), std::to_string(sync.main.teeth),
       std::string(In(*kMainPhaseCounts[type], language)), std::to_string(sync.main.crankTooth)});
  if (MainPhaseHasMarks(sync.mainType))
    text += Say(HostWord::kLegendMarkAtTooth, language, {std::to_string(sync.markTooth)});
  return text;
}

std::string BanksText(const Wheel& wheel) {
  if (wheel.engine.banks == 0) return wheel.Say(HostWord::kLegendNoBanks);
  std::string second;
  for (const Cylinder& c : wheel.cylinders)
    if (c.bank == 2) second += (second.empty() ? "" : ", ") + Ordinal(c.order, wheel.language);
  return wheel.Say(HostWord::kLegendBanks,
                   {Hex(wheel.engine.banks, 4),
                    second.empty() ? std::string(In(HostWord::kNone, wheel.language)) : second});
}

struct LegendLine {
  const char* key;
  std::string text;
};

std::vector<LegendLine> DecodedValues(const Wheel& wheel) {
  const Flywheel& f = wheel.sync.flywheel;
  const HostLanguage language = wheel.language;
  std::vector<LegendLine> lines = {
      {"wheel", wheel.Say(HostWord::kLegendWheel, {NameOf(f)})},
      {"teeth", wheel.Say(HostWord::kLegendTeeth, {std::to_string(f.T)})},
      {"nominal", wheel.Say(HostWord::kLegendNominalTeeth, {std::to_string(f.N)})},
      {"occurrences", wheel.Say(HostWord::kLegendOccurrences, {std::to_string(f.R)})},
      {"kind", wheel.Say(HostWord::kLegendReferenceKind, {FlywheelKindText(f, language)})},
      {"cylinders",
       wheel.Say(HostWord::kLegendCylinders, {std::to_string(wheel.engine.cylinders)})},
      {"banks", BanksText(wheel)},
      {"ignition",
       wheel.Say(HostWord::kLegendIgnition, {IgnitionText(wheel.engine, language),
                                             std::to_string(wheel.engine.ignitionDelayUs)})},
      {"injection", wheel.Say(HostWord::kLegendInjection, {InjectionText(wheel.engine, language)})},
      {"main-phase", MainPhaseText(wheel.sync, language)},
  };
  for (size_t i = 0; i < kAuxPhaseCount; ++i) {
    const PhaseSetting& aux = wheel.sync.aux[i];
    if (aux.teeth == 0) continue;
    lines.push_back(
        {"aux-phase",
         wheel.Say(HostWord::kLegendAuxPhase,
                   {std::to_string(i + 1), CamshaftText(wheel.sync.auxCamshaft[i], language),
                    std::to_string(aux.teeth), std::to_string(aux.crankTooth)})});
  }
  return lines;
}

// --- Drawing.
class Painter {
 public:
  Painter(const WheelInput& input, const Wheel& wheel) : input_(input), wheel_(wheel) {}

  std::string Paint() {
    const std::string name = NameOf(wheel_.sync.flywheel);
    svg_.Text(8, 24, wheel_.Say(HostWord::kWheelTitle, {input_.title, name}),
              Attr("font-size", 16) + Attr("font-weight", "bold") +
                  Attr("data-title", input_.title) + Attr("data-wheel", name));
    Scale();
    Teeth();
    ToothConcerns();
    Marks();
    Cylinders();
    const auto lanes = static_cast<int>(std::max<size_t>(wheel_.cylinders.size(), 1));
    int y = Phases(kLanesTop + kLaneHeight * lanes + 12);
    // The second revolution starts here: a line down through every track.
    svg_.Line(X(0x8000), kScaleY, X(0x8000), y,
              Attr("stroke", kGrey) + Attr("stroke-dasharray", "4 4"));
    y = Legend(y + 16);
    std::string head = "<svg xmlns=\"http://www.w3.org/2000/svg\"" + Attr("width", kWidth) +
                       Attr("height", y) +
                       Attr("viewBox", "0 0 " + std::to_string(kWidth) + " " + std::to_string(y)) +
                       Attr("font-family", "sans-serif") + Attr("font-size", 11) + ">\n";
    head += "<rect x=\"0\" y=\"0\"" + Attr("width", kWidth) + Attr("height", y) +
            Attr("fill", "#ffffff") + "/>\n";
    return head + svg_.out + "</svg>\n";
  }

 private:
  static std::string Fill(std::string_view fill, std::string_view stroke = "none") {
    return Attr("fill", fill) + Attr("stroke", stroke);
  }

  void TrackLabel(int y, std::string_view text) { svg_.Text(8, y + 4, text, Attr("fill", kGrey)); }

  void Scale() {
    for (int turn = 0; turn < 2; ++turn)
      svg_.Text(X(static_cast<uint32_t>(turn * 0x8000 + 0x4000)), kScaleY - 22,
                wheel_.Say(HostWord::kWheelRevolution, {std::to_string(turn + 1)}),
                Attr("text-anchor", "middle") + Attr("font-weight", "bold"));
    for (int degrees = 0; degrees <= 720; degrees += 30) {
      const double x = X(static_cast<uint32_t>(degrees * 65536 / 720));
      const bool labelled = degrees % 90 == 0;
      svg_.Line(x, kScaleY, x, kScaleY + (labelled ? 8 : 4), Attr("stroke", kGrey));
      if (labelled)
        svg_.Text(x, kScaleY - 4, std::to_string(degrees) + "°",
                  Attr("text-anchor", "middle") + Attr("fill", kGrey));
    }
    svg_.Line(X(0), kScaleY, X(65536), kScaleY, Attr("stroke", kGrey));
  }

  double ToothWidth() const {
    const size_t slots = std::max({wheel_.positionCount, wheel_.toothAngles.size(), size_t{1}});
    return std::clamp(kCycleWidth / static_cast<double>(slots) * 0.45, 1.0, 8.0);
  }

  void Teeth() {
    TrackLabel((kCrankTop + kCrankBottom) / 2, wheel_.Say(HostWord::kTrackCrankshaft));
    svg_.Line(X(0), kCrankBottom, X(65536), kCrankBottom, Attr("stroke", kToothInk));
    const double w = ToothWidth();
    for (size_t tooth = 0; tooth < wheel_.toothAngles.size(); ++tooth) {
      const uint16_t angle16 = wheel_.toothAngles[tooth];
      const bool extra = wheel_.extra[tooth];
      const double x = X(angle16);
      const double top = extra ? kExtraTop : kCrankTop;
      svg_.Rect(x - w / 2, top, w, kCrankBottom - top,
                Attr("data-tooth", static_cast<long long>(tooth)) +
                    Attr("data-angle", AngleText(angle16)) + Attr("data-turn", Turn(angle16)) +
                    (extra ? Attr("data-extra", 1) : "") + Fill(extra ? kExtraInk : kToothInk));
      if (tooth % 10 == 0 || extra)
        svg_.Text(x, kCrankBottom + 12, std::to_string(tooth),
                  Attr("text-anchor", "middle") + Attr("font-size", 9) +
                      Attr("fill", extra ? kExtraInk : kGrey));
    }
    for (const Gap& gap : wheel_.gaps) {
      for (size_t position : gap.positions) {
        const uint16_t angle16 = PositionAngle(position, wheel_.positionCount);
        svg_.Rect(X(angle16) - w / 2, kCrankTop, w, kCrankBottom - kCrankTop,
                  Attr("data-missing", static_cast<long long>(position)) +
                      Attr("data-angle", AngleText(angle16)) + Attr("data-turn", Turn(angle16)) +
                      Attr("data-gap", static_cast<long long>(gap.positions.size())) +
                      Fill("none", kMissingInk) + Attr("stroke-dasharray", "2 2"));
      }
    }
  }

  void Marks() {
    if (wheel_.marks.empty()) return;
    TrackLabel(kMarkY, wheel_.Say(HostWord::kTrackReference));
    for (const ReferenceMark& mark : wheel_.marks) {
      const double x = X(mark.angle16);
      svg_.Begin(Attr("data-reference", mark.number) + Attr("data-angle", AngleText(mark.angle16)));
      svg_.Circle(x, kMarkY, 8, Fill("#ffffff", kMissingInk));
      svg_.Text(x, kMarkY + 4, std::to_string(mark.number),
                Attr("text-anchor", "middle") + Attr("fill", kMissingInk));
      svg_.End();
    }
  }

  void Cylinders() {
    TrackLabel(kTdcY, wheel_.Say(HostWord::kTrackTdc));
    if (!wheel_.cylinders.empty())
      TrackLabel(kLanesTop + kLaneHeight / 2, wheel_.Say(HostWord::kTrackWindows));
    for (const Cylinder& c : wheel_.cylinders) {
      const std::string_view ink = kBankInk[static_cast<size_t>(c.bank)];
      const double x = X(c.angle16);
      const int lane = kLanesTop + kLaneHeight * (c.order - 1);
      svg_.Begin(Attr("data-cylinder", c.order) + Attr("data-angle", AngleText(c.angle16)) +
                 Attr("data-bank", c.bank) + Fill(ink, ink));
      // From the crankshaft down to the cylinder's own window lane.
      svg_.Line(x, kCrankTop - 6, x, lane + kLaneHeight - 2,
                Attr("stroke-width", 1) + Attr("stroke-opacity", "0.5"));
      svg_.Triangle(x, kTdcY - 4, 10, "");
      svg_.Text(x, kTdcY + 12, Ordinal(c.order, wheel_.language) + " " + Degrees(c.angle16),
                Attr("text-anchor", "middle") + Attr("stroke", "none"));
      svg_.End();
      Window(c, ink, lane);
      if (const auto concern = wheel_.concerns.cylinders.find(c.order);
          concern != wheel_.concerns.cylinders.end()) {
        // Around the TDC and the whole lane of its window.
        const std::string attributes = Attr("data-concern", "cylinder") +
                                       Attr("data-concern-cylinder", c.order) +
                                       Attr("data-finding", Numbers(concern->second)) + Highlight();
        svg_.Rect(x - 14, kTdcY - 18, 28, 34, attributes);
        svg_.Rect(X(0) - 2, lane + 1, X(65536) - X(0) + 4, kLaneHeight - 2, attributes);
      }
    }
  }

  void Window(const Cylinder& c, std::string_view ink, int lane) {
    svg_.Text(kCycleLeft - 6, lane + 11, Ordinal(c.order, wheel_.language),
              Attr("text-anchor", "end") + Attr("fill", ink) + Attr("font-size", 10));
    if (!c.window) return;
    const uint16_t from = wheel_.toothAngles[static_cast<size_t>(c.window->start)];
    const uint16_t to = wheel_.toothAngles[static_cast<size_t>(c.window->end)];
    svg_.Begin(Attr("data-window", c.order) + Attr("data-start-tooth", c.window->start) +
               Attr("data-end-tooth", c.window->end) + Attr("data-start-angle", AngleText(from)) +
               Attr("data-end-angle", AngleText(to)) + Fill(ink) + Attr("fill-opacity", "0.6"));
    const double top = lane + 3;
    const double height = kLaneHeight - 6;
    // A window across the end of the cycle is drawn in two pieces.
    if (from <= to) {
      svg_.Rect(X(from), top, X(to) - X(from), height, "");
    } else {
      svg_.Rect(X(from), top, X(65536) - X(from), height, "");
      svg_.Rect(X(0), top, X(to) - X(0), height, "");
    }
    svg_.End();
  }

  /// A crankshaft tooth of a phase: a tick on the phase's line and its number.
  void PhaseTooth(int y, size_t tooth, const char* role, std::string_view label, int textDy) {
    const std::optional<uint16_t> angle16 = wheel_.ToothAngle(tooth);
    if (!angle16) return;
    const double x = X(*angle16);
    svg_.Begin(Attr(role, static_cast<long long>(tooth)) + Attr("data-angle", AngleText(*angle16)));
    svg_.Line(x, y - 10, x, y + 10, Attr("stroke-width", 2));
    svg_.Text(x + 4, y + textDy, std::string(label) + " " + std::to_string(tooth),
              Attr("stroke", "none"));
    svg_.End();
  }

  int Phases(int y) {
    const SyncRecord& sync = wheel_.sync;
    if (sync.mainType != kPhaseNone) {
      const int mid = y + kPhaseHeight / 2;
      TrackLabel(mid, wheel_.Say(HostWord::kTrackMainPhase));
      svg_.Begin(Attr("data-phase", "main") + Attr("data-type", sync.mainType) +
                 Attr("data-camshaft", sync.mainCamshaft) + Fill(kPhaseInk, kPhaseInk));
      svg_.Line(X(0), mid, X(65536), mid, Attr("stroke-opacity", "0.4"));
      svg_.Text(
          X(65536), y + 6,
          wheel_.Say(HostWord::kCamshaftOf, {CamshaftText(sync.mainCamshaft, wheel_.language)}),
          Attr("text-anchor", "end") + Attr("stroke", "none"));
      PhaseTooth(mid, sync.main.crankTooth, "data-start-tooth", wheel_.Say(HostWord::kFromTooth),
                 -6);
      if (MainPhaseHasMarks(sync.mainType)) {
        PhaseTooth(mid, sync.markTooth, "data-mark-tooth", wheel_.Say(HostWord::kMarkTooth), 16);
        CamMarks(mid, sync.markTooth, sync.main.teeth, "data-cam-mark");
      }
      svg_.End();
      PhaseConcern(kMainPhase, y);
      y += kPhaseHeight;
    }
    for (size_t i = 0; i < kAuxPhaseCount; ++i) {
      const PhaseSetting& aux = sync.aux[i];
      if (aux.teeth == 0) continue;
      const int mid = y + kPhaseHeight / 2;
      TrackLabel(mid, wheel_.Say(HostWord::kTrackAuxPhase, {std::to_string(i + 1)}));
      svg_.Begin(Attr("data-phase", "aux" + std::to_string(i + 1)) +
                 Attr("data-camshaft", sync.auxCamshaft[i]) + Attr("data-teeth", aux.teeth) +
                 Fill(kAuxInk, kAuxInk));
      svg_.Line(X(0), mid, X(65536), mid, Attr("stroke-opacity", "0.4"));
      svg_.Text(
          X(65536), y + 6,
          wheel_.Say(HostWord::kAuxCamshaftOf, {CamshaftText(sync.auxCamshaft[i], wheel_.language),
                                                std::to_string(aux.teeth)}),
          Attr("text-anchor", "end") + Attr("stroke", "none"));
      PhaseTooth(mid, aux.crankTooth, "data-start-tooth", wheel_.Say(HostWord::kFromTooth), -6);
      CamMarks(mid, aux.crankTooth, aux.teeth, "data-aux-mark");
      svg_.End();
      PhaseConcern(static_cast<int>(i) + 1, y);
      y += kPhaseHeight;
    }
    return y;
  }

  // The configuration counts a camshaft's marks but does not place them: the first is
  // drawn where the ECU expects it (the main phase's mark tooth, an auxiliary phase's first
  // tooth), the others, hollow, evenly spread over the cycle.
  void CamMarks(int y, size_t anchorTooth, int count, const char* role) {
    const std::optional<uint16_t> anchor = wheel_.ToothAngle(anchorTooth);
    if (count == 0 || !anchor) return;
    for (int m = 0; m < count; ++m) {
      const auto angle16 =
          static_cast<uint16_t>((*anchor + static_cast<uint32_t>(m) * 65536u / count) & 0xFFFF);
      svg_.Triangle(X(angle16), y - 2, 8,
                    Attr(role, m + 1) + Attr("data-angle", AngleText(angle16)) +
                        (m == 0 ? "" : Attr("fill", "#ffffff")));
    }
  }

  static std::string Highlight() {
    return Fill("none", kConcernInk) + Attr("stroke-width", 2) + Attr("stroke-dasharray", "4 2");
  }

  static std::string Numbers(const std::vector<int>& numbers) {
    std::string out;
    for (int n : numbers) out += (out.empty() ? "" : " ") + std::to_string(n);
    return out;
  }

  void PhaseConcern(int phase, int top) {
    const auto concern = wheel_.concerns.phases.find(phase);
    if (concern == wheel_.concerns.phases.end()) return;
    // Below the camshaft's name, around its line, ticks and tooth labels.
    svg_.Rect(X(0) - 4, top + 8, X(65536) - X(0) + 8, kPhaseHeight - 6,
              Attr("data-concern", "phase") +
                  Attr("data-concern-phase",
                       phase == kMainPhase ? std::string("main") : "aux" + std::to_string(phase)) +
                  Attr("data-finding", Numbers(concern->second)) + Highlight());
  }

  // A ring under each tooth a finding names.
  void ToothConcerns() {
    for (const auto& [tooth, numbers] : wheel_.concerns.teeth) {
      const std::optional<uint16_t> angle16 =
          tooth < 0 ? std::nullopt : wheel_.ToothAngle(static_cast<size_t>(tooth));
      if (!angle16) continue;
      svg_.Circle(X(*angle16), (kCrankTop + kCrankBottom) / 2.0, 10,
                  Attr("data-concern", "tooth") + Attr("data-concern-tooth", tooth) +
                      Attr("data-angle", AngleText(*angle16)) +
                      Attr("data-finding", Numbers(numbers)) + Highlight());
    }
  }

  /// The text after a key's glyph drawn at x; the x of the next key.
  int KeyText(int x, int y, std::string_view text) {
    svg_.Text(x + 14, y + 4, text);
    return x + 32 + static_cast<int>(text.size()) * 7;
  }

  int Key(int y) {
    int x = 8;
    svg_.Rect(x, y - 6, 4, 12, Fill(kToothInk));
    x = KeyText(x, y, wheel_.Say(HostWord::kKeyTooth));
    svg_.Rect(x, y - 6, 4, 12, Fill("none", kMissingInk) + Attr("stroke-dasharray", "2 2"));
    x = KeyText(x, y, wheel_.Say(HostWord::kKeyMissingTooth));
    svg_.Rect(x, y - 8, 4, 14, Fill(kExtraInk));
    x = KeyText(x, y, wheel_.Say(HostWord::kKeyExtraTooth));
    svg_.Circle(x + 4, y, 6, Fill("#ffffff", kMissingInk));
    x = KeyText(x, y, wheel_.Say(HostWord::kKeyReferenceMark));
    if (wheel_.engine.banks == 0) {
      svg_.Rect(x, y - 5, 10, 10, Fill(kBankInk[0]));
      x = KeyText(x, y, wheel_.Say(HostWord::kKeyTdc));
    } else {
      for (size_t bank = 1; bank < kBankInk.size(); ++bank) {
        svg_.Rect(x, y - 5, 10, 10, Fill(kBankInk[bank]));
        x = KeyText(x, y, wheel_.Say(HostWord::kBankNumbered, {std::to_string(bank)}));
      }
    }
    svg_.Triangle(x + 4, y + 4, 8, Fill(kPhaseInk));
    x = KeyText(x, y, wheel_.Say(HostWord::kKeyCamshaftMark));
    if (!input_.reportFindings.empty()) {
      svg_.Rect(x, y - 6, 12, 12, Highlight());
      KeyText(x, y, wheel_.Say(HostWord::kKeyConcern));
    }
    return y + kLine + 8;
  }

  int Legend(int y) {
    y = Key(y);
    const int top = y;
    svg_.Text(8, y, wheel_.Say(HostWord::kLegendDecoded), Attr("font-weight", "bold"));
    for (const LegendLine& line : DecodedValues(wheel_)) {
      y += kLine;
      svg_.Text(8, y, line.text, Attr("data-legend", line.key));
    }
    int right = top;
    std::string verdict = input_.verdict;
    for (const VerdictWords& words : kVerdicts)
      if (words.verdict == input_.verdict) verdict = In(words.words, wheel_.language);
    svg_.Text(kLegendRight, right, wheel_.Say(HostWord::kLegendConfiguration, {verdict}),
              Attr("font-weight", "bold") + Attr("data-verdict", input_.verdict));
    const Json& findings = input_.reportFindings;
    for (size_t row = 0; row < input_.reportRows.size(); ++row) {
      right += kLine;
      svg_.Text(kLegendRight, right, input_.reportRows[row],
                Attr("data-row", static_cast<long long>(row + 1)) + Attr("fill", kMissingInk));
      if (!LastRowOfItsFinding(findings, row)) continue;
      const std::string words = FindingInWords(findings[row], wheel_.language);
      bool first = true;
      for (const std::string& line : Wrapped(words, kLegendColumns + 12)) {
        right += kLine;
        svg_.Text(kLegendRight + (first ? 12 : 24), right, line,
                  (first ? Attr("data-finding-of-row", static_cast<long long>(row + 1)) +
                               Attr("data-finding", findings[row].value("index", 0) + 1)
                         : std::string()) +
                      Attr("font-size", 10) + Attr("fill", kGrey));
        first = false;
      }
    }
    right = Notes(right, HostWord::kLegendNotes, wheel_.notes, "data-note");
    right = Notes(right, HostWord::kLegendWindowNotes, wheel_.windowNotes, "data-window-note");
    return std::max(y, right) + kLine;
  }

  int Notes(int y, HostWord heading, const std::vector<std::string>& notes, const char* attribute) {
    if (notes.empty()) return y;
    y += kLine + 4;
    svg_.Text(kLegendRight, y, wheel_.Say(heading), Attr("font-weight", "bold"));
    for (const std::string& note : notes) {
      // The whole note on its first line's attribute; the lines that follow carry none.
      const std::vector<std::string> lines = Wrapped(note, kLegendColumns);
      for (size_t i = 0; i < lines.size(); ++i) {
        y += kLine;
        svg_.Text(kLegendRight + (i > 0 ? 12 : 0), y, lines[i],
                  i == 0 ? Attr(attribute, note) : "");
      }
    }
    return y;
  }

  const WheelInput& input_;
  const Wheel& wheel_;
  Svg svg_;
};

}  // namespace

std::string WheelName(uint16_t flywheelWord) { return NameOf(DecodeFlywheel(flywheelWord)); }

std::string DrawWheel(const WheelInput& input) {
  const Wheel wheel = Decode(input);
  return Painter(input, wheel).Paint();
}

}  // namespace vantel::host
