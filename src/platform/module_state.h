#pragma once
// The module state: which resource module texts and dialogs are loaded from. Every export
// makes the plug-in's own state current for the duration of the call.
#include "platform/resources.h"

namespace vantel {

struct ModuleState {
  const ResourceModule* resources = nullptr;  // null: the built-in resources
  void* resourceLibrary = nullptr;            // dlopen handle of a resource library, if any
};

/// The plug-in's own module state (one per process, like a DLL's static module state).
ModuleState& PluginModuleState();

/// The module state in force on this thread.
ModuleState& CurrentModuleState();

/// The resource module in force: the current state's, else the built-in one.
const ResourceModule& CurrentResources();

/// Makes `state` current until destroyed; restores the previous one on every exit path.
class ModuleStateGuard {
 public:
  explicit ModuleStateGuard(ModuleState& state);
  ~ModuleStateGuard();
  ModuleStateGuard(const ModuleStateGuard&) = delete;
  ModuleStateGuard& operator=(const ModuleStateGuard&) = delete;

 private:
  ModuleState* previous_;
};

}  // namespace vantel
