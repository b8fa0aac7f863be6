#pragma once
// What the ECU allows, decoded once from its capability tables: the dialog's pages read
// these named fields, never the tables' words.
#include <cstdint>

#include "cmdtable/ecu_data.h"

namespace vantel {

struct CapabilityRecord {
  /// CylinderCaps word 1: bit i allows kCylinderCounts[i].
  uint16_t cylinderCounts = 0;
  /// CylinderCaps word 1, bit 15: cylinders may be put on a second bank.
  bool banksManaged = false;
  /// PhaseCaps word 1: bit t - 1 allows main phase type t.
  uint16_t mainPhaseTypes = 0;
  /// PhaseCaps word 2: bit c, camshaft c (CamshaftCode) has a sensor.
  uint16_t sensedCamshafts = 0;
  /// IgnitionCaps word 1: the ignition type flags allowed.
  uint16_t ignitionTypes = 0;
  /// IgnitionCaps word 2.
  uint16_t ignitionChannels = 0;
  /// IgnitionCaps word 3: up to this many cylinders (static) or cylinder pairs (twin
  /// spark) the ignition leaves the outputs it shares with the injection free.
  uint16_t sharedOutputLimit = 0;
  /// IgnitionCaps word 4: ignition pulses a cycle.
  uint16_t ignitionPulses = 0;
  /// IgnitionCaps word 5.
  uint16_t maxIgnitionDelayUs = 0;
  /// InjectionCaps word 1: the injection bits allowed.
  uint16_t injectionTypes = 0;
  /// InjectionCaps word 2: injection channels when the ignition leaves the shared outputs.
  uint16_t freedInjectionChannels = 0;
  /// InjectionCaps word 3: injection channels when the ignition takes them.
  uint16_t sharedInjectionChannels = 0;

  /// Whether `cylinders` may be put on bank 2 (see BanksAllowed).
  bool BanksAllowedFor(uint32_t cylinders) const;
};

CapabilityRecord DecodeCapabilities(const EcuCapabilities& caps);

}  // namespace vantel
