#pragma once
// The engine configuration record: the layout of EngineTable and SyncTable, the flywheel
// word, PhaseMarkTooth, the format check and the pure parts of the older-layout upgrades.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cmdtable/ecu_data.h"
#include "platform/words.h"

namespace vantel {

// --- EngineTable (configuration table 1): 34 words.
inline constexpr size_t kEngineTableWords = 34;
inline constexpr size_t kEngineFormatWord = 1;
/// Words 2 to 5: where each of the four item references lies, counted from word 1.
inline constexpr size_t kEngineReferencePositionWord = 2;
inline constexpr std::array<uint16_t, 4> kEngineReferencePositions = {25, 27, 29, 31};
inline constexpr uint16_t kEngineFormat = 4;
inline constexpr size_t kEngineCylindersWord = 6;
/// Bit i set: cylinder i + 1 in firing order is on bank 2; 0 = no bank management.
inline constexpr size_t kEngineBanksWord = 7;
/// Words 8 to 19: TDC angle of cylinders 1 to 12, 1/65536 of the 720° cycle.
inline constexpr size_t kEngineAngleWord = 8;
inline constexpr size_t kMaxCylinders = 12;
inline constexpr size_t kEngineIgnitionWord = 20;
inline constexpr size_t kEngineInjectionWord = 21;
inline constexpr size_t kEngineIgnitionDelayWord = 22;
/// Words 23 to 25: peak-and-hold tuning, always 0 in a valid record.
inline constexpr size_t kEnginePeakHoldTuningWord = 23;
inline constexpr size_t kPeakHoldTuningWords = 3;
/// Words 26-27, 28-29 (first rail map), 30-31, 32-33 (second): 32-bit item identifiers.
inline constexpr size_t kEngineScaleReferenceWord = 26;
inline constexpr size_t kEngineScaleReferenceCount = 4;
/// The engine table holds the scale references of two rail maps only.
inline constexpr size_t kRailsWithScaleReferences = 2;

/// The first of the four reference words of rail map `index`: vertical, then horizontal.
constexpr size_t RailScaleReferenceWord(size_t index) {
  return kEngineScaleReferenceWord + 4 * index;
}

/// The maps a RailMapList names: as many as its size word counts, never more than it holds.
size_t RailMapCount(std::span<const uint16_t> railMapList);
/// The item identifier of map `index` of a RailMapList.
int32_t RailMapId(std::span<const uint16_t> railMapList, size_t index);

/// The cylinder counts an ECU can allow, bit i of CylinderCaps word 1 allowing entry i.
inline constexpr std::array<uint16_t, 9> kCylinderCounts = {1, 2, 3, 4, 5, 6, 8, 10, 12};

// Ignition type bits of EngineTable word 20 (exactly one set).
inline constexpr uint16_t kIgnitionDistributed = 0x1;
inline constexpr uint16_t kIgnitionTwinSpark = 0x2;
inline constexpr uint16_t kIgnitionStatic = 0x4;

// Masks over EngineTable word 21. The injection bit is type + 3 x rails, type 0
// semi-sequential, 1 sequential, 2 direct; rails 0 one, 1 and 2 the two two-rail modes.
inline constexpr uint16_t kInjectionOneRail = 0x007;
inline constexpr uint16_t kInjectionSemiSequentialOneRail = 0x001;
inline constexpr uint16_t kInjectionAllTypes = 0x1FF;
inline constexpr uint16_t kInjectionTwoRails = 0x1F8;
inline constexpr uint16_t kInjectionSemiSequentialTwoRails = 0x048;
inline constexpr uint16_t kInjectionSequentialOrDirectOneRail = 0x006;
inline constexpr uint16_t kInjectionSequentialTwoRails = 0x090;
inline constexpr uint16_t kInjectionDirect = 0x124;
inline constexpr uint16_t kInjectionDirectTwoRails = 0x120;
inline constexpr uint16_t kInjectionPeakHold = 0xC000;
inline constexpr uint16_t kInjectionTypeMask = 0x3FFF;

/// The injection bit of `type` (0 semi-sequential, 1 sequential, 2 direct) with `rails`.
constexpr uint16_t InjectionBit(int type, int rails) {
  return static_cast<uint16_t>(1u << (type + 3 * rails));
}

/// A 32-bit item reference whose low word is 0 means "none"; this is its stored form.
inline constexpr uint32_t kNoItemReference = 0xFFFF0000u;

// --- SyncTable (configuration table 2): 17 words.
inline constexpr size_t kSyncTableWords = 17;
inline constexpr size_t kSyncFlywheelWord = 1;
/// High byte and low byte: the last two tooth indexes of a revolution.
inline constexpr size_t kSyncLastTeethWord = 2;
/// RPM below which the synchronisation-loss test is not done.
inline constexpr size_t kSyncMinRpmWord = 3;
inline constexpr size_t kSyncWord4 = 4;
inline constexpr size_t kSyncPhaseAssignmentWord = 11;
inline constexpr size_t kSyncMarkToothWord = 12;
/// Low byte marks count, high byte crankshaft tooth of the main phase.
inline constexpr size_t kSyncMainPhaseWord = 13;
/// Words 14 to 16: auxiliary phases 1 to 3, low byte teeth, high byte crankshaft tooth.
inline constexpr size_t kSyncAuxPhaseWord = 14;
inline constexpr size_t kAuxPhaseCount = 3;

/// Main phase types, low byte of SyncTable word 11.
enum MainPhaseType : int {
  kPhaseNone = 0,
  kPhaseOnMarksState = 1,
  kPhaseOnMarksPosition = 2,
  kPhaseRegularTeeth = 3,
  kPhaseOneMissingTooth = 4,
  kPhaseOneSupplementaryTooth = 5,
  kPhaseDynamicSynchronization = 6,
  kPhasePressureSensor = 7,
};

/// Main phase types that cannot tell the two crankshaft revolutions of a cycle apart.
constexpr bool IsUnphasedMainType(int mainType) {
  return mainType == kPhaseNone || mainType == kPhaseRegularTeeth;
}

/// Camshaft codes (2 bits each in SyncTable word 11).
enum CamshaftCode : int {
  kCamIntakeBank1 = 0,
  kCamExhaustBank1 = 1,
  kCamIntakeBank2 = 2,
  kCamExhaustBank2 = 3,
};

/// Reference kinds K: teeth removed (negative) or added at each occurrence of the mark.
enum FlywheelKind : int {
  kTwoMissingTeeth = -2,
  kOneMissingTooth = -1,
  kRegularTeeth = 0,
  kOneExtraTooth = 1,
};

/// Whether the ECU knows reference kind `kind`.
constexpr bool IsKnownFlywheelKind(int kind) {
  return kind >= kTwoMissingTeeth && kind <= kOneExtraTooth;
}

/// The values packed in the flywheel word (SyncTable word 1).
struct Flywheel {
  int T = 0;  // actual teeth, bits 0-5
  int R = 1;  // occurrences of the mark per revolution, bits 6-7 plus 1
  int N = 0;  // nominal teeth, bits 8-14
  int S = 1;  // singularity variant, bit 15 plus 1 (2 = the Renault RS type)
  int K = 0;  // (T - N) / R, truncated toward zero
};

Flywheel DecodeFlywheel(uint16_t flywheelWord);

/// The flywheel word holding `f`'s T, R, N and S (K follows from them).
uint16_t EncodeFlywheel(const Flywheel& f);
/// The flywheel word as the Engine page stores it from its choices: nominal teeth
/// T - R x kind, in 16-bit arithmetic.
uint16_t EncodeFlywheel(int actualTeeth, int occurrencesCode, int kind, bool renaultRs);

/// The tooth at which the main phase mark is expected (SyncTable word 12), from the main
/// marks count, the nominal and actual teeth, the main phase type and the occurrences R.
int32_t PhaseMarkTooth(int marks, int nominalTeeth, int actualTeeth, int mainType, int references);

/// The most marks a phase counts on its camshaft.
inline constexpr int kMaxPhaseMarks = 16;
/// The most engine rounds dynamic synchronisation (main type 6) may take; an even count.
inline constexpr int kMaxSyncRounds = 100;
/// The fewest marks of a camshaft target with one missing or one supplementary tooth.
inline constexpr int kFewestToothTargetMarks = 3;

/// The most marks a camshaft target with one missing tooth (main type 4) or one
/// supplementary tooth (type 5) can have on flywheel `f`, at most kMaxPhaseMarks: a mark
/// period takes 2 nominal teeth per 3 to 5 marks, by the flywheel's kind. Below
/// kFewestToothTargetMarks the flywheel has too few teeth for such a target. An unknown kind
/// allows kMaxPhaseMarks.
int MaxToothTargetMarks(int mainType, const Flywheel& f);

/// The last crankshaft tooth of the engine cycle (two revolutions), from which an auxiliary
/// phase measurement may start at the latest.
int LastCycleTooth(const Flywheel& f);
/// The last crankshaft tooth from which the main phase mark may be expected: for "on marks
/// state" one of the first reference period, for types 2 to 5 any tooth of the cycle; types
/// 0, 6 and 7 start at the flywheel mark only (0).
int LastMainStartTooth(int mainType, const Flywheel& f);

/// One phase of SyncTable words 13 to 16.
struct PhaseSetting {
  uint8_t teeth = 0;       // marks count (main) or camshaft teeth (auxiliary, 0 = unused)
  uint8_t crankTooth = 0;  // crankshaft tooth of measurement start
};

/// EngineTable decoded; words beyond the table's end read as 0.
struct EngineRecord {
  uint16_t cylinders = 0;
  uint16_t banks = 0;
  std::array<uint16_t, kMaxCylinders> angles{};
  uint16_t ignitionType = 0;
  uint16_t injection = 0;
  uint16_t ignitionDelayUs = 0;
  std::array<uint16_t, 3> peakHoldTuning{};
  /// Vertical and horizontal scale of the first rail map, then of the second.
  std::array<uint32_t, kEngineScaleReferenceCount> scaleReferences{};
};

EngineRecord DecodeEngineTable(std::span<const uint16_t> table);
/// Writes the record's words 6 to 33 into `table`, leaving words 0 to 5 (size, format and
/// reference positions) as they are. A word that already holds its value is not touched, so
/// encoding what was decoded never changes a table, a short one included.
void EncodeEngineTable(const EngineRecord& record, WordTable& table);

/// SyncTable decoded; words beyond the table's end read as 0.
struct SyncRecord {
  Flywheel flywheel;
  uint16_t minRpm = 0;
  uint16_t word4 = 0;  // 0xFFFF once the Engine page has stored a flywheel
  int mainType = 0;
  int mainCamshaft = 0;
  std::array<int, kAuxPhaseCount> auxCamshaft{};
  uint16_t markTooth = 0;
  PhaseSetting main;
  std::array<PhaseSetting, kAuxPhaseCount> aux{};
};

SyncRecord DecodeSyncTable(std::span<const uint16_t> table);
/// Writes the record's words 1, 3, 4 and 11 to 16 into `table`; words 2 and 5 to 10 are the
/// flywheel table generator's. As EncodeEngineTable, a word holding its value is not touched.
void EncodeSyncTable(const SyncRecord& record, WordTable& table);

// --- Format check.

/// Word 0 agrees with the byte count, bit 0 of both ignored.
bool SizeWordAgrees(std::span<const uint16_t> table);
/// The current 34-word EngineTable with its reference positions 4, 25, 27, 29, 31.
bool IsCurrentEngineTable(std::span<const uint16_t> table);
/// The current 17-word SyncTable.
bool IsCurrentSyncTable(std::span<const uint16_t> table);
/// A flywheel description table: word 0 agreeing and at least 4 bytes.
bool IsWellFormedFlywheelTable(std::span<const uint16_t> table);

enum class FormatCheck {
  kOk,
  kUnknownToEcu,         // EngineTable or SyncTable not of the current layout
  kFlywheelTablesError,  // one of configuration tables 3 to 6 malformed
};

/// The format check over the six configuration tables, in ConfigTableIndex order.
FormatCheck CheckFormat(const std::array<WordTable, kConfigTableCount>& tables);

// --- Older layouts.

/// The 22-word EngineTable: word 7 was the angle offset of each pair's second cylinder,
/// words 8-13 today's words 20-25, words 14-21 the four references.
bool IsOldEngineTable(std::span<const uint16_t> table);
/// The 18-word SyncTable that first grows to the 20-word one.
bool IsShortOldSyncTable(std::span<const uint16_t> table);
/// The 20-word SyncTable.
bool IsOldSyncTable(std::span<const uint16_t> table);

/// Whether an item identifier names an item the host knows.
using ItemResolver = std::function<bool(int32_t id)>;

/// The current EngineTable built from a 22-word one; references are kept only when their
/// low word is not 0 and `resolves` knows them.
WordTable UpgradeEngineLayout(std::span<const uint16_t> old, const ItemResolver& resolves);

/// The 18-word SyncTable with two zero words appended and word 0 set to 40.
WordTable ExtendShortSyncLayout(std::span<const uint16_t> old);

/// The current SyncTable built from a 20-word one.
WordTable UpgradeSyncLayout(std::span<const uint16_t> old);

/// floor(x / d) rounded up when twice the remainder is at least d.
constexpr uint32_t RoundHalfUp(uint64_t x, uint64_t d) {
  return static_cast<uint32_t>(x / d + (2 * (x % d) >= d ? 1 : 0));
}

// --- TDC angles (EngineTable words 8 to 19). A word is 1/65536 of the 720° cycle; a person
// reads and types degrees with two decimals, that is hundredths, 72000 a cycle.
inline constexpr uint32_t kCycleHundredths = 72000;
/// The highest angle word: it shows as 720.00, so 720.00 is the highest angle one can type.
inline constexpr uint16_t kLastAngleWord = 0xFFFF;
/// CylinderCaps word 1: the ECU manages two banks of cylinders.
inline constexpr uint16_t kBanksAllowedBit = 0x8000;

/// The angle word of cylinder `index` (from 0) of `cylinders` spread evenly over the cycle.
constexpr uint16_t RegularAngleWord(uint32_t index, uint32_t cylinders) {
  return static_cast<uint16_t>(RoundHalfUp(uint64_t{index} * 65536, cylinders));
}

/// The same regular angle in hundredths, truncated: what a person types for it.
constexpr uint32_t RegularAngleHundredths(uint32_t index, uint32_t cylinders) {
  return static_cast<uint32_t>(uint64_t{index} * kCycleHundredths / cylinders);
}

/// The hundredths `word` shows: its angle rounded to tenths, so the last digit is always 0.
constexpr uint32_t ShownAngleHundredths(uint16_t word) {
  const auto hundredths = static_cast<uint32_t>(uint64_t{word} * kCycleHundredths / 65536);
  return 10 * RoundHalfUp(hundredths, 10);
}

/// `word` as an angle edit shows it, ShownAngleHundredths in degrees: "180.00", "90.50".
std::string AngleText(uint16_t word);

/// A typed angle in hundredths: blanks around it ignored; the integer part decimal or "0x"
/// hexadecimal; after a '.' or a ',' (the French mark), tenths then hundredths, further digits
/// dropped. nullopt unless the whole text is such an angle ("", "90abc", "-5", "1.2.3"), so
/// that no stray character is read as a plausible angle; past 32 bits it saturates at
/// UINT32_MAX, above every angle.
std::optional<uint32_t> ParseAngleHundredths(std::string_view text);

/// The lowest word from the one `hundredths` falls in whose shown angle is not below it: a
/// typed angle comes back as the next tenth at or above it. nullopt above 720.00, which no
/// word holds.
std::optional<uint16_t> AngleWordFromHundredths(uint32_t hundredths);

/// Whether cylinders may be put on bank 2: the ECU manages banks, and the cylinders either
/// each have an ignition channel or are a multiple of 4.
constexpr bool BanksAllowed(uint16_t cylinderCapsWord1, uint32_t ignitionChannels,
                            uint32_t cylinders) {
  return (cylinderCapsWord1 & kBanksAllowedBit) != 0 &&
         (cylinders <= ignitionChannels || cylinders % 4 == 0);
}

}  // namespace vantel
