#include "ui/dialog_tables.h"

#include <algorithm>
#include <utility>

#include "config/flywheel_tables.h"

namespace vantel {

DialogTables DialogTables::From(const MachineData& data) {
  DialogTables copy;
  copy.tables = data.tables;
  copy.capTables = data.caps;
  copy.caps = DecodeCapabilities(data.caps);
  copy.sensors = {.auxPhase2SensorAvailable = data.auxPhase2SensorAvailable != 0,
                  .auxPhase3SensorAvailable = data.auxPhase3SensorAvailable != 0};
  copy.injectionChannelCount = copy.caps.sharedInjectionChannels;
  // Banks the ECU cannot manage for these cylinders are no setting of the dialog's.
  EngineRecord engine = copy.ReadEngine();
  if (engine.banks != 0 && !copy.caps.BanksAllowedFor(engine.cylinders)) {
    engine.banks = 0;
    copy.WriteEngine(engine);
  }
  return copy;
}

void DialogTables::SetRegularAngles(uint32_t cylinders) {
  EngineRecord engine = ReadEngine();
  const size_t rows = std::min<size_t>(cylinders, kMaxCylinders);
  for (size_t row = 0; row < kMaxCylinders; ++row) {
    engine.angles[row] =
        row < rows ? RegularAngleWord(static_cast<uint32_t>(row), cylinders) : uint16_t{0};
  }
  WriteEngine(engine);
}

void DialogTables::SetCylinders(uint16_t cylinders) {
  EngineRecord engine = ReadEngine();
  if (engine.cylinders == cylinders) return;
  engine.cylinders = cylinders;
  engine.banks = 0;
  WriteEngine(engine);
  SetRegularAngles(cylinders);
}

void DialogTables::StoreFlywheelSettings(uint16_t flywheelWord, uint16_t minRpm) {
  SyncRecord record = ReadSync();
  record.flywheel = DecodeFlywheel(flywheelWord);
  record.minRpm = minRpm;
  record.word4 = 0xFFFF;
  WriteSync(record);
}

bool DialogTables::SetFlywheel(uint16_t flywheelWord, uint16_t minRpm) {
  DialogTables edited = *this;
  edited.StoreFlywheelSettings(flywheelWord, minRpm);
  // Built aside first: a flywheel the generator refuses would otherwise leave empty tables
  // to send, since no rule looks at them.
  std::optional<FlywheelTables> built = BuildFlywheelTables(edited.Sync(), edited.Engine());
  if (!built) return false;
  built->WriteSyncWords(edited.Sync());
  for (size_t i = 0; i < built->tables.size(); ++i) {
    edited.Table(kToothWindowTable + static_cast<int>(i)) = std::move(built->tables[i]);
  }
  *this = std::move(edited);
  return true;
}

}  // namespace vantel
