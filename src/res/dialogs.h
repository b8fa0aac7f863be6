#pragma once
// The built-in dialog templates, for the built-in resource module.
#include <cstddef>

#include "platform/dialog_template.h"

namespace vantel {

extern const DialogTemplate* const kBuiltinDialogs[];
extern const size_t kBuiltinDialogCount;

}  // namespace vantel
