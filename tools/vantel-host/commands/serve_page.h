#pragma once
// The page `vantel-host serve` gives at "/": one HTML document, its script and style inline,
// made from serve_page/ when the host is built.
#include <string_view>

namespace vantel::host {

std::string_view ServePageHtml();

}  // namespace vantel::host
