// The sixteen exports: each a thin gate into the plug-in's own module state and handlers.
#include <exception>
#include <string>

#include "platform/version_info.h"
#include "plugin/handlers.h"
#include "plugin/vantel_app.h"
#include "vantel/host_abi.h"

namespace vantel {
namespace {

// The module's version record, read back from this file by the handshake.
[[gnu::used, gnu::section(".vantel.version")]] const VersionRecord kVersionRecord = {
    "VS_VERSION_INFO",
    0x00010000,
    0x00000000,  // file version 1.0.0.0
    0x00010000,
    0x00000000,  // product version 1.0.0.0
    kFileTypeDll,
    1,
    {{0x0409, 0x04E4}},  // US English, code page 1252
    "Engine configuration management"};

// Constructed when the library is loaded; ExitInstance runs when it is unloaded.
struct AppHolder {
  CVantelApp app;
  AppHolder() { app.InitInstance(); }
  ~AppHolder() { app.ExitInstance(); }
};

CVantelApp& TheApp() {
  static AppHolder holder;
  return holder.app;
}

[[gnu::constructor]] void LoadModule() { TheApp(); }

std::string Text(const char* text) { return text ? std::string(text) : std::string(); }

template <typename Body>
void Guarded(Body&& body) noexcept {
  try {
    ModuleStateGuard guard(PluginModuleState());
    body();
  } catch (...) {
    // Nothing may cross into the host.
  }
}

template <typename Handler>
void Gate(uint32_t machine, const char* text, Handler&& handler) noexcept {
  Guarded([&] {
    if (machine > static_cast<uint32_t>(kMaxMachineIndex)) return;
    MachineContext* context = FindContext(TheApp(), machine);
    if (context == nullptr) return;
    handler(*context, Text(text));
  });
}

}  // namespace
}  // namespace vantel

using namespace vantel;

extern "C" {

void VANTEL100(HostBuffer* record) {
  Guarded([&] { Handshake(TheApp(), record); });
}

void RUNSETEMG(uint32_t machine, const char* key) {
  Guarded([&] { OpenConfiguration(machine, TheApp(), Text(key)); });
}

void CLSSETEMG(uint32_t machine, const char* key) { Gate(machine, key, CloseConfiguration); }
void SAVSETEMG(uint32_t machine, const char* key) { Gate(machine, key, SaveCheck); }
void VALSETEMG(uint32_t machine, const char* item) { Gate(machine, item, OnValueChanged); }
void SENSETEMG(uint32_t machine, const char* item) { Gate(machine, item, OnSensorsChanged); }
void CMDSETEMG(uint32_t machine, const char* item) { Gate(machine, item, OnCommandStatusChanged); }
void DEBSETEMG(uint32_t machine, const char* key) { Gate(machine, key, StartEditAction); }
void RSTSETEMG(uint32_t machine, const char* key) { Gate(machine, key, EndHostAction); }
void FEMSETEMG(uint32_t machine, const char* item) { Gate(machine, item, OnItemSent); }
void ERRSETEMG(uint32_t machine, const char* item) { Gate(machine, item, OnItemSendError); }

void RM0SETEMG(uint32_t machine, const char* key) {
  Gate(machine, key, [](MachineContext& c, const std::string& k) { StartMapAction(c, k, 0); });
}
void RM1SETEMG(uint32_t machine, const char* key) {
  Gate(machine, key, [](MachineContext& c, const std::string& k) { StartMapAction(c, k, 1); });
}

void TIMSETEMG(int32_t, int32_t) {
  Guarded([] {});
}

void CONSETEMG(uint32_t machine, int32_t) {
  Gate(machine, "", [](MachineContext& c, const std::string&) { ConnectionUp(c); });
}

}  // extern "C"

// One body under two names.
extern "C" void DECSETEMG(int32_t, int32_t) __attribute__((alias("TIMSETEMG")));
