#pragma once
// The link from one machine's context to the host: what every request needs and nothing more.
#include <cstdint>
#include <string>

#include "vantel/host_abi.h"

namespace vantel {

/// What every context needs of the application object: the host's entry.
struct HostApp {
  ActionDllFn hostEntry = nullptr;
};

inline constexpr int kMachineCount = 1024;
inline constexpr int32_t kMaxMachineIndex = 1023;

struct HostChannel {
  HostChannel(HostApp* application, int32_t index) : app(application), machineIndex(index) {}

  HostApp* app;  // not owned
  int32_t machineIndex;
  std::string machineName = "Machine";  // UTF-8

  /// Machines 0 to 7 are treated apart: their older layouts are upgraded and their flywheel
  /// tables rewritten automatically, they are never refreshed on connection or after sensor
  /// changes, and a confirmed edit never asks to send tables to them.
  bool InFirstEightMachines() const { return machineIndex >= 0 && machineIndex <= 7; }
};

}  // namespace vantel
