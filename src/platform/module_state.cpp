#include "platform/module_state.h"

namespace vantel {
namespace {
ModuleState* current = nullptr;
constinit const ResourceModule kNoResources{"none", nullptr, 0, nullptr, 0};
constinit const ResourceModule* builtin = &kNoResources;
}  // namespace

void InstallBuiltinResources(const ResourceModule& module) { builtin = &module; }

const ResourceModule& BuiltinResources() { return *builtin; }

ModuleState& PluginModuleState() {
  static ModuleState state;
  return state;
}

ModuleState& CurrentModuleState() { return current ? *current : PluginModuleState(); }

const ResourceModule& CurrentResources() {
  const ModuleState& state = CurrentModuleState();
  return state.resources ? *state.resources : BuiltinResources();
}

ModuleStateGuard::ModuleStateGuard(ModuleState& state) : previous_(current) { current = &state; }
ModuleStateGuard::~ModuleStateGuard() { current = previous_; }

}  // namespace vantel
