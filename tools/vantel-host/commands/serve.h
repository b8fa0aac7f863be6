#pragma once
// `vantel-host serve`: the plug-in's machines and windows in a browser, over a local HTTP
// server. The plug-in lives on the calling thread; the HTTP loop, on a thread of its own, only
// queues commands.
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantel::host {

struct ServeOptions {
  std::vector<std::string> files;  // one machine each
  int port = 0;                    // 0: a free one
  int32_t language = 1033;
};

/// The server cannot start: the port asked for cannot be had.
class ServeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Serves until SIGINT or SIGTERM, then cancels open windows, closes the machines and
/// unloads the plug-in. Prints the address, token included, on `out` once listening.
/// Returns 0; bad input throws before anything is served: KalbrixError for an unreadable
/// file or two files on one machine index, ServeError for a port taken.
int Serve(const ServeOptions& options, FILE* out);

/// Whether `host` (a Host header) names this server on the loopback: 127.0.0.1 or localhost,
/// with `port`.
bool LoopbackHost(const std::string& host, int port);

/// Whether `origin` (an Origin header) is this server's own page.
bool OwnOrigin(const std::string& origin, int port);

}  // namespace vantel::host
