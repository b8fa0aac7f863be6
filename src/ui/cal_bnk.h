#pragma once
// The Cylinders banks page: the TDC angle and the bank of each cylinder in firing order.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/engine_record.h"
#include "ui/cal_page.h"

namespace vantel {

class CSisCalEmgDialog;

class CSisCalBnk : public CSisCalPage {
 public:
  explicit CSisCalBnk(CSisCalEmgDialog& dialog);

  void FillPage() override;
  bool SavePage() override;

  /// Regular angles for `cylinders` cylinders into EngineTable words 8 on, the rest 0.
  void SetRegularAngles(int cylinders);

 protected:
  bool OnInitDialog() override;
  bool OnMessage(const Message& message, intptr_t& result) override;

 private:
  void ReadTables();
  void SetAngleModeRadios();
  void EnableBankRadios();
  void FillAngleEdits();
  void SetBankRadios();
  /// EngineTable words 8 to 19; words past the cylinders are 0 in `words`.
  void WriteAngles(const std::array<uint16_t, kMaxCylinders>& words);
  /// The rows in use: the cylinders, at most twelve.
  size_t Rows() const;

  CSisCalEmgDialog& dialog_;
  uint32_t cylinders_ = 0;  // EngineTable word 6 as read by the last fill
  bool banksAllowed_ = false;
  std::array<std::string, kMaxCylinders> angleTexts_;
};

}  // namespace vantel
