#pragma once
// The module's own resources, in US English: the application installs them as the built-in
// ones (InstallBuiltinResources), and every other language falls back to them.
#include "platform/resources.h"

namespace vantel {

const ResourceModule& EnglishResources();

}  // namespace vantel
