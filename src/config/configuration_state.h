#pragma once
// The verdict on one machine's configuration and the state bits that decide what a call
// does, composed with the host channel and the machine data into what the check works on.
#include <cstdint>

#include "cmdtable/ecu_data.h"
#include "host/host_channel.h"

namespace vantel {

/// State bits of ConfigurationState.
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
  int32_t ConfigState = kConfigNotChecked;
  int32_t OptionFlags = 0;
  int32_t InjectionFlags = -1;
  int32_t injectionChannelCount = 0;

  bool Has(int32_t bits) const { return (state_ & bits) != 0; }
  /// All the state bits at once.
  int32_t Bits() const { return state_; }

  /// The verdict and what it wrote, forgotten for a new open.
  void ResetVerdict() {
    ConfigState = kConfigNotChecked;
    OptionFlags = 0;
    InjectionFlags = -1;
    injectionChannelCount = 0;
  }

  // The changes of the state bits; nothing else writes them.

  /// An open reads the machine; Busy keeps other calls out meanwhile.
  void BeginOpen() { state_ = Busy; }
  void Opened() { state_ = Open; }
  /// A failed open leaves the configuration rejected, still busy until the host is told.
  void OpenFailed() { state_ = Rejected | Busy; }
  /// A close or a save check; an unusable configuration is rejected on the way.
  void BeginClose(bool unusable) { state_ = (state_ & ~Open) | Busy | (unusable ? Rejected : 0); }
  void EndBusy() { state_ &= ~Busy; }
  /// The flywheel tables are being rewritten: no action may start meanwhile.
  void BeginTablesUpdate() { state_ |= TablesUpdating; }
  void EndTablesUpdate() { state_ &= ~TablesUpdating; }
  /// The plug-in's own write of an item will come back as a change notice (`ignoreBit` is
  /// IgnoreNextChange0 or 1) that must not start a check.
  void ExpectOwnChange(int32_t ignoreBit) { state_ |= ignoreBit; }
  /// No notice will come after all (the write failed).
  void ForgetOwnChange(int32_t ignoreBit) { state_ &= ~ignoreBit; }
  /// Whether a notice is the one expected, which it then consumes.
  bool TakeOwnChange(int32_t ignoreBit) {
    const bool expected = Has(ignoreBit);
    state_ &= ~ignoreBit;
    return expected;
  }
  /// A change arrived while an action runs: the check is owed until the action ends.
  void OweRecheck() { state_ |= RecheckPending; }
  /// Whether a check is owed, which it then no longer is.
  bool TakeOwedRecheck() {
    const bool owed = Has(RecheckPending);
    state_ &= ~RecheckPending;
    return owed;
  }
  void SetActionRunning(bool running) {
    state_ = running ? state_ | ActionRunning : state_ & ~ActionRunning;
  }
  /// The open bit alone: a host's close or reopen from inside an action's loop leaves the
  /// action's bits as they are.
  void SetOpen(bool open) { state_ = open ? state_ | Open : state_ & ~Open; }

 private:
  int32_t state_ = 0;
};

/// One machine as the check sees it: the layers below, each a slice a function may take alone.
struct ConfiguredMachine : HostChannel, MachineData, ConfigurationState {
  ConfiguredMachine(HostApp* application, int32_t index) : HostChannel(application, index) {}
};

}  // namespace vantel
