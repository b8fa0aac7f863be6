#include "host_service.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "plugin_edge.h"
#include "vantel/host_text.h"
#include "words.h"

namespace vantel::host {

namespace {

std::function<HostService*(int32_t)> router;

std::string DescribePayload(int32_t code, const HostBuffer* buf, bool asLongs) {
  if (buf->data == nullptr || buf->len == 0) return "none";
  if (buf->len == -1) {
    int32_t value;
    std::memcpy(&value, buf->data, sizeof value);
    return "int " + std::to_string(value);
  }
  if (buf->len < 0) return "len " + std::to_string(buf->len);
  const auto* bytes = static_cast<const unsigned char*>(buf->data);
  const size_t count = static_cast<size_t>(buf->len);
  const bool text =
      bytes[count - 1] == 0 && std::all_of(bytes, bytes + count - 1, [](unsigned char c) {
        return c >= 0x20 || c == '\n' || c == '\r' || c == '\t' || c == 0;
      });
  if (text && code != REQ_ITEM_WRITE && code != REQ_ITEM_VALUE) {
    std::string shown(reinterpret_cast<const char*>(bytes), count - 1);
    for (char& c : shown)
      if (c == '\0') c = '|';  // name lists: one '|' between names
    // The wire's code page, printed as the terminal's UTF-8; the length stays the wire's.
    std::string escaped;
    for (char c : Cp1252ToUtf8(shown))
      escaped += c == '\n' ? std::string("\\n") : std::string(1, c);
    return "text[" + std::to_string(count) + "] \"" + escaped + "\"";
  }
  std::string out;
  if (asLongs && count % 4 == 0) {
    out = "longs[" + std::to_string(count / 4) + "]";
    for (size_t i = 0; i < count / 4; ++i) {
      int32_t v;
      std::memcpy(&v, bytes + 4 * i, sizeof v);
      out += " " + std::to_string(v);
    }
    return out;
  }
  if (count % 2 == 0) {
    out = "words[" + std::to_string(count / 2) + "]";
    for (size_t i = 0; i < count / 2; ++i) {
      uint16_t v;
      std::memcpy(&v, bytes + 2 * i, sizeof v);
      out += " " + std::to_string(v);
    }
    return out;
  }
  out = "bytes[" + std::to_string(count) + "]";
  for (size_t i = 0; i < count; ++i) out += " " + std::to_string(bytes[i]);
  return out;
}

}  // namespace

void InstallHostRouter(std::function<HostService*(int32_t machine)> route) {
  router = std::move(route);
}

HostService::HostService(Kalbrix& kalbrix, int32_t language, FILE* trace)
    : kalbrix_(kalbrix), language_(language), trace_(trace) {}

Observation HostService::TakeObservation() {
  Observation taken = std::move(seen_);
  seen_ = Observation{};
  return taken;
}

std::string HostService::DescriptorItem(int element) const {
  const KalbrixItem* descriptor = kalbrix_.Find(kalbrix_.descriptor);
  if (!descriptor) return {};
  const auto* longs = std::get_if<Longs>(&descriptor->value);
  if (!longs || element < 1 || static_cast<size_t>(element) >= longs->size()) return {};
  const std::string* name = kalbrix_.NameOf((*longs)[static_cast<size_t>(element)]);
  return name ? *name : std::string();
}

int HostService::DescriptorElementOf(int32_t id) const {
  const KalbrixItem* descriptor = kalbrix_.Find(kalbrix_.descriptor);
  const auto* longs = descriptor ? std::get_if<Longs>(&descriptor->value) : nullptr;
  if (!longs) return -1;
  for (size_t element = 1; element < longs->size(); ++element)
    if ((*longs)[element] == id) return static_cast<int>(element);
  return -1;
}

void HostService::Trace(const std::string& line) const {
  if (!trace_) return;
  std::fprintf(trace_, "%s\n", line.c_str());
  std::fflush(trace_);
}

std::string HostService::RequestLine(int32_t code, const std::string& item,
                                     const HostBuffer* buf) const {
  return std::string("> ") + RequestName(code) + " (" + Hex(code) + ") \"" + item +
         "\" in: " + DescribePayload(code, buf, false);
}

std::string HostService::ReplyLine(int32_t code, const std::string& item, const HostBuffer* buf,
                                   int32_t result) const {
  // Long tables and word tables look alike on the wire; the host knows which it holds.
  const KalbrixItem* held = kalbrix_.Find(item);
  const bool asLongs = code == REQ_ITEM_VALUE && held && std::holds_alternative<Longs>(held->value);
  return "< " + std::to_string(result) + " " + DescribePayload(code, buf, asLongs);
}

int32_t HostService::Handle(int32_t, int32_t code, const char* item, HostBuffer* buf) {
  if (buf == nullptr) return HOST_DATA_ERROR;
  const std::string wire = item ? item : "";
  // The host reads and prints names in UTF-8; the request table answers the wire's bytes.
  const std::string name = Cp1252ToUtf8(wire);
  ++seen_.requests;
  // Described before serving: a request that succeeds hands its input over (one that
  // fails leaves the record as the plug-in passed it).
  if (trace_) Trace(RequestLine(code, name, buf));
  // Read before serving: a request that succeeds hands its input over and the record empties.
  const int32_t sent = hostcore::InputOf(buf).Int().value_or(0);
  // The language is the host's setting: a Kalbrix reloaded in place still answers it.
  kalbrix_.hostLanguage = language_;
  const int32_t refused = failRequest ? failRequest(code, name) : HOST_OK;
  const int32_t result =
      refused != HOST_OK ? refused
                         : hostcore::Serve(kalbrix_, code, wire, buf, hostcore::kMallocAllocator);
  if (result == HOST_OK) Note(code, name, sent);
  if (trace_) Trace(ReplyLine(code, name, buf, result));
  if (result != HOST_OK)
    seen_.failures.push_back(
        {code, sent, RequestLine(code, name, buf), ReplyLine(code, name, buf, result)});
  return result;
}

void HostService::Note(int32_t code, const std::string& name, int32_t sent) {
  switch (code) {
    case REQ_SAVE_STATUS:
      seen_.saveStatus.push_back(sent);
      return;
    case REQ_END_ACTION:
      seen_.endedActions.push_back(name);
      return;
    case REQ_FNC_ENABLE:
      seen_.enables.push_back({'F', name, sent});
      return;
    case REQ_SUP_ENABLE:
      seen_.enables.push_back({'S', name, sent});
      return;
    case REQ_DAT_ENABLE:
      seen_.enables.push_back({'D', name, sent});
      return;
    case REQ_ITEM_MARK:
      seen_.marks.emplace_back(name, sent);
      return;
    case REQ_ITEM_SEND:
      seen_.sends.emplace_back(name, sent);
      return;
    case REQ_ITEM_VSCALE:
      seen_.scales.push_back({name, true, sent});
      return;
    case REQ_ITEM_HSCALE:
      seen_.scales.push_back({name, false, sent});
      return;
    case REQ_ITEM_WRITE:
      break;
    default:
      return;
  }
  seen_.written.push_back(name);
  if (std::find(writtenItems_.begin(), writtenItems_.end(), name) == writtenItems_.end())
    writtenItems_.push_back(name);
  const auto* value = std::get_if<int32_t>(&kalbrix_.Find(name)->value);
  if (!value) return;
  if (name == DescriptorItem(kOptionFlagsElement)) seen_.optionFlags = *value;
  if (name == DescriptorItem(kInjectionFlagsElement)) seen_.injectionFlags = *value;
}

}  // namespace vantel::host

extern "C" __attribute__((visibility("default"))) int32_t ACTIONDLL(int32_t machine, int32_t code,
                                                                    const char* item,
                                                                    HostBuffer* buf) {
  vantel::host::HostService* service =
      vantel::host::router ? vantel::host::router(machine) : nullptr;
  if (service == nullptr) return HOST_ACTION_ERROR;
  // A request the host could not serve fails as the host's own fault; the plug-in shows it.
  return vantel::host::AtPluginEdge([&] { return service->Handle(machine, code, item, buf); },
                                    [code](const std::string& reason) {
                                      std::fprintf(stderr, "vantel-host: request 0x%x failed: %s\n",
                                                   static_cast<unsigned>(code), reason.c_str());
                                      return static_cast<int32_t>(HOST_INTERNAL_ERROR);
                                    });
}
