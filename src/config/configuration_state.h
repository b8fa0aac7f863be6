#pragma once
// The verdict on one machine's configuration and the state bits that decide what a call
// does, composed with the host channel and the machine data into what the check works on.
#include <cstdint>

#include "cmdtable/ecu_data.h"
#include "host/host_channel.h"

namespace vantel {

/// State bits of ConfigurationState::state.
enum StateBits : int32_t {
  Rejected = 0x01,
  Open = 0x02,
  Busy = 0x04,
  RecheckPending = 0x08,
  ActionRunning = 0x10,
  TablesUpdating = 0x40,
  IgnoreNextChange0 = 0x80,
  IgnoreNextChange1 = 0x100,
};

/// ConfigState values.
enum ConfigStateValue : int32_t {
  kConfigNotChecked = -2,
  kConfigUnknownToEcu = -1,
  kConfigIncoherent = 0,
  kConfigCoherent = 1,
};

/// A configuration the host must neither save nor have the ECU use.
constexpr bool ConfigurationUnusable(int32_t configState) {
  return configState == kConfigUnknownToEcu || configState == kConfigIncoherent;
}

struct ConfigurationState {
  int32_t state = 0;
  int32_t ConfigState = kConfigNotChecked;
  int32_t OptionFlags = 0;
  int32_t InjectionFlags = -1;
  int32_t injectionChannelCount = 0;

  bool Has(int32_t bits) const { return (state & bits) != 0; }
};

/// One machine as the check sees it: the layers below, each a slice a function may take alone.
struct ConfiguredMachine : HostChannel, MachineData, ConfigurationState {
  ConfiguredMachine(HostApp* application, int32_t index) : HostChannel(application, index) {}
};

}  // namespace vantel
