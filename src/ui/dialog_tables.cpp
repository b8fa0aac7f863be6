#include "ui/dialog_tables.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "config/flywheel_tables.h"

namespace vantel {
namespace {

// What the Phases page shows as measured on a camshaft: a camshaft type the ECU allows on a
// camshaft it senses.
bool MeasuredOnCamshaft(const SyncRecord& sync, const CapabilityRecord& caps) {
  if (sync.mainType < kPhaseOnMarksState || sync.mainType > kPhaseOneSupplementaryTooth) {
    return false;
  }
  return ((caps.mainPhaseTypes >> (sync.mainType - 1)) & 1) != 0 &&
         ((caps.sensedCamshafts >> sync.mainCamshaft) & 1) != 0;
}

}  // namespace

DialogTables DialogTables::From(const MachineData& data) {
  DialogTables model;
  model.tables = data.tables;
  model.engine = DecodeEngineTable(data.Table(kEngineTable));
  model.sync = DecodeSyncTable(data.Table(kSyncTable));
  model.capTables = data.caps;
  model.caps = DecodeCapabilities(data.caps);
  model.sensors = {.auxPhase2SensorAvailable = data.auxPhase2SensorAvailable != 0,
                   .auxPhase3SensorAvailable = data.auxPhase3SensorAvailable != 0};
  model.injectionChannelCount = model.caps.sharedInjectionChannels;
  model.markToothFollows_ = MeasuredOnCamshaft(model.sync, model.caps);
  return model;
}

std::array<WordTable, kConfigTableCount> DialogTables::Encode() const {
  std::array<WordTable, kConfigTableCount> encoded = tables;
  EncodeEngineTable(engine, encoded[kEngineTable]);
  EncodeSyncTable(sync, encoded[kSyncTable]);
  return encoded;
}

void DialogTables::DropBanksNotAllowed() {
  if (!caps.BanksAllowedFor(engine.cylinders)) engine.banks = 0;
}

std::array<uint16_t, kMaxCylinders> DialogTables::RegularAngles(uint32_t cylinders) {
  std::array<uint16_t, kMaxCylinders> angles{};
  const size_t rows = std::min<size_t>(cylinders, kMaxCylinders);
  for (size_t row = 0; row < rows; ++row) {
    angles[row] = RegularAngleWord(static_cast<uint32_t>(row), cylinders);
  }
  return angles;
}

bool DialogTables::AnglesAreRegular() const {
  const size_t rows = std::min<size_t>(engine.cylinders, kMaxCylinders);
  const std::array<uint16_t, kMaxCylinders> regular = RegularAngles(engine.cylinders);
  return std::equal(regular.begin(), regular.begin() + static_cast<ptrdiff_t>(rows),
                    engine.angles.begin());
}

void DialogTables::SetRegularAngles(uint32_t cylinders) {
  engine.angles = RegularAngles(cylinders);
}

void DialogTables::SetCylinders(uint16_t cylinders) {
  if (engine.cylinders == cylinders) return;
  engine.cylinders = cylinders;
  engine.banks = 0;
  SetRegularAngles(cylinders);
}

void DialogTables::StoreFlywheelSettings(uint16_t flywheelWord, uint16_t minRpm) {
  sync.flywheel = DecodeFlywheel(flywheelWord);
  sync.minRpm = minRpm;
  sync.word4 = 0xFFFF;
  FollowFlywheel();
}

bool DialogTables::SetFlywheel(uint16_t flywheelWord, uint16_t minRpm) {
  // Built first: a flywheel the generator refuses would otherwise leave empty tables to
  // send, since no rule looks at them.
  std::optional<FlywheelTables> built =
      BuildFlywheelTables(flywheelWord, engine.cylinders, tables[kSyncTable].size());
  if (!built) return false;
  StoreFlywheelSettings(flywheelWord, minRpm);
  built->WriteSyncWords(tables[kSyncTable]);
  for (size_t i = 0; i < built->tables.size(); ++i) {
    tables[kToothWindowTable + i] = std::move(built->tables[i]);
  }
  return true;
}

void DialogTables::SetPhases(const SyncRecord& phases, bool onCamshaft) {
  sync.mainType = phases.mainType;
  sync.mainCamshaft = phases.mainCamshaft;
  sync.auxCamshaft = phases.auxCamshaft;
  sync.main = phases.main;
  sync.aux = phases.aux;
  markToothFollows_ = onCamshaft;
  FollowFlywheel();
}

void DialogTables::FollowFlywheel() {
  if (!markToothFollows_) return;
  const Flywheel& f = sync.flywheel;
  sync.markTooth =
      static_cast<uint16_t>(PhaseMarkTooth(sync.main.teeth, f.N, f.T, sync.mainType, f.R));
}

}  // namespace vantel
