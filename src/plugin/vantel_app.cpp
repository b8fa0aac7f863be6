#include "plugin/vantel_app.h"

#include <dlfcn.h>

#include "host/requests.h"
#include "platform/version_info.h"
#include "platform/window.h"
#include "res/resources_en.h"
#include "ui/sis_report.h"

namespace vantel {
namespace {

ActionDllFn LookupHostEntry() {
  void* self = dlopen(nullptr, RTLD_NOW);
  if (self == nullptr) return nullptr;
  auto entry = reinterpret_cast<ActionDllFn>(dlsym(self, "ACTIONDLL"));
  dlclose(self);
  return entry;
}

}  // namespace

CVantelApp::CVantelApp(std::optional<ActionDllFn> injectedEntry, std::string modulePath,
                       ModuleState* moduleState)
    : injectedEntry_(injectedEntry),
      modulePath_(modulePath.empty() ? ModulePathOf(reinterpret_cast<const void*>(&LookupHostEntry))
                                     : std::move(modulePath)),
      moduleState_(moduleState ? moduleState : &PluginModuleState()) {
  InstallBuiltinResources(EnglishResources());
}

CVantelApp::~CVantelApp() = default;

bool CVantelApp::InitInstance() {
  contexts.clear();
  contexts.resize(kMachineCount);
  hostEntry = injectedEntry_ ? *injectedEntry_ : LookupHostEntry();
  return true;
}

int CVantelApp::ExitInstance() {
  for (auto& slot : contexts) {
    if (!slot) continue;
    slot->report.reset();  // the window goes with the report object
    slot.reset();
  }
  // A help pop-up, or any window a host left open, must not outlive the module.
  DestroyAllWindows();
  return 0;
}

bool CreateContext(int32_t index, CVantelApp& app) {
  if (index < 0 || index > kMaxMachineIndex) return false;
  auto& slot = app.contexts[static_cast<size_t>(index)];
  if (slot) return false;
  slot = std::make_unique<MachineContext>(&app, index);
  MachineContext& context = *slot;
  // An unknown level stays -1, which the check below refuses.
  static_cast<void>(AskInt(context, REQ_HOST_LEVEL, "", context.hostLevel));
  const bool named = RefreshMachineName(context);
  return named && context.hostLevel > 2;
}

bool DeleteContext(CVantelApp& app, int64_t index) {
  if (index < 0 || index > kMaxMachineIndex) return false;
  auto& slot = app.contexts[static_cast<size_t>(index)];
  if (!slot) return false;
  slot.reset();
  return true;
}

MachineContext* FindContext(CVantelApp& app, int64_t index) {
  if (index < 0 || index > kMaxMachineIndex) return nullptr;
  if (app.contexts.size() != kMachineCount) return nullptr;
  return app.contexts[static_cast<size_t>(index)].get();
}

}  // namespace vantel
