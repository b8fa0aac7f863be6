#pragma once
// A whole machine as the host holds it: the machine-data descriptor, the capability arrays,
// the six configuration tables, sensors, flywheel status list and both command tables.
#include <cstdint>
#include <string>
#include <vector>

#include "support/config_builder.h"
#include "support/fake_host.h"

namespace vantel::test {

struct SampleIds {
  static constexpr int32_t kGroupsText = 0x1001;
  static constexpr int32_t kScaleText = 0x1002;
  static constexpr int32_t kSensors = 0x1003;
  static constexpr int32_t kStatusList = 0x1004;
  static constexpr int32_t kOptionFlags = 0x1005;
  static constexpr int32_t kInjectionFlags = 0x1006;
  static constexpr int32_t kCylinderCaps = 0x1007;
  static constexpr int32_t kPhaseCaps = 0x1008;
  static constexpr int32_t kIgnitionCaps = 0x1009;
  static constexpr int32_t kInjectionCaps = 0x100A;
  static constexpr int32_t kRailMaps = 0x100B;
  static constexpr int32_t kFirstTable = 0x1010;  // tables 1 to 6: 0x1010 to 0x1015
  static constexpr int32_t kPhaseSensor = 0x2000;
  static constexpr int32_t kFuelSensor = 0x2001;
  static constexpr int32_t kScaleCandidate = 0x2100;
  static constexpr int32_t kRailMap0 = 0x2200;
  static constexpr int32_t kRailMap1 = 0x2201;
};

inline const char* const kSampleKey = "EMG_DESCRIPTOR";
inline const char* const kSampleTableNames[6] = {"TAB_CNFMOT_0",  "TAB_CNFSYN_0",  "TAB_CNFSYN1_0",
                                                 "TAB_CNFSYN2_0", "TAB_CNFSYN3_0", "TAB_CNFSYN4_0"};

/// The capability array the host holds for a capability word table.
std::vector<int32_t> CapsArray(const WordTable& words, size_t scalarWords);

/// Puts the six tables of `config` in `host` under the sample's names and identifiers.
void AddSampleTables(FakeHost& host, const Config& config);

/// Installs `config` as machine data in `host`, with the given command-table texts.
void InstallSampleMachine(FakeHost& host, const Config& config, const std::string& groupsText,
                          const std::string& scaleText);

/// `context` as an edit action on the sample machine finds it: the sample's table names,
/// machine "M12" with its report, Open and ActionRunning under the key "EMG_EDIT".
void PrepareEditAction(MachineContext& context);

/// The command tables of the sample: one group per injection type and ignition type.
std::string SampleGroupsText();
std::string SampleScaleText();

}  // namespace vantel::test
