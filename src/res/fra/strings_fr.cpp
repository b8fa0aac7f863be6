// The French resource library: loaded beside the plug-in when the host runs in French.
// Self-contained on purpose: it carries data only and links nothing of the plug-in.
// Texts ending in a blank are followed by a number, as in the English table.
#include "platform/resources.h"
#include "res/fra/dialogs_fr.h"

namespace vantel {
namespace {

constexpr StringEntry kStrings[] = {
    // Host request errors
    {17000, "Action annulée\nErreur inconnue"},
    {17001, "Action annulée\nErreur interne Doranix"},
    {17002, "Action annulée\nErreur de données de la Dll"},
    {17003, "Action annulée\nErreur de cible de la Dll"},
    {17004, "Action annulée\nErreur d'action de la Dll"},
    {17005, "Action annulée\nDroits d'accès insuffisants"},
    {17006, "Action annulée\nErreur de transfert de la Dll"},

    // Host flows
    {17010,
     "Cette fonction ne peut pas être exécutée\nUne autre action est en cours sur cette "
     "machine"},
    {17012, "Erreur lors de la transmission finale"},
    {17013, "Action interrompue"},
    {17014,
     "ERREUR MAJEURE KALBRIX\nCe Kalbrix ne peut être ni utilisé ni sauvegardé\u00a0:\n"
     "Contrôle d'homogénéité de la gestion moteur interrompu.\nContactez Talvek"},
    {17100, "Configuration de la gestion moteur"},
    {17101,
     "ERREUR MAJEURE KALBRIX\nCe Kalbrix ne peut être ni utilisé ni sauvegardé\u00a0:\n"
     "Format de la table de commande inconnu\nAction annulée"},
    {17102,
     "Impossible de créer les onglets de configuration.\n"
     "Fonction annulée."},
    {17103,
     "Les données à régler n'ont pas encore été reçues de la machine\n\n"
     "Le réglage ne peut pas encore être effectué"},
    {17104,
     "Les tables de description du volant moteur sont en cours de mise à jour automatique\n"
     "Attendez quelques secondes puis relancez cette fonction de configuration"},

    // Engine page
    {17200, "Moteur"},
    {17201,
     "Réglez le nombre de cylindres, la cible du volant moteur et le test de "
     "synchronisation.\n"
     "Volant moteur\u00a0: choisissez la forme du repère de référence, son nombre d'occurrences "
     "par tour et le nombre de dents réellement présentes sur le volant (dents manquantes "
     "non comptées\u00a0: 58 pour une cible 60-2). Les listes ne proposent que ce que "
     "permettent le calculateur et la phase principale choisie dans l'onglet Phases.\n"
     "Quitter l'onglet ou valider par OK régénère les tables de description du volant "
     "moteur et met à jour les onglets Phases et Allumage. Changer le nombre de cylindres "
     "remet des angles réguliers entre cylindres et place tous les cylindres sur le "
     "banc 1.\n"
     "Sur un champ, la touche F1 affiche son aide."},

    // Phases page: main phase types and camshafts
    {17210, "Pas de phase"},
    {17211, "Sur position des repères"},
    {17212, "Sur état des repères"},
    {17213, "Dents régulières"},
    {17214, "Une dent manquante"},
    {17215, "Une dent supplémentaire"},
    {17216, "Synchronisation dynamique"},
    {17217, "Capteur de pression de phase"},
    {17220, "Phase admission banc 1"},
    {17221, "Phase échappement banc 1"},
    {17222, "Phase admission banc 2"},
    {17223, "Phase échappement banc 2"},
    {17224, "Pas de capteur d'arbre à cames"},

    // Ignition page
    {17300, "Allumage"},
    {17301,
     "Choisissez le type d'allumage parmi ceux que permettent le calculateur et le nombre "
     "de cylindres (les autres sont grisés), et le délai d'allumage en microsecondes, "
     "jusqu'au maximum indiqué à côté.\n"
     "Le type d'allumage détermine aussi le nombre de voies d'injection\u00a0: lorsque "
     "l'allumage laisse libres les sorties qu'il partage avec l'injection, l'injection "
     "peut les utiliser, et les règles d'injection les comptent.\n"
     "Sur un champ, la touche F1 affiche son aide."},

    // Injection page
    {17400, "Injection"},
    {17401,
     "Choisissez les rampes et le type d'injection parmi les combinaisons que permet le "
     "calculateur (les autres sont grisées).\n"
     "Sur une rampe, les injections séquentielle et directe exigent une voie d'injection par "
     "cylindre\u00a0; sur deux rampes, l'injection séquentielle en exige deux par cylindre et "
     "l'injection directe n'a pas de limite de voies. L'injection directe exige une phase "
     "principale autre que Pas de phase et Dents régulières. L'injection semi-séquentielle "
     "exige, sur une rampe, plus de cylindres que de voies d'injection (et pas de bancs avec 10 "
     "cylindres)\u00a0; sur deux rampes, au moins autant de voies que de cylindres mais moins de "
     "deux fois plus, et pas 5 cylindres. Avec deux rampes, sélectionnez les données d'échelle "
     "de la cartographie de pilotage de rampe par les fonctions d'échelle de cartographie.\n"
     "La commande peak and hold ne se règle pas ici\u00a0: valider cet onglet désactive le mode "
     "peak and hold.\n"
     "Sur un champ, la touche F1 affiche son aide."},

    // Phases page
    {17500, "Phases"},
    {17501,
     "La phase principale est le signal d'arbre à cames sur lequel le cycle moteur est "
     "synchronisé\u00a0; les phases auxiliaires 1 à 3 mesurent seulement la position d'arbres "
     "à cames.\n"
     "Pour chaque phase, choisissez l'arbre à cames, le nombre de repères et la dent du "
     "vilebrequin à partir de laquelle le repère est attendu (TCDM est le repère de "
     "référence du volant, TCDM+n la n-ième dent après lui, jusqu'à deux tours)\u00a0; pour la "
     "phase principale, choisissez aussi le type de phase.\n"
     "Un arbre à cames ne sert qu'à une seule phase. Sans capteur d'arbre à cames pour la "
     "phase principale, seuls Pas de phase, Synchronisation dynamique et Capteur de "
     "pression de phase restent possibles, et les phases auxiliaires sont inutilisables.\n"
     "Sur un champ, la touche F1 affiche son aide."},

    // Cylinders banks page
    {17520, "Bancs de cylindres"},
    {17521,
     "Pour chaque cylindre dans l'ordre d'allumage\u00a0: l'angle de son point mort haut (PMH) "
     "après celui du premier cylindre allumé, en degrés du cycle moteur de 720 degrés, et son "
     "banc.\n"
     "Avec Angle régulier entre cylindres, le cycle est réparti également. Les angles libres se "
     "saisissent avec un point décimal, pas une virgule (90.5), et au plus deux décimales\u00a0; "
     "ils ne doivent pas décroître et sont enregistrés au dixième de degré supérieur\u00a0; le "
     "premier cylindre doit rester à 0.00 sur le banc 1. Si le calculateur a moins de voies "
     "d'allumage que de cylindres, chaque cylindre de la seconde moitié de l'ordre d'allumage "
     "doit être à 360 degrés après son homologue de la première moitié\u00a0; avec des bancs, le "
     "nombre de cylindres doit être un multiple de 4, les deux bancs doivent compter autant de "
     "cylindres, et la même règle vaut dans chaque banc.\n"
     "Le banc se choisit si le calculateur gère les bancs et que le nombre de cylindres est un "
     "multiple de 4 ou au plus celui des voies d'allumage.\n"
     "Sur un champ, la touche F1 affiche son aide."},

    // Labels and captions
    {17600, "Délai d'allumage en microsecondes"},
    {17800, "Sélection des données d'échelle de cartographie (rampe "},
    {17900, "Erreurs de configuration moteur"},

    // Input refused by a page
    {18010, "Le délai d'allumage est trop élevé"},
    {18011, "Le délai d'allumage doit être un nombre entier de microsecondes de 0 à "},
    {18020, "Les angles entre cylindres ne doivent pas décroître"},
    {18021, "L'angle d'un cylindre ne peut pas dépasser 720.00°"},
    {18022, "L'angle d'un cylindre doit être un nombre de degrés, par exemple 90.5 ou 90,5"},
    {18030,
     "Les tables du volant moteur ne peuvent pas être construites pour ce volant avec ce "
     "nombre de cylindres\u00a0; choisissez un autre volant"},

    // Coherence rules: injection, ignition, cylinders, flywheel
    {18100, "L'injection directe ne peut pas fonctionner sans configuration moteur phasée"},
    {18101,
     "Le calculateur ne possède pas assez de voies d'injection pour le type d'injection "
     "choisi et 2 rampes avec "},
    {18102, " cylindres"},
    {18103,
     "Le calculateur ne possède pas assez de voies d'injection pour le type d'injection "
     "choisi avec "},
    {18104, "L'injection semi-séquentielle sur une rampe n'est autorisée qu'avec plus de "},
    {18105, "L'injection semi-séquentielle sur deux rampes n'est autorisée qu'avec plus de "},
    {18106, "L'injection semi-séquentielle sur deux bancs n'est pas autorisée avec 10 cylindres"},
    {18107, "L'injection semi-séquentielle sur deux rampes n'est pas autorisée avec "},
    {18108,
     "Le calculateur ne possède pas assez de voies d'allumage pour le type d'allumage "
     "choisi avec "},
    {18109,
     "Le calculateur ne peut pas produire assez d'impulsions d'allumage pour le type "
     "d'allumage choisi avec "},
    {18110, "L'allumage jumostatique exige un nombre pair de cylindres"},
    {18111, "Le calculateur ne peut pas gérer le nombre de cylindres choisi"},
    {18112, "Les angles entre cylindres ne doivent pas décroître"},
    {18113,
     "Le nombre de cylindres choisi impose des angles entre cylindres appariés en "
     "opposition à 360°"},
    {18114, "Le calculateur ne permet pas la gestion de bancs de cylindres"},
    {18115, "Le nombre de cylindres choisi ne permet pas la gestion des bancs de cylindres"},
    {18116,
     "Pour le nombre de cylindres choisi, les deux bancs doivent avoir le même nombre de "
     "cylindres"},
    {18117,
     "Pour le nombre de cylindres choisi, chaque banc doit être réglé comme un moteur à "
     "angles réguliers"},
    {18118, "Le calculateur n'accepte pas le nombre de dents choisi pour le volant moteur"},
    {18119,
     "Les tables de description du volant moteur sont erronées ou non optimisées\u00a0: le "
     "moteur ne fonctionne pas correctement ou pas au mieux"},
    {18120, "Le calculateur n'accepte pas le mode peak and hold choisi pour l'injection"},
    {18121, "Le calculateur n'accepte pas la configuration d'injection choisie"},
    {18122, "Le calculateur n'accepte pas la configuration d'allumage choisie"},
    {18123, "Le délai d'allumage n'est pas dans les limites autorisées par le calculateur"},
    {18124, "Le premier cylindre doit être à l'angle 0° sur le banc 1"},
    {18125, "La valeur du régime de test de synchronisation doit être comprise entre 0 et 65535"},
    {18126,
     "L'allumage distribué, pour ce type de volant moteur et ce nombre de cylindres, exige "
     "au moins "},
    {18127, " dents"},
    {18128,
     "L'allumage distribué ne peut pas fonctionner sans phase pour le nombre de cylindres "
     "choisi"},
    {18129, "Erreur générale de configuration des tables du volant moteur"},
    {18130,
     "ERREUR MAJEURE KALBRIX\nCe Kalbrix ne peut être ni utilisé ni sauvegardé\u00a0:\n"
     "Configuration moteur inconnue du calculateur"},

    // Rail piloting map scales
    {18140,
     "Données d'échelle verticale inexistantes sur la cartographie de pilotage de rampe "
     "( rampe "},
    {18141,
     "Données d'échelle horizontale inexistantes sur la cartographie de pilotage de rampe "
     "( rampe "},
    {18142,
     "Aucune donnée d'échelle sélectionnée sur la cartographie de pilotage de rampe "
     "d'injecteurs ( rampe "},

    // Coherence rules: phases
    {18200, "Le calculateur n'accepte pas le nombre de dents choisi pour la phase principale"},
    {18201, "Dent de début de mesure de la phase principale incorrecte"},
    {18202, "Le type de repère choisi pour la phase principale est inconnu"},
    {18203,
     "Le nombre de dents choisi pour la phase principale ne correspond pas au nombre de "
     "dents du volant moteur"},
    {18204, "Le repère de la phase principale n'est pas identifié par le calculateur"},
    {18205,
     "Le type de phase principale choisi ne correspond pas à la configuration des dents du "
     "volant moteur"},
    {18206, "L'arbre à cames affecté à la phase principale n'est pas connu du calculateur"},
    {18207,
     "Le type de phase principale choisi ne convient pas à un volant moteur ayant plus "
     "d'une référence"},
    {18208,
     "Le calculateur n'accepte pas le nombre de tours moteur choisi pour la "
     "synchronisation"},
    {18209, "Le calculateur n'accepte pas le nombre d'impulsions de pression de phase choisi"},
    {18210, "Le calculateur n'accepte pas le nombre de dents choisi pour la phase auxiliaire 1"},
    {18211, "Dent du vilebrequin de début de mesure incorrecte pour la phase auxiliaire 1"},
    {18212, "L'arbre à cames affecté à la phase auxiliaire 1 n'est pas connu du calculateur"},
    {18220, "Le calculateur n'accepte pas le nombre de dents choisi pour la phase auxiliaire 2"},
    {18221, "Dent du vilebrequin de début de mesure incorrecte pour la phase auxiliaire 2"},
    {18222, "L'arbre à cames affecté à la phase auxiliaire 2 n'est pas connu du calculateur"},
    {18223, "Le capteur nécessaire à la mesure de la phase auxiliaire 2 n'est pas disponible"},
    {18230, "Le calculateur n'accepte pas le nombre de dents choisi pour la phase auxiliaire 3"},
    {18231, "Dent du vilebrequin de début de mesure incorrecte pour la phase auxiliaire 3"},
    {18232, "L'arbre à cames affecté à la phase auxiliaire 3 n'est pas connu du calculateur"},
    {18233, "Le capteur nécessaire à la mesure de la phase auxiliaire 3 n'est pas disponible"},
    {18240,
     "Le nombre de dents du volant moteur n'est pas compatible avec le nombre de "
     "références choisi"},
    {18241, "Le type de volant moteur n'est pas compatible avec le nombre de références choisi"},
    {18242, "Le type de volant moteur n'est pas compatible avec le type de singularité choisi"},
    {18250,
     "Pour une synchronisation par pression de phase, le capteur de pression de phase doit "
     "exister"},
    {18300, "Les phases auxiliaires exigent une phase principale valide"},
    {18301, "Le même arbre à cames a été affecté à plusieurs phases"},

    // Phases page: label of the main marks combo by phase type
    {18400, "Nombre réel de repères de phase sur l'arbre à cames"},
    {18401, "Nombre maximal de tours en synchronisation dynamique"},
    {18402, "Impulsions de pression de phase par cycle moteur"},

    // Combo entries; TCDM names the flywheel reference mark in both languages
    {19000, "AUCUNE DONNÉE"},
    {19010, "TCDM"},

    // Help pop-ups of the configuration dialog's controls
    {20000,
     "Type d'allumage.\n"
     "Distribué\u00a0: une seule sortie d'allumage allume tous les cylindres à tour de "
     "rôle\u00a0; le calculateur doit produire au moins une impulsion d'allumage par cylindre, "
     "un nombre impair de cylindres exige une phase principale autre que Pas de phase et Dents "
     "régulières, et le volant moteur doit avoir au moins 3 dents pour 2 cylindres (arrondi "
     "au-dessus\u00a0; 1 de plus avec une dent supplémentaire), 2 par cylindre moins 1 avec une "
     "dent manquante, ou 5 pour 2 cylindres (arrondi au-dessus) moins 2 avec deux dents "
     "manquantes adjacentes ou le type Renault RS.\n"
     "Jumostatique\u00a0: une sortie allume deux cylindres en opposition à 360°\u00a0; exige un "
     "nombre pair de cylindres, au plus deux cylindres par voie d'allumage et un calculateur qui "
     "produit au moins 2 impulsions d'allumage.\n"
     "Statique\u00a0: une sortie d'allumage (une bobine) par cylindre\u00a0; exige au moins "
     "autant de voies d'allumage que de cylindres.\n"
     "Les types que le calculateur ou le nombre de cylindres n'autorisent pas sont grisés."},
    {20001,
     "Rampes d'injection.\n"
     "Une rampe\u00a0: tous les injecteurs sont alimentés par une seule rampe.\n"
     "Deux rampes (la rampe 1 bascule sur la rampe 2)\u00a0: l'injection passe de la rampe 1 à "
     "la rampe 2.\n"
     "Deux rampes (la rampe 1 bascule sur les rampes 1+2)\u00a0: l'injection passe de la rampe "
     "1 aux deux rampes ensemble.\n"
     "Un choix à deux rampes n'est proposé que pour les types d'injection que le "
     "calculateur autorise sur deux rampes. Avec deux rampes, la cartographie de pilotage "
     "de rampe a besoin de ses données d'échelle (fonctions d'échelle de cartographie)."},
    {20002,
     "Type d'injection.\n"
     "Semi-séquentielle\u00a0: injecteurs commandés par groupes. Sur une rampe, le moteur doit "
     "avoir plus de cylindres que le calculateur n'a de voies d'injection, et 10 cylindres ne "
     "peuvent pas être répartis sur deux bancs\u00a0; sur deux rampes, les voies d'injection "
     "doivent être au moins aussi nombreuses que les cylindres mais moins de deux fois plus "
     "nombreuses, et 5 cylindres sont refusés.\n"
     "Séquentielle\u00a0: une injection par cylindre et par cycle, calée sur la fin "
     "d'injection\u00a0; exige une voie d'injection par cylindre sur une rampe, deux par "
     "cylindre sur deux rampes.\n"
     "Directe\u00a0: injection séquentielle calée sur le début d'injection\u00a0; exige une "
     "phase principale autre que Pas de phase et Dents régulières, et sur une rampe une voie "
     "d'injection par cylindre (pas de limite de voies sur deux rampes).\n"
     "Les types que le calculateur n'autorise pas sur une rampe sont grisés."},
    {20003,
     "Commande peak and hold (appel-maintien) des sorties injecteurs.\n"
     "Elle ne se règle pas dans cette fenêtre\u00a0: ses champs restent grisés, et valider "
     "l'onglet Injection désactive le mode peak and hold."},
    {20004,
     "Phase principale\u00a0: le signal d'arbre à cames sur lequel le cycle moteur est "
     "synchronisé.\n"
     "Affectation de l'arbre à cames\u00a0: l'arbre à cames dont le capteur donne la phase. "
     "Pas de capteur d'arbre à cames ne laisse que Pas de phase, Synchronisation "
     "dynamique et Capteur de pression de phase.\n"
     "Type de phase\u00a0: la façon dont la phase est reconnue.\n"
     "Repères\u00a0: le nombre de repères de phase sur l'arbre à cames\u00a0; pour la "
     "synchronisation dynamique, le nombre maximal de tours moteur (pair)\u00a0; pour un "
     "capteur de pression de phase, le nombre d'impulsions par cycle moteur.\n"
     "Dent du vilebrequin de début de mesure de phase\u00a0: la dent, comptée depuis le repère de "
     "référence du volant (TCDM), à partir de laquelle le repère de phase est attendu."},
    {20005,
     "Les phases auxiliaires 1 à 3 mesurent seulement la position d'un arbre à cames\u00a0; "
     "elles ne participent pas à la synchronisation.\n"
     "Elles exigent une phase principale avec arbre à cames. Pour chacune, choisissez un "
     "arbre à cames qu'aucune autre phase n'utilise, son nombre de repères (1 à 16) et la "
     "dent du vilebrequin à partir de laquelle son repère est mesuré (TCDM\u00a0: repère de "
     "référence du volant). Les phases auxiliaires 2 et 3 exigent aussi leur capteur sur "
     "le calculateur."},
    {20006,
     "Délai d'allumage en microsecondes, de 0 jusqu'au maximum autorisé par le calculateur "
     "(indiqué dans le libellé). Saisissez une valeur décimale, ou hexadécimale avec le "
     "préfixe 0x."},
    {20007,
     "Cible du volant moteur.\n"
     "Repère de référence\u00a0: dents toutes identiques, une dent manquante, deux dents "
     "manquantes adjacentes, une dent supplémentaire, ou la singularité particulière du "
     "dernier bouton. Les dents toutes identiques exigent une phase principale Sur "
     "position des repères, Une dent manquante ou Une dent supplémentaire.\n"
     "Occurrences\u00a0: nombre de fois où le repère revient par tour\u00a0; plus d'une seulement "
     "avec des dents manquantes ou supplémentaires et une phase principale Sur état des "
     "repères ou Sur position des repères.\n"
     "Nombre total réel de dents\u00a0: les dents réellement présentes sur le volant, dents "
     "manquantes non comptées (58 pour une cible 60-2)."},
    {20008,
     "Nombre de cylindres du moteur\u00a0; seuls les nombres que le calculateur sait gérer sont "
     "proposés.\n"
     "Le changer remet des angles réguliers entre cylindres et replace tous les cylindres "
     "sur le banc 1\u00a0; les types d'allumage proposés suivent le nouveau nombre."},
    {20009,
     "Régime moteur le plus bas, en tr/min, auquel le calculateur teste la perte de "
     "synchronisation. De 0 à 65535, en décimal ou en hexadécimal avec le préfixe 0x."},
    {20010,
     "Banc du cylindre de cette ligne (cylindres dans l'ordre d'allumage).\n"
     "Disponible seulement si le calculateur gère les bancs de cylindres et que le nombre de "
     "cylindres est un multiple de 4 ou ne dépasse pas le nombre de voies d'allumage. Le premier "
     "cylindre allumé doit être sur le banc 1. Lorsque le calculateur a moins de voies "
     "d'allumage que de cylindres, le nombre de cylindres doit être un multiple de 4, les deux "
     "bancs doivent compter le même nombre de cylindres, et dans chaque banc la seconde moitié "
     "de ses cylindres (dans l'ordre d'allumage) doit être à 360° après la première."},
    {20011,
     "Angle du point mort haut (PMH) de chaque cylindre dans l'ordre d'allumage, en degrés du "
     "cycle moteur de 720°, compté depuis le premier cylindre allumé (0.00).\n"
     "Angle régulier entre cylindres\u00a0: le cycle est réparti également.\n"
     "Angles libres\u00a0: saisissez chaque angle avec un point décimal et non une virgule "
     "(90.5), avec au plus deux décimales\u00a0; les angles ne doivent pas décroître et sont "
     "enregistrés au dixième de degré supérieur.\n"
     "Lorsque le calculateur a moins de voies d'allumage que de cylindres, chaque cylindre de la "
     "seconde moitié de l'ordre d'allumage doit être à 360° après son homologue de la première "
     "moitié\u00a0; avec des bancs, cette règle vaut dans chaque banc."},
};

const ResourceModule kModule{"fr", kStrings, sizeof kStrings / sizeof kStrings[0],
                             kFrenchDialogs.data(), kFrenchDialogs.size()};

}  // namespace
}  // namespace vantel

extern "C" __attribute__((visibility("default"))) const vantel::ResourceModule*
VantelResourceModule() {
  return &vantel::kModule;
}
