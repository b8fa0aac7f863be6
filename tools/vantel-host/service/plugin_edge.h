#pragma once
// Where the host's code is called from inside the plug-in (ACTIONDLL, the UI hook): nothing
// thrown there may unwind through the plug-in's frames. The plug-in's own guard at its exports
// would swallow it, and whatever the host was doing (a command waiting for its answer, a modal
// loop that was to go on) would be left half done.
#include <exception>
#include <string>

namespace vantel::host {

/// Runs `body`; when it throws, returns what `failed` makes of the reason instead. `failed`
/// must not throw: past this edge there is no one left to catch it.
template <class Body, class Failed>
auto AtPluginEdge(Body&& body, Failed&& failed) noexcept -> decltype(body()) {
  try {
    return body();
  } catch (const std::exception& error) {
    return failed(std::string(error.what()));
  } catch (...) {
    return failed(std::string("an exception of no known kind"));
  }
}

}  // namespace vantel::host
