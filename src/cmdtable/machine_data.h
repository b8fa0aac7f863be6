#pragma once
// The machine data read by name and kept up to date while a configuration is open: the six
// configuration tables, the sensor table with its SensorMap, and the flywheel status list.
#include <cstdint>
#include <map>
#include <string>

#include "cmdtable/ecu_data.h"
#include "host/host_channel.h"

namespace vantel {

/// Sensor classes that mark an identifier as wired (an absent identifier, -1, counts too).
inline constexpr int32_t kWiredSensorClasses = 0x71FC;
/// Input codes of the auxiliary phase 3 and phase 2 sensors.
inline constexpr uint16_t kAuxPhase3InputCode = 0x0800;
inline constexpr uint16_t kAuxPhase2InputCode = 0x0801;
/// Words of one sensor table entry, and the entry word holding the input code.
inline constexpr size_t kSensorEntryWords = 16;
inline constexpr size_t kSensorInputCodeWord = 6;
/// Words of one flywheel status list entry; status 1 means the table is up to date.
inline constexpr size_t kStatusEntryWords = 3;

/// The sensor class of an input code.
int32_t SensorClassOf(uint16_t inputCode);
/// The class of identifier `id` in `map`, -1 when absent.
int32_t SensorClass(const std::map<int32_t, int32_t>& map, int32_t id);

/// Re-reads configuration tables 1 to 6 by their names; false at the first failed read.
bool ReadConfigurationTables(HostChannel& host, MachineData& data);
/// Re-reads the first configuration table named `item`; false when none is, or on failure.
bool ReadConfigurationTable(HostChannel& host, MachineData& data, const std::string& item);
/// Reads the sensor table, rebuilds the SensorMap, the auxiliary phase sensor flags and
/// phaseKnown. False only when the read fails.
bool ReadSensorList(HostChannel& host, MachineData& data);
/// Reads the flywheel status list into the flywheel-table flag. False only when the read fails.
bool ReadFlywheelStatusList(HostChannel& host, MachineData& data);

}  // namespace vantel
