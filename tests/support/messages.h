#pragma once
// The messages as the user reads them, literal: a test that built them from the string table
// or the report's own formatting would agree with any fault there.
#include <string>

namespace vantel::test::messages {

// --- The coherence rules, one report row each.
inline const std::string kMainCamshaftUnknown =
    "The camshaft assigned to the main phase is not known by the ECU";
inline const std::string kMainTypeUnknown = "Selected main phase type mark is not known";
inline const std::string kMainTypeSeveralReferences =
    "Selected main phase type does not match with a flywheel with more than one reference";
inline const std::string kMainTeethRefused =
    "The ECU does not allow the selected main phase teeth number";
inline const std::string kMainTeethFlywheelMismatch =
    "Selected main phase teeth number does not match with flywheel teeth number";
inline const std::string kSyncRoundsRefused =
    "The ECU does not allow the selected synchronization engine round number";
inline const std::string kPressureSensorMissing =
    "For a phase pressure synchronization, the phase pressure sensor must exist";
inline const std::string kPressurePulsesRefused =
    "The ECU does not allow the selected number of phase pressure pulses";
inline const std::string kMainCrankToothWrong =
    "Camshaft tooth of main phase measurement not correct";
inline const std::string kMarkNotIdentified = "Main phase mark is not identified by the ECU";
inline const std::string kAux2SensorMissing =
    "The sensor needed for auxiliary phase 2 measurement is not available";
inline const std::string kAux3SensorMissing =
    "The sensor needed for auxiliary phase 3 measurement is not available";
inline const std::string kAuxNeedMainPhase = "Auxiliary phases need a valid main phase";
inline const std::string kCamshaftShared = "The same camshaft has been assigned to several phases";
inline std::string AuxCamshaftUnknown(int phase) {
  return "The camshaft assigned to the auxiliary phase " + std::to_string(phase) +
         " is not known by the ECU";
}
inline std::string AuxTeethRefused(int phase) {
  return "The ECU does not allow the selected teeth number for auxiliary phase " +
         std::to_string(phase);
}
inline std::string AuxCrankToothWrong(int phase) {
  return "Crankshaft tooth measurement not correct for auxiliary phase " + std::to_string(phase);
}
inline const std::string kCylindersRefused =
    "The ECU cannot manage the selected number of cylinders";
inline const std::string kAnglesDecrease = "The angles between cylinders must no decrease";
inline const std::string kFirstCylinderNotAtZero =
    "The first cylinder must be at angle 0\u00b0 on bank 1";
inline const std::string kAnglesNotOpposed =
    "The selected number of cylinders requests the angles between cylinders to be paired "
    "with 360\u00b0 opposition";
inline const std::string kBanksNotAllowed =
    "The ECU does not allow the management of cylinders banks";
inline const std::string kBanksCylinders =
    "The selected cylinders number does not allow the cylinders banks management";
inline const std::string kBanksUnequal =
    "For the selected number of cylinders, the two banks must have the same number of cylinders";
inline const std::string kBanksNotRegular =
    "For the selected number of cylinders, each banc must be as a regular angles engine";
inline const std::string kFlywheelTeethRefused =
    "The ECU does not allow the selected teeth # for the flywheel";
inline const std::string kMainTypeFlywheelMismatch =
    "Selected main phase type does not match with flywheel teeth configuration";
inline const std::string kTeethReferences =
    "The number of teeth of the flywheel cannot fit with the selected number of references";
inline const std::string kTypeSingularity =
    "The flywheel type cannot fit with the selected type of singularity";
inline const std::string kTypeReferences =
    "The flywheel type cannot fit with the selected number of references";
inline std::string IgnitionChannels(int cylinders) {
  return "The ECU does not own enougth ignition channels for the selected type of ignition "
         "with " +
         std::to_string(cylinders) + " cylinders";
}
inline std::string IgnitionPulses(int cylinders) {
  return "The ECU cannot make enougth ignition pulses for the selected type of ignition with " +
         std::to_string(cylinders) + " cylinders";
}
inline const std::string kTwinSparkOdd = "Twin spark ignition needs an even number of cylinders";
inline const std::string kDistributedUnphased =
    "Distributed ignition cannot be executed without phase for the selected number of cylinders";
inline std::string DistributedTeeth(int teeth) {
  return "Distributed ignition for that flywheel type and engine cylinders number needs at "
         "least " +
         std::to_string(teeth) + " teeth";
}
inline const std::string kIgnitionRefused =
    "The ECU does not allow the selected ignition configuration";
inline const std::string kDelayOutOfLimits =
    "The ignition delay is not inside the limits allowed by the ECU";
inline const std::string kDirectUnphased =
    "Direct injection cannot be executed without engine phased configuration";
inline std::string InjectionChannels(int cylinders) {
  return "The ECU does not own enougth injection channels for the selected type of injection "
         "with " +
         std::to_string(cylinders) + " cylinders";
}
inline std::string InjectionChannelsTwoRails(int cylinders) {
  return "The ECU does not own enougth injection channels for the selected kind of injection "
         "and 2 rails with " +
         std::to_string(cylinders) + " cylinders";
}
inline std::string SemiSequentialOneRail(int limit) {
  return "The semi-sequential injection on one rail is only allowed with more than " +
         std::to_string(limit) + " cylinders";
}
inline const std::string kSemiSequentialTenCylinderBanks =
    "The semi-sequential injection on two banks is not allowed with 10 cylinders";
inline std::string SemiSequentialTwoRailsMinimum(int cylinders) {
  return "The semi-sequential injection on two rails is only allowed with mores than " +
         std::to_string(cylinders) + " cylinders";
}
inline std::string SemiSequentialTwoRailsRefused(int cylinders) {
  return "The semi-sequential injection on two rails is not allowed with " +
         std::to_string(cylinders) + " cylinders";
}
inline const std::string kPeakHoldRefused =
    "The ECU does not allow the selected Peak and Hold mode for injection";
inline const std::string kInjectionRefused =
    "The ECU does not allow the selected injection configuration";
inline std::string VerticalScaleMissing(int rail) {
  return "Verticale scale data not existing on rail piloting map ( rail " + std::to_string(rail) +
         " )";
}
inline std::string HorizontalScaleMissing(int rail) {
  return "Horizontal scale data not existing on rail piloting map ( rail " + std::to_string(rail) +
         " )";
}
inline std::string NoScaleChosen(int rail) {
  return "No scale data selected on injectors rail piloting map ( rail " + std::to_string(rail) +
         " )";
}

// --- The check itself.
inline const std::string kTablesNotOptimized =
    "Flywheel description tables are erroneous or not optimized : the engine does not run "
    "correctly or at its best";
inline const std::string kFlywheelTablesMalformed = "FlyWheel tables configuration general error";

// --- A Kalbrix the plug-in refuses whole.
inline const std::string kMajorError =
    "KALBRIX MAJOR ERROR\nThis Kalbrix cannot be used and cannot be saved:\n"
    "Engine management homogeneity control aborted.\nContact Talvek";
inline const std::string kLayoutUnknown =
    "KALBRIX MAJOR ERROR\nThis Kalbrix cannot be used and cannot be saved:\n"
    "Engine configuration not known by the ECU";

}  // namespace vantel::test::messages
