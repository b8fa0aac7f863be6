#pragma once
// The flywheel picture: one engine cycle as the configuration tables describe it (teeth,
// missing and extra teeth, reference marks, TDCs and their measurement windows, the phases),
// drawn as SVG for the person who set them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "findings.h"

namespace vantel::host {

/// EngineTable, SyncTable, ToothWindowTable, ToothAngleTable, ToothPositionTable and
/// RegularToothTable: descriptor elements 12 to 17, in that order.
inline constexpr size_t kWheelTables = 6;

/// What a review of two files found changed on the wheel, marked on the picture of the newer.
struct WheelChanges {
  bool flywheel = false;       // the teeth and the reference marks
  std::vector<int> cylinders;  // by number (1 first in firing order): TDC, bank, window
  std::vector<int> phases;     // 0 the main phase, 1 to 3 the auxiliary ones

  bool Any() const { return flywheel || !cylinders.empty() || !phases.empty(); }
};

struct WheelInput {
  std::string title;
  std::array<std::vector<uint16_t>, kWheelTables> tables;
  /// The items the tables come from, named in the legend's notes ("" when none).
  std::array<std::string, kWheelTables> itemNames;
  std::string verdict;  // "coherent", "not coherent", ...
  std::vector<std::string> reportRows;
  /// The findings behind the rows, one entry per row (FindingsApi::Read): the picture marks
  /// what each concerns and tells it under its row.
  Json reportFindings = Json::array();
  HostLanguage language = HostLanguage::kEnglish;
  WheelChanges changed;
};

/// The wheel as people name it from its flywheel word: nominal teeth, then each occurrence
/// of the mark ("60-2", "36-1", "12+1", "60-2-2"); a wheel of regular teeth is its count.
std::string WheelName(uint16_t flywheelWord);

/// What a setting of the configuration tables is about, for a review that groups them.
enum class SettingGroup { kCylinders, kFlywheel, kIgnition, kInjection, kPhases, kRailMaps };

/// One setting of EngineTable or SyncTable, decoded by the rules' own record decoding and
/// named as a calibration engineer names it.
struct TableSetting {
  std::string key;  // the same in every language: "cylinders", "tdc/3", "rail/1", ...
  SettingGroup group = SettingGroup::kCylinders;
  size_t table = 0;  // 0 EngineTable, 1 SyncTable
  std::string subject;
  std::string value;
};

/// The settings `tables` (EngineTable and SyncTable first, as WheelInput holds them) hold,
/// each once. A TDC or a bank past the cylinder count is given when its word is not 0, so that
/// every word a setting reads shows in one. `itemName` names a rail map's scale from its item
/// identifier ("" when no item has it).
std::vector<TableSetting> DecodeSettings(
    const std::array<std::vector<uint16_t>, kWheelTables>& tables,
    const std::function<std::string(int32_t)>& itemName, HostLanguage language);

/// Who gives a word of EngineTable (table 0) or SyncTable (1) its value.
enum class WordRole {
  kSetting,    // a setting DecodeSettings names
  kGenerator,  // the flywheel table generator, with tables 3 to 6
  kOther,      // size, format, references' positions, tuning and flags no one sets by hand
};
WordRole RoleOfWord(size_t table, size_t word);

/// The picture as an SVG document. Whatever a short, empty or odd table cannot place is left
/// out and named in the legend; no word is read past a table's end. Every drawn thing carries
/// data- attributes (tooth, angle in degrees, turn, cylinder, bank, ...) to be read back.
/// Sized to be read at the width the page gives it, as an image with a title and a
/// description for screen readers.
std::string DrawWheel(const WheelInput& input);

}  // namespace vantel::host
