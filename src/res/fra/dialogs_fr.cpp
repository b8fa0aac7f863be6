// The dialog templates in French: the same ids and geometry, French texts.
#include "res/fra/dialogs_fr.h"

#include "res/dialog_layouts.h"

namespace vantel {
namespace {

constexpr auto kReportControls = layout::ReportControls(
    {"Fermer",
     "Des configurations incompatibles ont \u00e9t\u00e9 trouv\u00e9es, veuillez r\u00e9gler "
     "\u00e0 nouveau pour annuler ces erreurs"});
constexpr DialogTemplate kReport{IDD_REPORT,
                                 "Rapport d'erreurs de configuration",
                                 layout::kReportWidth,
                                 layout::kReportHeight,
                                 layout::kReportStyles,
                                 kReportControls.data(),
                                 kReportControls.size()};

constexpr auto kMainControls = layout::MainControls(
    {"OK", "Annuler", "Note de configuration", "Aide", "Emplacement des fonctions"});
constexpr DialogTemplate kMain{IDD_MAIN_CONFIGURATION, "CONFIGURATION MOTEUR",
                               layout::kMainWidth,     layout::kMainHeight,
                               layout::kMainStyles,    kMainControls.data(),
                               kMainControls.size()};

constexpr auto kMapControls = layout::MapControls(
    {"S\u00e9lection des donn\u00e9es d'entr\u00e9e des \u00e9chelles",
     "Donn\u00e9es verticales", "Donn\u00e9es horizontales", "OK", "Annuler"});
constexpr DialogTemplate kMap{IDD_MAP_SCALE,
                              "S\u00e9lection des donn\u00e9es d'\u00e9chelle",
                              layout::kMapWidth,
                              layout::kMapHeight,
                              layout::kMapStyles,
                              kMapControls.data(),
                              kMapControls.size()};

}  // namespace

const DialogTemplate* const kFrenchDialogs[] = {&kMain, &kReport, &kMap};
const size_t kFrenchDialogCount = sizeof kFrenchDialogs / sizeof kFrenchDialogs[0];

}  // namespace vantel
