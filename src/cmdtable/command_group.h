#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vantel {

/// One group of an ECU command table. In `groups`: three selection pairs (CN0/CN1, CN2/CN3,
/// CN4/CN5) and the required option bits CN6. In `scaleEntries`: two option keys and masks
/// (CN0/CN1, CN2/CN3) and two candidate identifiers (CN4, CN6).
struct CommandGroup {
  int32_t CN0 = 0;
  int32_t CN1 = -1;
  int32_t CN2 = 0;
  int32_t CN3 = -1;
  int32_t CN4 = 0;
  int32_t CN5 = -1;
  int32_t CN6 = 0;
  std::vector<std::string> functions;
  std::vector<std::string> supervisions;
  std::vector<std::string> dataItems;
};

/// An ordered list of groups: `groups` or `scaleEntries`. Each group is shared so that a walk
/// can hold the list it started with while a re-entrant call replaces the machine's list.
using CommandGroupList = std::vector<std::shared_ptr<CommandGroup>>;

}  // namespace vantel
