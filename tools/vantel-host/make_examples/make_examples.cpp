// Writes the example Kalbrix files of examples/: vantel-make-examples OUTPUT_DIR.
// Each engine is described by its choices; the derived words (mark tooth, synchronisation
// words, flywheel description tables) come from the product's own record and generator,
// so the files stay coherent with the ECU's arithmetic.
#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "config/engine_record.h"
#include "config/flywheel_tables.h"
#include "kalbrix.h"

namespace {

using vantel::host::Json;
using Words = std::vector<uint16_t>;

struct Ecu {
  int32_t cylinderCaps = 0x81FF;
  int32_t phaseTypes = 0x3F;  // bit k: main phase type k + 1
  int32_t camshafts = 0xF;
  // types, channels, shared-output limit, pulses, largest delay (µs)
  std::array<int32_t, 5> ignition = {7, 8, 4, 12, 100};
  // types, channels with the shared outputs, channels without, spare word
  std::array<int32_t, 4> injection = {0x01FF, 16, 12, 0};
};

struct Phase {
  int type = 0;
  int camshaft = 0;
  int marks = 0;
  int crankTooth = 0;
};

struct AuxPhase {
  int camshaft = 0;
  int teeth = 0;  // 0: not used
  int crankTooth = 0;
};

struct Sensor {
  const char* name;
  uint16_t inputCode;
};

struct Engine {
  uint16_t cylinders = 4;
  uint16_t banks = 0;
  std::vector<uint16_t> angles;  // empty: fired at equal intervals
  uint16_t ignition = vantel::kIgnitionDistributed;
  uint16_t injection = vantel::InjectionBit(1, 0);
  uint16_t delayUs = 40;
  const char* verticalScale = nullptr;  // first rail map
  const char* horizontalScale = nullptr;
  uint16_t flywheel = 0;
  uint16_t minRpm = 60;
  Phase main;
  std::array<AuxPhase, 3> aux{};
};

struct Example {
  const char* file;
  uint32_t machine;
  const char* name;
  const char* comment;
  Ecu ecu;
  Engine engine;
  std::vector<Sensor> sensors;
  bool olderLayout = false;
  // The summary words the plug-in writes on its check, so that a checked file is left as it is.
  int32_t optionFlags = 0;
  int32_t injectionFlags = 0;
};

constexpr uint16_t Wheel(int actual, int nominal, int references = 1) {
  return static_cast<uint16_t>((nominal << 8) | ((references - 1) << 6) | actual);
}

// The ECU's command table: which functions, supervisions and data items each injection,
// ignition, bank and cylinder-count choice needs.
constexpr const char* kCommandTable =
    "CN0=0x001|0x008|0x040\n"
    "  FNC=FNC_INJ_SEMISEQ DAT=TAB_INJSEMI_0\n"
    "CN0=0x002|0x010|0x080\n"
    "  FNC=FNC_INJ_SEQ SUP=SUP_INJ_PHASE DAT=TAB_INJPHASE_0\n"
    "CN0=0x004|0x020|0x100 CN6=4\n"
    "  FNC=FNC_INJ_DIRECT SUP=SUP_HP_PUMP DAT=MAP_HPPUMP_0\n"
    "CN0=0x1F8 CN6=8\n"
    "  FNC=FNC_RAIL2 SUP=SUP_RAIL2_PRESS DAT=MAP_RAILPIL1_0\n"
    "CN0=0x1F8 CN6=0xA\n"
    "  FNC=FNC_RAIL2_PRESS_CTRL\n"
    "CN2=1\n"
    "  FNC=FNC_IGN_DIST SUP=SUP_IGN_PULSES DAT=TAB_DWELLDIST_0\n"
    "CN2=2\n"
    "  FNC=FNC_IGN_TWIN DAT=TAB_DWELLTWIN_0\n"
    "CN2=4\n"
    "  FNC=FNC_IGN_STATIC SUP=SUP_IGN_COILS DAT=TAB_DWELLSTAT_0\n"
    "CN2=7 CN3=0x8000 CN6=1\n"
    "  FNC=FNC_BANK_LAMBDA SUP=SUP_BANK2_LAMBDA DAT=MAP_BANKTRIM_0\n"
    "CN4=7 CN5=0x1C0\n"
    "  FNC=FNC_KNOCK_MULTI DAT=TAB_KNOCKWIN_0\n";

// Load scales of the spark advance and volumetric efficiency maps: manifold pressure when
// that sensor is wired, else throttle position.
constexpr const char* kScaleTable =
    "CN0=SEN_MAP_0 CN1=0x71FC CN4=SCL_LOAD_0\n"
    "CN2=SEN_TPS_0 CN3=0x71FC CN6=SCL_TPS_0\n"
    "  DAT=MAP_IGNADV_0 DAT=MAP_VE_0\n";

constexpr std::array kFunctions = {
    "FNC_INJ_SEMISEQ", "FNC_INJ_SEQ",  "FNC_INJ_DIRECT", "FNC_RAIL2",       "FNC_RAIL2_PRESS_CTRL",
    "FNC_IGN_DIST",    "FNC_IGN_TWIN", "FNC_IGN_STATIC", "FNC_BANK_LAMBDA", "FNC_KNOCK_MULTI"};
constexpr std::array kSupervisions = {"SUP_INJ_PHASE",  "SUP_HP_PUMP",   "SUP_RAIL2_PRESS",
                                      "SUP_IGN_PULSES", "SUP_IGN_COILS", "SUP_BANK2_LAMBDA"};
constexpr std::array kDataTables = {
    "TAB_INJSEMI_0",   "TAB_INJPHASE_0", "MAP_HPPUMP_0",   "TAB_DWELLDIST_0", "TAB_DWELLTWIN_0",
    "TAB_DWELLSTAT_0", "MAP_BANKTRIM_0", "TAB_KNOCKWIN_0", "MAP_IGNADV_0",    "MAP_VE_0"};
constexpr std::array kScales = {"SCL_RPM_0", "SCL_LOAD_0", "SCL_TPS_0", "SCL_PRAIL_0"};

constexpr const char* kDescriptor = "DSC_ENGMGT_0";
// Descriptor elements 1 to 17, in order.
constexpr std::array kDescribed = {
    "CMD_ENGMGT_0",   "CMD_SCALES_0", "TAB_SENSORS_0", "LST_FLYSTAT_0", "VAL_OPTFLAGS_0",
    "VAL_INJFLAGS_0", "CAP_CYL_0",    "CAP_PHASE_0",   "CAP_IGN_0",     "CAP_INJ_0",
    "LST_RAILMAP_0",  "TAB_CNFENG_0", "TAB_CNFSYN1_0", "TAB_CNFSYN2_0", "TAB_CNFANG_0",
    "TAB_CNFPOS_0",   "TAB_CNFREG_0"};

class ItemIds {
 public:
  int32_t operator[](const std::string& name) {
    auto [it, added] = ids_.emplace(name, next_);
    if (added) ++next_;
    return it->second;
  }

 private:
  std::map<std::string, int32_t> ids_;
  int32_t next_ = 0x1000;
};

Json Longs(std::vector<int32_t> elements) {
  elements.insert(elements.begin(), static_cast<int32_t>(4 * (elements.size() + 1)));
  return elements;
}

Words WithSize(Words words) {
  words[0] = static_cast<uint16_t>(2 * words.size());
  return words;
}

Words EngineTable(const Engine& e, ItemIds& ids) {
  Words w(vantel::kEngineTableWords, 0);
  w[vantel::kEngineFormatWord] = vantel::kEngineFormat;
  for (size_t i = 0; i < 4; ++i)
    w[vantel::kEngineReferencePositionWord + i] = vantel::kEngineReferencePositions[i];
  w[vantel::kEngineCylindersWord] = e.cylinders;
  w[vantel::kEngineBanksWord] = e.banks;
  const size_t count = std::min<size_t>(e.cylinders, vantel::kMaxCylinders);
  for (size_t i = 0; i < count; ++i)
    w[vantel::kEngineAngleWord + i] =
        e.angles.empty() ? static_cast<uint16_t>(vantel::RoundHalfUp(i * 65536, count))
                         : e.angles[i];
  w[vantel::kEngineIgnitionWord] = e.ignition;
  w[vantel::kEngineInjectionWord] = e.injection;
  w[vantel::kEngineIgnitionDelayWord] = e.delayUs;
  const std::array<const char*, 4> scales = {e.verticalScale, e.horizontalScale, nullptr, nullptr};
  for (size_t i = 0; i < scales.size(); ++i) {
    const uint32_t reference =
        scales[i] ? static_cast<uint32_t>(ids[scales[i]]) : vantel::kNoItemReference;
    w[vantel::kEngineScaleReferenceWord + 2 * i] = static_cast<uint16_t>(reference & 0xFFFF);
    w[vantel::kEngineScaleReferenceWord + 2 * i + 1] = static_cast<uint16_t>(reference >> 16);
  }
  return WithSize(w);
}

Words SyncTable(const Engine& e) {
  Words w(vantel::kSyncTableWords, 0);
  const vantel::Flywheel wheel = vantel::DecodeFlywheel(e.flywheel);
  w[vantel::kSyncFlywheelWord] = e.flywheel;
  w[vantel::kSyncMinRpmWord] = e.minRpm;
  w[vantel::kSyncWord4] = 0xFFFF;
  uint16_t assignment = static_cast<uint16_t>(e.main.type | (e.main.camshaft << 8));
  for (size_t i = 0; i < 3; ++i) {
    if (e.aux[i].teeth == 0) continue;
    assignment = static_cast<uint16_t>(assignment | (e.aux[i].camshaft << (10 + 2 * i)));
    w[vantel::kSyncAuxPhaseWord + i] =
        static_cast<uint16_t>(e.aux[i].crankTooth * 256 + e.aux[i].teeth);
  }
  w[vantel::kSyncPhaseAssignmentWord] = assignment;
  w[vantel::kSyncMarkToothWord] = static_cast<uint16_t>(
      vantel::PhaseMarkTooth(e.main.marks, wheel.N, wheel.T, e.main.type, wheel.R));
  w[vantel::kSyncMainPhaseWord] = static_cast<uint16_t>(e.main.crankTooth * 256 + e.main.marks);
  return WithSize(w);
}

// The 22-word EngineTable and 20-word SyncTable that older ECU software kept.
Words OlderEngineTable(const Words& current) {
  Words w(22, 0);
  for (size_t i = 1; i <= 6; ++i) w[i] = current[i];
  w[7] = 0;  // no angle offset: cylinders fired at equal intervals
  for (size_t i = 0; i < 6; ++i) w[8 + i] = current[20 + i];
  for (size_t i = 0; i < 8; ++i) w[14 + i] = current[26 + i];
  return WithSize(w);
}

Words OlderSyncTable(const Engine& e) {
  Words w(20, 0);
  w[1] = e.flywheel & 0xFF;
  w[2] = e.flywheel >> 8;
  w[5] = e.minRpm;
  w[6] = 0xFFFF;
  w[14] = static_cast<uint16_t>(e.main.type);
  w[15] = static_cast<uint16_t>(e.main.marks);
  w[16] = static_cast<uint16_t>(e.aux[0].teeth ? e.aux[0].camshaft : 0);
  w[17] = static_cast<uint16_t>(e.aux[0].teeth);
  w[18] = static_cast<uint16_t>(e.main.crankTooth);
  w[19] = static_cast<uint16_t>(e.aux[0].crankTooth);
  return WithSize(w);
}

Json Item(ItemIds& ids, const std::string& name, const char* key, Json value) {
  Json item = Json::object();
  item["name"] = name;
  item["id"] = ids[name];
  if (key) item[key] = std::move(value);
  return item;
}

Json Build(const Example& ex) {
  ItemIds ids;
  ids[kDescriptor];
  for (const char* name : kDescribed) ids[name];
  const Engine& e = ex.engine;

  Words engine = EngineTable(e, ids);
  Words sync = SyncTable(e);
  std::array<Words, 4> flywheel;
  for (Words& table : flywheel) table = {4, 0};
  if (std::optional<vantel::FlywheelTables> built = vantel::BuildFlywheelTables(sync, engine)) {
    built->WriteSyncWords(sync);
    flywheel = std::move(built->tables);
  }
  if (ex.olderLayout) {
    engine = OlderEngineTable(engine);
    sync = OlderSyncTable(e);
    // Older software kept no flywheel description tables worth keeping; the upgrade on
    // machines 0 to 7 regenerates them.
    for (Words& table : flywheel) table = {4, 0};
  }

  Json doc = Json::object();
  doc["comment"] = ex.comment;
  doc["machine"] = ex.machine;
  doc["name"] = ex.name;
  doc["hostLevel"] = 5;
  doc["userLevel"] = 3;
  doc["connection"] = 1;
  doc["descriptor"] = kDescriptor;
  doc["userValues"] = {{"VALUSER_LSTSEL", 1},
                       {"VALUSER_LSTSXC", 2},
                       {"VALUSER_LSTSYC", 4},
                       {"VALUSER_LSTPIL", 8},
                       {"VALUSER_LSTPID", 16}};
  doc["functions"] = kFunctions;
  doc["supervisions"] = kSupervisions;

  Json items = Json::array();
  std::vector<int32_t> descriptor;
  for (const char* name : kDescribed) descriptor.push_back(ids[name]);
  items.push_back(Item(ids, kDescriptor, "longs", Longs(descriptor)));
  items.push_back(Item(ids, "CMD_ENGMGT_0", "text", kCommandTable));
  items.push_back(Item(ids, "CMD_SCALES_0", "text", kScaleTable));

  Words sensorTable = {0};
  for (const Sensor& sensor : ex.sensors) {
    Words entry(16, 0);
    const auto id = static_cast<uint32_t>(ids[sensor.name]);
    entry[0] = static_cast<uint16_t>(id & 0xFFFF);
    entry[1] = static_cast<uint16_t>(id >> 16);
    entry[6] = sensor.inputCode;
    sensorTable.insert(sensorTable.end(), entry.begin(), entry.end());
  }
  items.push_back(Item(ids, "TAB_SENSORS_0", "words", WithSize(sensorTable)));

  Words status = {0};
  for (const char* name : {"TAB_CNFSYN1_0", "TAB_CNFSYN2_0"}) {
    const auto id = static_cast<uint32_t>(ids[name]);
    status.insert(status.end(),
                  {1, static_cast<uint16_t>(id & 0xFFFF), static_cast<uint16_t>(id >> 16)});
  }
  items.push_back(Item(ids, "LST_FLYSTAT_0", "words", WithSize(status)));
  items.push_back(Item(ids, "VAL_OPTFLAGS_0", "int", ex.optionFlags));
  items.push_back(Item(ids, "VAL_INJFLAGS_0", "int", ex.injectionFlags));

  const Ecu& ecu = ex.ecu;
  items.push_back(Item(ids, "CAP_CYL_0", "longs", Longs({ecu.cylinderCaps})));
  items.push_back(Item(ids, "CAP_PHASE_0", "longs", Longs({ecu.phaseTypes, ecu.camshafts})));
  items.push_back(Item(ids, "CAP_IGN_0", "longs",
                       Longs({ecu.ignition[0], ecu.ignition[1], ecu.ignition[2], ecu.ignition[3],
                              ecu.ignition[4]})));
  items.push_back(
      Item(ids, "CAP_INJ_0", "longs",
           Longs({ecu.injection[0], ecu.injection[1], ecu.injection[2], ecu.injection[3]})));
  items.push_back(
      Item(ids, "LST_RAILMAP_0", "longs", Longs({ids["MAP_RAILPIL1_0"], ids["MAP_RAILPIL2_0"]})));
  items.push_back(Item(ids, "TAB_CNFENG_0", "words", engine));
  items.push_back(Item(ids, "TAB_CNFSYN1_0", "words", sync));
  items.push_back(Item(ids, "TAB_CNFSYN2_0", "words", flywheel[0]));
  items.push_back(Item(ids, "TAB_CNFANG_0", "words", flywheel[1]));
  items.push_back(Item(ids, "TAB_CNFPOS_0", "words", flywheel[2]));
  items.push_back(Item(ids, "TAB_CNFREG_0", "words", flywheel[3]));

  for (const Sensor& sensor : ex.sensors) {
    Json item = Item(ids, sensor.name, "int", 0);
    item["label"] = std::string("Sensor ") + sensor.name;
    items.push_back(item);
  }
  for (const char* name : kScales) {
    Json item = Item(ids, name, "int", 16);  // breakpoints of the scale
    item["lists"] = 3;
    items.push_back(item);
  }
  for (const char* name : kDataTables) {
    items.push_back(Item(ids, name, "words", Words{8, 0, 0, 0}));
  }
  for (const char* name : {"MAP_RAILPIL1_0", "MAP_RAILPIL2_0"}) {
    if (std::any_of(items.begin(), items.end(), [&](const Json& i) { return i["name"] == name; }))
      continue;
    Json item = Item(ids, name, "words", Words{8, 0, 0, 0});
    item["isMap"] = 1;
    items.push_back(item);
  }
  // The first rail map is also a data item of the command table: mark it as a map there.
  for (Json& item : items)
    if (item["name"] == "MAP_RAILPIL1_0") item["isMap"] = 1;
  doc["items"] = items;
  return doc;
}

std::vector<Example> Examples() {
  using namespace vantel;
  std::vector<Example> list;

  {  // 4 cylinders, 60-2, sequential injection, distributed ignition, VVT on the exhaust cam.
    Example ex{"inline4-60-2-sequential.json",
               12,
               "Inline 4 bench",
               "4 cylinders fired every 180 degrees of crankshaft, 60-2 flywheel, main phase on "
               "one intake camshaft mark, exhaust camshaft as auxiliary phase 1, distributed "
               "ignition, sequential injection on one rail",
               {},
               {},
               {},
               false};
    ex.engine.flywheel = Wheel(58, 60);
    ex.engine.main = {kPhaseOnMarksPosition, kCamIntakeBank1, 1, 20};
    ex.engine.aux[0] = {kCamExhaustBank1, 4, 10};
    ex.sensors = {{"SEN_MAP_0", 300}, {"SEN_TPS_0", 520}, {"PRS_LFUEL_0", 800}};
    list.push_back(ex);
  }
  {  // V6, 36-1, two banks, twin spark.
    Example ex{"v6-36-1-banks-twin-spark.json",
               14,
               "V6 twin spark",
               "6 cylinders on two banks (even cylinders on bank 2), 36-1 flywheel, main phase on "
               "a camshaft target with one missing tooth, the three other camshafts as auxiliary "
               "phases, twin spark ignition, sequential injection on one rail",
               {},
               {},
               {},
               false};
    ex.engine.cylinders = 6;
    ex.engine.banks = 0x2A;
    ex.engine.ignition = kIgnitionTwinSpark;
    ex.engine.flywheel = Wheel(35, 36);
    ex.engine.main = {kPhaseOneMissingTooth, kCamIntakeBank1, 4, 10};
    ex.engine.aux[0] = {kCamExhaustBank1, 4, 12};
    ex.engine.aux[1] = {kCamIntakeBank2, 4, 14};
    ex.engine.aux[2] = {kCamExhaustBank2, 4, 16};
    ex.sensors = {{"SEN_MAP_0", 300}, {"SEN_TPS_0", 520}, {"PRS_LFUEL_0", 800}};
    ex.optionFlags = 0x1;
    list.push_back(ex);
  }
  {  // V8 cross-plane, two rails.
    Example ex{"v8-two-rails.json",
               20,
               "V8 two rails",
               "8 cylinders on two banks, 60-2 flywheel, main phase on marks state, distributed "
               "ignition, sequential injection on two rails (rail 1 switches to rail 2), rail "
               "piloting map scaled on rail pressure and engine speed",
               {},
               {},
               {},
               false};
    ex.engine.cylinders = 8;
    ex.engine.banks = 0xAA;
    ex.engine.injection = InjectionBit(1, 1);
    ex.engine.flywheel = Wheel(58, 60);
    ex.engine.main = {kPhaseOnMarksState, kCamIntakeBank1, 1, 30};
    ex.engine.verticalScale = "SCL_PRAIL_0";
    ex.engine.horizontalScale = "SCL_RPM_0";
    ex.sensors = {
        {"SEN_MAP_0", 300}, {"SEN_TPS_0", 520}, {"PRS_LFUEL_0", 800}, {"PRS_LFUEL_1", 801}};
    ex.optionFlags = 0xB;
    ex.injectionFlags = 0x1;
    list.push_back(ex);
  }
  {  // V12, 12+1, static ignition: an ECU with twelve coil drivers.
    Example ex{"v12-12plus1-static.json",
               30,
               "V12 static ignition",
               "12 cylinders fired every 60 degrees, 12+1 flywheel, main phase on a camshaft "
               "target with one supplementary tooth, static ignition (one coil per cylinder), "
               "sequential injection on one rail",
               {},
               {},
               {},
               false};
    ex.ecu.ignition = {7, 12, 12, 12, 100};
    ex.ecu.injection = {0x01FF, 24, 12, 0};
    ex.engine.cylinders = 12;
    ex.engine.ignition = kIgnitionStatic;
    ex.engine.flywheel = Wheel(13, 12);
    ex.engine.main = {kPhaseOneSupplementaryTooth, kCamIntakeBank1, 3, 5};
    ex.sensors = {{"SEN_MAP_0", 300}, {"SEN_TPS_0", 520}, {"PRS_LFUEL_0", 800}};
    list.push_back(ex);
  }
  {  // 3 cylinders on a regular 24-tooth wheel.
    Example ex{"inline3-regular-teeth.json",
               9,
               "Inline 3 regular wheel",
               "3 cylinders fired every 240 degrees, flywheel of 24 regular teeth, main phase on "
               "a camshaft target with one missing tooth, distributed ignition, sequential "
               "injection on one rail, no manifold pressure sensor (loads scaled on throttle)",
               {},
               {},
               {},
               false};
    ex.engine.cylinders = 3;
    ex.engine.flywheel = Wheel(24, 24);
    ex.engine.main = {kPhaseOneMissingTooth, kCamIntakeBank1, 3, 2};
    // The manifold pressure input is fitted but not wired (input code below 256).
    ex.sensors = {{"SEN_MAP_0", 100}, {"SEN_TPS_0", 520}, {"PRS_LFUEL_0", 800}};
    list.push_back(ex);
  }
  {  // Incoherent: several rules broken at once.
    Example ex{"incoherent-five-cylinders.json",
               15,
               "Prototype 5",
               "5 cylinders with twin spark ignition, semi-sequential injection on two rails, an "
               "ignition delay beyond the ECU's limit, main phase on a camshaft the ECU cannot "
               "read: every one of these is reported",
               {},
               {},
               {},
               false};
    ex.ecu.camshafts = 0x3;
    ex.engine.cylinders = 5;
    ex.engine.ignition = kIgnitionTwinSpark;
    ex.engine.injection = InjectionBit(0, 1);
    ex.engine.delayUs = 150;
    ex.engine.flywheel = Wheel(58, 60);
    ex.engine.main = {kPhaseOnMarksState, kCamIntakeBank2, 1, 30};
    ex.sensors = {{"SEN_MAP_0", 300}, {"SEN_TPS_0", 520}, {"PRS_LFUEL_0", 800}};
    list.push_back(ex);
  }
  {  // The older 22-word EngineTable and 20-word SyncTable on machine 2.
    Example ex{"older-layout-machine2.json",
               2,
               "Legacy bench",
               "4 cylinders, 60-2 flywheel, one intake camshaft mark, distributed ignition, "
               "sequential injection, kept in the older table layout that machines 0 to 7 "
               "upgrade, with flywheel description tables still to generate",
               {},
               {},
               {},
               true};
    ex.engine.flywheel = Wheel(58, 60);
    ex.engine.main = {kPhaseOnMarksPosition, kCamIntakeBank1, 1, 20};
    ex.sensors = {{"SEN_MAP_0", 300}, {"SEN_TPS_0", 520}, {"PRS_LFUEL_0", 800}};
    list.push_back(ex);
  }
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vantel-make-examples OUTPUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  for (const Example& ex : Examples()) {
    const std::string path = dir + "/" + ex.file;
    try {
      vantel::host::WriteFileAtomically(path, vantel::host::DumpKalbrix(Build(ex)));
    } catch (const vantel::host::KalbrixError& error) {
      std::fprintf(stderr, "vantel-make-examples: %s\n", error.what());
      return 1;
    }
    std::printf("%s\n", path.c_str());
  }
  return 0;
}
