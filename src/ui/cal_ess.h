#pragma once
// The Injection page: the injection type, rails and peak-and-hold.
#include "ui/cal_page.h"

namespace vantel {

class CSisCalEmgDialog;

class CSisCalEss : public CSisCalPage {
 public:
  explicit CSisCalEss(CSisCalEmgDialog& dialog);

  void FillPage() override;
  bool SavePage() override;

 private:
  [[maybe_unused]] CSisCalEmgDialog& dialog_;  // read once the page has its contents
};

}  // namespace vantel
