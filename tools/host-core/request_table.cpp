#include "request_table.h"

#include <array>
#include <cstring>
#include <string_view>
#include <utility>

#include "vantel/host_text.h"

namespace vantel::hostcore {

namespace {

struct Request {
  const std::string& name;
  Item* item;  // the named item when the store holds it
  int32_t code;
  Input input;
};

using Handler = Reply (*)(ItemStore& store, const Request& request);

// The store holds UTF-8; texts cross the ABI in code page 1252. A text the code page cannot
// hold is not sent short of a character: the request fails as one without usable data.
Reply TextReply(std::string_view text) {
  const std::optional<std::string> wire = Utf8ToCp1252(text);
  if (!wire) return Reply::Result(HOST_DATA_ERROR);
  return Reply::Text(*wire);
}

Reply ValueReply(const ItemValue& value) {
  if (const auto* i = std::get_if<int32_t>(&value)) return Reply::Int(*i);
  // A table is never empty on the ECU: element 0 is its own size.
  if (const auto* w = std::get_if<Words>(&value); w && !w->empty())
    return Reply::Bytes(w->data(), w->size() * sizeof(uint16_t));
  if (const auto* l = std::get_if<Longs>(&value); l && !l->empty())
    return Reply::Bytes(l->data(), l->size() * sizeof(int32_t));
  if (const auto* t = std::get_if<std::string>(&value)) return TextReply(*t);
  return Reply::Result(HOST_DATA_ERROR);
}

// The wire does not tell a word table from a long table or a text: the item's own form says
// how a payload reads, and one that does not read so is of another form.
std::optional<ItemValue> PayloadInFormOf(const Input& input, const ItemValue& form) {
  if (input.data == nullptr) return std::nullopt;
  if (std::holds_alternative<int32_t>(form)) {
    if (const auto value = input.Int()) return ItemValue{*value};
    return std::nullopt;
  }
  if (input.len <= 0) return std::nullopt;
  const auto count = static_cast<size_t>(input.len);
  const auto* bytes = static_cast<const char*>(input.data);
  if (std::holds_alternative<Words>(form) && count % sizeof(uint16_t) == 0) {
    Words words(count / sizeof(uint16_t));
    std::memcpy(words.data(), bytes, count);
    return words;
  }
  if (std::holds_alternative<Longs>(form) && count % sizeof(int32_t) == 0) {
    Longs longs(count / sizeof(int32_t));
    std::memcpy(longs.data(), bytes, count);
    return longs;
  }
  if (std::holds_alternative<std::string>(form) && bytes[count - 1] == '\0' &&
      std::memchr(bytes, '\0', count - 1) == nullptr) {
    // A byte the code page leaves unassigned is no character: the file could not keep it.
    bool whole = false;
    std::string text = Cp1252ToUtf8({bytes, count - 1}, &whole);
    if (whole) return text;
  }
  return std::nullopt;
}

template <int32_t ItemStore::*kField>
Reply MachineInt(ItemStore& store, const Request&) {
  return Reply::Int(store.*kField);
}

template <int32_t Item::*kField>
Reply ItemInt(ItemStore&, const Request& request) {
  return Reply::Int(request.item->*kField);
}

// A send: the int32 goes to the host, and only the result comes back.
Reply Taken(ItemStore&, const Request& request) {
  return Reply::Result(request.input.Int() ? HOST_OK : HOST_DATA_ERROR);
}

Reply UserLevel(ItemStore& store, const Request& request) {
  if (!request.input.Int()) return Reply::Result(HOST_DATA_ERROR);
  return Reply::Int(store.userLevel);
}

Reply MachineName(ItemStore& store, const Request&) {
  if (!store.machineName) return Reply::Result(HOST_DATA_ERROR);
  return TextReply(*store.machineName);
}

Reply ItemList(ItemStore& store, const Request&) {
  std::string list;
  for (const std::string& name : store.ListedNames()) {
    const std::optional<std::string> wire = Utf8ToCp1252(name);
    if (!wire) return Reply::Result(HOST_DATA_ERROR);
    list += *wire;
    list += '\0';
  }
  if (list.empty()) return Reply::Result(HOST_DATA_ERROR);
  return Reply::Bytes(list.data(), list.size());
}

Reply UserValue(ItemStore& store, const Request& request) {
  const auto value = store.UserValue(request.name);
  if (!value) return Reply::Result(HOST_TARGET_ERROR);
  return Reply::Int(*value);
}

Reply FunctionQuery(ItemStore& store, const Request& request) {
  return Reply::Int(store.KnowsFunction(request.name) ? 1 : 0);
}

Reply SupervisionQuery(ItemStore& store, const Request& request) {
  return Reply::Int(store.KnowsSupervision(request.name) ? 1 : 0);
}

Reply EndAction(ItemStore&, const Request&) { return Reply::Result(HOST_OK); }

// An entry the ECU does not have cannot be switched, whatever the plug-in sends.
Reply FunctionEnable(ItemStore& store, const Request& request) {
  if (!store.KnowsFunction(request.name)) return Reply::Result(HOST_TARGET_ERROR);
  return Taken(store, request);
}

Reply SupervisionEnable(ItemStore& store, const Request& request) {
  if (!store.KnowsSupervision(request.name)) return Reply::Result(HOST_TARGET_ERROR);
  return Taken(store, request);
}

Reply ItemName(ItemStore& store, const Request& request) {
  const auto id = request.input.Int();
  if (!id) return Reply::Result(HOST_DATA_ERROR);
  const std::string* name = store.NameOf(*id);
  if (!name) return Reply::Result(HOST_TARGET_ERROR);
  return TextReply(*name);
}

Reply ItemId(ItemStore&, const Request& request) {
  if (request.item->id == -1) return Reply::Result(HOST_TARGET_ERROR);
  return Reply::Int(request.item->id);
}

Reply Attribute(ItemStore&, const Request& request) {
  return Reply::Int(request.item->Attribute(request.code));
}

Reply ErrorText(ItemStore&, const Request& request) { return TextReply(request.item->errorText); }

Reply Label(ItemStore&, const Request& request) {
  return TextReply(request.item->label.empty() ? request.name : request.item->label);
}

Reply Value(ItemStore&, const Request& request) { return ValueReply(request.item->value); }

Reply Write(ItemStore& store, const Request& request) {
  auto value = PayloadInFormOf(request.input, request.item->value);
  if (!value) return Reply::Result(HOST_DATA_ERROR);
  return Reply::Result(store.Replace(request.name, std::move(*value)));
}

struct Entry {
  int32_t code;
  const char* name;
  bool aboutItem;  // an item the store does not hold fails with the target error
  bool inOut;
  Handler handler;
};

constexpr std::array<Entry, 36> kRequests = {{
    {REQ_HOST_VERSION, "REQ_HOST_VERSION", false, false, &MachineInt<&ItemStore::hostVersion>},
    {REQ_HOST_LANGUAGE, "REQ_HOST_LANGUAGE", false, false, &MachineInt<&ItemStore::hostLanguage>},
    {REQ_HOST_LEVEL, "REQ_HOST_LEVEL", false, false, &MachineInt<&ItemStore::hostLevel>},
    {REQ_USER_LEVEL, "REQ_USER_LEVEL", false, true, &UserLevel},
    {REQ_MACHINE_CONNECTION, "REQ_MACHINE_CONNECTION", false, false,
     &MachineInt<&ItemStore::connection>},
    {REQ_MACHINE_NAME, "REQ_MACHINE_NAME", false, false, &MachineName},
    {REQ_REGISTER_MODULE, "REQ_REGISTER_MODULE", false, false, &Taken},
    {REQ_SAVE_STATUS, "REQ_SAVE_STATUS", false, false, &Taken},
    {REQ_ITEM_LIST, "REQ_ITEM_LIST", false, false, &ItemList},
    {REQ_USER_VALUE, "REQ_USER_VALUE", false, false, &UserValue},
    {REQ_SUP_QUERY, "REQ_SUP_QUERY", false, false, &SupervisionQuery},
    {REQ_END_ACTION, "REQ_END_ACTION", false, false, &EndAction},
    {REQ_SUP_ENABLE, "REQ_SUP_ENABLE", false, false, &SupervisionEnable},
    {REQ_FNC_QUERY, "REQ_FNC_QUERY", false, false, &FunctionQuery},
    {REQ_FNC_ENABLE, "REQ_FNC_ENABLE", false, false, &FunctionEnable},
    {REQ_ITEM_ID, "REQ_ITEM_ID", true, false, &ItemId},
    {REQ_ITEM_CLASS, "REQ_ITEM_CLASS", true, false, &ItemInt<&Item::cls>},
    {REQ_ITEM_NAME, "REQ_ITEM_NAME", false, true, &ItemName},
    {REQ_ITEM_STATE, "REQ_ITEM_STATE", true, false, &ItemInt<&Item::stateBits>},
    {REQ_ITEM_MARK, "REQ_ITEM_MARK", true, false, &Taken},
    {REQ_ITEM_ATTR_10, "REQ_ITEM_ATTR_10", true, false, &Attribute},
    {REQ_ITEM_PRESENT, "REQ_ITEM_PRESENT", true, false, &ItemInt<&Item::present>},
    {REQ_ITEM_IS_MAP, "REQ_ITEM_IS_MAP", true, false, &ItemInt<&Item::isMap>},
    {REQ_DAT_ENABLE, "REQ_DAT_ENABLE", true, false, &Taken},
    {REQ_ITEM_ATTR_20, "REQ_ITEM_ATTR_20", true, false, &Attribute},
    {REQ_ITEM_ATTR_23, "REQ_ITEM_ATTR_23", true, false, &Attribute},
    {REQ_ITEM_ATTR_24, "REQ_ITEM_ATTR_24", true, false, &Attribute},
    {REQ_ITEM_VALUE, "REQ_ITEM_VALUE", true, false, &Value},
    {REQ_ITEM_WRITE, "REQ_ITEM_WRITE", true, false, &Write},
    {REQ_ITEM_ERROR_TEXT, "REQ_ITEM_ERROR_TEXT", true, false, &ErrorText},
    {REQ_ITEM_ERROR_CODE, "REQ_ITEM_ERROR_CODE", true, false, &ItemInt<&Item::errorCode>},
    {REQ_ITEM_LABEL, "REQ_ITEM_LABEL", true, false, &Label},
    {REQ_ITEM_LISTS, "REQ_ITEM_LISTS", true, false, &ItemInt<&Item::lists>},
    {REQ_ITEM_SEND, "REQ_ITEM_SEND", true, false, &Taken},
    {REQ_ITEM_VSCALE, "REQ_ITEM_VSCALE", true, false, &Taken},
    {REQ_ITEM_HSCALE, "REQ_ITEM_HSCALE", true, false, &Taken},
}};

const Entry* EntryOf(int32_t code) {
  for (const Entry& entry : kRequests)
    if (entry.code == code) return &entry;
  return nullptr;
}

}  // namespace

Reply Reply::Int(int32_t value) {
  Reply reply;
  reply.len = -1;
  reply.bytes.resize(sizeof value);
  std::memcpy(reply.bytes.data(), &value, sizeof value);
  return reply;
}

Reply Reply::Bytes(const void* data, size_t count) {
  Reply reply;
  const auto* bytes = static_cast<const uint8_t*>(data);
  reply.bytes.assign(bytes, bytes + count);
  reply.len = static_cast<int32_t>(count);
  return reply;
}

Reply Reply::Text(std::string_view text) {
  Reply reply;
  reply.bytes.assign(text.begin(), text.end());
  reply.bytes.push_back(0);
  reply.len = static_cast<int32_t>(reply.bytes.size());
  return reply;
}

Reply Reply::Result(int32_t result) {
  Reply reply;
  reply.result = result;
  return reply;
}

std::optional<int32_t> Input::Int() const {
  if (len != -1 || data == nullptr) return std::nullopt;
  int32_t value;
  std::memcpy(&value, data, sizeof value);
  return value;
}

Input InputOf(const HostBuffer* buf) {
  if (buf == nullptr) return {};
  return {buf->len, buf->data};
}

const char* RequestName(int32_t code) {
  const Entry* entry = EntryOf(code);
  return entry ? entry->name : "";
}

bool IsInOut(int32_t code) {
  const Entry* entry = EntryOf(code);
  return entry && entry->inOut;
}

Reply Answer(ItemStore& store, int32_t code, const std::string& item, const Input& input) {
  const Entry* entry = EntryOf(code);
  if (!entry) return Reply::Result(HOST_ACTION_ERROR);
  // A name with a byte the code page leaves unassigned is the name of nothing the store holds.
  bool whole = false;
  const std::string name = Cp1252ToUtf8(item, &whole);
  if (!whole) return Reply::Result(HOST_TARGET_ERROR);
  Item* found = store.Find(name);
  if (entry->aboutItem && !found) return Reply::Result(HOST_TARGET_ERROR);
  return entry->handler(store, Request{name, found, code, input});
}

int32_t Deliver(HostBuffer* buf, int32_t code, const Reply& reply,
                const BlockAllocator& allocator) {
  if (buf == nullptr) return HOST_DATA_ERROR;
  if (reply.result != HOST_OK) return reply.result;
  const bool sent = buf->data != nullptr;
  if (sent) allocator.release(buf->data);
  buf->data = nullptr;
  buf->len = 0;
  // A send is answered by its result alone: the plug-in frees no reply after one.
  if (sent && !IsInOut(code)) return HOST_OK;
  buf->len = reply.len;
  if (reply.nullData || (reply.len == 0 && reply.bytes.empty())) return HOST_OK;
  void* block = allocator.alloc(reply.bytes.size());
  if (!reply.bytes.empty()) std::memcpy(block, reply.bytes.data(), reply.bytes.size());
  buf->data = block;
  return HOST_OK;
}

int32_t Serve(ItemStore& store, int32_t code, const std::string& item, HostBuffer* buf,
              const BlockAllocator& allocator) {
  if (buf == nullptr) return HOST_DATA_ERROR;
  return Deliver(buf, code, Answer(store, code, item, InputOf(buf)), allocator);
}

}  // namespace vantel::hostcore
