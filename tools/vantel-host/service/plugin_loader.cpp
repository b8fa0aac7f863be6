#include "plugin_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "vantel/host_abi.h"

namespace vantel::host {

namespace {

std::string PluginPath() {
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return "libvantel.so";
  exe[n] = '\0';
  std::string dir(exe);
  return dir.substr(0, dir.rfind('/') + 1) + "libvantel.so";
}

}  // namespace

LoadedPlugin::LoadedPlugin(const std::string& path) {
  const std::string file = path.empty() ? PluginPath() : path;
  handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) throw PluginError("cannot load " + file + ": " + dlerror());
}

LoadedPlugin::~LoadedPlugin() { dlclose(handle_); }

void* LoadedPlugin::Symbol(const char* name) const {
  void* symbol = dlsym(handle_, name);
  if (!symbol) throw PluginError(std::string("the plug-in exports no ") + name);
  return symbol;
}

std::pair<int32_t, int32_t> LoadedPlugin::Handshake(int32_t hostIndex) const {
  auto* index = static_cast<int32_t*>(std::malloc(sizeof(int32_t)));
  *index = hostIndex;
  HostBuffer record{-1, index};
  reinterpret_cast<void (*)(HostBuffer*)>(Symbol("VANTEL100"))(&record);
  int32_t answer[2] = {0, 0};
  if (record.len == 8 && record.data) std::memcpy(answer, record.data, sizeof answer);
  // The plug-in never frees what the host passed; its answer is the host's to free too.
  if (record.data != index) std::free(record.data);
  std::free(index);
  return {answer[0], answer[1]};
}

PluginExports LoadExports(const std::function<void*(const char*)>& resolve) {
  PluginExports exports{};
  exports.run = reinterpret_cast<KeyExport>(resolve("RUNSETEMG"));
  exports.close = reinterpret_cast<KeyExport>(resolve("CLSSETEMG"));
  exports.save = reinterpret_cast<KeyExport>(resolve("SAVSETEMG"));
  exports.valueChanged = reinterpret_cast<KeyExport>(resolve("VALSETEMG"));
  exports.sensorsChanged = reinterpret_cast<KeyExport>(resolve("SENSETEMG"));
  exports.statusChanged = reinterpret_cast<KeyExport>(resolve("CMDSETEMG"));
  exports.connectionUp = reinterpret_cast<ConnectionExport>(resolve("CONSETEMG"));
  exports.edit = reinterpret_cast<KeyExport>(resolve("DEBSETEMG"));
  exports.mapScaleRail1 = reinterpret_cast<KeyExport>(resolve("RM0SETEMG"));
  exports.mapScaleRail2 = reinterpret_cast<KeyExport>(resolve("RM1SETEMG"));
  exports.itemSent = reinterpret_cast<KeyExport>(resolve("FEMSETEMG"));
  exports.itemSendError = reinterpret_cast<KeyExport>(resolve("ERRSETEMG"));
  exports.resetAction = reinterpret_cast<KeyExport>(resolve("RSTSETEMG"));
  exports.findings.findWindow =
      reinterpret_cast<VantelUiWindow (*)(const char*)>(resolve("VantelUiFindWindow"));
  exports.findings.reportFindings =
      reinterpret_cast<char* (*)(VantelUiWindow)>(resolve("VantelUiGetReportFindings"));
  return exports;
}

}  // namespace vantel::host
