#pragma once
// The page `vantel-host serve` gives at "/": one HTML document, its scripts and styles inline.
#include <string_view>

namespace vantel::host {

std::string_view ServePageHtml();

}  // namespace vantel::host
