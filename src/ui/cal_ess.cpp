#include "ui/cal_ess.h"

#include "res/dialog_ids.h"

namespace vantel {

CSisCalEss::CSisCalEss(CSisCalEmgDialog& dialog)
    : CSisCalPage(IDD_INJECTION_PAGE), dialog_(dialog) {}

// Contents come with the phases/ignition/injection issue.
void CSisCalEss::FillPage() {}
bool CSisCalEss::SavePage() { return true; }

}  // namespace vantel
