// The dialog templates in French: the same layout, French texts.
#include "res/fra/dialogs_fr.h"

#include "res/dialog_layouts.h"

namespace vantel {
namespace {

constexpr layout::DialogTexts kTexts{
    .main = {.caption = "CONFIGURATION MOTEUR",
             .ok = "OK",
             .cancel = "Annuler",
             .noteGroup = "Note de configuration",
             .noteText = "Aide",
             .pagePlace = "Emplacement des fonctions"},
    .report = {.caption = "Rapport d'erreurs de configuration",
               .close = "Fermer",
               .group = "Configurations incompatibles\u00a0: r\u00e9glez \u00e0 nouveau pour "
                        "corriger ces erreurs"},
    .map = {.caption = "S\u00e9lection des donn\u00e9es d'\u00e9chelle",
            .group = "S\u00e9lection des donn\u00e9es d'entr\u00e9e des \u00e9chelles",
            .vertical = "Donn\u00e9es verticales",
            .horizontal = "Donn\u00e9es horizontales",
            .ok = "OK",
            .cancel = "Annuler"},
    .engine = {.engineGroup = "R\u00e9glage du moteur",
               .cylinders = "Nombre de cylindres du moteur",
               .flywheelGroup = "R\u00e9glage du volant moteur",
               .sameTeeth = "Dents toutes identiques",
               .oneExtra = "Une dent suppl\u00e9mentaire",
               .oneMissing = "Une dent manquante",
               .twoMissing = "Deux dents manquantes adjacentes",
               .rsType = "Type Renault RS",
               .occurrences = "Nombre d'occurrences du rep\u00e8re sur le volant moteur",
               .teeth = "Nombre total r\u00e9el de dents du volant moteur",
               .syncGroup = "R\u00e9glage de la synchronisation",
               .syncRpm = "R\u00e9gime minimal du test de synchronisation (0 \u00e0 65535)"},
    .ignition = {.typeGroup = "R\u00e9glage du type d'allumage",
                 .distributed = "Distribu\u00e9",
                 .twinSpark = "Jumostatique",
                 .staticType = "Statique",
                 .delayGroup = "R\u00e9glage du fonctionnement de l'allumage",
                 .delay = "D\u00e9lai d'allumage en microsecondes (0 - 100)"},
    .injection =
        {.railsGroup = "R\u00e9glage des rampes d'injection",
         .oneRail = "Une rampe",
         .rail1ToRail2 = "Deux rampes (la rampe 1 bascule sur la rampe 2)",
         .rail1ToBoth = "Deux rampes (la rampe 1 bascule sur les rampes 1+2)",
         .typeGroup = "R\u00e9glage du type d'injection",
         .semiSequential = "Injection semi-s\u00e9quentielle",
         .sequential = "Injection s\u00e9quentielle (cal\u00e9e sur la fin d'injection)",
         .direct =
             "Injection directe (s\u00e9quentielle, cal\u00e9e sur le d\u00e9but d'injection)",
         .outputGroup = "R\u00e9glage des sorties d'injection",
         .peakAndHold = "Commande peak and hold activ\u00e9e",
         .specialCommand = "Commande sp\u00e9ciale",
         .peakAndHoldTuning = "R\u00e9glage peak and hold"},
    .banks = {.group = "R\u00e9glage des angles des points morts hauts (PMH)",
              .regular = "Angle r\u00e9gulier entre cylindres",
              .specific = "Angles libres",
              .rows = {"1er cylindre allum\u00e9", "2e cylindre allum\u00e9",
                       "3e cylindre allum\u00e9", "4e cylindre allum\u00e9",
                       "5e cylindre allum\u00e9", "6e cylindre allum\u00e9",
                       "7e cylindre allum\u00e9", "8e cylindre allum\u00e9",
                       "9e cylindre allum\u00e9", "10e cylindre allum\u00e9",
                       "11e cylindre allum\u00e9", "12e cylindre allum\u00e9"},
              .bank1 = "Banc 1",
              .bank2 = "Banc 2"},
    .phases = {.mainGroup = "PHASE PRINCIPALE (sur laquelle le moteur est synchronis\u00e9)",
               .auxiliaryGroups =
                   {"PHASE AUXILIAIRE 1 (mesure de position d'arbre \u00e0 cames seulement)",
                    "PHASE AUXILIAIRE 2 (mesure de position d'arbre \u00e0 cames seulement)",
                    "PHASE AUXILIAIRE 3 (mesure de position d'arbre \u00e0 cames seulement)"},
               .camshaft = "Affectation de l'arbre \u00e0 cames",
               .type = "Type de phase",
               .marks = "Nombre r\u00e9el de rep\u00e8res de phase sur l'arbre \u00e0 cames",
               .startTooth = "Dent du vilebrequin de d\u00e9but de mesure de phase"},
};

}  // namespace

const std::span<const DialogTemplate* const> kFrenchDialogs =
    layout::Dialogs<kTexts>::kTemplateList;

}  // namespace vantel
