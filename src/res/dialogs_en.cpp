// The dialog templates in US English.
#include "res/dialogs.h"

#include "res/dialog_layouts.h"

namespace vantel {
namespace {

constexpr auto kReportControls = layout::ReportControls(
    {"Close",
     "Incompatible configurations have been found, please, tune again to cancel these errors"});
constexpr DialogTemplate kReport{IDD_REPORT,
                                 "Error configuration report",
                                 layout::kReportWidth,
                                 layout::kReportHeight,
                                 layout::kReportStyles,
                                 kReportControls.data(),
                                 kReportControls.size()};

constexpr auto kMainControls =
    layout::MainControls({"OK", "Cancel", "Configuration note", "Help", "Function placement"});
constexpr DialogTemplate kMain{IDD_MAIN_CONFIGURATION, "ENGINE CONFIGURATION", layout::kMainWidth,
                               layout::kMainHeight,    layout::kMainStyles,    kMainControls.data(),
                               kMainControls.size()};

constexpr auto kMapControls = layout::MapControls(
    {"Map scale input data selection", "Map vertical data", "Map horizontal data", "OK", "Cancel"});
constexpr DialogTemplate kMap{IDD_MAP_SCALE,      "Map scale data selection", layout::kMapWidth,
                              layout::kMapHeight, layout::kMapStyles,         kMapControls.data(),
                              kMapControls.size()};

constexpr auto kEngineControls = layout::EngineControls({
    .engineGroup = "Engine setting",
    .cylinders = "Engine cylinders number",
    .flywheelGroup = "Flywheel setting",
    .sameTeeth = "All the same teeth",
    .oneExtra = "One extra tooth",
    .oneMissing = "One missing tooth",
    .twoMissing = "Two adjoined missing teeth",
    .rsType = "Renault RS type",
    .occurrences = "Number of occurences of the mark on the flywheel",
    .teeth = "Actual total teeth number on flywheel",
    .syncGroup = "Synchronization setting",
    .syncRpm = "Synchronization test minimum RPM (0 to 65535)",
});
constexpr DialogTemplate kEngine = layout::PageTemplate(IDD_ENGINE_PAGE, kEngineControls);

constexpr auto kIgnitionControls = layout::IgnitionControls({
    .typeGroup = "Ignition type setting",
    .distributed = "Distributed",
    .twinSpark = "Twin spark",
    .staticType = "Static",
    .delayGroup = "Ignition operation setting",
    .delay = "Ignition delay in microseconds (0 - 100)",
});
constexpr DialogTemplate kIgnition = layout::PageTemplate(IDD_IGNITION_PAGE, kIgnitionControls);

constexpr auto kInjectionControls = layout::InjectionControls({
    .railsGroup = "Injection rails setting",
    .oneRail = "One rail",
    .rail1ToRail2 = "Two rails (rail 1 switches to rail 2)",
    .rail1ToBoth = "Two rails (rail 1 switches to rails 1+2)",
    .typeGroup = "Injection type setting",
    .semiSequential = "Semi sequential injection",
    .sequential = "Sequential injection (sequential and settled on injection end)",
    .direct = "Direct injection (sequential and settled on injection start)",
    .outputGroup = "Injection output setting",
    .peakAndHold = "Peak and hold command enabled",
    .specialCommand = "Special command",
    .peakAndHoldTuning = "Peak and hold tuning",
});
constexpr DialogTemplate kInjection = layout::PageTemplate(IDD_INJECTION_PAGE, kInjectionControls);

constexpr auto kBanksControls = layout::BanksControls({
    .group = "Top Dead Centers specific angles setting",
    .regular = "Regular angle between cylinders",
    .specific = "Specific angles",
    .rows = {"1st ignited cylinder", "2nd ignited cylinder", "3rd ignited cylinder",
             "4th ignited cylinder", "5th ignited cylinder", "6th ignited cylinder",
             "7th ignited cylinder", "8th ignited cylinder", "9th ignited cylinder",
             "10th ignited cylinder", "11th ignited cylinder", "12th ignited cylinder"},
    .bank1 = "Bank 1",
    .bank2 = "Bank 2",
});
constexpr DialogTemplate kBanks = layout::PageTemplate(IDD_BANKS_PAGE, kBanksControls);

constexpr auto kPhasesControls = layout::PhasesControls({
    .mainGroup = "MAIN PHASE (on which engine is synchronized)",
    .auxiliaryGroups = {"AUXILIARY PHASE 1 (for camshaft position measurement only)",
                        "AUXILIARY PHASE 2 (for camshaft position measurement only)",
                        "AUXILIARY PHASE 3 (for camshaft position measurement only)"},
    .camshaft = "Camshaft assignment",
    .type = "Phase type",
    .marks = "Actual phase marks # on camshaft",
    .startTooth = "Crankshaft tooth of phase measurement start",
});
constexpr DialogTemplate kPhases = layout::PageTemplate(IDD_PHASES_PAGE, kPhasesControls);

}  // namespace

const DialogTemplate* const kBuiltinDialogs[] = {&kMain,     &kReport,    &kMap,   &kEngine,
                                                 &kIgnition, &kInjection, &kBanks, &kPhases};
const size_t kBuiltinDialogCount = sizeof kBuiltinDialogs / sizeof kBuiltinDialogs[0];

}  // namespace vantel
