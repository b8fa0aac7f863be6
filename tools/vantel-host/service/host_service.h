#pragma once
// The host side of ACTIONDLL: answers every request from the Kalbrix through the shared
// request table, and notes what the plug-in sends for the report printed after each step.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kalbrix.h"
#include "request_table.h"
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

/// A request the host failed, as --trace prints it.
struct FailedRequest {
  int32_t code;
  int32_t sent;         // the integer the plug-in passed, if it passed one
  std::string request;  // "> REQ_ITEM_VALUE (0x40030) \"ITEM\" in: none"
  std::string reply;    // "< 2 none"
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
  std::vector<FailedRequest> failures;
};

/// The machine data descriptor elements whose items the host reports by role.
enum DescriptorElement : int {
  kSensorTableElement = 3,
  kStatusListElement = 4,
  kOptionFlagsElement = 5,
  kInjectionFlagsElement = 6,
  kRailMapListElement = 11,
  kEngineTableElement = 12,
  kFirstConfigTableElement = 12,
  kLastConfigTableElement = 17,
};

class HostService {
 public:
  /// `trace`, when not null, receives one line per request and one per reply. `language`
  /// answers REQ_HOST_LANGUAGE: the host's own setting, not the file's.
  HostService(Kalbrix& kalbrix, int32_t language, FILE* trace);

  /// The whole of ACTIONDLL.
  int32_t Handle(int32_t machine, int32_t code, const char* item, HostBuffer* buf);

  Observation TakeObservation();

  /// Items the plug-in wrote over the whole run, each once, in first-write order.
  const std::vector<std::string>& WrittenItems() const { return writtenItems_; }

  /// The name of the item that a machine data descriptor element identifies ("" if none).
  std::string DescriptorItem(int element) const;
  /// The descriptor element that holds identifier `id`, or -1.
  int DescriptorElementOf(int32_t id) const;
  const std::string& DescriptorName() const { return kalbrix_.descriptor; }

  /// Asked before each request is served; any result but HOST_OK fails the request with it
  /// and leaves the record as the plug-in passed it (a host whose link to the ECU drops).
  std::function<int32_t(int32_t code, const std::string& item)> failRequest;

 private:
  void Note(int32_t code, const std::string& item, int32_t sent);
  void Trace(const std::string& line) const;
  std::string RequestLine(int32_t code, const std::string& item, const HostBuffer* buf) const;
  std::string ReplyLine(int32_t code, const std::string& item, const HostBuffer* buf,
                        int32_t result) const;

  Kalbrix& kalbrix_;
  int32_t language_;
  FILE* trace_;
  Observation seen_;
  std::vector<std::string> writtenItems_;
};

using hostcore::RequestName;

/// The one way ACTIONDLL reaches a host: it asks `route` for the service of the request's
/// machine index. Without a route, or when it gives null, the request fails as an action
/// error. Removed with an empty function.
void InstallHostRouter(std::function<HostService*(int32_t machine)> route);

}  // namespace vantel::host
