#pragma once
// The Phases page: the main and auxiliary phases.
#include "ui/cal_page.h"

namespace vantel {

class CSisCalEmgDialog;

class CSisCalPha : public CSisCalPage {
 public:
  explicit CSisCalPha(CSisCalEmgDialog& dialog);

  void FillPage() override;
  bool SavePage() override;

 private:
  [[maybe_unused]] CSisCalEmgDialog& dialog_;  // read once the page has its contents
};

}  // namespace vantel
