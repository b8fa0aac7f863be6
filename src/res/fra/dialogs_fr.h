#pragma once
// The French dialog templates, for the French resource module.
#include <cstddef>

#include "platform/dialog_template.h"

namespace vantel {

extern const DialogTemplate* const kFrenchDialogs[];
extern const size_t kFrenchDialogCount;

}  // namespace vantel
