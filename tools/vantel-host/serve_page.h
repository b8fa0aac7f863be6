#pragma once
// The page of `vantel-host serve`: one HTML document, its script and style inline, built
// from serve_page/ when the host is built.
#include <string_view>

namespace vantel::host {

/// The whole page, UTF-8.
std::string_view ServePageHtml();

}  // namespace vantel::host
