#include "config/capability_record.h"

#include "config/engine_record.h"

namespace vantel {

bool CapabilityRecord::BanksAllowedFor(uint32_t cylinders) const {
  return BanksAllowed(banksManaged ? kBanksAllowedBit : 0, ignitionChannels, cylinders);
}

CapabilityRecord DecodeCapabilities(const EcuCapabilities& caps) {
  const uint16_t cylinderWord = Word(caps.CylinderCaps, 1);
  return {.cylinderCounts = cylinderWord,
          .banksManaged = (cylinderWord & kBanksAllowedBit) != 0,
          .mainPhaseTypes = Word(caps.PhaseCaps, 1),
          .sensedCamshafts = Word(caps.PhaseCaps, 2),
          .ignitionTypes = Word(caps.IgnitionCaps, 1),
          .ignitionChannels = Word(caps.IgnitionCaps, 2),
          .sharedOutputLimit = Word(caps.IgnitionCaps, 3),
          .ignitionPulses = Word(caps.IgnitionCaps, 4),
          .maxIgnitionDelayUs = Word(caps.IgnitionCaps, 5),
          .injectionTypes = Word(caps.InjectionCaps, 1),
          .freedInjectionChannels = Word(caps.InjectionCaps, 2),
          .sharedInjectionChannels = Word(caps.InjectionCaps, 3)};
}

}  // namespace vantel
