#pragma once
// The dialog templates in US English, for the English resource module.
#include <span>

#include "platform/dialog_template.h"

namespace vantel {

extern const std::span<const DialogTemplate* const> kEnglishDialogs;

}  // namespace vantel
