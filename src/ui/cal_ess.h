#pragma once
// The Injection page: the injection type, rails and peak-and-hold.
#include <array>
#include <cstdint>

#include "config/engine_record.h"
#include "ui/cal_page.h"

namespace vantel {

class CSisCalEss : public CSisCalPage {
 public:
  explicit CSisCalEss(DialogTables& model);

  void FillPage() override;
  /// Never refuses: stores the chosen combination alone in word 21, which also clears its
  /// peak-and-hold mode, and zeros for the peak-and-hold tuning.
  bool SavePage() override;

 protected:
  bool OnMessage(const Message& message, intptr_t& result) override;

 private:
  void ReadModel();
  void EnableTypeRadios();
  /// Also enables the two-rail radios the type allows.
  void SetTypeRadios();
  void SetRailsRadios();

  uint16_t allowed_ = 0;  // InjectionCaps word 1 bits, one per combination
  int type_ = -1;         // 0 semi-sequential, 1 sequential, 2 direct, -1 none
  int rails_ = -1;        // 0 one rail, 1 rail 1 to rail 2, 2 rail 1 to rails 1+2, -1 none
  // The page has no way to set them: what it stores is what a valid record holds.
  std::array<uint16_t, kPeakHoldTuningWords> peakHoldTuning_{};
};

}  // namespace vantel
