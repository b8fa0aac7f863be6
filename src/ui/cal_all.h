#pragma once
// The Ignition page: the ignition type and delay.
#include "ui/cal_page.h"

namespace vantel {

class CSisCalEmgDialog;

class CSisCalAll : public CSisCalPage {
 public:
  explicit CSisCalAll(CSisCalEmgDialog& dialog);

  void FillPage() override;
  bool SavePage() override;

 private:
  [[maybe_unused]] CSisCalEmgDialog& dialog_;  // read once the page has its contents
};

}  // namespace vantel
