#pragma once
// The flywheel description tables the ECU needs besides the flywheel word: one entry per
// tooth (or tooth position) over the 720° engine cycle, generated from the flywheel word
// and the number of cylinders.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "config/engine_record.h"
#include "platform/words.h"

namespace vantel {

enum class FlywheelType {
  kRegular,       // K = 0
  kMissingTeeth,  // K = -1, or K = -2 without the RS bit
  kExtraTooth,    // K = +1
  kRenaultRs,     // K = -2 with the RS bit
};

/// Everything the generator derives from the flywheel word and the cylinder count.
struct FlywheelGeometry {
  FlywheelType type = FlywheelType::kRegular;
  Flywheel flywheel;
  int periods = 0;             // P: tooth periods per revolution
  int unitsPerPeriod = 1;      // 2 for the extra tooth type, whose unit is half a period
  int unitsPerRevolution = 0;  // U
  int regularWeight = 1;       // in units
  int windowPeriods = 0;       // L, one cylinder's share of the cycle, at most a revolution
  int windowUnits = 0;         // L in units
  uint32_t speedScale = 0;     // S, revolution-to-window ratio in 16.16 fixed point
};

/// Decodes the flywheel word for `cylinders`; false when the word is of no known type or
/// breaks a precondition of the generator (no cylinders, no teeth, occurrences not dividing
/// the teeth, fewer than 3 teeth per occurrence with an extra tooth, the RS type with more
/// than one occurrence or fewer than 3 teeth).
bool DescribeFlywheel(uint16_t flywheelWord, uint16_t cylinders, FlywheelGeometry& geometry);

/// w(i) for the 2T teeth of the cycle: the gap from tooth i to the next one, in units.
std::vector<int> ToothWeights(const FlywheelGeometry& geometry);

/// nearest(x / d) of the ECU: the quotient plus 1 when the remainder is at least d / 2
/// (integer halving, so an odd d rounds its lower half-way remainder up too).
constexpr uint64_t NearestQuotient(uint64_t x, uint64_t d) {
  const uint64_t r = x % d;
  return x / d + (r != 0 && r >= d / 2 ? 1 : 0);
}

/// A ToothWindowTable entry: the earlier and the later tooth of a window of L periods.
struct ToothWindow {
  int start = 0;
  int end = 0;
};

constexpr uint16_t EncodeToothWindow(int start, int end) {
  return static_cast<uint16_t>((start * 512 + end * 2) & 0xFFFF);
}

constexpr ToothWindow DecodeToothWindow(uint16_t entry) {
  return {entry >> 9, (entry & 0xFF) >> 1};
}

/// A ToothPositionTable entry: the tooth at or before a position and how many positions back
/// it sits (a tooth's own position counts the whole gap before it, an empty one the steps
/// back), so that tooth `tooth` lies at position j - gap for every entry j.
struct ToothPositionEntry {
  int gap = 0;
  int tooth = 0;
};

inline constexpr int kToothGapShift = 13;

constexpr uint16_t EncodeToothPosition(int gap, int tooth) {
  return static_cast<uint16_t>(((gap << kToothGapShift) + tooth) & 0xFFFF);
}

constexpr ToothPositionEntry DecodeToothPosition(uint16_t entry) {
  return {entry >> kToothGapShift, entry & ((1 << kToothGapShift) - 1)};
}

/// The SyncTable words the generator computes besides the four tables.
struct FlywheelSyncWords {
  uint16_t lastTeeth = 0;  // word 2: the last two tooth indexes of a revolution
  uint16_t event = 0;      // word 5: singularity length ratio
  uint16_t gap = 0;        // word 6: longest gap, 1/65536 of the cycle
  uint32_t periodUs = 0;   // words 7-8: longest gap time at 1 RPM, in µs
  uint32_t speed = 0;      // words 9-10: RPM conversion over one window
};

/// What the generator derives for one flywheel and one number of cylinders.
struct FlywheelTables {
  /// ToothWindowTable, ToothAngleTable, ToothPositionTable, RegularToothTable.
  std::array<WordTable, 4> tables;
  FlywheelSyncWords sync;

  /// Writes SyncTable words 2 and 5 to 10; `syncTable` holds them (the generator refuses a
  /// shorter one).
  void WriteSyncWords(WordTable& syncTable) const;
};

/// The four flywheel description tables and the SyncTable words for the flywheel word of
/// `syncTable` (word 1) and the cylinders of `engineTable` (word 6). nullopt when the word
/// is of no known type, a precondition of DescribeFlywheel is broken, the SyncTable is too
/// short for the generator's words, or no window of exactly L units exists.
std::optional<FlywheelTables> BuildFlywheelTables(std::span<const uint16_t> syncTable,
                                                  std::span<const uint16_t> engineTable);
/// The same for a flywheel word and a number of cylinders, for a SyncTable of
/// `syncTableWords` words.
std::optional<FlywheelTables> BuildFlywheelTables(uint16_t flywheelWord, uint16_t cylinders,
                                                  size_t syncTableWords);

}  // namespace vantel
