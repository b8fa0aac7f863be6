#pragma once
// The plug-in as the host loads it: libvantel.so from beside the host's executable.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

#include "ui_api.h"

namespace vantel::host {

using KeyExport = void (*)(uint32_t, const char*);
using ConnectionExport = void (*)(uint32_t, int32_t);

/// The exports a host calls, resolved once per loading.
struct PluginExports {
  KeyExport run, close, save, valueChanged, sensorsChanged, statusChanged;
  ConnectionExport connectionUp;
  KeyExport edit, mapScaleRail1, mapScaleRail2, itemSent, itemSendError, resetAction;
  FindingsApi findings;
};

/// Each export through `resolve`, which throws when the plug-in lacks one.
PluginExports LoadExports(const std::function<void*(const char*)>& resolve);

/// The plug-in cannot be loaded or lacks an export: one line, ready for stderr.
class PluginError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The loaded plug-in; unloading runs its ExitInstance.
class LoadedPlugin {
 public:
  /// From `path`, or from beside the host's executable when it is empty.
  explicit LoadedPlugin(const std::string& path = {});
  ~LoadedPlugin();
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  /// The export `name`; PluginError when the plug-in has none.
  void* Symbol(const char* name) const;

  /// {version, language}; {0, 0} when the plug-in refused the host.
  std::pair<int32_t, int32_t> Handshake(int32_t hostIndex) const;

  PluginExports Exports() const {
    return LoadExports([this](const char* name) { return Symbol(name); });
  }

 private:
  void* handle_ = nullptr;
};

}  // namespace vantel::host
