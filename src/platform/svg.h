#pragma once
// Snapshots: a window drawn as SVG, the way a user would see it.
#include <string>

#include "platform/window.h"

namespace vantel {

/// The window and its visible children as an SVG document; "" for a stale handle.
std::string RenderSvg(Hwnd window);

}  // namespace vantel
