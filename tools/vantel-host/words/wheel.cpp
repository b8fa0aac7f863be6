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

// --- The layout. The page draws the picture as wide as its column: about 750 CSS px in a
// window 800 px wide, 1320 in one 1366 px wide. A view box 1100 units wide and text of 17
// units keep every word at 11.5 px or more there; nothing is drawn smaller than kFont.
constexpr int kWidth = 1100;
constexpr int kFont = 17;
constexpr int kTitleFont = 21;
constexpr double kCharWidth = 0.6;  // of the font size: wide enough for digits and capitals
constexpr int kMargin = 8;
constexpr int kCycleLeft = 184;  // past the longest track label
constexpr double kCycleWidth = kWidth - kCycleLeft - 24;
constexpr int kLine = 24;
constexpr int kTitleY = 26;
constexpr int kRevolutionY = 58;
constexpr int kScaleY = 86;
constexpr int kExtraTop = 104;
constexpr int kCrankTop = 114;
constexpr int kCrankBottom = 138;
constexpr int kLabelRow = 22;  // between rows of labels that would overlap on one
constexpr int kLaneHeight = 24;
constexpr int kPhaseHeight = 76;

// Every colour that writes text has at least 4.5:1 contrast on white.
constexpr std::string_view kBackground = "#ffffff";
constexpr std::string_view kGrey = "#666666";
constexpr std::string_view kToothInk = "#404040";
constexpr std::string_view kMissingInk = "#c21f1f";
constexpr std::string_view kExtraInk = "#7b4fa8";
constexpr std::string_view kPhaseInk = "#237a23";
constexpr std::string_view kAuxInk = "#8c564b";
constexpr std::string_view kConcernInk = "#e6007e";
// What a review found changed: dotted, so that it reads apart from a finding's dashes.
constexpr std::string_view kChangedInk = "#0b6e8a";
/// No bank management, bank 1, bank 2; the second bank's TDCs are hollow as well.
constexpr std::array<std::string_view, 3> kBankInk = {"#1f77b4", "#1f77b4", "#a85000"};

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
/// Where a text is drawn, as far as its font size and length tell.
struct Box {
  double left = 0, top = 0, right = 0, bottom = 0;

  bool Overlaps(const Box& other) const {
    return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
  }
};

size_t Characters(std::string_view text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

double TextWidth(std::string_view text, int fontSize) {
  return static_cast<double>(Characters(text)) * kCharWidth * fontSize;
}

enum class Anchor { kStart, kMiddle, kEnd };

class Painter {
 public:
  Painter(const WheelInput& input, const Wheel& wheel) : input_(input), wheel_(wheel) {}

  std::string Paint() {
    const std::string name = NameOf(wheel_.sync.flywheel);
    const std::string title = wheel_.Say(HostWord::kWheelTitle, {input_.title, name});
    Label(kMargin, kTitleY, title, Anchor::kStart,
          Attr("font-size", kTitleFont) + Attr("font-weight", "bold") +
              Attr("data-title", input_.title) + Attr("data-wheel", name),
          kTitleFont);
    Scale();
    int y = Teeth();
    ToothConcerns();
    if (input_.changed.flywheel)
      svg_.Rect(X(0) - 4, kExtraTop - 4, X(65536) - X(0) + 8, kCrankBottom - kExtraTop + 8,
                Attr("data-changed", "flywheel") + Changed());
    y = Marks(y);
    y = Cylinders(y);
    y = Phases(y + 12);
    // The second revolution starts here: a line down through every track, around the labels.
    VerticalLine(X(0x8000), kScaleY, y, Attr("stroke", kGrey) + Attr("stroke-dasharray", "4 4"));
    y = Legend(y + 16);
    std::string head =
        "<svg xmlns=\"http://www.w3.org/2000/svg\"" + Attr("width", kWidth) + Attr("height", y) +
        Attr("viewBox", "0 0 " + std::to_string(kWidth) + " " + std::to_string(y)) +
        Attr("role", "img") + Attr("aria-labelledby", "vantel-wheel-title vantel-wheel-desc") +
        Attr("font-family", "sans-serif") + Attr("font-size", kFont) + ">\n";
    head += "<title id=\"vantel-wheel-title\">" + SvgText(title) + "</title>\n";
    head += "<desc id=\"vantel-wheel-desc\">" + SvgText(Description()) + "</desc>\n";
    head += "<rect x=\"0\" y=\"0\"" + Attr("width", kWidth) + Attr("height", y) +
            Attr("fill", kBackground) + "/>\n";
    return head + svg_.out + "</svg>\n";
  }

 private:
  static std::string Fill(std::string_view fill, std::string_view stroke = "none") {
    return Attr("fill", fill) + Attr("stroke", stroke);
  }

  // What a screen reader says after the title: the verdict and the decoded values.
  std::string Description() const {
    std::string verdict = input_.verdict;
    for (const VerdictWords& words : kVerdicts)
      if (words.verdict == input_.verdict) verdict = In(words.words, wheel_.language);
    std::string text = wheel_.Say(HostWord::kLegendConfiguration, {verdict}) + ".";
    const char* separator = " ";
    for (const LegendLine& line : DecodedValues(wheel_)) {
      text += separator + line.text;
      separator = "; ";
    }
    return text + ".";
  }

  static Box BoxOf(double x, double y, std::string_view text, Anchor anchor, int fontSize) {
    const double width = TextWidth(text, fontSize);
    const double left = anchor == Anchor::kStart    ? x
                        : anchor == Anchor::kMiddle ? x - width / 2
                                                    : x - width;
    return {left, y - 0.8 * fontSize, left + width, y + 0.25 * fontSize};
  }

  bool Free(const Box& box) const {
    return std::none_of(placed_.begin(), placed_.end(),
                        [&](const Box& other) { return other.Overlaps(box); });
  }

  /// A text whose place is remembered, so that lines go around it and labels beside it.
  void Label(double x, double y, std::string_view text, Anchor anchor,
             const std::string& attributes = {}, int fontSize = kFont) {
    placed_.push_back(BoxOf(x, y, text, anchor, fontSize));
    const std::string_view anchors[] = {"", "middle", "end"};
    const auto a = static_cast<size_t>(anchor);
    svg_.Text(x, y, text, (a == 0 ? "" : Attr("text-anchor", anchors[a])) + attributes);
  }

  /// A label centred on x, on the first row from `firstY` down where it overlaps no other
  /// label and stays inside the picture; the baseline it took.
  int RowLabel(double x, int firstY, std::string_view text, const std::string& attributes) {
    const double half = TextWidth(text, kFont) / 2;
    x = std::clamp(x, kMargin + half, kWidth - kMargin - half);
    int y = firstY;
    while (!Free(BoxOf(x, y, text, Anchor::kMiddle, kFont))) y += kLabelRow;
    Label(x, y, text, Anchor::kMiddle, attributes);
    return y;
  }

  /// A vertical line broken where it would cross a label.
  void VerticalLine(double x, double top, double bottom, const std::string& attributes) {
    std::vector<std::pair<double, double>> gaps;
    for (const Box& box : placed_)
      if (box.left - 2 <= x && x <= box.right + 2 && box.top < bottom && top < box.bottom)
        gaps.emplace_back(box.top - 2, box.bottom + 2);
    std::sort(gaps.begin(), gaps.end());
    double from = top;
    for (const auto& [gapTop, gapBottom] : gaps) {
      if (gapTop > from) svg_.Line(x, from, x, gapTop, attributes);
      from = std::max(from, gapBottom);
    }
    if (from < bottom) svg_.Line(x, from, x, bottom, attributes);
  }

  void TrackLabel(int y, std::string_view text) {
    Label(kMargin, y + 5, text, Anchor::kStart, Attr("fill", kGrey));
  }

  void Scale() {
    for (int turn = 0; turn < 2; ++turn)
      Label(X(static_cast<uint32_t>(turn * 0x8000 + 0x4000)), kRevolutionY,
            wheel_.Say(HostWord::kWheelRevolution, {std::to_string(turn + 1)}), Anchor::kMiddle,
            Attr("font-weight", "bold"));
    for (int degrees = 0; degrees <= 720; degrees += 30) {
      const double x = X(static_cast<uint32_t>(degrees * 65536 / 720));
      const bool labelled = degrees % 90 == 0;
      svg_.Line(x, kScaleY, x, kScaleY + (labelled ? 8 : 4), Attr("stroke", kGrey));
      if (labelled)
        Label(x, kScaleY - 6, std::to_string(degrees) + "°", Anchor::kMiddle, Attr("fill", kGrey));
    }
    svg_.Line(X(0), kScaleY, X(65536), kScaleY, Attr("stroke", kGrey));
  }

  double ToothWidth() const {
    const size_t slots = std::max({wheel_.positionCount, wheel_.toothAngles.size(), size_t{1}});
    return std::clamp(kCycleWidth / static_cast<double>(slots) * 0.45, 1.0, 8.0);
  }

  /// The teeth and their numbers; the y below them.
  int Teeth() {
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
    }
    int bottom = kCrankBottom;
    // Extra teeth are numbered first: beside a tenth tooth, theirs is the number that matters.
    for (const bool extraPass : {true, false}) {
      for (size_t tooth = 0; tooth < wheel_.toothAngles.size(); ++tooth) {
        const bool extra = wheel_.extra[tooth];
        if (extra != extraPass || !(tooth % 10 == 0 || extra)) continue;
        bottom = std::max(
            bottom, RowLabel(X(wheel_.toothAngles[tooth]), kCrankBottom + 18, std::to_string(tooth),
                             Attr("fill", extra ? kExtraInk : kGrey)));
      }
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
    return bottom + 8;
  }

  int Marks(int y) {
    if (wheel_.marks.empty()) return y;
    const int mid = y + 14;
    TrackLabel(mid, wheel_.Say(HostWord::kTrackReference));
    for (const ReferenceMark& mark : wheel_.marks) {
      const double x = X(mark.angle16);
      svg_.Begin(Attr("data-reference", mark.number) + Attr("data-angle", AngleText(mark.angle16)));
      svg_.Circle(x, mid, 12, Fill(kBackground, kMissingInk));
      Label(x, mid + 6, std::to_string(mark.number), Anchor::kMiddle, Attr("fill", kMissingInk));
      svg_.End();
    }
    return y + 30;
  }

  int Cylinders(int y) {
    const int tip = y + 16;
    TrackLabel(tip - 6, wheel_.Say(HostWord::kTrackTdc));
    int labels = tip;
    std::vector<int> labelY;
    for (const Cylinder& c : wheel_.cylinders) {
      const std::string_view ink = kBankInk[static_cast<size_t>(c.bank)];
      const double x = X(c.angle16);
      svg_.Begin(Attr("data-cylinder", c.order) + Attr("data-angle", AngleText(c.angle16)) +
                 Attr("data-bank", c.bank) + Fill(ink, ink));
      svg_.Triangle(x, tip, 12,
                    c.bank == 2 ? Fill(kBackground, ink) + Attr("stroke-width", 2) : "");
      labels =
          std::max(labels, RowLabel(x, tip + 20,
                                    Ordinal(c.order, wheel_.language) + " " + Degrees(c.angle16),
                                    Attr("stroke", "none")));
      svg_.End();
    }
    const int lanesTop = labels + 10;
    if (!wheel_.cylinders.empty())
      TrackLabel(lanesTop + kLaneHeight / 2, wheel_.Say(HostWord::kTrackWindows));
    for (const Cylinder& c : wheel_.cylinders) {
      const std::string_view ink = kBankInk[static_cast<size_t>(c.bank)];
      const double x = X(c.angle16);
      const int lane = lanesTop + kLaneHeight * c.order;
      Window(c, ink, lane);
      // From the crankshaft down to the cylinder's own window lane, around the labels.
      VerticalLine(x, kCrankTop - 6, lane + kLaneHeight - 2,
                   Attr("stroke", ink) + Attr("stroke-opacity", "0.5"));
      if (const auto concern = wheel_.concerns.cylinders.find(c.order);
          concern != wheel_.concerns.cylinders.end()) {
        // Around the TDC and the whole lane of its window.
        const std::string attributes = Attr("data-concern", "cylinder") +
                                       Attr("data-concern-cylinder", c.order) +
                                       Attr("data-finding", Numbers(concern->second)) + Highlight();
        svg_.Rect(x - 14, tip - 18, 28, 24, attributes);
        svg_.Rect(X(0) - 2, lane + 1, X(65536) - X(0) + 4, kLaneHeight - 2, attributes);
      }
      if (Marked(input_.changed.cylinders, c.order)) {
        const std::string attributes =
            Attr("data-changed", "cylinder") + Attr("data-changed-cylinder", c.order) + Changed();
        svg_.Rect(x - 17, tip - 21, 34, 30, attributes);
        svg_.Rect(X(0) - 5, lane - 1, X(65536) - X(0) + 10, kLaneHeight + 2, attributes);
      }
    }
    const auto lanes = static_cast<int>(std::max<size_t>(wheel_.cylinders.size(), 1));
    return lanesTop + kLaneHeight * (lanes + 1);
  }

  void Window(const Cylinder& c, std::string_view ink, int lane) {
    Label(kCycleLeft - 8, lane + 18, Ordinal(c.order, wheel_.language), Anchor::kEnd,
          Attr("fill", ink));
    if (!c.window) return;
    const uint16_t from = wheel_.toothAngles[static_cast<size_t>(c.window->start)];
    const uint16_t to = wheel_.toothAngles[static_cast<size_t>(c.window->end)];
    // The second bank's windows are lighter and outlined, not only of another colour.
    svg_.Begin(Attr("data-window", c.order) + Attr("data-start-tooth", c.window->start) +
               Attr("data-end-tooth", c.window->end) + Attr("data-start-angle", AngleText(from)) +
               Attr("data-end-angle", AngleText(to)) +
               Fill(ink, c.bank == 2 ? ink : std::string_view("none")) +
               Attr("fill-opacity", c.bank == 2 ? "0.3" : "0.6"));
    const double top = lane + 4;
    const double height = kLaneHeight - 8;
    // A window across the end of the cycle is drawn in two pieces.
    if (from <= to) {
      svg_.Rect(X(from), top, X(to) - X(from), height, "");
    } else {
      svg_.Rect(X(from), top, X(65536) - X(from), height, "");
      svg_.Rect(X(0), top, X(to) - X(0), height, "");
    }
    svg_.End();
  }

  struct PhaseTick {
    size_t tooth;
    const char* role;
    std::string label;
    int dy;  // of the label's baseline from the phase's line
  };

  // Labels first, ticks after, so that a tick goes around the other tooth's label.
  void PhaseTeeth(int mid, const std::vector<PhaseTick>& ticks) {
    std::vector<double> drawn;  // x of each tick
    for (const PhaseTick& tick : ticks) {
      const std::optional<uint16_t> angle16 = wheel_.ToothAngle(tick.tooth);
      if (!angle16) continue;
      const double x = X(*angle16);
      const std::string text = tick.label + " " + std::to_string(tick.tooth);
      const bool fits = x + 4 + TextWidth(text, kFont) <= kWidth - kMargin;
      svg_.Begin(Attr(tick.role, static_cast<long long>(tick.tooth)) +
                 Attr("data-angle", AngleText(*angle16)));
      Label(fits ? x + 4 : x - 4, mid + tick.dy, text, fits ? Anchor::kStart : Anchor::kEnd,
            Attr("stroke", "none"));
      svg_.End();
      drawn.push_back(x);
    }
    for (const double x : drawn) VerticalLine(x, mid - 10, mid + 10, Attr("stroke-width", 2));
  }

  int Phases(int y) {
    const SyncRecord& sync = wheel_.sync;
    if (sync.mainType != kPhaseNone) {
      const int mid = y + 44;
      TrackLabel(mid, wheel_.Say(HostWord::kTrackMainPhase));
      svg_.Begin(Attr("data-phase", "main") + Attr("data-type", sync.mainType) +
                 Attr("data-camshaft", sync.mainCamshaft) + Fill(kPhaseInk, kPhaseInk));
      svg_.Line(X(0), mid, X(65536), mid, Attr("stroke-opacity", "0.4"));
      Label(X(65536), y + 16,
            wheel_.Say(HostWord::kCamshaftOf, {CamshaftText(sync.mainCamshaft, wheel_.language)}),
            Anchor::kEnd, Attr("stroke", "none"));
      std::vector<PhaseTick> ticks = {
          {sync.main.crankTooth, "data-start-tooth", wheel_.Say(HostWord::kFromTooth), -6}};
      if (MainPhaseHasMarks(sync.mainType))
        ticks.push_back({sync.markTooth, "data-mark-tooth", wheel_.Say(HostWord::kMarkTooth), 24});
      PhaseTeeth(mid, ticks);
      if (MainPhaseHasMarks(sync.mainType))
        CamMarks(mid, sync.markTooth, sync.main.teeth, "data-cam-mark");
      svg_.End();
      PhaseConcern(kMainPhase, y);
      PhaseChanged(kMainPhase, y);
      y += kPhaseHeight;
    }
    for (size_t i = 0; i < kAuxPhaseCount; ++i) {
      const PhaseSetting& aux = sync.aux[i];
      if (aux.teeth == 0) continue;
      const int mid = y + 44;
      TrackLabel(mid, wheel_.Say(HostWord::kTrackAuxPhase, {std::to_string(i + 1)}));
      svg_.Begin(Attr("data-phase", "aux" + std::to_string(i + 1)) +
                 Attr("data-camshaft", sync.auxCamshaft[i]) + Attr("data-teeth", aux.teeth) +
                 Fill(kAuxInk, kAuxInk));
      svg_.Line(X(0), mid, X(65536), mid, Attr("stroke-opacity", "0.4"));
      Label(
          X(65536), y + 16,
          wheel_.Say(HostWord::kAuxCamshaftOf, {CamshaftText(sync.auxCamshaft[i], wheel_.language),
                                                std::to_string(aux.teeth)}),
          Anchor::kEnd, Attr("stroke", "none"));
      PhaseTeeth(mid, {{aux.crankTooth, "data-start-tooth", wheel_.Say(HostWord::kFromTooth), -6}});
      CamMarks(mid, aux.crankTooth, aux.teeth, "data-aux-mark");
      svg_.End();
      PhaseConcern(static_cast<int>(i) + 1, y);
      PhaseChanged(static_cast<int>(i) + 1, y);
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
                        (m == 0 ? "" : Attr("fill", kBackground)));
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

  static std::string Changed() {
    return Fill("none", kChangedInk) + Attr("stroke-width", 2) + Attr("stroke-dasharray", "1 3");
  }

  static bool Marked(const std::vector<int>& list, int n) {
    return std::find(list.begin(), list.end(), n) != list.end();
  }

  void PhaseChanged(int phase, int top) {
    if (!Marked(input_.changed.phases, phase)) return;
    svg_.Rect(X(0) - 7, top + 19, X(65536) - X(0) + 14, kPhaseHeight - 16,
              Attr("data-changed", "phase") +
                  Attr("data-changed-phase",
                       phase == kMainPhase ? std::string("main") : "aux" + std::to_string(phase)) +
                  Changed());
  }

  void PhaseConcern(int phase, int top) {
    const auto concern = wheel_.concerns.phases.find(phase);
    if (concern == wheel_.concerns.phases.end()) return;
    // Below the camshaft's name, around its line, ticks and tooth labels.
    svg_.Rect(X(0) - 4, top + 22, X(65536) - X(0) + 8, kPhaseHeight - 22,
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

  /// The key's glyphs and words in rows as wide as the picture.
  class KeyRow {
   public:
    KeyRow(Painter& painter, int y) : painter_(painter), y_(y) {}
    /// Where the next glyph goes, for a key of these words.
    double Place(std::string_view text) {
      if (x_ > kMargin && x_ + 18 + TextWidth(text, kFont) > kWidth - kMargin) {
        x_ = kMargin;
        y_ += kLine;
      }
      return x_;
    }
    void Text(std::string_view text) {
      painter_.Label(x_ + 18, y_ + 6, text, Anchor::kStart);
      x_ += 18 + TextWidth(text, kFont) + 20;
    }
    int y() const { return y_; }

   private:
    Painter& painter_;
    int y_;
    double x_ = kMargin;
  };

  int Key(int y) {
    KeyRow row(*this, y);
    auto key = [&](HostWord word, auto glyph) {
      const std::string text = wheel_.Say(word);
      const double x = row.Place(text);  // before the row's y: placing may start a new row
      glyph(x, row.y());
      row.Text(text);
    };
    auto bank = [&](std::string_view text, auto glyph) {
      const double x = row.Place(text);
      glyph(x, row.y());
      row.Text(text);
    };
    key(HostWord::kKeyTooth, [&](double x, int r) { svg_.Rect(x, r - 6, 4, 12, Fill(kToothInk)); });
    key(HostWord::kKeyMissingTooth, [&](double x, int r) {
      svg_.Rect(x, r - 6, 4, 12, Fill("none", kMissingInk) + Attr("stroke-dasharray", "2 2"));
    });
    key(HostWord::kKeyExtraTooth,
        [&](double x, int r) { svg_.Rect(x, r - 8, 4, 14, Fill(kExtraInk)); });
    key(HostWord::kKeyReferenceMark,
        [&](double x, int r) { svg_.Circle(x + 6, r, 6, Fill(kBackground, kMissingInk)); });
    if (wheel_.engine.banks == 0) {
      key(HostWord::kKeyTdc,
          [&](double x, int r) { svg_.Triangle(x + 6, r + 6, 12, Fill(kBankInk[0])); });
    } else {
      for (size_t b = 1; b < kBankInk.size(); ++b)
        bank(wheel_.Say(HostWord::kBankNumbered, {std::to_string(b)}), [&](double x, int r) {
          svg_.Triangle(x + 6, r + 6, 12,
                        b == 2 ? Fill(kBackground, kBankInk[b]) + Attr("stroke-width", 2)
                               : Fill(kBankInk[b]));
        });
    }
    key(HostWord::kKeyCamshaftMark,
        [&](double x, int r) { svg_.Triangle(x + 6, r + 4, 8, Fill(kPhaseInk)); });
    if (!input_.reportFindings.empty())
      key(HostWord::kKeyConcern,
          [&](double x, int r) { svg_.Rect(x, r - 6, 12, 12, Highlight()); });
    if (input_.changed.Any())
      key(HostWord::kReviewChanged, [&](double x, int r) {
        svg_.Rect(x, r - 6, 12, 12, Attr("data-key", "changed") + Changed());
      });
    return row.y() + kLine + 8;
  }

  /// Lines of the legend, each at most `columns` characters from `indent`.
  static size_t Columns(double indent) {
    return static_cast<size_t>((kWidth - kMargin - indent) / (kCharWidth * kFont));
  }

  int Legend(int y) {
    y = Key(y);
    Label(kMargin, y, wheel_.Say(HostWord::kLegendDecoded), Anchor::kStart,
          Attr("font-weight", "bold"));
    for (const LegendLine& line : DecodedValues(wheel_)) {
      bool first = true;
      for (const std::string& part : Wrapped(line.text, Columns(kMargin + 12))) {
        y += kLine;
        Label(kMargin + (first ? 0 : 12), y, part, Anchor::kStart,
              first ? Attr("data-legend", line.key) : std::string());
        first = false;
      }
    }
    y += kLine + 8;
    std::string verdict = input_.verdict;
    for (const VerdictWords& words : kVerdicts)
      if (words.verdict == input_.verdict) verdict = In(words.words, wheel_.language);
    Label(kMargin, y, wheel_.Say(HostWord::kLegendConfiguration, {verdict}), Anchor::kStart,
          Attr("font-weight", "bold") + Attr("data-verdict", input_.verdict));
    const Json& findings = input_.reportFindings;
    for (size_t row = 0; row < input_.reportRows.size(); ++row) {
      y += kLine;
      Label(kMargin, y, input_.reportRows[row], Anchor::kStart,
            Attr("data-row", static_cast<long long>(row + 1)) + Attr("fill", kMissingInk));
      if (!LastRowOfItsFinding(findings, row)) continue;
      const std::string words = FindingInWords(findings[row], wheel_.language);
      bool first = true;
      for (const std::string& line : Wrapped(words, Columns(kMargin + 36))) {
        y += kLine;
        Label(kMargin + (first ? 18 : 36), y, line, Anchor::kStart,
              (first ? Attr("data-finding-of-row", static_cast<long long>(row + 1)) +
                           Attr("data-finding", findings[row].value("index", 0) + 1)
                     : std::string()) +
                  Attr("fill", kGrey));
        first = false;
      }
    }
    y = Notes(y, HostWord::kLegendNotes, wheel_.notes, "data-note");
    y = Notes(y, HostWord::kLegendWindowNotes, wheel_.windowNotes, "data-window-note");
    return y + kLine;
  }

  int Notes(int y, HostWord heading, const std::vector<std::string>& notes, const char* attribute) {
    if (notes.empty()) return y;
    y += kLine + 8;
    Label(kMargin, y, wheel_.Say(heading), Anchor::kStart, Attr("font-weight", "bold"));
    for (const std::string& note : notes) {
      // The whole note on its first line's attribute; the lines that follow carry none.
      const std::vector<std::string> lines = Wrapped(note, Columns(kMargin + 18));
      for (size_t i = 0; i < lines.size(); ++i) {
        y += kLine;
        Label(kMargin + (i > 0 ? 18 : 0), y, lines[i], Anchor::kStart,
              i == 0 ? Attr(attribute, note) : "");
      }
    }
    return y;
  }

  const WheelInput& input_;
  const Wheel& wheel_;
  Svg svg_;
  std::vector<Box> placed_;
};

}  // namespace

std::string WheelName(uint16_t flywheelWord) { return NameOf(DecodeFlywheel(flywheelWord)); }

std::string DrawWheel(const WheelInput& input) {
  const Wheel wheel = Decode(input);
  return Painter(input, wheel).Paint();
}

// --- The settings a review compares.
namespace {

struct SettingList {
  HostLanguage language;
  std::vector<TableSetting> out;

  void Add(std::string key, SettingGroup group, size_t table, std::string subject,
           std::string value) {
    out.push_back({std::move(key), group, table, std::move(subject), std::move(value)});
  }
  std::string Say(HostWord word, std::initializer_list<std::string> values = {}) const {
    return host::Say(word, language, values);
  }
};

std::string ScaleName(uint32_t reference, const std::function<std::string(int32_t)>& itemName,
                      HostLanguage language) {
  // A reference whose low word is 0 is the stored "none".
  if ((reference & 0xFFFF) == 0) return std::string(In(HostWord::kNone, language));
  const auto id = static_cast<int32_t>(reference);
  std::string name = itemName ? itemName(id) : std::string();
  return name.empty() ? Hex(reference, 8) : name;
}

void CylinderSettings(const EngineRecord& engine, SettingList& list) {
  const auto g = SettingGroup::kCylinders;
  list.Add("cylinders", g, 0, list.Say(HostWord::kSubjectCylinders),
           std::to_string(engine.cylinders));
  for (size_t i = 0; i < kMaxCylinders; ++i) {
    if (i >= engine.cylinders && engine.angles[i] == 0) continue;
    list.Add("tdc/" + std::to_string(i + 1), g, 0,
             list.Say(HostWord::kReviewTdc, {std::to_string(i + 1)}), Degrees(engine.angles[i]));
  }
  list.Add(
      "banks", g, 0, list.Say(HostWord::kReviewBanks),
      list.Say(engine.banks ? HostWord::kReviewBanksManaged : HostWord::kReviewBanksNotManaged));
  if (engine.banks == 0) return;
  for (size_t i = 0; i < 16; ++i) {
    const bool second = (engine.banks >> i) & 1;
    if (i >= engine.cylinders && !second) continue;
    list.Add("bank/" + std::to_string(i + 1), g, 0,
             list.Say(HostWord::kReviewCylinderNumbered, {std::to_string(i + 1)}),
             list.Say(HostWord::kBankNumbered, {second ? "2" : "1"}));
  }
}

void FlywheelSettings(const SyncRecord& sync, SettingList& list) {
  const auto g = SettingGroup::kFlywheel;
  list.Add("flywheel", g, 1, list.Say(HostWord::kReviewFlywheel), NameOf(sync.flywheel));
  list.Add("flywheel/teeth", g, 1, list.Say(HostWord::kReviewFlywheelTeeth),
           std::to_string(sync.flywheel.T));
  list.Add("flywheel/kind", g, 1, list.Say(HostWord::kReviewFlywheelKind),
           FlywheelKindText(sync.flywheel, list.language));
  list.Add("sync/min-rpm", g, 1, list.Say(HostWord::kReviewSyncMinRpm),
           list.Say(HostWord::kReviewRpm, {std::to_string(sync.minRpm)}));
}

void PhaseSettings(const SyncRecord& sync, SettingList& list) {
  const auto g = SettingGroup::kPhases;
  const auto type = static_cast<size_t>(sync.mainType);
  const std::optional<HostWord> typeName = PhaseTypeWord(sync.mainType);
  list.Add("main-phase", g, 1, list.Say(HostWord::kReviewMainPhase),
           typeName ? std::string(In(*typeName, list.language))
                    : list.Say(HostWord::kUnknownValue, {std::to_string(type)}));
  list.Add("main-phase/camshaft", g, 1, list.Say(HostWord::kReviewMainPhaseCamshaft),
           CamshaftText(sync.mainCamshaft, list.language));
  std::string count = std::to_string(sync.main.teeth);
  if (type < kMainPhaseCounts.size() && kMainPhaseCounts[type])
    count += " " + std::string(In(*kMainPhaseCounts[type], list.language));
  list.Add("main-phase/count", g, 1, list.Say(HostWord::kReviewMainPhaseCount), count);
  list.Add("main-phase/from", g, 1, list.Say(HostWord::kReviewMainPhaseFrom),
           std::to_string(sync.main.crankTooth));
  list.Add("main-phase/mark-tooth", g, 1, list.Say(HostWord::kReviewMainPhaseMarkTooth),
           std::to_string(sync.markTooth));
  for (size_t i = 0; i < kAuxPhaseCount; ++i) {
    const std::string n = std::to_string(i + 1);
    const PhaseSetting& aux = sync.aux[i];
    list.Add("aux/" + n, g, 1, list.Say(HostWord::kReviewAuxTeeth, {n}), std::to_string(aux.teeth));
    list.Add("aux/" + n + "/camshaft", g, 1, list.Say(HostWord::kReviewAuxCamshaft, {n}),
             CamshaftText(sync.auxCamshaft[i], list.language));
    list.Add("aux/" + n + "/from", g, 1, list.Say(HostWord::kReviewAuxFrom, {n}),
             std::to_string(aux.crankTooth));
  }
}

}  // namespace

std::vector<TableSetting> DecodeSettings(
    const std::array<std::vector<uint16_t>, kWheelTables>& tables,
    const std::function<std::string(int32_t)>& itemName, HostLanguage language) {
  const EngineRecord engine = DecodeEngineTable(tables[kEngine]);
  const SyncRecord sync = DecodeSyncTable(tables[kSync]);
  SettingList list{language, {}};
  CylinderSettings(engine, list);
  FlywheelSettings(sync, list);
  list.Add("ignition", SettingGroup::kIgnition, 0, list.Say(HostWord::kReviewIgnition),
           IgnitionText(engine, language));
  list.Add("ignition/delay", SettingGroup::kIgnition, 0, list.Say(HostWord::kReviewIgnitionDelay),
           list.Say(HostWord::kReviewMicroseconds, {std::to_string(engine.ignitionDelayUs)}));
  list.Add("injection", SettingGroup::kInjection, 0, list.Say(HostWord::kReviewInjection),
           InjectionText(engine, language));
  PhaseSettings(sync, list);
  // The plug-in's rail 1 is the map of the second pair of references, rail 2 of the first.
  for (size_t rail = 1; rail <= kRailsWithScaleReferences; ++rail) {
    const size_t first = rail == 1 ? 2 : 0;
    const uint32_t vertical = engine.scaleReferences[first];
    const uint32_t horizontal = engine.scaleReferences[first + 1];
    // A map without scales is "none", not "none × none".
    const std::string scales =
        (vertical & 0xFFFF) == 0 && (horizontal & 0xFFFF) == 0
            ? std::string(In(HostWord::kNone, language))
            : list.Say(HostWord::kReviewScalePair, {ScaleName(vertical, itemName, language),
                                                    ScaleName(horizontal, itemName, language)});
    list.Add("rail/" + std::to_string(rail), SettingGroup::kRailMaps, 0,
             list.Say(HostWord::kReviewRailScales, {std::to_string(rail)}), scales);
  }
  return std::move(list.out);
}

WordRole RoleOfWord(size_t table, size_t word) {
  if (table == kEngine) {
    if (word >= kEngineCylindersWord && word <= kEngineIgnitionDelayWord) return WordRole::kSetting;
    if (word >= kEngineScaleReferenceWord && word < kEngineTableWords) return WordRole::kSetting;
    return WordRole::kOther;
  }
  if (word == kSyncFlywheelWord || word == kSyncMinRpmWord) return WordRole::kSetting;
  if (word >= kSyncPhaseAssignmentWord && word < kSyncTableWords) return WordRole::kSetting;
  if (word == kSyncLastTeethWord || (word > kSyncWord4 && word < kSyncPhaseAssignmentWord))
    return WordRole::kGenerator;
  return WordRole::kOther;
}

}  // namespace vantel::host
