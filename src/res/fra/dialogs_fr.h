#pragma once
// The French dialog templates, for the French resource module.
#include <span>

#include "platform/dialog_template.h"

namespace vantel {

extern const std::span<const DialogTemplate* const> kFrenchDialogs;

}  // namespace vantel
