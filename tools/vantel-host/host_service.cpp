#include "host_service.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace vantel::host {

namespace {

struct RequestEntry {
  int32_t code;
  const char* name;
};

constexpr std::array<RequestEntry, 36> kRequests = {{
    {REQ_HOST_VERSION, "REQ_HOST_VERSION"},       {REQ_HOST_LANGUAGE, "REQ_HOST_LANGUAGE"},
    {REQ_HOST_LEVEL, "REQ_HOST_LEVEL"},           {REQ_USER_LEVEL, "REQ_USER_LEVEL"},
    {REQ_MACHINE_CONNECTION, "REQ_MACHINE_CONNECTION"},
    {REQ_MACHINE_NAME, "REQ_MACHINE_NAME"},       {REQ_REGISTER_MODULE, "REQ_REGISTER_MODULE"},
    {REQ_SAVE_STATUS, "REQ_SAVE_STATUS"},         {REQ_ITEM_LIST, "REQ_ITEM_LIST"},
    {REQ_USER_VALUE, "REQ_USER_VALUE"},           {REQ_SUP_QUERY, "REQ_SUP_QUERY"},
    {REQ_END_ACTION, "REQ_END_ACTION"},           {REQ_SUP_ENABLE, "REQ_SUP_ENABLE"},
    {REQ_FNC_QUERY, "REQ_FNC_QUERY"},             {REQ_FNC_ENABLE, "REQ_FNC_ENABLE"},
    {REQ_ITEM_ID, "REQ_ITEM_ID"},                 {REQ_ITEM_CLASS, "REQ_ITEM_CLASS"},
    {REQ_ITEM_NAME, "REQ_ITEM_NAME"},             {REQ_ITEM_STATE, "REQ_ITEM_STATE"},
    {REQ_ITEM_MARK, "REQ_ITEM_MARK"},             {REQ_ITEM_ATTR_10, "REQ_ITEM_ATTR_10"},
    {REQ_ITEM_PRESENT, "REQ_ITEM_PRESENT"},       {REQ_ITEM_IS_MAP, "REQ_ITEM_IS_MAP"},
    {REQ_DAT_ENABLE, "REQ_DAT_ENABLE"},           {REQ_ITEM_ATTR_20, "REQ_ITEM_ATTR_20"},
    {REQ_ITEM_ATTR_23, "REQ_ITEM_ATTR_23"},       {REQ_ITEM_ATTR_24, "REQ_ITEM_ATTR_24"},
    {REQ_ITEM_VALUE, "REQ_ITEM_VALUE"},           {REQ_ITEM_WRITE, "REQ_ITEM_WRITE"},
    {REQ_ITEM_ERROR_TEXT, "REQ_ITEM_ERROR_TEXT"}, {REQ_ITEM_ERROR_CODE, "REQ_ITEM_ERROR_CODE"},
    {REQ_ITEM_LABEL, "REQ_ITEM_LABEL"},           {REQ_ITEM_LISTS, "REQ_ITEM_LISTS"},
    {REQ_ITEM_SEND, "REQ_ITEM_SEND"},             {REQ_ITEM_VSCALE, "REQ_ITEM_VSCALE"},
    {REQ_ITEM_HSCALE, "REQ_ITEM_HSCALE"},
}};

HostService* current = nullptr;

void ReplyInt(HostBuffer* buf, int32_t value) {
  auto* data = static_cast<int32_t*>(std::malloc(sizeof value));
  *data = value;
  buf->len = -1;
  buf->data = data;
}

void ReplyBytes(HostBuffer* buf, const void* bytes, size_t count) {
  void* data = std::malloc(count);
  std::memcpy(data, bytes, count);
  buf->len = static_cast<int32_t>(count);
  buf->data = data;
}

void ReplyText(HostBuffer* buf, const std::string& text) {
  ReplyBytes(buf, text.c_str(), text.size() + 1);
}

bool ReplyValue(HostBuffer* buf, const ItemValue& value) {
  if (const auto* i = std::get_if<int32_t>(&value)) {
    ReplyInt(buf, *i);
    return true;
  }
  if (const auto* w = std::get_if<Words>(&value); w && !w->empty()) {
    ReplyBytes(buf, w->data(), w->size() * sizeof(uint16_t));
    return true;
  }
  if (const auto* l = std::get_if<Longs>(&value); l && !l->empty()) {
    ReplyBytes(buf, l->data(), l->size() * sizeof(int32_t));
    return true;
  }
  if (const auto* t = std::get_if<std::string>(&value)) {
    ReplyText(buf, *t);
    return true;
  }
  return false;
}

std::string Hex(int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
  return text;
}

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
  const bool text = bytes[count - 1] == 0 &&
                    std::all_of(bytes, bytes + count - 1, [](unsigned char c) { return c >= 0x20 || c == '\n' || c == '\r' || c == '\t' || c == 0; });
  if (text && code != REQ_ITEM_WRITE && code != REQ_ITEM_VALUE) {
    std::string shown(reinterpret_cast<const char*>(bytes), count - 1);
    for (char& c : shown)
      if (c == '\0') c = '|';  // name lists: one '|' between names
    std::string escaped;
    for (char c : shown) escaped += c == '\n' ? std::string("\\n") : std::string(1, c);
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

const char* RequestName(int32_t code) {
  for (const auto& entry : kRequests)
    if (entry.code == code) return entry.name;
  return "";
}

void InstallHostService(HostService* service) { current = service; }

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
  const KalbrixItem* item = kalbrix_.FindId((*longs)[static_cast<size_t>(element)]);
  return item ? item->name : std::string();
}

void HostService::Trace(const char* direction, int32_t code, const std::string& item,
                        const HostBuffer* buf, int32_t result) const {
  if (!trace_) return;
  if (direction[0] == '>') {
    std::fprintf(trace_, "> %s (%s) \"%s\" in: %s\n", RequestName(code), Hex(code).c_str(),
                 item.c_str(), DescribePayload(code, buf, false).c_str());
  } else {
    // Long tables and word tables look alike on the wire; the host knows which it holds.
    const KalbrixItem* held = kalbrix_.Find(item);
    const bool asLongs = code == REQ_ITEM_VALUE && held && std::holds_alternative<Longs>(held->value);
    std::fprintf(trace_, "< %d %s\n", result, DescribePayload(code, buf, asLongs).c_str());
  }
  std::fflush(trace_);
}

int32_t HostService::Handle(int32_t, int32_t code, const char* item, HostBuffer* buf) {
  if (buf == nullptr) return HOST_DATA_ERROR;
  const std::string name = item ? item : "";
  ++seen_.requests;
  Trace(">", code, name, buf, 0);
  const int32_t result = Serve(code, name, buf);
  Trace("<", code, name, buf, result);
  return result;
}

// The plug-in's input passes to the host when the request succeeds: free it and leave the
// record empty. On failure it must stay untouched, because the plug-in frees it then.
int32_t HostService::TakeInput(HostBuffer* buf, int32_t* value) {
  if (buf->len != -1 || buf->data == nullptr) return HOST_DATA_ERROR;
  std::memcpy(value, buf->data, sizeof *value);
  return HOST_OK;
}

int32_t HostService::Serve(int32_t code, const std::string& name, HostBuffer* buf) {
  auto consume = [buf] {
    std::free(buf->data);
    buf->data = nullptr;
    buf->len = 0;
  };
  KalbrixItem* item = kalbrix_.Find(name);
  int32_t input = 0;

  switch (code) {
    case REQ_HOST_VERSION:
      ReplyInt(buf, kalbrix_.hostVersion);
      return HOST_OK;
    case REQ_HOST_LANGUAGE:
      ReplyInt(buf, language_);
      return HOST_OK;
    case REQ_HOST_LEVEL:
      ReplyInt(buf, kalbrix_.hostLevel);
      return HOST_OK;
    case REQ_USER_LEVEL:
      // In/out: the reply takes the input's place, and the host disposes of the input.
      if (TakeInput(buf, &input) != HOST_OK) return HOST_DATA_ERROR;
      consume();
      ReplyInt(buf, kalbrix_.userLevel);
      return HOST_OK;
    case REQ_MACHINE_CONNECTION:
      ReplyInt(buf, kalbrix_.connection);
      return HOST_OK;
    case REQ_MACHINE_NAME:
      if (kalbrix_.name.empty()) return HOST_DATA_ERROR;
      ReplyText(buf, kalbrix_.name);
      return HOST_OK;
    case REQ_REGISTER_MODULE:
      if (TakeInput(buf, &input) != HOST_OK) return HOST_DATA_ERROR;
      consume();
      return HOST_OK;
    case REQ_SAVE_STATUS:
      if (TakeInput(buf, &input) != HOST_OK) return HOST_DATA_ERROR;
      consume();
      seen_.saveStatus.push_back(input);
      return HOST_OK;
    case REQ_ITEM_LIST: {
      std::string list;
      for (const auto& each : kalbrix_.items) list += each.name + '\0';
      if (list.empty()) return HOST_DATA_ERROR;
      ReplyBytes(buf, list.data(), list.size());
      return HOST_OK;
    }
    case REQ_USER_VALUE: {
      const auto value = kalbrix_.UserValue(name);
      if (!value) return HOST_TARGET_ERROR;
      ReplyInt(buf, *value);
      return HOST_OK;
    }
    case REQ_FNC_QUERY:
      ReplyInt(buf, kalbrix_.KnowsFunction(name) ? 1 : 0);
      return HOST_OK;
    case REQ_SUP_QUERY:
      ReplyInt(buf, kalbrix_.KnowsSupervision(name) ? 1 : 0);
      return HOST_OK;
    case REQ_END_ACTION:
      seen_.endedActions.push_back(name);
      return HOST_OK;
    case REQ_FNC_ENABLE:
    case REQ_SUP_ENABLE:
    case REQ_DAT_ENABLE: {
      const bool known = code == REQ_FNC_ENABLE   ? kalbrix_.KnowsFunction(name)
                         : code == REQ_SUP_ENABLE ? kalbrix_.KnowsSupervision(name)
                                                  : item != nullptr;
      if (!known) return HOST_TARGET_ERROR;
      if (TakeInput(buf, &input) != HOST_OK) return HOST_DATA_ERROR;
      consume();
      const char kind = code == REQ_FNC_ENABLE ? 'F' : code == REQ_SUP_ENABLE ? 'S' : 'D';
      seen_.enables.push_back({kind, name, input});
      return HOST_OK;
    }
    case REQ_ITEM_NAME: {
      // In/out like REQ_USER_LEVEL: identifier in, name back in its place.
      if (TakeInput(buf, &input) != HOST_OK) return HOST_DATA_ERROR;
      const KalbrixItem* named = kalbrix_.FindId(input);
      if (!named) return HOST_TARGET_ERROR;
      consume();
      ReplyText(buf, named->name);
      return HOST_OK;
    }
    default:
      break;
  }

  // Everything else is about one named item.
  if (!item) {
    if (RequestName(code)[0] == '\0') return HOST_ACTION_ERROR;
    return HOST_TARGET_ERROR;
  }
  switch (code) {
    case REQ_ITEM_ID:
      if (item->id == -1) return HOST_TARGET_ERROR;
      ReplyInt(buf, item->id);
      return HOST_OK;
    case REQ_ITEM_CLASS:
      ReplyInt(buf, item->itemClass);
      return HOST_OK;
    case REQ_ITEM_STATE:
      ReplyInt(buf, item->state);
      return HOST_OK;
    case REQ_ITEM_ATTR_10:
      ReplyInt(buf, item->Attribute("10"));
      return HOST_OK;
    case REQ_ITEM_ATTR_20:
      ReplyInt(buf, item->Attribute("20"));
      return HOST_OK;
    case REQ_ITEM_ATTR_23:
      ReplyInt(buf, item->Attribute("23"));
      return HOST_OK;
    case REQ_ITEM_ATTR_24:
      ReplyInt(buf, item->Attribute("24"));
      return HOST_OK;
    case REQ_ITEM_PRESENT:
      ReplyInt(buf, item->present);
      return HOST_OK;
    case REQ_ITEM_IS_MAP:
      ReplyInt(buf, item->isMap);
      return HOST_OK;
    case REQ_ITEM_LISTS:
      ReplyInt(buf, item->lists);
      return HOST_OK;
    case REQ_ITEM_ERROR_CODE:
      ReplyInt(buf, item->errorCode);
      return HOST_OK;
    case REQ_ITEM_ERROR_TEXT:
      ReplyText(buf, item->errorText);
      return HOST_OK;
    case REQ_ITEM_LABEL:
      ReplyText(buf, item->label.empty() ? item->name : item->label);
      return HOST_OK;
    case REQ_ITEM_VALUE:
      return ReplyValue(buf, item->value) ? HOST_OK : HOST_DATA_ERROR;
    case REQ_ITEM_MARK:
    case REQ_ITEM_SEND:
    case REQ_ITEM_VSCALE:
    case REQ_ITEM_HSCALE:
      if (TakeInput(buf, &input) != HOST_OK) return HOST_DATA_ERROR;
      consume();
      if (code == REQ_ITEM_MARK) seen_.marks.emplace_back(name, input);
      if (code == REQ_ITEM_SEND) seen_.sends.emplace_back(name, input);
      if (code == REQ_ITEM_VSCALE || code == REQ_ITEM_HSCALE)
        seen_.scales.push_back({name, code == REQ_ITEM_VSCALE, input});
      return HOST_OK;
    case REQ_ITEM_WRITE: {
      if (buf->data == nullptr || buf->len == 0) return HOST_DATA_ERROR;
      if (buf->len == -1) {
        std::memcpy(&input, buf->data, sizeof input);
        item->value = input;
      } else {
        if (buf->len < 2 || buf->len % 2 != 0) return HOST_DATA_ERROR;
        Words words(static_cast<size_t>(buf->len) / 2);
        std::memcpy(words.data(), buf->data, static_cast<size_t>(buf->len));
        item->value = std::move(words);
      }
      consume();
      seen_.written.push_back(name);
      if (std::find(writtenItems_.begin(), writtenItems_.end(), name) == writtenItems_.end())
        writtenItems_.push_back(name);
      if (const auto* value = std::get_if<int32_t>(&item->value)) {
        if (name == DescriptorItem(kOptionFlagsElement)) seen_.optionFlags = *value;
        if (name == DescriptorItem(kInjectionFlagsElement)) seen_.injectionFlags = *value;
      }
      return HOST_OK;
    }
    default:
      return HOST_ACTION_ERROR;
  }
}

}  // namespace vantel::host

extern "C" __attribute__((visibility("default"))) int32_t ACTIONDLL(int32_t machine, int32_t code,
                                                                    const char* item,
                                                                    HostBuffer* buf) {
  if (vantel::host::current == nullptr) return HOST_ACTION_ERROR;
  return vantel::host::current->Handle(machine, code, item, buf);
}
