#include "serve_page.h"

namespace vantel::host {

// Until the page proper is built in, the routes alone are served.
std::string_view ServePageHtml() {
  return "<!doctype html><html lang=\"en\"><meta charset=\"utf-8\"><title>Vantel</title>"
         "<p>The page is not built in; the routes of docs/serve.md answer.</p></html>";
}

}  // namespace vantel::host
