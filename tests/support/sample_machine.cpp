#include "support/sample_machine.h"

#include "host/requests.h"
#include "ui/sis_report.h"

namespace vantel::test {

std::vector<int32_t> CapsArray(const WordTable& words, size_t scalarWords) {
  // Leading scalars are one word each, the rest 32-bit values split low word first.
  std::vector<int32_t> q{0};
  for (size_t i = 1; i < words.size(); ++i) {
    if (i <= scalarWords) {
      q.push_back(words[i]);
    } else {
      q.push_back(static_cast<int32_t>(Long(words, i)));
      ++i;
    }
  }
  q[0] = static_cast<int32_t>(q.size() * 4);
  return q;
}

void AddSampleTables(FakeHost& host, const Config& config) {
  for (int32_t t = 0; t < kConfigTableCount; ++t) {
    host.AddItem(kSampleTableNames[t], SampleIds::kFirstTable + t,
                 config.tables[static_cast<size_t>(t)]);
  }
}

void InstallSampleMachine(FakeHost& host, const Config& config, const std::string& groupsText,
                          const std::string& scaleText) {
  using Ids = SampleIds;
  std::vector<int32_t> descriptor = {72,
                                     Ids::kGroupsText,
                                     Ids::kScaleText,
                                     Ids::kSensors,
                                     Ids::kStatusList,
                                     Ids::kOptionFlags,
                                     Ids::kInjectionFlags,
                                     Ids::kCylinderCaps,
                                     Ids::kPhaseCaps,
                                     Ids::kIgnitionCaps,
                                     Ids::kInjectionCaps,
                                     Ids::kRailMaps};
  for (int32_t t = 0; t < 6; ++t) descriptor.push_back(Ids::kFirstTable + t);
  host.AddItem(kSampleKey, 0x0F00, descriptor);
  host.AddItem("CMD_GROUPS", Ids::kGroupsText, groupsText);
  host.AddItem("CMD_SCALES", Ids::kScaleText, scaleText);
  host.AddItem("OPT_FLAGS", Ids::kOptionFlags, 0);
  host.AddItem("INJ_FLAGS", Ids::kInjectionFlags, 0);
  host.AddItem("CAP_CYL", Ids::kCylinderCaps, CapsArray(config.caps.CylinderCaps, 1));
  host.AddItem("CAP_PHASE", Ids::kPhaseCaps, CapsArray(config.caps.PhaseCaps, 2));
  host.AddItem("CAP_IGN", Ids::kIgnitionCaps, CapsArray(config.caps.IgnitionCaps, 5));
  host.AddItem("CAP_INJ", Ids::kInjectionCaps, CapsArray(config.caps.InjectionCaps, 4));
  host.AddItem("CAP_RAILS", Ids::kRailMaps, CapsArray(config.caps.RailMapList, 0));
  AddSampleTables(host, config);

  // A phase sensor (input code 300, class 4) and a fuel pressure sensor (class 8).
  WordTable sensors(1 + 2 * 16, 0);
  sensors[0] = static_cast<uint16_t>(sensors.size() * 2);
  SetLong(sensors, 1, Ids::kPhaseSensor);
  sensors[1 + 6] = 300;
  SetLong(sensors, 17, Ids::kFuelSensor);
  sensors[17 + 6] = 600;
  host.AddItem("TAB_SENSORS", Ids::kSensors, sensors);
  host.AddItem("PRS_PHASE_0", Ids::kPhaseSensor, 0);
  host.AddItem("PRS_HFUEL_0", Ids::kFuelSensor, 0);

  const uint16_t status = config.flywheelTableFlag ? 1 : 0;
  host.AddItem("TAB_FLYSTATUS", Ids::kStatusList,
               WordTable{8, status, static_cast<uint16_t>(Ids::kFirstTable + 2), 0});

  host.AddItem("SCALE_CANDIDATE", Ids::kScaleCandidate, 7);
  host.AddItem("MAP_RAIL1", Ids::kRailMap0, 0).isMap = 1;
  host.AddItem("MAP_RAIL2", Ids::kRailMap1, 0).isMap = 1;
  host.AddItem("DAT_INJ_SEQ", 0x3001, 0);
  host.AddItem("DAT_IGN_STATIC", 0x3002, 0);
  host.AddItem("MAP_SPARK", 0x3003, 0);
  host.knownFunctions = {"FNC_INJ_SEQ", "FNC_INJ_DIRECT", "FNC_IGN_STATIC"};
  host.knownSupervisions = {"SUP_INJ", "SUP_BANKS"};
}

std::string SampleGroupsText() {
  return "CN0=0x007 CN1=0x1FF FNC=FNC_INJ_SEQ SUP=SUP_INJ DAT=DAT_INJ_SEQ\n"
         "CN0=0x120 FNC=FNC_INJ_DIRECT\n"
         "CN2=4 CN3=0x8 CN6=0 FNC=FNC_IGN_STATIC DAT=DAT_IGN_STATIC\n"
         "CN4=1 CN5=0x8000 SUP=SUP_BANKS\n";
}

std::string SampleScaleText() {
  return "CN0=PRS_PHASE_0 CN1=4 CN4=SCALE_CANDIDATE CN2=0 CN3=0 CN6=0 DAT=MAP_SPARK\n";
}

void PrepareEditAction(MachineContext& context) {
  for (int t = 0; t < kConfigTableCount; ++t) {
    context.itemNames[static_cast<size_t>(t)] = kSampleTableNames[t];
  }
  context.machineName = "M12";
  context.report = CreateReport(context, GetMachineName(context));
  context.Opened();
  context.SetActionRunning(true);
  context.actionKey = "EMG_EDIT";
}

}  // namespace vantel::test
