#include "ui/cal_all.h"

#include "res/dialog_ids.h"

namespace vantel {

CSisCalAll::CSisCalAll(CSisCalEmgDialog& dialog)
    : CSisCalPage(IDD_IGNITION_PAGE), dialog_(dialog) {}

// Contents come with the phases/ignition/injection issue.
void CSisCalAll::FillPage() {}
bool CSisCalAll::SavePage() { return true; }

}  // namespace vantel
