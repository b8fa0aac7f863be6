#pragma once
// The host's own words, English and French side by side, named by what they mean: the
// findings told in words, the flywheel picture's legends and notes, the save's outcome and
// the page of `vantel-host serve`. A translation is fixed in one place, and a language that
// lacks a word fails the catalogue's test instead of showing a blank.
#include <cstdint>
#include <initializer_list>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantel::host {

/// The language of the host's own words: 1036 French, anything else English.
enum class HostLanguage { kEnglish, kFrench };
HostLanguage HostLanguageOf(int32_t lcid);

/// Every word of the catalogue. In a phrase "{}" stands for a value, filled in order by
/// Say(); the bounds' ranges name theirs "{0}" and "{1}".
enum class HostWord : uint16_t {
  // What each rule of the plug-in looked at, as a person says it.
  kSubjectMainPhaseCamshaft,
  kSubjectMainPhaseType,
  kSubjectMarksPerRevolution,
  kSubjectMainPhaseMarks,
  kSubjectMarksTheFlywheelHolds,
  kSubjectSyncRounds,
  kSubjectPhasePressureSensor,
  kSubjectPressurePulses,
  kSubjectMainPhaseFirstTooth,
  kSubjectMainPhaseMarkTooth,
  kSubjectAuxPhaseTeeth,
  kSubjectMainPhaseUnderAuxPhases,
  kSubjectCamshaftShared,
  kSubjectAuxPhaseCamshaft,
  kSubjectAuxPhaseFirstTooth,
  kSubjectCylinders,
  kSubjectTdcAngle,
  kSubjectFirstCylinder,
  kSubjectPairedCylindersAngle,
  kSubjectBanks,
  kSubjectCylindersOnTwoBanks,
  kSubjectCylindersOnBank2,
  kSubjectPairedCylindersOfABankAngle,
  kSubjectFlywheelTeeth,
  kSubjectTeethAtEachMark,
  kSubjectMainPhaseOnRegularTeeth,
  kSubjectAlternativeSingularity,
  kSubjectMarksOnRegularTeeth,
  kSubjectFlywheelTablesNotBuilt,
  kSubjectStoredFlywheelWord,
  kSubjectTableLayout,
  kSubjectSizeWord,
  kSubjectStaticIgnitionCylinders,
  kSubjectTwinSparkPulses,
  kSubjectTwinSparkCylinders,
  kSubjectDistributedWithoutPhase,
  kSubjectDistributedCylinders,
  kSubjectDistributedTeeth,
  kSubjectIgnitionType,
  kSubjectIgnitionDelay,
  kSubjectMainPhaseUnderDirectInjection,
  kSubjectInjectors,
  kSubjectInjectorsOnTwoRails,
  kSubjectSemiSequentialCylinders,
  kSubjectSemiSequentialBanks,
  kSubjectSemiSequentialTwoRailsInjectors,
  kSubjectSemiSequentialTwoRailsCylinders,
  kSubjectPeakAndHold,
  kSubjectInjectionType,
  kSubjectVerticalScaleItem,
  kSubjectHorizontalScaleItem,
  kSubjectRailMapScale,

  // The main phase types, by SyncTable's type number (PhaseTypeWord).
  kPhaseTypeNone,
  kPhaseTypeOnMarksState,
  kPhaseTypeOnMarksPosition,
  kPhaseTypeRegularTeeth,
  kPhaseTypeOneMissingTooth,
  kPhaseTypeOneSupplementaryTooth,
  kPhaseTypeDynamicSync,
  kPhaseTypePressureSensor,

  // What a main phase's marks count of SyncTable counts, by type.
  kCountedMarks,
  kCountedCamshaftTeeth,
  kCountedEngineRounds,
  kCountedPressurePulses,

  // The camshafts, by the configuration tables' code (CamshaftWord).
  kCamshaftIntakeBank1,
  kCamshaftExhaustBank1,
  kCamshaftIntakeBank2,
  kCamshaftExhaustBank2,
  kCamshaftUnknownToTheEcu,
  kCamshaftNumbered,

  // What the ECU allows, after "the ECU allows".
  kBoundAtMost,
  kBoundAtLeast,
  kBoundBetween,
  kBoundEvenBetween,
  kBoundOtherThan,
  kBoundEven,
  kBoundMultipleOf,
  kBoundCamshaftEach,

  // A finding's sentence.
  kColon,
  kToothNumbered,
  kBankNumbered,
  kNone,
  kNoneChosen,
  kMissing,
  kUnknownToTheHost,
  kItsSensorMissing,
  kTheEcuExpects,
  kTheEcuAllows,
  kTableWord,
  kTableWords,

  // The flywheel's kinds, ignition, injection and verdicts as the picture names them.
  kFlywheelTwoMissingTeeth,
  kFlywheelOneMissingTooth,
  kFlywheelRegularTeeth,
  kFlywheelOneExtraTooth,
  kFlywheelAlternativeSingularity,
  kFlywheelUnknownKind,
  kIgnitionDistributed,
  kIgnitionTwinSpark,
  kIgnitionStatic,
  kInjectionSemiSequential,
  kInjectionSequential,
  kInjectionDirect,
  kRailsOne,
  kRailsOneSwitchingToTwo,
  kRailsOneSwitchingToBoth,
  kPeakAndHoldMode,
  kUnknownValue,
  kVerdictCoherent,
  kVerdictNotCoherent,
  kVerdictRejected,
  kVerdictNotChecked,

  // The flywheel picture's title, tracks and key.
  kWheelTitle,
  kWheelRevolution,
  kTrackCrankshaft,
  kTrackReference,
  kTrackTdc,
  kTrackWindows,
  kTrackMainPhase,
  kTrackAuxPhase,
  kCamshaftOf,
  kAuxCamshaftOf,
  kFromTooth,
  kMarkTooth,
  kKeyTooth,
  kKeyMissingTooth,
  kKeyExtraTooth,
  kKeyReferenceMark,
  kKeyTdc,
  kKeyCamshaftMark,
  kKeyConcern,

  // The picture's legend.
  kLegendDecoded,
  kLegendConfiguration,
  kLegendNotes,
  kLegendWindowNotes,
  kLegendWheel,
  kLegendTeeth,
  kLegendNominalTeeth,
  kLegendOccurrences,
  kLegendReferenceKind,
  kLegendCylinders,
  kLegendNoBanks,
  kLegendBanks,
  kLegendIgnition,
  kLegendInjection,
  kLegendNoMainPhase,
  kLegendUnknownMainPhase,
  kLegendMainPhase,
  kLegendMarkAtTooth,
  kLegendAuxPhase,

  // Why the picture leaves something out.
  kNoteNoWords,
  kNoteLayout,
  kNoteTeeth,
  kNotePositions,
  kNoteFlywheelPositions,
  kNoteUnknownTeeth,
  kNoteNoTooth,
  kNoteCylinders,
  kNoteNoWindow,
  kNoteMainPhaseTooth,
  kNoteAuxPhaseTooth,
  kNoteTdcBelowTooth,
  kNoteWindowShort,

  // The outcome of a save in `vantel-host serve`.
  kSaveWritten,
  kSaveNothingWritten,
  kSaveRefused,
  kSaveNotWritten,

  // The page of `vantel-host serve` (PageWords names each for the page).
  kPageMachines,
  kPageFile,
  kPageVerdict,
  kPageStatus,
  kPageOpened,
  kPageClosed,
  kPageReport,
  kPageNoRows,
  kPageSwitched,
  kPageFunctions,
  kPageSupervisions,
  kPageDataItems,
  kPageOn,
  kPageOff,
  kPageNone,
  kPageTablesRewritten,
  kPageLog,
  kPageWheel,
  kPageSaved,
  kPageCheck,
  kPageEdit,
  kPageRail1,
  kPageRail2,
  kPageSave,
  kPageClose,
  kPageOpen,
  kPageBusy,
  kPageCloseBox,
  kPageScroll,
  kPageRule,
  // The page names a rejected configuration with another French word than the picture.
  kPageVerdictRejected,
  kPageNoToken,
  kPageLost,
  kPageEnded,
  kPageNoMachine,
  kPageUnsaved,
  kPageUnsavedItems,
  kPageCloseUnsaved,
  kPageElsewhere,
  kPageShowIt,
  // A coherent machine's report rows are notes: they leave the verdict as it is.
  kPageOneNote,
  kPageNotes,
  kPageNote,
  kPageVerdictNews,
  kPageEndedWindows,

  // What `vantel-host diff` names: the groups of a review, the settings as a calibration
  // engineer says them, and what became of the files.
  kReviewGroupCylinders,
  kReviewGroupFlywheel,
  kReviewGroupIgnition,
  kReviewGroupInjection,
  kReviewGroupPhases,
  kReviewGroupRailMaps,
  kReviewGroupSwitches,
  kReviewGroupItems,
  kReviewTdc,
  kReviewBanks,
  kReviewBanksManaged,
  kReviewBanksNotManaged,
  kReviewCylinderNumbered,
  kReviewFlywheel,
  kReviewFlywheelTeeth,
  kReviewFlywheelKind,
  kReviewSyncMinRpm,
  kReviewRpm,
  kReviewIgnition,
  kReviewIgnitionDelay,
  kReviewMicroseconds,
  kReviewInjection,
  kReviewRailScales,
  kReviewScalePair,
  kReviewMainPhase,
  kReviewMainPhaseCamshaft,
  kReviewMainPhaseCount,
  kReviewMainPhaseFrom,
  kReviewMainPhaseMarkTooth,
  kReviewAuxTeeth,
  kReviewAuxCamshaft,
  kReviewAuxFrom,
  kReviewFlywheelTables,
  kReviewRegenerated,
  kReviewNotRegenerated,
  kReviewTableWord,
  kReviewFunction,
  kReviewSupervision,
  kReviewDataItem,
  kReviewOn,
  kReviewOff,
  kReviewNotSent,
  kReviewNoValue,
  kReviewNoChange,
  kReviewChanges,
  kReviewVerdicts,
  kReviewRowsAppeared,
  kReviewRowsGone,
  kReviewChanged,
  kReviewBefore,
  kReviewAfter,
  kReviewWhat,
  kReviewReplaced,
  kPageReviewTitle,
  kPageReviewNothing,
  kPageRevert,
  kPageDownload,
  kPageCancel,

  kCount
};

/// One word in both languages.
struct WordEntry {
  HostWord word;
  std::string_view en;
  std::string_view fr;
};

/// The whole catalogue, one entry per HostWord in the enum's order.
std::span<const WordEntry> AllWords();

/// `word` in `language`.
std::string_view In(HostWord word, HostLanguage language);

/// `pattern` with each "{}" replaced by the next of `values`; a "{}" past the last value
/// stays as it is.
std::string Format(std::string_view pattern, std::initializer_list<std::string> values);

/// `word` in `language` with its "{}" filled by `values`, in order.
std::string Say(HostWord word, HostLanguage language,
                std::initializer_list<std::string> values = {});

/// The name of SyncTable's main phase type `type` (0 no phase to 7 pressure sensor); nothing
/// for a number no type has.
std::optional<HostWord> PhaseTypeWord(int64_t type);

/// The name of camshaft `code` as the configuration tables number them; nothing for a code
/// no camshaft has.
std::optional<HostWord> CamshaftWord(int64_t code);

/// `n` as the rank of a cylinder in firing order: "1st", "2nd" / "1er", "2e".
std::string Ordinal(int n, HostLanguage language);

/// The low 32 bits of `value` in upper-case hexadecimal after "0x", zero-padded to `digits`.
std::string Hex(int64_t value, int digits = 0);

/// A word of the page under the name app.js reads it by; a name with a '/' sits in a group
/// ("verdicts/coherent" is words.verdicts.coherent).
struct PageWord {
  std::string_view name;
  HostWord word;
};

std::span<const PageWord> PageWords();

/// The page's words as {"en": {...}, "fr": {...}}, each name holding its text.
nlohmann::ordered_json PageWordsJson();

}  // namespace vantel::host
