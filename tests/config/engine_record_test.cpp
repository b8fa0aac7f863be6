#include "config/engine_record.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

namespace vantel {
namespace {

WordTable CurrentEngineTable() {
  WordTable t(kEngineTableWords, 0);
  t[0] = 68;
  t[1] = 4;
  t[2] = 25;
  t[3] = 27;
  t[4] = 29;
  t[5] = 31;
  return t;
}

WordTable CurrentSyncTable() {
  WordTable t(kSyncTableWords, 0);
  t[0] = 34;
  return t;
}

// --- Flywheel word

struct FlywheelCase {
  const char* name;
  uint16_t word;
  Flywheel expected;
};

TEST(FlywheelWordTest, DecodesEveryField) {
  const FlywheelCase cases[] = {
      {"60-2", 0x3C3A, {58, 1, 60, 1, -2}},
      {"60-2-2", static_cast<uint16_t>(60 << 8 | 1 << 6 | 56), {56, 2, 60, 1, -2}},
      {"12+1", static_cast<uint16_t>(12 << 8 | 13), {13, 1, 12, 1, 1}},
      {"RS bit", static_cast<uint16_t>(0x8000 | 8 << 8 | 6), {6, 1, 8, 2, -2}},
      {"4 occurrences", static_cast<uint16_t>(3 << 6 | 63 | 127 << 8), {63, 4, 127, 1, -16}},
      // -3 / 2 truncates to -1; flooring would give -2 and a different wheel type.
      {"truncates toward zero", static_cast<uint16_t>(13 << 8 | 1 << 6 | 10), {10, 2, 13, 1, -1}},
      {"positive truncates too", static_cast<uint16_t>(7 << 8 | 1 << 6 | 10), {10, 2, 7, 1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Flywheel f = DecodeFlywheel(c.word);
    EXPECT_EQ(f.T, c.expected.T);
    EXPECT_EQ(f.R, c.expected.R);
    EXPECT_EQ(f.N, c.expected.N);
    EXPECT_EQ(f.S, c.expected.S);
    EXPECT_EQ(f.K, c.expected.K);
  }
}

TEST(FlywheelWordTest, EncodeAsTheEnginePageDoesDecodesBack) {
  for (int teeth = 8; teeth <= 58; ++teeth) {
    for (int code = 0; code < 4; ++code) {
      for (int kind = -2; kind <= 1; ++kind) {
        for (bool rs : {false, true}) {
          const Flywheel f = DecodeFlywheel(EncodeFlywheel(teeth, code, kind, rs));
          ASSERT_EQ(f.T, teeth);
          ASSERT_EQ(f.R, code + 1);
          ASSERT_EQ(f.N, teeth - (code + 1) * kind);
          ASSERT_EQ(f.S, rs ? 2 : 1);
          ASSERT_EQ(f.K, kind);
        }
      }
    }
  }
  EXPECT_EQ(EncodeFlywheel(58, 0, -2, false), 0x3C3A);
}

// --- PhaseMarkTooth

struct MarkCase {
  int marks, nominal, actual, type, references;
  int32_t expected;
};

TEST(PhaseMarkToothTest, FollowsTheMainPhaseType) {
  const MarkCase cases[] = {
      {3, 60, 58, kPhaseNone, 1, 0},
      {3, 60, 58, kPhaseOnMarksState, 1, 58},
      {3, 60, 58, kPhaseOnMarksPosition, 1, 58},
      {3, 60, 58, kPhaseRegularTeeth, 1, 58},
      {3, 60, 58, kPhaseOneMissingTooth, 1, 4 * 60 / 4 - 3},
      {3, 36, 35, kPhaseOneMissingTooth, 1, 4 * 36 / 4 - 2},
      {2, 12, 13, kPhaseOneMissingTooth, 1, 4 * 12 / 3 - 1},
      {4, 60, 56, kPhaseOneMissingTooth, 2, 240 / 5 - 3},
      {1, 60, 58, kPhaseOneSupplementaryTooth, 1, 58},
      {3, 60, 58, kPhaseOneSupplementaryTooth, 1, 120 / 2 - 3},
      {4, 36, 35, kPhaseOneSupplementaryTooth, 1, 72 / 3 - 2},
      {0, 60, 58, kPhaseOneSupplementaryTooth, 1, -120 - 3},
      {3, 60, 58, kPhaseDynamicSynchronization, 1, 0},
      {1, 60, 58, kPhasePressureSensor, 1, 0},
      {3, 60, 58, 8, 1, 0},
      // (10 - 11) / 2 is 0, a regular kind: f = 1, not 2.
      {1, 11, 10, kPhaseOneMissingTooth, 2, 44 / 2 - 1},
      // (10 - 13) / 2 is -1: f = 2.
      {1, 13, 10, kPhaseOneMissingTooth, 2, 52 / 2 - 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " marks " << c.marks << " N "
                                    << c.nominal << " T " << c.actual);
    EXPECT_EQ(PhaseMarkTooth(c.marks, c.nominal, c.actual, c.type, c.references), c.expected);
  }
}

// --- What the main and auxiliary phases may take on a flywheel

TEST(PhaseLimitsTest, FollowTheFlywheelAndTheMainType) {
  struct Case {
    const char* name;
    Flywheel f;
    int type;
    int maxTargetMarks;  // 0: not a tooth target
    int lastStartTooth;
  };
  const auto wheel = [](int actual, int code, int kind) {
    return DecodeFlywheel(EncodeFlywheel(actual, code, kind, false));
  };
  const Case cases[] = {
      // 2 x 60 / 5 - 1 = 23 and 60 / 5 + 1 = 13 marks; 16 at most.
      {"60-2, missing tooth", wheel(58, 0, kTwoMissingTeeth), kPhaseOneMissingTooth, 16, 115},
      {"60-2, supplementary tooth", wheel(58, 0, kTwoMissingTeeth), kPhaseOneSupplementaryTooth, 13,
       115},
      {"36-1, supplementary tooth", wheel(35, 0, kOneMissingTooth), kPhaseOneSupplementaryTooth, 10,
       69},
      {"36 regular, supplementary tooth", wheel(36, 0, kRegularTeeth), kPhaseOneSupplementaryTooth,
       13, 71},
      {"12+1, missing tooth", wheel(13, 0, kOneExtraTooth), kPhaseOneMissingTooth, 5, 25},
      {"7+1 has too few teeth", wheel(8, 0, kOneExtraTooth), kPhaseOneMissingTooth, 2, 15},
      {"7+1, supplementary tooth", wheel(8, 0, kOneExtraTooth), kPhaseOneSupplementaryTooth, 2, 15},
      {"unknown kind", DecodeFlywheel(static_cast<uint16_t>(60 << 8 | 40)), kPhaseOneMissingTooth,
       16, 79},
      // On marks state the mark comes within the first reference period.
      {"60-2, marks state", wheel(58, 0, kTwoMissingTeeth), kPhaseOnMarksState, 0, 57},
      {"60-2-2, marks state", wheel(56, 1, kTwoMissingTeeth), kPhaseOnMarksState, 0, 27},
      {"60-2-2, marks position", wheel(56, 1, kTwoMissingTeeth), kPhaseOnMarksPosition, 0, 111},
      {"no phase", wheel(58, 0, kTwoMissingTeeth), kPhaseNone, 0, 0},
      {"dynamic synchronization", wheel(58, 0, kTwoMissingTeeth), kPhaseDynamicSynchronization, 0,
       0},
      {"pressure sensor", wheel(58, 0, kTwoMissingTeeth), kPhasePressureSensor, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.maxTargetMarks > 0) {
      EXPECT_EQ(MaxToothTargetMarks(c.type, c.f), c.maxTargetMarks);
    }
    EXPECT_EQ(LastMainStartTooth(c.type, c.f), c.lastStartTooth);
    EXPECT_EQ(LastCycleTooth(c.f), 2 * c.f.T - 1);
  }
}

// --- Decoding

TEST(EngineRecordTest, DecodesFieldsAndScaleReferences) {
  WordTable t = CurrentEngineTable();
  t[6] = 6;
  t[7] = 0x2A;
  for (size_t i = 0; i < 12; ++i) t[8 + i] = static_cast<uint16_t>(1000 * i);
  t[20] = kIgnitionTwinSpark;
  t[21] = static_cast<uint16_t>(InjectionBit(2, 1) | 0x4000);
  t[22] = 55;
  t[23] = 1;
  t[25] = 3;
  t[26] = 0x1234;
  t[27] = 0x0001;
  t[28] = 0;
  t[29] = 0xFFFF;
  t[33] = 0x8000;
  const EngineRecord r = DecodeEngineTable(t);
  EXPECT_EQ(r.cylinders, 6);
  EXPECT_EQ(r.banks, 0x2A);
  EXPECT_EQ(r.angles[0], 0);
  EXPECT_EQ(r.angles[11], 11000);
  EXPECT_EQ(r.ignitionType, kIgnitionTwinSpark);
  EXPECT_EQ(r.injection & kInjectionTypeMask, 0x20);
  EXPECT_NE(r.injection & kInjectionDirectTwoRails, 0);
  EXPECT_EQ(r.injection & kInjectionPeakHold, 0x4000);
  EXPECT_EQ(r.ignitionDelayUs, 55);
  EXPECT_EQ(r.peakHoldTuning, (std::array<uint16_t, 3>{1, 0, 3}));
  EXPECT_EQ(r.scaleReferences[0], 0x00011234u);
  EXPECT_EQ(r.scaleReferences[1], kNoItemReference);
  EXPECT_EQ(r.scaleReferences[3], 0x80000000u);
}

TEST(EngineRecordTest, InjectionBitsMatchTheirMasks) {
  // type + 3 x rails: the masks group the nine bits by type and by rails.
  EXPECT_EQ(InjectionBit(0, 0) | InjectionBit(1, 0) | InjectionBit(2, 0), kInjectionOneRail);
  EXPECT_EQ(InjectionBit(2, 0) | InjectionBit(2, 1) | InjectionBit(2, 2), kInjectionDirect);
  EXPECT_EQ(InjectionBit(2, 1) | InjectionBit(2, 2), kInjectionDirectTwoRails);
  EXPECT_EQ(InjectionBit(0, 1) | InjectionBit(0, 2), kInjectionSemiSequentialTwoRails);
  EXPECT_EQ(InjectionBit(1, 1) | InjectionBit(1, 2), kInjectionSequentialTwoRails);
  EXPECT_EQ(InjectionBit(1, 0) | InjectionBit(2, 0), kInjectionSequentialOrDirectOneRail);
}

TEST(EngineRecordTest, ShortTablesDecodeAsZeros) {
  const WordTable shortTable = {8, 4, 25, 27};
  const EngineRecord e = DecodeEngineTable(shortTable);
  EXPECT_EQ(e.cylinders, 0);
  EXPECT_EQ(e.scaleReferences[3], 0u);
  const SyncRecord s = DecodeSyncTable(shortTable);
  EXPECT_EQ(s.flywheel.T, 4);
  EXPECT_EQ(s.mainType, 0);
  EXPECT_EQ(s.aux[2].teeth, 0);
}

TEST(SyncRecordTest, DecodesPhasesAndCamshafts) {
  WordTable t = CurrentSyncTable();
  t[1] = 0x3C3A;
  t[3] = 900;
  t[11] = static_cast<uint16_t>(kCamExhaustBank2 << 14 | kCamIntakeBank2 << 12 |
                                kCamExhaustBank1 << 10 | kCamIntakeBank1 << 8 | 4);
  t[12] = 57;
  t[13] = 0x0503;
  t[14] = 0x1102;
  t[15] = 0x2204;
  t[16] = 0x3306;
  const SyncRecord r = DecodeSyncTable(t);
  EXPECT_EQ(r.flywheel.K, -2);
  EXPECT_EQ(r.minRpm, 900);
  EXPECT_EQ(r.mainType, kPhaseOneMissingTooth);
  EXPECT_EQ(r.mainCamshaft, kCamIntakeBank1);
  EXPECT_EQ(r.auxCamshaft,
            (std::array<int, 3>{kCamExhaustBank1, kCamIntakeBank2, kCamExhaustBank2}));
  EXPECT_EQ(r.markTooth, 57);
  EXPECT_EQ(r.main.teeth, 3);
  EXPECT_EQ(r.main.crankTooth, 5);
  EXPECT_EQ(r.aux[0].teeth, 2);
  EXPECT_EQ(r.aux[0].crankTooth, 0x11);
  EXPECT_EQ(r.aux[2].teeth, 6);
  EXPECT_EQ(r.aux[2].crankTooth, 0x33);
}

// --- Format check

struct FormatCase {
  const char* name;
  void (*spoil)(std::array<WordTable, kConfigTableCount>&);
  FormatCheck expected;
};

std::array<WordTable, kConfigTableCount> SoundTables() {
  std::array<WordTable, kConfigTableCount> t;
  t[kEngineTable] = CurrentEngineTable();
  t[kSyncTable] = CurrentSyncTable();
  for (int i = kToothWindowTable; i <= kRegularToothTable; ++i) {
    t[static_cast<size_t>(i)] = {6, 1, 2};
  }
  return t;
}

// Each layout is written once, by its encoder: what was decoded encodes back to the very
// same table, whatever its words and length, and one field changes its own words only.
TEST(RecordEncodingTest, DecodedRecordsEncodeBackToTheSameTable) {
  uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<uint16_t>(seed >> 8);
  };
  for (int round = 0; round < 500; ++round) {
    SCOPED_TRACE(round);
    // Full tables, and short ones that must not grow.
    const size_t engineWords =
        round % 5 == 0 ? static_cast<size_t>(next() % kEngineTableWords) : kEngineTableWords;
    const size_t syncWords =
        round % 5 == 1 ? static_cast<size_t>(next() % kSyncTableWords) : kSyncTableWords;
    WordTable engine(engineWords), sync(syncWords);
    for (uint16_t& word : engine) word = next();
    for (uint16_t& word : sync) word = next();

    WordTable engineAgain = engine;
    EncodeEngineTable(DecodeEngineTable(engine), engineAgain);
    EXPECT_EQ(engineAgain, engine);
    WordTable syncAgain = sync;
    EncodeSyncTable(DecodeSyncTable(sync), syncAgain);
    EXPECT_EQ(syncAgain, sync);
  }
}

TEST(RecordEncodingTest, EachFieldWritesItsOwnWords) {
  struct Case {
    const char* field;
    void (*change)(EngineRecord&, SyncRecord&);
    std::vector<size_t> engineWords, syncWords;
  };
  const Case cases[] = {
      {"cylinders", [](EngineRecord& e, SyncRecord&) { e.cylinders = 6; }, {6}, {}},
      {"banks", [](EngineRecord& e, SyncRecord&) { e.banks = 0xAA; }, {7}, {}},
      {"angle 12", [](EngineRecord& e, SyncRecord&) { e.angles[11] = 9; }, {19}, {}},
      {"ignition", [](EngineRecord& e, SyncRecord&) { e.ignitionType = 4; }, {20}, {}},
      {"injection", [](EngineRecord& e, SyncRecord&) { e.injection = 2; }, {21}, {}},
      {"delay", [](EngineRecord& e, SyncRecord&) { e.ignitionDelayUs = 50; }, {22}, {}},
      {"peak and hold", [](EngineRecord& e, SyncRecord&) { e.peakHoldTuning[2] = 1; }, {25}, {}},
      {"second map's horizontal scale",
       [](EngineRecord& e, SyncRecord&) { e.scaleReferences[3] = 0x12345678; },
       {32, 33},
       {}},
      {"flywheel",
       [](EngineRecord&, SyncRecord& s) { s.flywheel = DecodeFlywheel(0x2422); },
       {},
       {1}},
      {"RPM", [](EngineRecord&, SyncRecord& s) { s.minRpm = 700; }, {}, {3}},
      {"word 4", [](EngineRecord&, SyncRecord& s) { s.word4 = 0xFFFF; }, {}, {4}},
      {"main type", [](EngineRecord&, SyncRecord& s) { s.mainType = 5; }, {}, {11}},
      {"third aux camshaft", [](EngineRecord&, SyncRecord& s) { s.auxCamshaft[2] = 3; }, {}, {11}},
      {"mark tooth", [](EngineRecord&, SyncRecord& s) { s.markTooth = 33; }, {}, {12}},
      {"main start", [](EngineRecord&, SyncRecord& s) { s.main.crankTooth = 4; }, {}, {13}},
      {"aux 2 teeth", [](EngineRecord&, SyncRecord& s) { s.aux[1].teeth = 2; }, {}, {15}},
  };
  const WordTable engine = CurrentEngineTable();
  const WordTable sync = CurrentSyncTable();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    EngineRecord e = DecodeEngineTable(engine);
    SyncRecord s = DecodeSyncTable(sync);
    c.change(e, s);
    WordTable engineAfter = engine, syncAfter = sync;
    EncodeEngineTable(e, engineAfter);
    EncodeSyncTable(s, syncAfter);
    std::vector<size_t> engineChanged, syncChanged;
    for (size_t i = 0; i < engineAfter.size(); ++i) {
      if (engineAfter[i] != engine[i]) engineChanged.push_back(i);
    }
    for (size_t i = 0; i < syncAfter.size(); ++i) {
      if (syncAfter[i] != sync[i]) syncChanged.push_back(i);
    }
    EXPECT_EQ(engineChanged, c.engineWords);
    EXPECT_EQ(syncChanged, c.syncWords);
    EXPECT_EQ(DecodeEngineTable(engineAfter).cylinders, e.cylinders);
    EXPECT_EQ(DecodeSyncTable(syncAfter).markTooth, s.markTooth);
  }
  // The word the Engine page computes is the word of the flywheel it stands for.
  for (const auto& [teeth, code, kind, rs] :
       {std::tuple{58, 0, -2, false}, {56, 1, -2, false}, {13, 0, 1, false}, {34, 0, -2, true}}) {
    const uint16_t word = EncodeFlywheel(teeth, code, kind, rs);
    EXPECT_EQ(EncodeFlywheel(DecodeFlywheel(word)), word) << teeth;
  }
}

TEST(FormatCheckTest, JudgesLayoutsAndFlywheelTables) {
  using T = std::array<WordTable, kConfigTableCount>;
  const FormatCase cases[] = {
      {"sound", [](T&) {}, FormatCheck::kOk},
      {"odd byte count tolerated",
       [](T& t) {
         t[kSyncTable][0] = 35;
         t[kEngineTable][0] = 69;
       },
       FormatCheck::kOk},
      {"sync word 0 disagrees", [](T& t) { t[kSyncTable][0] = 36; }, FormatCheck::kUnknownToEcu},
      {"sync word 0 one below", [](T& t) { t[kSyncTable][0] = 33; }, FormatCheck::kUnknownToEcu},
      {"sync of the old layout",
       [](T& t) {
         t[kSyncTable].resize(20);
         t[kSyncTable][0] = 40;
       },
       FormatCheck::kUnknownToEcu},
      {"engine of the old layout",
       [](T& t) {
         t[kEngineTable].resize(22);
         t[kEngineTable][0] = 44;
       },
       FormatCheck::kUnknownToEcu},
      {"engine format word", [](T& t) { t[kEngineTable][1] = 5; }, FormatCheck::kUnknownToEcu},
      {"engine last position", [](T& t) { t[kEngineTable][5] = 32; }, FormatCheck::kUnknownToEcu},
      {"engine missing", [](T& t) { t[kEngineTable].clear(); }, FormatCheck::kUnknownToEcu},
      {"layout wins over flywheel",
       [](T& t) {
         t[kSyncTable][0] = 0;
         t[kRegularToothTable].clear();
       },
       FormatCheck::kUnknownToEcu},
      {"flywheel table empty", [](T& t) { t[kToothAngleTable].clear(); },
       FormatCheck::kFlywheelTablesError},
      {"flywheel table of one word", [](T& t) { t[kRegularToothTable] = {2}; },
       FormatCheck::kFlywheelTablesError},
      {"flywheel table of two words",
       [](T& t) {
         t[kRegularToothTable] = {4, 0};
       },
       FormatCheck::kOk},
      {"flywheel word 0 disagrees", [](T& t) { t[kToothWindowTable][0] = 8; },
       FormatCheck::kFlywheelTablesError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    T tables = SoundTables();
    c.spoil(tables);
    EXPECT_EQ(CheckFormat(tables), c.expected);
  }
}

// --- Older layouts

WordTable OldEngineTable(uint16_t cylinders, uint16_t pairOffset) {
  WordTable t(22, 0);
  t[0] = 44;
  t[1] = 4;
  t[2] = 11;
  t[3] = 13;
  t[4] = 15;
  t[5] = 17;
  t[6] = cylinders;
  t[7] = pairOffset;
  for (size_t i = 0; i < 6; ++i) t[8 + i] = static_cast<uint16_t>(0x100 + i);
  return t;
}

std::vector<uint16_t> Angles(const WordTable& t) {
  return {t.begin() + kEngineAngleWord, t.begin() + kEngineAngleWord + kMaxCylinders};
}

struct AngleCase {
  const char* name;
  uint16_t cylinders;
  uint16_t pairOffset;
  std::vector<uint16_t> angles;
};

TEST(EngineUpgradeTest, SpreadsTheCylindersAngles) {
  const AngleCase cases[] = {
      {"5 cylinders without offset", 5, 0, {0, 13107, 26214, 39322, 52429, 0, 0, 0, 0, 0, 0, 0}},
      {"5 cylinders with offset counts 4",
       5,
       1000,
       {0, 1000, 32768, 33768, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"14 cylinders give 12 angles",
       14,
       0,
       {0, 5461, 10923, 16384, 21845, 27307, 32768, 38229, 43691, 49152, 54613, 60075}},
      {"6 cylinders with offset",
       6,
       0x100,
       {0, 0x100, 21845, 21845 + 0x100, 43691, 43691 + 0x100, 0, 0, 0, 0, 0, 0}},
      {"offset wraps in 16 bits", 2, 0xFFFF, {0, 0xFFFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"3 cylinders round to nearest", 3, 0, {0, 21845, 43691, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"1 cylinder with offset has none", 1, 50, std::vector<uint16_t>(12, 0)},
      {"no cylinders", 0, 0, std::vector<uint16_t>(12, 0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const WordTable t = UpgradeEngineLayout(OldEngineTable(c.cylinders, c.pairOffset), nullptr);
    ASSERT_EQ(t.size(), kEngineTableWords);
    EXPECT_TRUE(IsCurrentEngineTable(t));
    EXPECT_EQ(t[kEngineCylindersWord], c.cylinders);
    EXPECT_EQ(t[kEngineBanksWord], 0);
    EXPECT_EQ(Angles(t), c.angles);
  }
}

TEST(EngineUpgradeTest, MovesTuningWordsAndKeepsOnlyResolvedReferences) {
  WordTable old = OldEngineTable(4, 0);
  // Four references: resolving, low word 0 with a high word, not resolving, resolving.
  const uint32_t refs[] = {0x00020011, 0x00070000, 0x00000099, 0x12345678};
  for (size_t r = 0; r < 4; ++r) {
    old[14 + 2 * r] = static_cast<uint16_t>(refs[r] & 0xFFFF);
    old[15 + 2 * r] = static_cast<uint16_t>(refs[r] >> 16);
  }
  std::vector<int32_t> asked;
  const WordTable t = UpgradeEngineLayout(old, [&](int32_t id) {
    asked.push_back(id);
    return id != 0x99;
  });
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(t[20 + i], 0x100 + i);
  EXPECT_EQ(Long(t, 26), refs[0]);
  EXPECT_EQ(Long(t, 28), kNoItemReference);
  EXPECT_EQ(Long(t, 30), kNoItemReference);
  EXPECT_EQ(Long(t, 32), refs[3]);
  // A reference with a low word of 0 is "none" whatever its high word: never asked.
  EXPECT_EQ(asked, (std::vector<int32_t>{0x00020011, 0x99, 0x12345678}));
}

TEST(EngineUpgradeTest, RecognisesOnlyTheOldLayout) {
  WordTable old = OldEngineTable(4, 0);
  EXPECT_TRUE(IsOldEngineTable(old));
  old[0] = 45;
  EXPECT_TRUE(IsOldEngineTable(old));
  old[0] = 46;
  EXPECT_FALSE(IsOldEngineTable(old));
  EXPECT_FALSE(IsOldEngineTable(CurrentEngineTable()));
}

WordTable OldSyncTable() {
  WordTable t(20, 0);
  t[0] = 40;
  t[1] = 0x3A;  // low byte of the flywheel word
  t[2] = 0x3C;  // its high byte
  t[3] = 57;    // last tooth
  t[4] = 56;    // the one before
  for (size_t i = 5; i <= 13; ++i) t[i] = static_cast<uint16_t>(1000 + i);
  t[14] = kPhaseOneMissingTooth;
  t[15] = 0x0103;  // 3 marks, high byte ignored
  t[16] = 2;       // auxiliary camshaft
  t[17] = 0x0204;  // 4 teeth, high byte ignored
  t[18] = 7;       // main crankshaft tooth
  t[19] = 9;       // auxiliary crankshaft tooth
  return t;
}

struct SyncUpgradeCase {
  const char* name;
  void (*change)(WordTable&);
  uint16_t word11, word12, word13, word14;
};

TEST(SyncUpgradeTest, RebuildsPhasesFromTheOldLayout) {
  const SyncUpgradeCase cases[] = {
      {"main and auxiliary phase", [](WordTable&) {}, kCamIntakeBank2 << 10 | kPhaseOneMissingTooth,
       60 - 3, 0x0703, 0x0904},
      {"old camshaft 1 keeps code 1", [](WordTable& t) { t[16] = 1; },
       kCamExhaustBank1 << 10 | kPhaseOneMissingTooth, 57, 0x0703, 0x0904},
      {"other camshafts become 3", [](WordTable& t) { t[16] = 9; },
       kCamExhaustBank2 << 10 | kPhaseOneMissingTooth, 57, 0x0703, 0x0904},
      {"auxiliary without teeth is empty", [](WordTable& t) { t[17] = 0x0500; },
       kPhaseOneMissingTooth, 57, 0x0703, 0},
      {"auxiliary without camshaft is empty", [](WordTable& t) { t[16] = 0; },
       kPhaseOneMissingTooth, 57, 0x0703, 0},
      {"no main type empties both", [](WordTable& t) { t[14] = 0; }, 0, 0, 0, 0},
      {"no main marks empties both", [](WordTable& t) { t[15] = 0x0100; }, 0, 0, 0, 0},
      {"on marks state", [](WordTable& t) { t[14] = kPhaseOnMarksState; },
       kCamIntakeBank2 << 10 | kPhaseOnMarksState, 58, 0x0703, 0x0904},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WordTable old = OldSyncTable();
    c.change(old);
    ASSERT_TRUE(IsOldSyncTable(old));
    const WordTable t = UpgradeSyncLayout(old);
    ASSERT_TRUE(IsCurrentSyncTable(t));
    EXPECT_EQ(t[1], 0x3C3A);
    EXPECT_EQ(t[2], 56 + 256 * 57);
    EXPECT_EQ((std::vector<uint16_t>(t.begin() + 3, t.begin() + 11)),
              (std::vector<uint16_t>{1005, 1006, 1007, 1009, 1010, 1011, 1012, 1013}));
    EXPECT_EQ(t[11], c.word11);
    EXPECT_EQ(t[12], c.word12);
    EXPECT_EQ(t[13], c.word13);
    EXPECT_EQ(t[14], c.word14);
    EXPECT_EQ(t[15], 0);
    EXPECT_EQ(t[16], 0);
  }
}

TEST(SyncUpgradeTest, ShortTableGrowsToTheOldLayoutFirst) {
  WordTable shortTable = OldSyncTable();
  shortTable.resize(18);
  shortTable[0] = 37;
  ASSERT_TRUE(IsShortOldSyncTable(shortTable));
  ASSERT_FALSE(IsOldSyncTable(shortTable));
  const WordTable grown = ExtendShortSyncLayout(shortTable);
  ASSERT_TRUE(IsOldSyncTable(grown));
  EXPECT_EQ(grown[0], 40);
  EXPECT_EQ(grown[17], 0x0204);
  EXPECT_EQ(grown[18], 0);
  EXPECT_EQ(grown[19], 0);
  EXPECT_FALSE(IsShortOldSyncTable(CurrentSyncTable()));
}

}  // namespace
}  // namespace vantel
