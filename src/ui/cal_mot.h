#pragma once
// The Engine page: cylinders, flywheel, reference marks and the synchronisation test RPM.
#include <cstdint>
#include <string>
#include <vector>

#include "ui/cal_page.h"

namespace vantel {

class CSisCalMot : public CSisCalPage {
 public:
  explicit CSisCalMot(DialogTables& model);

  void FillPage() override;
  /// Sets the cylinders and the flywheel of the model, with their knock-on effects. Refuses
  /// an RPM outside 0 to 65535, and a flywheel the table generator refuses.
  bool SavePage() override;

 protected:
  bool OnMessage(const Message& message, intptr_t& result) override;

 private:
  void ReadModel();
  void FillCylinders();
  void SetFlywheelRadios();
  void FillMarks();
  void FillTeeth();
  void SetRpmEdit();
  /// What every radio click or combo choice redraws, in this order.
  void Refresh();
  /// The occurrences codes the flywheel type, singularity and main phase type allow.
  std::vector<int32_t> AllowedMarks() const;
  void OnComboChoice(int32_t comboId);

  std::string rpmText_;
  int32_t teethSelection_ = 0;
  int32_t marksSelection_ = 0;
  int32_t cylindersSelection_ = 0;
  int actualTeeth_ = 0;
  int occurrencesCode_ = 0;  // occurrences of the reference mark minus 1
  bool renaultRs_ = false;   // the alternative singularity, bit 15 of the flywheel word
  int flywheelKind_ = 0;     // FlywheelKind: teeth missing (negative) or added per mark
  int cylinders_ = 0;
  uint16_t syncRpm_ = 0;
  int mainPhaseType_ = 0;
  std::vector<int32_t> cylinderList_;
  std::vector<int32_t> teethList_;
  std::vector<int32_t> marksList_;
};

}  // namespace vantel
