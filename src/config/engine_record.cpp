#include "config/engine_record.h"

#include <algorithm>
#include <cstdio>

namespace vantel {
namespace {

constexpr size_t kOldEngineTableWords = 22;
constexpr size_t kOldEngineTuningWord = 8;      // today's words 20-25
constexpr size_t kOldEngineReferenceWord = 14;  // today's words 26-33
constexpr size_t kShortOldSyncTableWords = 18;
constexpr size_t kOldSyncTableWords = 20;

// Old SyncTable words that moved (the flywheel word and word 2 were split into bytes).
constexpr size_t kOldSyncFlywheelLow = 1;
constexpr size_t kOldSyncFlywheelHigh = 2;
constexpr size_t kOldSyncLastTeethHigh = 3;
constexpr size_t kOldSyncLastTeethLow = 4;
constexpr std::array<size_t, 8> kOldSyncDataWords = {5, 6, 7, 9, 10, 11, 12, 13};  // to 3-10
constexpr size_t kOldSyncMainType = 14;
constexpr size_t kOldSyncMainMarks = 15;
constexpr size_t kOldSyncAux1Camshaft = 16;
constexpr size_t kOldSyncAux1Teeth = 17;
constexpr size_t kOldSyncMainCrankTooth = 18;
constexpr size_t kOldSyncAux1CrankTooth = 19;

// Teeth per mark period of a tooth target on the camshaft, by flywheel kind K = -2 .. +1.
constexpr std::array<int, 4> kMarkDivisorByKind = {5, 4, 3, 4};

// Old auxiliary camshaft 1 and 2 keep their code; anything else was exhaust bank 2.
constexpr std::array<uint16_t, 4> kOldAuxCamshaftCode = {0, kCamExhaustBank1, kCamIntakeBank2,
                                                         kCamExhaustBank2};

bool HasWords(std::span<const uint16_t> table, size_t words) {
  return table.size() == words && SizeWordAgrees(table);
}

uint8_t LowByte(uint16_t word) { return static_cast<uint8_t>(word & 0xFF); }
uint8_t HighByte(uint16_t word) { return static_cast<uint8_t>(word >> 8); }

uint16_t Bytes(uint8_t high, uint8_t low) { return static_cast<uint16_t>(high << 8 | low); }

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// The value of digit `c` in `base` (10 or 16), or -1.
int DigitValue(char c, uint32_t base) {
  if (IsDecimalDigit(c)) return c - '0';
  if (base != 16) return -1;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Flywheel DecodeFlywheel(uint16_t word) {
  Flywheel f;
  f.T = word & 0x3F;
  f.R = ((word >> 6) & 0x3) + 1;
  f.N = (word >> 8) & 0x7F;
  f.S = (word >> 15) + 1;
  f.K = (f.T - f.N) / f.R;  // C++ division truncates toward zero, as the ECU does
  return f;
}

uint16_t EncodeFlywheel(const Flywheel& f) {
  return static_cast<uint16_t>((f.S - 1) << 15 | (f.N & 0x7F) << 8 | ((f.R - 1) & 0x3) << 6 |
                               (f.T & 0x3F));
}

uint16_t EncodeFlywheel(int actualTeeth, int occurrencesCode, int kind, bool renaultRs) {
  const int nominal = (renaultRs ? 128 : 0) + actualTeeth - (occurrencesCode + 1) * kind;
  return static_cast<uint16_t>(((nominal * 4 + occurrencesCode) * 64) + actualTeeth);
}

int32_t PhaseMarkTooth(int marks, int nominalTeeth, int actualTeeth, int mainType, int references) {
  if (references == 0) references = 1;  // an occurrences count is never 0; keep it safe
  const int kind = (actualTeeth - nominalTeeth) / references;
  const int f = kind == kTwoMissingTeeth ? 3 : kind == kOneMissingTooth ? 2 : 1;
  switch (mainType) {
    case kPhaseOnMarksState:
    case kPhaseOnMarksPosition:
    case kPhaseRegularTeeth:
      return actualTeeth;
    case kPhaseOneMissingTooth:
      if (marks + 1 == 0) return 0;
      return 4 * nominalTeeth / (marks + 1) - f;
    case kPhaseOneSupplementaryTooth:
      if (marks == 1) return actualTeeth;
      return 2 * nominalTeeth / (marks - 1) - f;
    default:
      return 0;
  }
}

int MaxToothTargetMarks(int mainType, const Flywheel& f) {
  if (!IsKnownFlywheelKind(f.K)) return kMaxPhaseMarks;
  const int divisor = kMarkDivisorByKind[static_cast<size_t>(f.K - kTwoMissingTeeth)];
  const int most = mainType == kPhaseOneMissingTooth ? 2 * f.N / divisor - 1 : f.N / divisor + 1;
  return std::min(most, kMaxPhaseMarks);
}

int LastCycleTooth(const Flywheel& f) { return 2 * f.T - 1; }

int LastMainStartTooth(int mainType, const Flywheel& f) {
  switch (mainType) {
    case kPhaseOnMarksState:
      return f.T / f.R - 1;
    case kPhaseOnMarksPosition:
    case kPhaseRegularTeeth:
    case kPhaseOneMissingTooth:
    case kPhaseOneSupplementaryTooth:
      return LastCycleTooth(f);
    default:
      return 0;
  }
}

size_t RailMapCount(std::span<const uint16_t> railMapList) {
  const uint16_t sizeWord = Word(railMapList, 0);
  if (sizeWord < 2) return 0;
  const size_t declared = (sizeWord / 2u - 1u) / 2u;
  const size_t present = railMapList.empty() ? 0 : (railMapList.size() - 1) / 2;
  return std::min(declared, present);
}

int32_t RailMapId(std::span<const uint16_t> railMapList, size_t index) {
  return static_cast<int32_t>(Long(railMapList, 1 + 2 * index));
}

EngineRecord DecodeEngineTable(std::span<const uint16_t> table) {
  EngineRecord r;
  r.cylinders = Word(table, kEngineCylindersWord);
  r.banks = Word(table, kEngineBanksWord);
  for (size_t i = 0; i < kMaxCylinders; ++i) r.angles[i] = Word(table, kEngineAngleWord + i);
  r.ignitionType = Word(table, kEngineIgnitionWord);
  r.injection = Word(table, kEngineInjectionWord);
  r.ignitionDelayUs = Word(table, kEngineIgnitionDelayWord);
  for (size_t i = 0; i < r.peakHoldTuning.size(); ++i) {
    r.peakHoldTuning[i] = Word(table, kEnginePeakHoldTuningWord + i);
  }
  for (size_t i = 0; i < kEngineScaleReferenceCount; ++i) {
    r.scaleReferences[i] = Long(table, kEngineScaleReferenceWord + 2 * i);
  }
  return r;
}

namespace {

// Leaves a word that already holds `value` alone: a table is never grown to hold a word it
// reads as 0 anyway.
void Put(WordTable& table, size_t index, uint16_t value) {
  if (Word(table, index) != value) SetWord(table, index, value);
}

void PutLong(WordTable& table, size_t lowIndex, uint32_t value) {
  Put(table, lowIndex, static_cast<uint16_t>(value & 0xFFFF));
  Put(table, lowIndex + 1, static_cast<uint16_t>(value >> 16));
}

}  // namespace

void EncodeEngineTable(const EngineRecord& r, WordTable& table) {
  Put(table, kEngineCylindersWord, r.cylinders);
  Put(table, kEngineBanksWord, r.banks);
  for (size_t i = 0; i < kMaxCylinders; ++i) Put(table, kEngineAngleWord + i, r.angles[i]);
  Put(table, kEngineIgnitionWord, r.ignitionType);
  Put(table, kEngineInjectionWord, r.injection);
  Put(table, kEngineIgnitionDelayWord, r.ignitionDelayUs);
  for (size_t i = 0; i < r.peakHoldTuning.size(); ++i) {
    Put(table, kEnginePeakHoldTuningWord + i, r.peakHoldTuning[i]);
  }
  for (size_t i = 0; i < kEngineScaleReferenceCount; ++i) {
    PutLong(table, kEngineScaleReferenceWord + 2 * i, r.scaleReferences[i]);
  }
}

void EncodeSyncTable(const SyncRecord& r, WordTable& table) {
  Put(table, kSyncFlywheelWord, EncodeFlywheel(r.flywheel));
  Put(table, kSyncMinRpmWord, r.minRpm);
  Put(table, kSyncWord4, r.word4);
  uint16_t assignment = static_cast<uint16_t>((r.mainType & 0xFF) | (r.mainCamshaft & 0x3) << 8);
  for (size_t i = 0; i < kAuxPhaseCount; ++i) {
    assignment = static_cast<uint16_t>(assignment | (r.auxCamshaft[i] & 0x3) << (10 + 2 * i));
  }
  Put(table, kSyncPhaseAssignmentWord, assignment);
  Put(table, kSyncMarkToothWord, r.markTooth);
  Put(table, kSyncMainPhaseWord, Bytes(r.main.crankTooth, r.main.teeth));
  for (size_t i = 0; i < kAuxPhaseCount; ++i) {
    Put(table, kSyncAuxPhaseWord + i, Bytes(r.aux[i].crankTooth, r.aux[i].teeth));
  }
}

SyncRecord DecodeSyncTable(std::span<const uint16_t> table) {
  SyncRecord r;
  r.flywheel = DecodeFlywheel(Word(table, kSyncFlywheelWord));
  r.minRpm = Word(table, kSyncMinRpmWord);
  r.word4 = Word(table, kSyncWord4);
  const uint16_t assignment = Word(table, kSyncPhaseAssignmentWord);
  r.mainType = LowByte(assignment);
  r.mainCamshaft = (assignment >> 8) & 0x3;
  for (size_t i = 0; i < kAuxPhaseCount; ++i) {
    r.auxCamshaft[i] = (assignment >> (10 + 2 * i)) & 0x3;
  }
  r.markTooth = Word(table, kSyncMarkToothWord);
  const uint16_t main = Word(table, kSyncMainPhaseWord);
  r.main = {LowByte(main), HighByte(main)};
  for (size_t i = 0; i < kAuxPhaseCount; ++i) {
    const uint16_t aux = Word(table, kSyncAuxPhaseWord + i);
    r.aux[i] = {LowByte(aux), HighByte(aux)};
  }
  return r;
}

bool SizeWordAgrees(std::span<const uint16_t> table) {
  const size_t bytes = table.size() * 2;
  return (bytes & ~size_t{1}) == (Word(table, 0) & ~size_t{1});
}

bool IsCurrentEngineTable(std::span<const uint16_t> table) {
  if (!HasWords(table, kEngineTableWords)) return false;
  if (Word(table, kEngineFormatWord) != kEngineFormat) return false;
  for (size_t i = 0; i < kEngineReferencePositions.size(); ++i) {
    if (Word(table, kEngineReferencePositionWord + i) != kEngineReferencePositions[i]) {
      return false;
    }
  }
  return true;
}

bool IsCurrentSyncTable(std::span<const uint16_t> table) {
  return HasWords(table, kSyncTableWords);
}

bool IsWellFormedFlywheelTable(std::span<const uint16_t> table) {
  return table.size() >= 2 && SizeWordAgrees(table);
}

FormatCheck CheckFormat(const std::array<WordTable, kConfigTableCount>& tables) {
  if (!IsCurrentSyncTable(tables[kSyncTable]) || !IsCurrentEngineTable(tables[kEngineTable])) {
    return FormatCheck::kUnknownToEcu;
  }
  for (int t = kToothWindowTable; t <= kRegularToothTable; ++t) {
    if (!IsWellFormedFlywheelTable(tables[static_cast<size_t>(t)])) {
      return FormatCheck::kFlywheelTablesError;
    }
  }
  return FormatCheck::kOk;
}

bool IsOldEngineTable(std::span<const uint16_t> table) {
  return HasWords(table, kOldEngineTableWords);
}

bool IsShortOldSyncTable(std::span<const uint16_t> table) {
  return HasWords(table, kShortOldSyncTableWords);
}

bool IsOldSyncTable(std::span<const uint16_t> table) { return HasWords(table, kOldSyncTableWords); }

WordTable UpgradeEngineLayout(std::span<const uint16_t> old, const ItemResolver& resolves) {
  WordTable t(kEngineTableWords, 0);
  t[0] = static_cast<uint16_t>(kEngineTableWords * 2);
  t[kEngineFormatWord] = Word(old, kEngineFormatWord);
  for (size_t i = 0; i < kEngineReferencePositions.size(); ++i) {
    t[kEngineReferencePositionWord + i] = kEngineReferencePositions[i];
  }
  t[kEngineCylindersWord] = Word(old, kEngineCylindersWord);
  t[kEngineBanksWord] = 0;
  for (size_t i = 0; i < 6; ++i) t[kEngineIgnitionWord + i] = Word(old, kOldEngineTuningWord + i);

  for (size_t r = 0; r < kEngineScaleReferenceCount; ++r) {
    const uint32_t id = Long(old, kOldEngineReferenceWord + 2 * r);
    const bool keep = (id & 0xFFFF) != 0 && resolves && resolves(static_cast<int32_t>(id));
    SetLong(t, kEngineScaleReferenceWord + 2 * r, keep ? id : kNoItemReference);
  }

  // The old layout kept a pair offset instead of angles; spread the cylinders evenly.
  uint32_t cylinders = std::min<uint32_t>(Word(old, kEngineCylindersWord), kMaxCylinders);
  const uint16_t pairOffset = Word(old, kEngineBanksWord);
  if (pairOffset == 0) {
    for (uint32_t i = 0; i < cylinders; ++i) {
      t[kEngineAngleWord + i] = RegularAngleWord(i, cylinders);
    }
  } else {
    cylinders &= ~1u;
    for (uint32_t k = 0; k < cylinders / 2; ++k) {
      const auto first = static_cast<uint16_t>(RoundHalfUp(uint64_t{k} * 131072, cylinders));
      t[kEngineAngleWord + 2 * k] = first;
      t[kEngineAngleWord + 2 * k + 1] = static_cast<uint16_t>(pairOffset + first);
    }
  }
  return t;
}

WordTable ExtendShortSyncLayout(std::span<const uint16_t> old) {
  WordTable t(old.begin(), old.end());
  t.resize(t.size() + 2, 0);
  t[0] = static_cast<uint16_t>(kOldSyncTableWords * 2);
  return t;
}

WordTable UpgradeSyncLayout(std::span<const uint16_t> old) {
  WordTable t(kSyncTableWords, 0);
  t[0] = static_cast<uint16_t>(kSyncTableWords * 2);
  t[kSyncFlywheelWord] =
      static_cast<uint16_t>(Word(old, kOldSyncFlywheelLow) + 256 * Word(old, kOldSyncFlywheelHigh));
  t[kSyncLastTeethWord] = static_cast<uint16_t>(Word(old, kOldSyncLastTeethLow) +
                                                256 * Word(old, kOldSyncLastTeethHigh));
  for (size_t i = 0; i < kOldSyncDataWords.size(); ++i) {
    t[kSyncMinRpmWord + i] = Word(old, kOldSyncDataWords[i]);
  }

  uint16_t auxCamshaftBits = 0;
  PhaseSetting aux1;
  const uint16_t oldAuxCamshaft = Word(old, kOldSyncAux1Camshaft);
  const uint8_t oldAuxTeeth = LowByte(Word(old, kOldSyncAux1Teeth));
  if (oldAuxCamshaft != 0 && oldAuxTeeth != 0) {
    const uint16_t code = kOldAuxCamshaftCode[std::min<uint16_t>(oldAuxCamshaft, 3)];
    auxCamshaftBits = static_cast<uint16_t>(code << 10);
    aux1 = {oldAuxTeeth, static_cast<uint8_t>(Word(old, kOldSyncAux1CrankTooth))};
  }

  // Auxiliary phases only exist beside a main phase.
  PhaseSetting main;
  uint16_t assignment = 0;
  const uint16_t oldMainType = Word(old, kOldSyncMainType);
  const uint8_t oldMarks = LowByte(Word(old, kOldSyncMainMarks));
  if (oldMainType != 0 && oldMarks != 0) {
    assignment = static_cast<uint16_t>(auxCamshaftBits + oldMainType);
    main = {oldMarks, static_cast<uint8_t>(Word(old, kOldSyncMainCrankTooth))};
  } else {
    aux1 = {};
  }
  t[kSyncPhaseAssignmentWord] = assignment;

  const Flywheel f = DecodeFlywheel(t[kSyncFlywheelWord]);
  t[kSyncMarkToothWord] =
      static_cast<uint16_t>(PhaseMarkTooth(main.teeth, f.N, f.T, LowByte(assignment), f.R));
  t[kSyncMainPhaseWord] = Bytes(main.crankTooth, main.teeth);
  t[kSyncAuxPhaseWord] = Bytes(aux1.crankTooth, aux1.teeth);
  return t;
}

std::string AngleText(uint16_t word) {
  const uint32_t shown = ShownAngleHundredths(word);
  char text[16];
  std::snprintf(text, sizeof text, "%u.%02u", shown / 100, shown % 100);
  return text;
}

std::optional<uint32_t> ParseAngleHundredths(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n\f\v";
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);

  const size_t mark = text.find_first_of(".,");
  std::string_view integer = text.substr(0, mark);
  uint32_t base = 10;
  if (integer.size() > 2 && integer[0] == '0' && (integer[1] == 'x' || integer[1] == 'X')) {
    base = 16;
    integer.remove_prefix(2);
  }
  if (integer.empty()) return std::nullopt;
  // Saturates: a long digit string stays above every angle instead of wrapping into one.
  constexpr uint64_t kCeiling = UINT32_MAX;
  uint64_t value = 0;
  for (const char c : integer) {
    const int digit = DigitValue(c, base);
    if (digit < 0) return std::nullopt;
    value = std::min(kCeiling, value * base + static_cast<uint32_t>(digit));
  }

  uint32_t fraction = 0;
  if (mark != std::string_view::npos) {
    // Tenths, then hundredths; further digits are truncated, not rounded.
    uint32_t scale = 10;
    for (const char c : text.substr(mark + 1)) {
      if (!IsDecimalDigit(c)) return std::nullopt;
      fraction += static_cast<uint32_t>(c - '0') * scale;
      scale /= 10;
    }
  }
  return static_cast<uint32_t>(std::min(kCeiling, value * 100 + fraction));
}

std::optional<uint16_t> AngleWordFromHundredths(uint32_t hundredths) {
  if (hundredths > kCycleHundredths) return std::nullopt;
  // Each step of a hundredth moves the word by 0 or 1, so walking the words from the one
  // below the angle finds the same first word; the last word shows 720.00 and ends the walk.
  const auto start = static_cast<uint32_t>(uint64_t{hundredths} * 65536 / kCycleHundredths);
  for (uint32_t word = start; word < kLastAngleWord; ++word) {
    if (ShownAngleHundredths(static_cast<uint16_t>(word)) >= hundredths) {
      return static_cast<uint16_t>(word);
    }
  }
  return kLastAngleWord;
}

}  // namespace vantel
