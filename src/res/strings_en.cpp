#include "res/resources_en.h"

#include "res/dialogs.h"

// The texts keep the wording of the original product, its misspellings included: hosts and
// operators' procedures quote them. Texts ending in a blank are followed by a number.

namespace vantel {
namespace {

constexpr StringEntry kStrings[] = {
    // Host request errors
    {17000, "Action canceled\nUnknown error"},
    {17001, "Action canceled\nDoranix internal error"},
    {17002, "Action canceled\nDll data error"},
    {17003, "Action canceled\nDll target error"},
    {17004, "Action canceled\nDll action error"},
    {17005, "Action canceled\nAcces rights too low"},
    {17006, "Action canceled\nDll transfert error"},

    // Host flows
    {17010, "This function can not be executed\nAn other action is running on this machine"},
    {17012, "Final transmission error"},
    {17013, "Action aborted"},
    {17014,
     "KALBRIX MAJOR ERROR\nThis Kalbrix cannot be used and cannot be saved:\n"
     "Engine management homogeneity control aborted.\nContact Talvek"},
    {17100, "Engine management configuration"},
    {17101,
     "KALBRIX MAJOR ERROR\nThis Kalbrix cannot be used and cannot be saved:\n"
     "Command table format unknown\nAction canceled"},
    {17102, "Impossible to create edition dialogs.\nFunction canceled."},
    {17103,
     "The data to be tuned has not been received from the machine\n\n"
     "The setting can not be done yet"},
    {17104,
     "The flywheel description tables are being automatically updated\n"
     "Wait for some seconds and try again to run this configuration function"},

    // Engine page
    {17200, "Engine"},
    {17201,
     "Set the number of cylinders, the flywheel target and the synchronization test.\n"
     "Flywheel: choose the shape of the reference mark, how many times it occurs per "
     "revolution and the teeth actually present on the flywheel (missing teeth not "
     "counted: 58 for a 60-2 wheel). The lists only offer what the ECU and the main "
     "phase chosen on the Phases page allow.\n"
     "Leaving the page or pressing OK regenerates the flywheel description tables and "
     "updates the Phases and Ignition pages. A change of the number of cylinders resets the angles "
     "between cylinders to regular ones and puts every cylinder on bank 1.\n"
     "Press F1 on a control for its own help."},

    // Phases page: main phase types and camshafts
    {17210, "No phase"},
    {17211, "On marks position"},
    {17212, "On marks state"},
    {17213, "Regular teeth"},
    {17214, "One missing tooth"},
    {17215, "One supplementary tooth"},
    {17216, "Dynamic synchronization"},
    {17217, "Phase pressure sensor"},
    {17220, "Intake bank 1 phase"},
    {17221, "Exhaust bank 1 phase"},
    {17222, "Intake bank 2 phase"},
    {17223, "Exhaust bank 2 phase"},
    {17224, "No camshaft sensor"},

    // Ignition page
    {17300, "Ignition"},
    {17301,
     "Choose the ignition type among those that the ECU and the number of cylinders "
     "allow (the others are grayed), and the ignition delay in microseconds, up to the "
     "maximum shown beside it.\n"
     "The ignition type also decides how many injection channels there are: when the "
     "ignition leaves free the outputs it shares with the injection, the injection may use "
     "them, and the injection rules count them.\n"
     "Press F1 on a control for its own help."},

    // Injection page
    {17400, "Injection"},
    {17401,
     "Choose the injection rails and the injection type among the combinations that the ECU "
     "allows (the others are grayed).\n"
     "On one rail, sequential and direct injection need one injection channel per cylinder; on "
     "two rails, sequential injection needs two per cylinder and direct injection has no channel "
     "limit. Direct injection needs a main phase other than No phase and Regular teeth. Semi "
     "sequential injection needs, on one rail, more cylinders than injection channels (and no "
     "banks with 10 cylinders); on two rails, at least as many channels as cylinders but fewer "
     "than twice as many, and not 5 cylinders. With two rails, select the scale data of the rail "
     "piloting map with the map scale functions.\n"
     "The peak and hold section cannot be set here: validating this page switches the peak and "
     "hold mode off.\n"
     "Press F1 on a control for its own help."},

    // Phases page
    {17500, "Phases"},
    {17501,
     "The main phase is the camshaft signal on which the engine cycle is synchronized; "
     "auxiliary phases 1 to 3 only measure camshaft positions.\n"
     "For each phase choose the camshaft, the number of marks and the crankshaft tooth "
     "from which the mark is expected (TCDM is the flywheel reference mark, TCDM+n the "
     "n-th tooth after it, up to two revolutions); for the main phase also the phase type.\n"
     "A camshaft can serve only one phase. Without a main camshaft sensor, only No "
     "phase, Dynamic synchronization and Phase pressure sensor remain, and the auxiliary "
     "phases cannot be used.\n"
     "Press F1 on a control for its own help."},

    // Cylinders banks page
    {17520, "Cylinders banks"},
    {17521,
     "For each cylinder in firing order: the angle of its top dead center after the first "
     "ignited cylinder, in degrees of the 720 degree engine cycle, and its bank.\n"
     "Regular angle between cylinders shares the cycle evenly. Specific angles are typed with a "
     "decimal point (90.5) and up to two decimals, must not decrease and are stored to the next "
     "tenth of a degree; the first cylinder must stay at 0.00 on bank 1. When the ECU has fewer "
     "ignition channels than cylinders, each cylinder of the second half of the firing order "
     "must be 360 degrees after its match in the first half; with banks, the number of cylinders "
     "must be a multiple of 4, both banks must hold as many cylinders, and the same holds within "
     "each bank.\n"
     "The bank buttons are available only when the ECU manages cylinder banks and the number of "
     "cylinders is a multiple of 4 or at most the number of ignition channels.\n"
     "Press F1 on a control for its own help."},

    // Labels and captions
    {17600, "Ignition delay in microseconds"},
    {17800, "Map scale data selection (rail "},
    {17900, "Engine configuration errors"},

    // Input refused by a page
    {18010, "The Ignition delay is too high"},
    {18011, "The ignition delay must be a whole number of microseconds from 0 to "},
    {18020, "The angles between cylinders must no decrease"},
    {18021, "The angle of a cylinder cannot be above 720.00\u00b0"},
    {18022, "The angle of a cylinder must be a number of degrees, such as 90.5 or 90,5"},
    {18030,
     "The flywheel tables cannot be built for this flywheel with this number of cylinders; "
     "choose another flywheel"},

    // Coherence rules: injection, ignition, cylinders, flywheel
    {18100, "Direct injection cannot be executed without engine phased configuration"},
    {18101,
     "The ECU does not own enougth injection channels for the selected kind of injection "
     "and 2 rails with "},
    {18102, " cylinders"},
    {18103,
     "The ECU does not own enougth injection channels for the selected type of injection "
     "with "},
    {18104, "The semi-sequential injection on one rail is only allowed with more than "},
    {18105, "The semi-sequential injection on two rails is only allowed with mores than "},
    {18106, "The semi-sequential injection on two banks is not allowed with 10 cylinders"},
    {18107, "The semi-sequential injection on two rails is not allowed with "},
    {18108,
     "The ECU does not own enougth ignition channels for the selected type of ignition "
     "with "},
    {18109, "The ECU cannot make enougth ignition pulses for the selected type of ignition with "},
    {18110, "Twin spark ignition needs an even number of cylinders"},
    {18111, "The ECU cannot manage the selected number of cylinders"},
    {18112, "The angles between cylinders must no decrease"},
    {18113,
     "The selected number of cylinders requests the angles between cylinders to be "
     "paired with 360\u00b0 opposition"},
    {18114, "The ECU does not allow the management of cylinders banks"},
    {18115, "The selected cylinders number does not allow the cylinders banks management"},
    {18116,
     "For the selected number of cylinders, the two banks must have the same number of "
     "cylinders"},
    {18117, "For the selected number of cylinders, each banc must be as a regular angles engine"},
    {18118, "The ECU does not allow the selected teeth # for the flywheel"},
    {18119,
     "Flywheel description tables are erroneous or not optimized : the engine does not "
     "run correctly or at its best"},
    {18120, "The ECU does not allow the selected Peak and Hold mode for injection"},
    {18121, "The ECU does not allow the selected injection configuration"},
    {18122, "The ECU does not allow the selected ignition configuration"},
    {18123, "The ignition delay is not inside the limits allowed by the ECU"},
    {18124, "The first cylinder must be at angle 0\u00b0 on bank 1"},
    {18125, "The RPM synchronization test value must be between 0 and 65535"},
    {18126,
     "Distributed ignition for that flywheel type and engine cylinders number needs at "
     "least "},
    {18127, " teeth"},
    {18128,
     "Distributed ignition cannot be executed without phase for the selected number of "
     "cylinders"},
    {18129, "FlyWheel tables configuration general error"},
    {18130,
     "KALBRIX MAJOR ERROR\nThis Kalbrix cannot be used and cannot be saved:\n"
     "Engine configuration not known by the ECU"},

    // Rail piloting map scales
    {18140, "Verticale scale data not existing on rail piloting map ( rail "},
    {18141, "Horizontal scale data not existing on rail piloting map ( rail "},
    {18142, "No scale data selected on injectors rail piloting map ( rail "},

    // Coherence rules: phases
    {18200, "The ECU does not allow the selected main phase teeth number"},
    {18201, "Camshaft tooth of main phase measurement not correct"},
    {18202, "Selected main phase type mark is not known"},
    {18203, "Selected main phase teeth number does not match with flywheel teeth number"},
    {18204, "Main phase mark is not identified by the ECU"},
    {18205, "Selected main phase type does not match with flywheel teeth configuration"},
    {18206, "The camshaft assigned to the main phase is not known by the ECU"},
    {18207,
     "Selected main phase type does not match with a flywheel with more than one "
     "reference"},
    {18208, "The ECU does not allow the selected synchronization engine round number"},
    {18209, "The ECU does not allow the selected number of phase pressure pulses"},
    {18210, "The ECU does not allow the selected teeth number for auxiliary phase 1"},
    {18211, "Crankshaft tooth measurement not correct for auxiliary phase 1"},
    {18212, "The camshaft assigned to the auxiliary phase 1 is not known by the ECU"},
    {18220, "The ECU does not allow the selected teeth number for auxiliary phase 2"},
    {18221, "Crankshaft tooth measurement not correct for auxiliary phase 2"},
    {18222, "The camshaft assigned to the auxiliary phase 2 is not known by the ECU"},
    {18223, "The sensor needed for auxiliary phase 2 measurement is not available"},
    {18230, "The ECU does not allow the selected teeth number for auxiliary phase 3"},
    {18231, "Crankshaft tooth measurement not correct for auxiliary phase 3"},
    {18232, "The camshaft assigned to the auxiliary phase 3 is not known by the ECU"},
    {18233, "The sensor needed for auxiliary phase 3 measurement is not available"},
    {18240,
     "The number of teeth of the flywheel cannot fit with the selected number of "
     "references"},
    {18241, "The flywheel type cannot fit with the selected number of references"},
    {18242, "The flywheel type cannot fit with the selected type of singularity"},
    {18250, "For a phase pressure synchronization, the phase pressure sensor must exist"},
    {18300, "Auxiliary phases need a valid main phase"},
    {18301, "The same camshaft has been assigned to several phases"},

    // Phases page: label of the main marks combo by phase type
    {18400, "Actual number of phase marks on camshaft"},
    {18401, "Maximum engine rounds number for dynamic synchronization"},
    {18402, "Number of phase pressure pulses per engine cycle"},

    // Combo entries
    {19000, "NO DATA"},
    {19010, "TCDM"},

    // Help pop-ups of the configuration dialog's controls
    {20000,
     "Ignition type.\n"
     "Distributed: one ignition output fires every cylinder in turn; the ECU must make at least "
     "one ignition pulse per cylinder, an odd number of cylinders needs a main phase other than "
     "No phase and Regular teeth, and the flywheel needs at least 3 teeth per 2 cylinders "
     "(rounded up; 1 more with one extra tooth), 2 per cylinder less 1 with one missing tooth, "
     "or 5 per 2 cylinders (rounded up) less 2 with two adjoined missing teeth or the Renault RS "
     "type.\n"
     "Twin spark: one output fires two cylinders in 360\u00b0 opposition; needs an even number "
     "of cylinders, at most two cylinders per ignition channel and an ECU that makes at least 2 "
     "ignition pulses.\n"
     "Static: one ignition output per cylinder; needs at least as many ignition channels as "
     "cylinders.\n"
     "Types that the ECU or the number of cylinders do not allow are grayed."},
    {20001,
     "Injection rails.\n"
     "One rail: every injector is fed by one fuel rail.\n"
     "Two rails (rail 1 switches to rail 2): injection passes from rail 1 to rail 2.\n"
     "Two rails (rail 1 switches to rails 1+2): injection passes from rail 1 to both rails "
     "together.\n"
     "A two-rail choice is offered only for the injection types that the ECU allows on two "
     "rails. With two rails, the rail piloting map needs its scale data (map scale "
     "functions)."},
    {20002,
     "Injection type.\n"
     "Semi sequential: injectors fired in groups. On one rail the engine needs more cylinders "
     "than the ECU has injection channels, and 10 cylinders cannot be split into two banks; on "
     "two rails the injection channels must be at least as many as the cylinders but fewer than "
     "twice as many, and 5 cylinders are refused.\n"
     "Sequential: one injection per cylinder and cycle, settled on the injection end; needs one "
     "injection channel per cylinder on one rail, two per cylinder on two rails.\n"
     "Direct: sequential injection settled on the injection start; needs a main phase other than "
     "No phase and Regular teeth, and on one rail one injection channel per cylinder (no channel "
     "limit on two rails).\n"
     "Types that the ECU does not allow on one rail are grayed."},
    {20003,
     "Peak and hold command of the injector outputs.\n"
     "It cannot be set in this dialog: the controls stay disabled, and validating the "
     "Injection page switches the peak and hold mode off."},
    {20004,
     "Main phase: the camshaft signal on which the engine cycle is synchronized.\n"
     "Camshaft assignment: the camshaft whose sensor gives the phase. No camshaft sensor "
     "leaves only No phase, Dynamic synchronization and Phase pressure sensor.\n"
     "Phase type: how the phase is recognized.\n"
     "Marks: the phase marks on the camshaft; for dynamic synchronization the maximum "
     "number of engine rounds (even); for a phase pressure sensor the pulses per engine "
     "cycle.\n"
     "Crankshaft tooth of phase measurement start: the tooth after the flywheel reference "
     "mark (TCDM) from which the phase mark is expected."},
    {20005,
     "Auxiliary phases 1 to 3 only measure the position of a camshaft; they take no part "
     "in the synchronization.\n"
     "They need a main phase with a camshaft. For each one choose a camshaft that no other "
     "phase uses, its number of marks (1 to 16) and the crankshaft tooth from which its "
     "mark is measured (TCDM: flywheel reference mark). Auxiliary phases 2 and 3 also need "
     "their sensor on the ECU."},
    {20006,
     "Ignition delay in microseconds, from 0 up to the maximum that the ECU allows (shown "
     "in the label). Type a decimal value, or a hexadecimal one with the 0x prefix."},
    {20007,
     "Flywheel target.\n"
     "Reference mark: all the same teeth, one missing tooth, two adjoined missing teeth, "
     "one extra tooth, or the alternative singularity of the last button. All the same "
     "teeth needs a main phase On marks position, One missing tooth or One supplementary "
     "tooth.\n"
     "Occurrences: how many times the mark comes round per revolution; more than one only "
     "with missing or extra teeth and a main phase On marks state or On marks position.\n"
     "Actual total teeth number: the teeth really on the flywheel, missing teeth not "
     "counted (58 for a 60-2 wheel)."},
    {20008,
     "Number of engine cylinders; only the numbers that the ECU can manage are offered.\n"
     "Changing it resets the angles between cylinders to regular ones and puts every "
     "cylinder back on bank 1; the ignition types offered follow the new number."},
    {20009,
     "Lowest engine speed, in RPM, at which the ECU tests for a loss of synchronization. "
     "0 to 65535, decimal or hexadecimal with the 0x prefix."},
    {20010,
     "Bank of the cylinder of this row (cylinders in firing order).\n"
     "Available only when the ECU manages cylinder banks and the number of cylinders is a "
     "multiple of 4 or at most the number of ignition channels. The first ignited cylinder must "
     "be on bank 1. When the ECU has fewer ignition channels than cylinders, the number of "
     "cylinders must be a multiple of 4, both banks must hold the same number of cylinders, and "
     "in each bank the second half of its cylinders (in firing order) must be 360\u00b0 after "
     "the first half."},
    {20011,
     "Top dead center angle of each cylinder in firing order, in degrees of the 720\u00b0 engine "
     "cycle, counted from the first ignited cylinder (0.00).\n"
     "Regular angle between cylinders: the cycle shared evenly.\n"
     "Specific angles: type each angle with a decimal point (90.5) and up to two decimals; "
     "angles must not decrease and are stored to the next tenth of a degree.\n"
     "When the ECU has fewer ignition channels than cylinders, each cylinder of the second half "
     "of the firing order must be 360\u00b0 after its match in the first half; with banks, this "
     "holds within each bank."},
};

}  // namespace

const ResourceModule& EnglishResources() {
  static const ResourceModule module{"en", kStrings, sizeof kStrings / sizeof kStrings[0],
                                     kEnglishDialogs.data(), kEnglishDialogs.size()};
  return module;
}

}  // namespace vantel
