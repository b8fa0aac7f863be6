#pragma once
// The Ignition page: the ignition type and delay.
#include <cstdint>

#include "ui/cal_page.h"

namespace vantel {

class CSisCalAll : public CSisCalPage {
 public:
  explicit CSisCalAll(DialogTables& model);

  /// Also sets the dialog's injection channel count for the type shown.
  void FillPage() override;
  /// Refuses a delay that is not a number, negative or above the ECU's maximum.
  bool SavePage() override;

 protected:
  bool OnInitDialog() override;
  bool OnMessage(const Message& message, intptr_t& result) override;

 private:
  void ReadModel();
  void EnableRadios();
  void SetDelayEdit();
  void SetRadioChecks();

  uint32_t cylinders_ = 0;
  uint16_t allowedTypes_ = 0;  // EngineTable word 20 bits the ECU and the cylinders allow
  int type_ = -1;              // 0 distributed, 1 twin spark, 2 static, -1 none
};

}  // namespace vantel
