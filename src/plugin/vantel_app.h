#pragma once
// The application object: the 1024-slot context table and the host's entry.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/module_state.h"
#include "ui/machine_context.h"

namespace vantel {

class CVantelApp : public HostApp {
 public:
  /// Installs the module's English resources, so that every look-up after it finds them.
  /// `injectedEntry` replaces the look-up of ACTIONDLL in the executable (tests);
  /// `modulePath` is the file the version record is read from (empty: this module's file).
  explicit CVantelApp(std::optional<ActionDllFn> injectedEntry = std::nullopt,
                      std::string modulePath = {}, ModuleState* moduleState = nullptr);
  ~CVantelApp();
  CVantelApp(const CVantelApp&) = delete;
  CVantelApp& operator=(const CVantelApp&) = delete;

  bool InitInstance();
  int ExitInstance();

  std::vector<std::unique_ptr<MachineContext>> contexts;

  const std::string& modulePath() const { return modulePath_; }
  ModuleState& moduleState() const { return *moduleState_; }

 private:
  std::optional<ActionDllFn> injectedEntry_;
  std::string modulePath_;
  ModuleState* moduleState_;
};

/// Creates the context of `index` in its slot, then asks the host level and the name.
/// True only when the name was refreshed and the host level exceeds 2.
bool CreateContext(int32_t index, CVantelApp& app);
/// Destroys the context of `index`; false when there is none.
bool DeleteContext(CVantelApp& app, int64_t index);
/// The context of `index`, or null.
MachineContext* FindContext(CVantelApp& app, int64_t index);

/// The version and language handshake.
void Handshake(CVantelApp& app, HostBuffer* record);

}  // namespace vantel
