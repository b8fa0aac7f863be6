#pragma once
// The Cylinders banks page: the TDC angle and the bank of each cylinder in firing order.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/engine_record.h"
#include "ui/cal_page.h"

namespace vantel {

class CSisCalBnk : public CSisCalPage {
 public:
  explicit CSisCalBnk(DialogTables& model);

  void FillPage() override;
  bool SavePage() override;

 protected:
  bool OnMessage(const Message& message, intptr_t& result) override;

 private:
  void ReadModel();
  void SetAngleModeRadios();
  void EnableBankRadios();
  void FillAngleEdits();
  void SetBankRadios();
  /// The rows in use: the cylinders, at most twelve.
  size_t Rows() const;

  uint32_t cylinders_ = 0;  // EngineTable word 6 as read by the last fill
  bool banksAllowed_ = false;
  std::array<std::string, kMaxCylinders> angleTexts_;
};

}  // namespace vantel
