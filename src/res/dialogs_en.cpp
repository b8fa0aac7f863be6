// The dialog templates in US English.
#include "res/dialogs.h"

#include "res/dialog_layouts.h"

namespace vantel {
namespace {

constexpr layout::DialogTexts kTexts{
    .main = {.caption = "ENGINE CONFIGURATION",
             .ok = "OK",
             .cancel = "Cancel",
             .noteGroup = "Configuration note",
             .noteText = "Help",
             .pagePlace = "Function placement"},
    .report = {.caption = "Error configuration report",
               .close = "Close",
               .group = "Incompatible configurations have been found, please, tune again to cancel "
                        "these errors"},
    .map = {.caption = "Map scale data selection",
            .group = "Map scale input data selection",
            .vertical = "Map vertical data",
            .horizontal = "Map horizontal data",
            .ok = "OK",
            .cancel = "Cancel"},
    .engine = {.engineGroup = "Engine setting",
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
               .syncRpm = "Synchronization test minimum RPM (0 to 65535)"},
    .ignition = {.typeGroup = "Ignition type setting",
                 .distributed = "Distributed",
                 .twinSpark = "Twin spark",
                 .staticType = "Static",
                 .delayGroup = "Ignition operation setting",
                 .delay = "Ignition delay in microseconds (0 - 100)"},
    .injection = {.railsGroup = "Injection rails setting",
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
                  .peakAndHoldTuning = "Peak and hold tuning"},
    .banks = {.group = "Top Dead Centers specific angles setting",
              .regular = "Regular angle between cylinders",
              .specific = "Specific angles",
              .rows = {"1st ignited cylinder", "2nd ignited cylinder", "3rd ignited cylinder",
                       "4th ignited cylinder", "5th ignited cylinder", "6th ignited cylinder",
                       "7th ignited cylinder", "8th ignited cylinder", "9th ignited cylinder",
                       "10th ignited cylinder", "11th ignited cylinder", "12th ignited cylinder"},
              .bank1 = "Bank 1",
              .bank2 = "Bank 2"},
    .phases = {.mainGroup = "MAIN PHASE (on which engine is synchronized)",
               .auxiliaryGroups = {"AUXILIARY PHASE 1 (for camshaft position measurement only)",
                                   "AUXILIARY PHASE 2 (for camshaft position measurement only)",
                                   "AUXILIARY PHASE 3 (for camshaft position measurement only)"},
               .camshaft = "Camshaft assignment",
               .type = "Phase type",
               .marks = "Actual phase marks # on camshaft",
               .startTooth = "Crankshaft tooth of phase measurement start"},
};

}  // namespace

const std::span<const DialogTemplate* const> kEnglishDialogs =
    layout::Dialogs<kTexts>::kTemplateList;

}  // namespace vantel
