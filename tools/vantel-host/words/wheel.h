#pragma once
// The flywheel picture: one engine cycle as the configuration tables describe it (teeth,
// missing and extra teeth, reference marks, TDCs and their measurement windows, the phases),
// drawn as SVG for the person who set them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "findings.h"

namespace vantel::host {

/// EngineTable, SyncTable, ToothWindowTable, ToothAngleTable, ToothPositionTable and
/// RegularToothTable: descriptor elements 12 to 17, in that order.
inline constexpr size_t kWheelTables = 6;

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
};

/// The wheel as people name it from its flywheel word: nominal teeth, then each occurrence
/// of the mark ("60-2", "36-1", "12+1", "60-2-2"); a wheel of regular teeth is its count.
std::string WheelName(uint16_t flywheelWord);

/// The picture as an SVG document. Whatever a short, empty or odd table cannot place is left
/// out and named in the legend; no word is read past a table's end. Every drawn thing carries
/// data- attributes (tooth, angle in degrees, turn, cylinder, bank, ...) to be read back.
/// Sized to be read at the width the page gives it, as an image with a title and a
/// description for screen readers.
std::string DrawWheel(const WheelInput& input);

}  // namespace vantel::host
