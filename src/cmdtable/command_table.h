#pragma once
// The reader of an ECU's machine data: the descriptor, the capability arrays, the
// configuration tables, the sensor table, the flywheel status list and the command tables.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "cmdtable/ecu_data.h"
#include "host/host_channel.h"

namespace vantel {

/// Elements of the machine-data descriptor, an integer array of exactly 18 elements.
enum DescriptorElement : int {
  kDescriptorSize = 0,
  kDescGroupsText = 1,
  kDescScaleEntriesText = 2,
  kDescSensorTable = 3,
  kDescFlywheelStatusList = 4,
  kDescOptionFlags = 5,
  kDescInjectionFlags = 6,
  kDescCylinderCaps = 7,
  kDescPhaseCaps = 8,
  kDescIgnitionCaps = 9,
  kDescInjectionCaps = 10,
  kDescRailMapList = 11,
  kDescFirstConfigTable = 12,  // configuration tables 1 to 6: elements 12 to 17
  kDescriptorElements = 18,
};

/// Bit of PhaseCaps word 1: the phase pressure sensor type is allowed.
inline constexpr uint16_t kPhasePressureAllowed = 0x40;

/// Loads everything the plug-in needs to know of the ECU into `data`, starting from the
/// descriptor item `descriptorName`. False at the first step that fails; host failures have
/// been shown, the rest fails silently. What earlier steps stored stays in `data`.
bool ReadCommandTable(HostChannel& host, MachineData& data, const std::string& descriptorName);

// The checks and repacking of the capability arrays (q[0] is the array's size in bytes).
// Each gives the word table to store, or nothing when the array fails its check.
std::optional<WordTable> CylinderCapsFrom(std::span<const int32_t> q);
std::optional<WordTable> PhaseCapsFrom(std::span<const int32_t> q);
std::optional<WordTable> IgnitionCapsFrom(std::span<const int32_t> q);
std::optional<WordTable> InjectionCapsFrom(std::span<const int32_t> q);
std::optional<WordTable> RailMapListFrom(std::span<const int32_t> q);

}  // namespace vantel
