#pragma once
// The host side of ACTIONDLL: answers every request from the Kalbrix, keeps what the
// plug-in sends, and notes it for the report the host prints after each step.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "kalbrix.h"
#include "vantel/host_abi.h"

namespace vantel::host {

/// One enable the plug-in sent: REQ_FNC_ENABLE, REQ_SUP_ENABLE or REQ_DAT_ENABLE.
struct Enable {
  char kind;  // 'F', 'S' or 'D'
  std::string name;
  int32_t value;
};

struct ScaleReference {
  std::string map;
  bool vertical;
  int32_t reference;
};

/// Everything the host saw the plug-in do since the last TakeObservation.
struct Observation {
  std::vector<Enable> enables;
  std::vector<std::string> written;  // REQ_ITEM_WRITE, in order, repeats kept
  std::vector<std::pair<std::string, int32_t>> marks;
  std::vector<ScaleReference> scales;
  std::vector<std::pair<std::string, int32_t>> sends;  // REQ_ITEM_SEND item and mode
  std::vector<std::string> endedActions;
  std::vector<int32_t> saveStatus;
  std::optional<int32_t> optionFlags;
  std::optional<int32_t> injectionFlags;
  size_t requests = 0;
};

/// The machine data descriptor elements whose items the host reports by role.
enum DescriptorElement : int {
  kSensorTableElement = 3,
  kStatusListElement = 4,
  kOptionFlagsElement = 5,
  kInjectionFlagsElement = 6,
  kEngineTableElement = 12,
  kFirstConfigTableElement = 12,
  kLastConfigTableElement = 17,
};

class HostService {
 public:
  /// `trace`, when not null, receives one line per request and one per reply.
  HostService(Kalbrix& kalbrix, int32_t language, FILE* trace);

  /// The whole of ACTIONDLL.
  int32_t Handle(int32_t machine, int32_t code, const char* item, HostBuffer* buf);

  Observation TakeObservation();

  /// Items the plug-in wrote over the whole run, each once, in first-write order.
  const std::vector<std::string>& WrittenItems() const { return writtenItems_; }

  /// The name of the item that a machine data descriptor element identifies ("" if none).
  std::string DescriptorItem(int element) const;

 private:
  int32_t Serve(int32_t code, const std::string& item, HostBuffer* buf);
  int32_t TakeInput(HostBuffer* buf, int32_t* value);
  void Trace(const char* direction, int32_t code, const std::string& item,
             const HostBuffer* buf, int32_t result) const;

  Kalbrix& kalbrix_;
  int32_t language_;
  FILE* trace_;
  Observation seen_;
  std::vector<std::string> writtenItems_;
};

/// Name of a request code ("REQ_ITEM_VALUE"), or "" for an unknown one.
const char* RequestName(int32_t code);

/// Routes ACTIONDLL to `service` (null: every request fails as an action error).
void InstallHostService(HostService* service);

}  // namespace vantel::host
