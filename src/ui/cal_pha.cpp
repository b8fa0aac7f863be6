#include "ui/cal_pha.h"

#include "res/dialog_ids.h"

namespace vantel {

CSisCalPha::CSisCalPha(CSisCalEmgDialog& dialog) : CSisCalPage(IDD_PHASES_PAGE), dialog_(dialog) {}

// Contents come with the phases/ignition/injection issue.
void CSisCalPha::FillPage() {}
bool CSisCalPha::SavePage() { return true; }

}  // namespace vantel
