// The dialog templates in US English.
#include "res/dialogs.h"

#include "res/dialog_layouts.h"

namespace vantel {
namespace {

constexpr auto kReportControls = layout::ReportControls(
    {"Close",
     "Incompatible configurations have been found, please, tune again to cancel these errors"});
constexpr DialogTemplate kReport{IDD_REPORT,           "Error configuration report",
                                 layout::kReportWidth, layout::kReportHeight,
                                 layout::kReportStyles, kReportControls.data(),
                                 kReportControls.size()};

constexpr auto kMainControls = layout::MainControls(
    {"OK", "Cancel", "Configuration note", "Help", "Function placement"});
constexpr DialogTemplate kMain{IDD_MAIN_CONFIGURATION, "ENGINE CONFIGURATION",
                               layout::kMainWidth,     layout::kMainHeight,
                               layout::kMainStyles,    kMainControls.data(),
                               kMainControls.size()};

constexpr auto kMapControls = layout::MapControls(
    {"Map scale input data selection", "Map vertical data", "Map horizontal data", "OK",
     "Cancel"});
constexpr DialogTemplate kMap{IDD_MAP_SCALE,       "Map scale data selection",
                              layout::kMapWidth,   layout::kMapHeight,
                              layout::kMapStyles,  kMapControls.data(),
                              kMapControls.size()};

}  // namespace

const DialogTemplate* const kBuiltinDialogs[] = {&kMain, &kReport, &kMap};
const size_t kBuiltinDialogCount = sizeof kBuiltinDialogs / sizeof kBuiltinDialogs[0];

}  // namespace vantel
