#include "words.h"

#include <array>
#include <cassert>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace vantel::host {
namespace {

using enum HostWord;

constexpr WordEntry kWords[] = {
    {kSubjectMainPhaseCamshaft, "main phase camshaft", "arbre à cames de la phase principale"},
    {kSubjectMainPhaseType, "main phase type", "type de phase principale"},
    {kSubjectMarksPerRevolution, "marks a revolution for this main phase type",
     "repères par tour pour ce type de phase"},
    {kSubjectMainPhaseMarks, "main phase marks", "repères de la phase principale"},
    {kSubjectMarksTheFlywheelHolds, "camshaft marks the flywheel has room for",
     "repères d'arbre à cames que le volant permet"},
    {kSubjectSyncRounds, "synchronization rounds", "tours de synchronisation"},
    {kSubjectPhasePressureSensor, "phase pressure sensor", "capteur de pression de phase"},
    {kSubjectPressurePulses, "pressure pulses a cycle", "impulsions de pression par cycle"},
    {kSubjectMainPhaseFirstTooth, "main phase first tooth", "première dent de la phase principale"},
    {kSubjectMainPhaseMarkTooth, "main phase mark tooth", "dent du repère de phase principale"},
    {kSubjectAuxPhaseTeeth, "auxiliary phase camshaft teeth",
     "dents d'arbre à cames de la phase auxiliaire"},
    {kSubjectMainPhaseUnderAuxPhases, "main phase type under the auxiliary phases",
     "type de phase principale sous les phases auxiliaires"},
    {kSubjectCamshaftShared, "camshaft used twice", "arbre à cames utilisé deux fois"},
    {kSubjectAuxPhaseCamshaft, "auxiliary phase camshaft", "arbre à cames de la phase auxiliaire"},
    {kSubjectAuxPhaseFirstTooth, "auxiliary phase first tooth",
     "première dent de la phase auxiliaire"},
    {kSubjectCylinders, "cylinders", "cylindres"},
    {kSubjectTdcAngle, "TDC angle", "angle du PMH"},
    {kSubjectFirstCylinder, "first cylinder", "premier cylindre"},
    {kSubjectPairedCylindersAngle, "angle between paired cylinders",
     "angle entre cylindres appariés"},
    {kSubjectBanks, "cylinder banks", "bancs de cylindres"},
    {kSubjectCylindersOnTwoBanks, "cylinders on two banks", "cylindres sur deux bancs"},
    {kSubjectCylindersOnBank2, "cylinders on bank 2", "cylindres sur le banc 2"},
    {kSubjectPairedCylindersOfABankAngle, "angle between paired cylinders of a bank",
     "angle entre cylindres appariés d'un banc"},
    {kSubjectFlywheelTeeth, "flywheel teeth", "dents du volant"},
    {kSubjectTeethAtEachMark, "teeth at each mark", "dents à chaque repère"},
    {kSubjectMainPhaseOnRegularTeeth, "main phase type on a wheel of regular teeth",
     "type de phase principale sur un volant à dents régulières"},
    {kSubjectAlternativeSingularity, "flywheel for the alternative singularity",
     "volant pour la singularité alternative"},
    {kSubjectMarksOnRegularTeeth, "marks a revolution on regular teeth",
     "repères par tour sur dents régulières"},
    {kSubjectFlywheelTablesNotBuilt,
     "flywheel tables, which cannot be built for this flywheel and these cylinders",
     "tables volant, impossibles à construire pour ce volant et ces cylindres"},
    {kSubjectStoredFlywheelWord, "stored flywheel table word", "mot stocké de la table volant"},
    {kSubjectTableLayout, "table layout", "format de la table"},
    {kSubjectSizeWord, "size word", "mot de taille"},
    {kSubjectStaticIgnitionCylinders, "cylinders on static ignition",
     "cylindres en allumage statique"},
    {kSubjectTwinSparkPulses, "ignition pulses of a twin spark",
     "impulsions d'un allumage jumostatique"},
    {kSubjectTwinSparkCylinders, "cylinders on twin spark ignition",
     "cylindres en allumage jumostatique"},
    {kSubjectDistributedWithoutPhase, "cylinders on distributed ignition without phase",
     "cylindres en allumage distribué sans phase"},
    {kSubjectDistributedCylinders, "cylinders on distributed ignition",
     "cylindres en allumage distribué"},
    {kSubjectDistributedTeeth, "flywheel teeth for distributed ignition",
     "dents du volant pour l'allumage distribué"},
    {kSubjectIgnitionType, "ignition type", "type d'allumage"},
    {kSubjectIgnitionDelay, "ignition delay", "délai d'allumage"},
    {kSubjectMainPhaseUnderDirectInjection, "main phase type under direct injection",
     "type de phase principale sous injection directe"},
    {kSubjectInjectors, "injectors", "injecteurs"},
    {kSubjectInjectorsOnTwoRails, "injectors on two rails", "injecteurs sur deux rampes"},
    {kSubjectSemiSequentialCylinders, "cylinders on semi-sequential injection",
     "cylindres en injection semi-séquentielle"},
    {kSubjectSemiSequentialBanks, "cylinders on semi-sequential injection with banks",
     "cylindres en injection semi-séquentielle avec bancs"},
    {kSubjectSemiSequentialTwoRailsInjectors, "injectors on semi-sequential injection on two rails",
     "injecteurs en injection semi-séquentielle sur deux rampes"},
    {kSubjectSemiSequentialTwoRailsCylinders, "cylinders on semi-sequential injection on two rails",
     "cylindres en injection semi-séquentielle sur deux rampes"},
    {kSubjectPeakAndHold, "peak-and-hold", "peak-and-hold"},
    {kSubjectInjectionType, "injection type", "type d'injection"},
    {kSubjectVerticalScaleItem, "vertical scale item", "donnée d'échelle verticale"},
    {kSubjectHorizontalScaleItem, "horizontal scale item", "donnée d'échelle horizontale"},
    {kSubjectRailMapScale, "scale of the rail piloting map",
     "échelle de la cartographie de pilotage de rampe"},

    {kPhaseTypeNone, "no phase", "pas de phase"},
    {kPhaseTypeOnMarksState, "on marks state", "sur état des repères"},
    {kPhaseTypeOnMarksPosition, "on marks position", "sur position des repères"},
    {kPhaseTypeRegularTeeth, "regular teeth", "dents régulières"},
    {kPhaseTypeOneMissingTooth, "one missing tooth", "une dent manquante"},
    {kPhaseTypeOneSupplementaryTooth, "one supplementary tooth", "une dent supplémentaire"},
    {kPhaseTypeDynamicSync, "dynamic synchronization", "synchronisation dynamique"},
    {kPhaseTypePressureSensor, "phase pressure sensor", "capteur de pression de phase"},

    {kCountedMarks, "mark(s)", "repère(s)"},
    {kCountedCamshaftTeeth, "camshaft teeth", "dents d'arbre à cames"},
    {kCountedEngineRounds, "engine round(s) at most", "tour(s) moteur au plus"},
    {kCountedPressurePulses, "pressure pulse(s) a cycle", "impulsion(s) de pression par cycle"},

    {kCamshaftIntakeBank1, "intake bank 1", "admission banc 1"},
    {kCamshaftExhaustBank1, "exhaust bank 1", "échappement banc 1"},
    {kCamshaftIntakeBank2, "intake bank 2", "admission banc 2"},
    {kCamshaftExhaustBank2, "exhaust bank 2", "échappement banc 2"},
    {kCamshaftUnknownToTheEcu, "none the ECU knows", "aucun connu du calculateur"},
    {kCamshaftNumbered, "camshaft {}", "arbre à cames {}"},

    {kBoundAtMost, "at most {}", "au plus {}"},
    {kBoundAtLeast, "at least {}", "au moins {}"},
    {kBoundBetween, "{0} to {1}", "de {0} à {1}"},
    {kBoundEvenBetween, "an even number from {0} to {1}", "un nombre pair de {0} à {1}"},
    {kBoundOtherThan, "anything but {}", "tout sauf {}"},
    {kBoundEven, "an even number", "un nombre pair"},
    {kBoundMultipleOf, "a multiple of {}", "un multiple de {}"},
    {kBoundCamshaftEach, "a camshaft of its own for each phase", "un arbre à cames par phase"},

    // French sets its colons apart with a space.
    {kColon, "{}: {}", "{} : {}"},
    {kToothNumbered, "tooth {}", "dent {}"},
    {kBankNumbered, "bank {}", "banc {}"},
    {kNone, "none", "aucun"},
    {kNoneChosen, "none chosen", "aucune"},
    {kMissing, "{} missing", "{} absent"},
    {kUnknownToTheHost, "{}, unknown to the host", "{}, inconnue de l'hôte"},
    {kItsSensorMissing, "{}, its sensor missing", "{}, capteur absent"},
    {kTheEcuExpects, "{}, the ECU expects {}", "{}, le calculateur attend {}"},
    {kTheEcuAllows, "{}, the ECU allows {}", "{}, le calculateur admet {}"},
    {kTableWord, "{} word {}", "{} mot {}"},
    {kTableWords, "{} words {}", "{} mots {}"},

    {kFlywheelTwoMissingTeeth, "two adjoined missing teeth", "deux dents manquantes adjacentes"},
    {kFlywheelOneMissingTooth, "one missing tooth", "une dent manquante"},
    {kFlywheelRegularTeeth, "all the same teeth", "toutes les dents identiques"},
    {kFlywheelOneExtraTooth, "one extra tooth", "une dent supplémentaire"},
    {kFlywheelAlternativeSingularity, "two missing teeth, alternative singularity",
     "deux dents manquantes, singularité alternative"},
    {kFlywheelUnknownKind, "unknown ({} teeth at each mark)", "inconnu ({} dents à chaque repère)"},
    {kIgnitionDistributed, "distributed", "distribué"},
    {kIgnitionTwinSpark, "twin spark", "jumostatique"},
    {kIgnitionStatic, "static", "statique"},
    {kInjectionSemiSequential, "semi-sequential", "semi-séquentielle"},
    {kInjectionSequential, "sequential", "séquentielle"},
    {kInjectionDirect, "direct", "directe"},
    {kRailsOne, "one rail", "une rampe"},
    {kRailsOneSwitchingToTwo, "two rails, rail 1 switching to rail 2",
     "deux rampes, la rampe 1 passant à la rampe 2"},
    {kRailsOneSwitchingToBoth, "two rails, rail 1 switching to rails 1 and 2",
     "deux rampes, la rampe 1 passant aux rampes 1 et 2"},
    {kPeakAndHoldMode, "peak-and-hold mode {}", "mode peak-and-hold {}"},
    {kUnknownValue, "unknown ({})", "inconnu ({})"},
    {kVerdictCoherent, "coherent", "cohérente"},
    {kVerdictNotCoherent, "not coherent", "non cohérente"},
    {kVerdictRejected, "rejected", "rejetée"},
    {kVerdictNotChecked, "not checked", "non vérifiée"},

    {kWheelTitle, "{}: one engine cycle, {} wheel", "{} : un cycle moteur, volant {}"},
    {kWheelRevolution, "crankshaft revolution {}", "tour de vilebrequin {}"},
    {kTrackCrankshaft, "crankshaft", "vilebrequin"},
    {kTrackReference, "reference", "repère"},
    {kTrackTdc, "TDC", "PMH"},
    {kTrackWindows, "windows", "fenêtres"},
    {kTrackMainPhase, "main phase", "phase principale"},
    {kTrackAuxPhase, "aux. phase {}", "phase aux. {}"},
    {kCamshaftOf, "{} camshaft", "arbre à cames {}"},
    {kAuxCamshaftOf, "{} camshaft, {} teeth", "arbre à cames {}, {} dents"},
    {kFromTooth, "from tooth", "depuis la dent"},
    {kMarkTooth, "mark tooth", "dent du repère"},
    {kKeyTooth, "tooth", "dent"},
    {kKeyMissingTooth, "missing tooth", "dent manquante"},
    {kKeyExtraTooth, "extra tooth", "dent supplémentaire"},
    {kKeyReferenceMark, "reference mark", "repère"},
    {kKeyTdc, "TDC and measurement window", "PMH et fenêtre de mesure"},
    {kKeyCamshaftMark, "camshaft mark (hollow: counted, not placed)",
     "repère d'arbre à cames (creux : compté, non placé)"},
    {kKeyConcern, "what a finding concerns", "ce que vise un constat"},

    {kLegendDecoded, "Decoded", "Décodé"},
    {kLegendConfiguration, "Configuration: {}", "Configuration : {}"},
    {kLegendNotes, "Notes", "Notes"},
    {kLegendWindowNotes, "Measurement windows", "Fenêtres de mesure"},
    {kLegendWheel, "wheel: {}", "volant : {}"},
    {kLegendTeeth, "teeth: {}", "dents : {}"},
    {kLegendNominalTeeth, "nominal teeth: {}", "dents nominales : {}"},
    {kLegendOccurrences, "occurrences of the mark: {} a revolution",
     "occurrences du repère : {} par tour"},
    {kLegendReferenceKind, "reference: {}", "repère : {}"},
    {kLegendCylinders, "cylinders: {}", "cylindres : {}"},
    {kLegendNoBanks, "banks: not managed", "bancs : non gérés"},
    {kLegendBanks, "banks: {}, on bank 2: {}", "bancs : {}, sur le banc 2 : {}"},
    {kLegendIgnition, "ignition: {}, delay {} µs", "allumage : {}, délai {} µs"},
    {kLegendInjection, "injection: {}", "injection : {}"},
    {kLegendNoMainPhase, "main phase: none", "phase principale : aucune"},
    {kLegendUnknownMainPhase, "main phase: unknown type {}", "phase principale : type inconnu {}"},
    {kLegendMainPhase, "main phase: {}, {}, {} {}, from tooth {}",
     "phase principale : {}, {}, {} {}, depuis la dent {}"},
    {kLegendMarkAtTooth, ", mark at tooth {}", ", repère à la dent {}"},
    {kLegendAuxPhase, "auxiliary phase {}: {}, {} teeth, from tooth {}",
     "phase auxiliaire {} : {}, {} dents, depuis la dent {}"},

    {kNoteNoWords, "{} holds no words", "{} ne contient aucun mot"},
    {kNoteLayout,
     "{} is not of the current layout ({} words, size word {}): drawn from the words it holds",
     "{} n'est pas au format actuel ({} mots, mot de taille {}) : dessinée avec ses mots"},
    {kNoteTeeth, "{} places {} teeth, the flywheel word has {} a cycle",
     "{} place {} dents, le mot volant en compte {} par cycle"},
    {kNotePositions, "{} holds {} positions{}: missing and extra teeth not shown",
     "{} contient {} positions{} : dents manquantes et supplémentaires non montrées"},
    {kNoteFlywheelPositions, ", the flywheel has {}", ", le volant en a {}"},
    {kNoteUnknownTeeth, "{}: {} entries name a tooth past the last one",
     "{} : {} entrées désignent une dent après la dernière"},
    {kNoteNoTooth, "no position names a tooth: missing and extra teeth not shown",
     "aucune position ne désigne de dent : dents manquantes et supplémentaires non montrées"},
    {kNoteCylinders, "{} cylinders: only the {} TDC angles the table holds drawn",
     "{} cylindres : seuls les {} angles de PMH de la table dessinés"},
    {kNoteNoWindow, "no measurement window in {} for {}",
     "aucune fenêtre de mesure dans {} pour {}"},
    {kNoteMainPhaseTooth, "the main phase names a tooth past the last one",
     "la phase principale désigne une dent après la dernière"},
    {kNoteAuxPhaseTooth, "auxiliary phase {} starts past the last tooth",
     "la phase auxiliaire {} commence après la dernière dent"},
    // A TDC typed on a tooth: the angle conversion rounds down, the generator's tooth angles
    // round to the nearest unit.
    {kNoteTdcBelowTooth,
     "{} TDC, {}, is one unit (1/65536 of the cycle) below tooth {} ({}): a typed angle is "
     "stored rounded down, a tooth angle rounded to the nearest unit, so its window ends at "
     "tooth {}, a tooth early",
     "Le PMH du {} cylindre, {}, est une unité (1/65536 du cycle) sous la dent {} ({}) : un "
     "angle saisi est arrondi vers le bas, un angle de dent à l'unité la plus proche, donc sa "
     "fenêtre finit à la dent {}, une dent trop tôt"},
    {kNoteWindowShort,
     "{} cylinder's window ends at tooth {} ({}), not at tooth {} ({}), the last tooth at or "
     "before its TDC: ToothWindowTable entry {} says so",
     "La fenêtre du {} cylindre finit à la dent {} ({}), pas à la dent {} ({}), dernière dent "
     "jusqu'à son PMH : l'entrée {} de ToothWindowTable le dit"},

    {kSaveWritten, "written back: {} item(s) to {}", "{} élément(s) écrit(s) dans {}"},
    {kSaveNothingWritten, "nothing written back to {}: the plug-in changed no value",
     "rien d'écrit dans {} : le plug-in n'a changé aucune valeur"},
    {kSaveRefused, "the plug-in refused the save (save status {}): {} is unchanged",
     "enregistrement refusé par le plug-in (état {}) : {} n'a pas changé"},
    {kSaveNotWritten, "not written: {}", "non écrit : {}"},

    {kPageMachines, "Machines", "Machines"},
    {kPageFile, "File", "Fichier"},
    {kPageVerdict, "Verdict", "Verdict"},
    {kPageStatus, "Status", "État"},
    {kPageOpened, "open", "ouverte"},
    {kPageClosed, "closed", "fermée"},
    {kPageReport, "Error report", "Rapport d’erreurs"},
    {kPageNoRows, "No row.", "Aucune ligne."},
    {kPageSwitched, "Switched by the configuration", "Activé par la configuration"},
    {kPageFunctions, "Functions", "Fonctions"},
    {kPageSupervisions, "Supervisions", "Surveillances"},
    {kPageDataItems, "Data items", "Données"},
    {kPageOn, "On", "Activées"},
    {kPageOff, "Off", "Désactivées"},
    {kPageNone, "—", "—"},
    {kPageTablesRewritten, "Tables rewritten", "Tables réécrites"},
    {kPageLog, "Host log", "Journal de l’hôte"},
    {kPageWheel, "Flywheel", "Volant moteur"},
    {kPageSaved, "Saved", "Enregistrement"},
    {kPageCheck, "Check again", "Vérifier à nouveau"},
    {kPageEdit, "Edit", "Modifier"},
    {kPageRail1, "Rail 1 scales", "Échelles rampe 1"},
    {kPageRail2, "Rail 2 scales", "Échelles rampe 2"},
    {kPageSave, "Save", "Enregistrer"},
    {kPageClose, "Close", "Fermer"},
    {kPageOpen, "Open", "Ouvrir"},
    {kPageBusy, "Working…", "En cours…"},
    {kPageCloseBox, "Close", "Fermer"},
    {kPageScroll, "Scroll", "Défilement"},
    {kPageRule, "rule", "règle"},
    {kPageVerdictRejected, "rejected", "refusée"},
    {kPageNoToken, "This address has no token: open the address vantel-host printed.",
     "Cette adresse n’a pas de jeton : ouvrez l’adresse affichée par vantel-host."},
    {kPageLost, "The server does not answer; trying again.",
     "Le serveur ne répond pas ; nouvel essai."},
    {kPageEnded, "The server has ended.", "Le serveur s’est arrêté."},
    {kPageNoMachine, "No machine.", "Aucune machine."},
    {kPageUnsaved, "Unsaved", "Non enregistré"},
    {kPageUnsavedItems, "{} item(s) differ from the file", "{} élément(s) diffèrent du fichier"},
    {kPageCloseUnsaved, "{}: {} item(s) are not saved to the file. Close the machine all the same?",
     "{} : {} élément(s) ne sont pas enregistrés dans le fichier. Fermer la machine quand "
     "même ?"},
    {kPageElsewhere, "A window is open on machine", "Une fenêtre est ouverte sur la machine"},
    {kPageShowIt, "show it", "l’afficher"},
    {kPageOneNote, "{}, 1 note", "{}, 1 note"},
    {kPageNotes, "{}, {} notes", "{}, {} notes"},
    {kPageNote, "Note", "Note"},
    {kPageVerdictNews, "{}: now {}", "{} : désormais {}"},
    {kPageEndedWindows, "The server has ended: the windows it showed are closed.",
     "Le serveur s’est arrêté : les fenêtres qu’il affichait sont fermées."},
    // A review of two files (vantel-host diff).
    {kReviewGroupCylinders, "Cylinders", "Cylindres"},
    {kReviewGroupFlywheel, "Flywheel", "Volant"},
    {kReviewGroupIgnition, "Ignition", "Allumage"},
    {kReviewGroupInjection, "Injection", "Injection"},
    {kReviewGroupPhases, "Phases", "Phases"},
    {kReviewGroupRailMaps, "Rail maps", "Cartographies des rampes"},
    {kReviewGroupSwitches, "Functions, supervisions and data items",
     "Fonctions, surveillances et données"},
    {kReviewGroupItems, "Other items", "Autres éléments"},
    {kReviewTdc, "TDC of cylinder {}", "PMH du cylindre {}"},
    {kReviewBanks, "banks", "bancs"},
    {kReviewBanksManaged, "managed", "gérés"},
    {kReviewBanksNotManaged, "not managed", "non gérés"},
    {kReviewCylinderNumbered, "cylinder {}", "cylindre {}"},
    {kReviewFlywheel, "flywheel", "volant"},
    {kReviewFlywheelTeeth, "flywheel teeth", "dents du volant"},
    {kReviewFlywheelKind, "flywheel reference", "repère du volant"},
    {kReviewSyncMinRpm, "synchronisation checked from", "synchronisation contrôlée dès"},
    {kReviewRpm, "{} rpm", "{} tr/min"},
    {kReviewIgnition, "ignition", "allumage"},
    {kReviewIgnitionDelay, "ignition delay", "délai d'allumage"},
    {kReviewMicroseconds, "{} µs", "{} µs"},
    {kReviewInjection, "injection", "injection"},
    {kReviewRailScales, "rail {} map scales", "échelles de la cartographie de la rampe {}"},
    {kReviewScalePair, "{} × {}", "{} × {}"},
    {kReviewMainPhase, "main phase", "phase principale"},
    {kReviewMainPhaseCamshaft, "main phase camshaft", "arbre à cames de la phase principale"},
    {kReviewMainPhaseCount, "main phase count", "compte de la phase principale"},
    {kReviewMainPhaseFrom, "main phase from tooth", "phase principale dès la dent"},
    {kReviewMainPhaseMarkTooth, "main phase mark tooth", "dent du repère de phase principale"},
    {kReviewAuxTeeth, "auxiliary phase {} teeth", "dents de la phase auxiliaire {}"},
    {kReviewAuxCamshaft, "auxiliary phase {} camshaft", "arbre à cames de la phase auxiliaire {}"},
    {kReviewAuxFrom, "auxiliary phase {} from tooth", "phase auxiliaire {} dès la dent"},
    {kReviewFlywheelTables, "flywheel description tables", "tables de description du volant"},
    {kReviewRegenerated, "regenerated", "régénérées"},
    {kReviewNotRegenerated, "not regenerated", "non régénérées"},
    {kReviewTableWord, "{} word {}", "{} mot {}"},
    {kReviewFunction, "function {}", "fonction {}"},
    {kReviewSupervision, "supervision {}", "surveillance {}"},
    {kReviewDataItem, "data item {}", "donnée {}"},
    {kReviewOn, "on", "activée"},
    {kReviewOff, "off", "désactivée"},
    {kReviewNotSent, "not sent", "non envoyée"},
    {kReviewNoValue, "none", "aucune"},
    {kReviewNoChange, "no change", "aucun changement"},
    {kReviewChanges, "{} change(s)", "{} changement(s)"},
    {kReviewVerdicts, "Verdicts", "Verdicts"},
    {kReviewRowsAppeared, "Report rows that appeared", "Lignes du rapport apparues"},
    {kReviewRowsGone, "Report rows that went", "Lignes du rapport disparues"},
    {kReviewChanged, "changed", "modifié"},
    {kReviewBefore, "before", "avant"},
    {kReviewAfter, "after", "après"},
    {kReviewWhat, "what", "quoi"},
    {kReviewReplaced, "replaced, the ECU does not allow it: {}",
     "remplacé, le calculateur ne l'autorise pas : {}"},
    {kPageReviewTitle, "What Save will write to {}", "Ce qu’Enregistrer écrira dans {}"},
    {kPageReviewNothing, "Nothing to write: the file holds every value.",
     "Rien à écrire : le fichier contient déjà chaque valeur."},
    {kPageRevert, "Revert", "Revenir au fichier"},
    {kPageDownload, "Download", "Télécharger"},
    {kPageCancel, "Cancel", "Annuler"},
};

// In() reads kWords[word]: an entry out of the enum's order would give another word.
constexpr bool InEnumOrder() {
  for (size_t i = 0; i < std::size(kWords); ++i)
    if (static_cast<size_t>(kWords[i].word) != i) return false;
  return std::size(kWords) == static_cast<size_t>(kCount);
}
static_assert(InEnumOrder(), "kWords must hold every HostWord once, in the enum's order");

constexpr std::array<HostWord, 8> kPhaseTypes = {
    kPhaseTypeNone,         kPhaseTypeOnMarksState,    kPhaseTypeOnMarksPosition,
    kPhaseTypeRegularTeeth, kPhaseTypeOneMissingTooth, kPhaseTypeOneSupplementaryTooth,
    kPhaseTypeDynamicSync,  kPhaseTypePressureSensor};

constexpr std::array<HostWord, 4> kCamshafts = {kCamshaftIntakeBank1, kCamshaftExhaustBank1,
                                                kCamshaftIntakeBank2, kCamshaftExhaustBank2};

constexpr PageWord kPageWords[] = {
    {"machines", kPageMachines},
    {"file", kPageFile},
    {"verdict", kPageVerdict},
    {"status", kPageStatus},
    {"opened", kPageOpened},
    {"closed", kPageClosed},
    {"report", kPageReport},
    {"noRows", kPageNoRows},
    {"switched", kPageSwitched},
    {"functions", kPageFunctions},
    {"supervisions", kPageSupervisions},
    {"dataItems", kPageDataItems},
    {"on", kPageOn},
    {"off", kPageOff},
    {"none", kPageNone},
    {"tablesRewritten", kPageTablesRewritten},
    {"log", kPageLog},
    {"wheel", kPageWheel},
    {"saved", kPageSaved},
    {"check", kPageCheck},
    {"edit", kPageEdit},
    {"rail1", kPageRail1},
    {"rail2", kPageRail2},
    {"save", kPageSave},
    {"close", kPageClose},
    {"open", kPageOpen},
    {"busy", kPageBusy},
    {"closeBox", kPageCloseBox},
    {"scroll", kPageScroll},
    {"rule", kPageRule},
    {"verdicts/not checked", kVerdictNotChecked},
    {"verdicts/coherent", kVerdictCoherent},
    {"verdicts/not coherent", kVerdictNotCoherent},
    {"verdicts/rejected", kPageVerdictRejected},
    {"noToken", kPageNoToken},
    {"lost", kPageLost},
    {"ended", kPageEnded},
    {"noMachine", kPageNoMachine},
    {"unsaved", kPageUnsaved},
    {"unsavedItems", kPageUnsavedItems},
    {"closeUnsaved", kPageCloseUnsaved},
    {"elsewhere", kPageElsewhere},
    {"showIt", kPageShowIt},
    {"oneNote", kPageOneNote},
    {"notes", kPageNotes},
    {"note", kPageNote},
    {"verdictNews", kPageVerdictNews},
    {"endedWindows", kPageEndedWindows},
    // The list of what Save will write (page_review.js).
    {"reviewTitle", kPageReviewTitle},
    {"reviewNothing", kPageReviewNothing},
    {"reviewWhat", kReviewWhat},
    {"reviewBefore", kReviewBefore},
    {"reviewAfter", kReviewAfter},
    {"revert", kPageRevert},
    {"download", kPageDownload},
    {"cancel", kPageCancel},
};

}  // namespace

HostLanguage HostLanguageOf(int32_t lcid) {
  return lcid == 1036 ? HostLanguage::kFrench : HostLanguage::kEnglish;
}

std::span<const WordEntry> AllWords() { return kWords; }

std::string_view In(HostWord word, HostLanguage language) {
  const auto at = static_cast<size_t>(word);
  assert(at < std::size(kWords));
  return language == HostLanguage::kFrench ? kWords[at].fr : kWords[at].en;
}

std::string Format(std::string_view pattern, std::initializer_list<std::string> values) {
  std::string out;
  auto value = values.begin();
  for (size_t at = 0; at < pattern.size(); ++at) {
    if (pattern.compare(at, 2, "{}") == 0 && value != values.end()) {
      out += *value++;
      ++at;
      continue;
    }
    out += pattern[at];
  }
  return out;
}

std::string Say(HostWord word, HostLanguage language, std::initializer_list<std::string> values) {
  return Format(In(word, language), values);
}

std::optional<HostWord> PhaseTypeWord(int64_t type) {
  if (type < 0 || type >= static_cast<int64_t>(kPhaseTypes.size())) return std::nullopt;
  return kPhaseTypes[static_cast<size_t>(type)];
}

std::optional<HostWord> CamshaftWord(int64_t code) {
  if (code < 0 || code >= static_cast<int64_t>(kCamshafts.size())) return std::nullopt;
  return kCamshafts[static_cast<size_t>(code)];
}

std::string Ordinal(int n, HostLanguage language) {
  if (language == HostLanguage::kFrench) return std::to_string(n) + (n == 1 ? "er" : "e");
  const int tens = n % 100;
  const char* suffix = (tens >= 11 && tens <= 13) ? "th"
                       : n % 10 == 1              ? "st"
                       : n % 10 == 2              ? "nd"
                       : n % 10 == 3              ? "rd"
                                                  : "th";
  return std::to_string(n) + suffix;
}

std::string Hex(int64_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llX", digits,
                static_cast<unsigned long long>(value) & 0xFFFFFFFFull);
  return text;
}

std::span<const PageWord> PageWords() { return kPageWords; }

nlohmann::ordered_json PageWordsJson() {
  nlohmann::ordered_json out = {{"en", nlohmann::ordered_json::object()},
                                {"fr", nlohmann::ordered_json::object()}};
  for (const PageWord& page : kPageWords) {
    const nlohmann::ordered_json::json_pointer at("/" + std::string(page.name));
    out["en"][at] = std::string(In(page.word, HostLanguage::kEnglish));
    out["fr"][at] = std::string(In(page.word, HostLanguage::kFrench));
  }
  return out;
}

}  // namespace vantel::host
