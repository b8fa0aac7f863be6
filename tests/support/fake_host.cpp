#include "support/fake_host.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace vantel::test {

// ---------------------------------------------------------------- ledger

AllocationLedger* AllocationLedger::current_ = nullptr;

AllocationLedger::AllocationLedger() : allocator_{&Alloc, &Release, &BlockSize} {
  current_ = this;
  SetHostAllocator(&allocator_);
}

AllocationLedger::~AllocationLedger() {
  FreeAll();
  SetHostAllocator(nullptr);
  current_ = nullptr;
}

void AllocationLedger::FreeAll() {
  for (auto& [block, size] : live_) std::free(const_cast<void*>(block));
  live_.clear();
}

void* AllocationLedger::Alloc(size_t size) {
  void* block = std::malloc(size);
  current_->live_[block] = size;
  ++current_->allocations_;
  return block;
}

void AllocationLedger::Release(void* block) {
  auto it = current_->live_.find(block);
  if (it == current_->live_.end()) {
    ++current_->badFrees_;  // never free a block twice, even in a failing test
    return;
  }
  current_->live_.erase(it);
  std::free(block);
}

size_t AllocationLedger::BlockSize(const void* block) {
  auto it = current_->live_.find(block);
  return it == current_->live_.end() ? 0 : it->second;
}

// ---------------------------------------------------------------- replies

std::optional<int32_t> RequestRecord::InInt() const {
  if (inLen != -1 || inBytes.size() != 4) return std::nullopt;
  int32_t value;
  std::memcpy(&value, inBytes.data(), 4);
  return value;
}

WordTable RequestRecord::InWords() const {
  WordTable words(inBytes.size() / 2);
  std::memcpy(words.data(), inBytes.data(), words.size() * 2);
  return words;
}

RawReply IntReply(int32_t value) {
  RawReply reply;
  reply.len = -1;
  reply.bytes.resize(4);
  std::memcpy(reply.bytes.data(), &value, 4);
  return reply;
}

RawReply TextReply(const std::string& text) {
  RawReply reply;
  reply.bytes.assign(text.begin(), text.end());
  reply.bytes.push_back(0);
  reply.len = static_cast<int32_t>(reply.bytes.size());
  return reply;
}

RawReply WordsReply(const WordTable& words) {
  RawReply reply;
  reply.bytes.resize(words.size() * 2);
  std::memcpy(reply.bytes.data(), words.data(), reply.bytes.size());
  reply.len = static_cast<int32_t>(reply.bytes.size());
  return reply;
}

RawReply LongsReply(const std::vector<int32_t>& longs) {
  RawReply reply;
  reply.bytes.resize(longs.size() * 4);
  std::memcpy(reply.bytes.data(), longs.data(), reply.bytes.size());
  reply.len = static_cast<int32_t>(reply.bytes.size());
  return reply;
}

RawReply FailReply(int32_t result) {
  RawReply reply;
  reply.result = result;
  return reply;
}

// ---------------------------------------------------------------- host

FakeHost* FakeHost::current_ = nullptr;

FakeHost::FakeHost() { current_ = this; }
FakeHost::~FakeHost() {
  if (current_ == this) current_ = nullptr;
}

ActionDllFn FakeHost::Entry() {
  return [](int32_t machine, int32_t code, const char* item, HostBuffer* buf) -> int32_t {
    if (current_ == nullptr) throw std::logic_error("no fake host");
    return current_->Handle(machine, code, item, buf);
  };
}

void FakeHost::Program(int32_t code, const std::string& item, RawReply reply, int times) {
  programmed_[{code, item}].push_back({std::move(reply), times});
}

void FakeHost::Fail(int32_t code, const std::string& item, int32_t result, int times) {
  Program(code, item, FailReply(result), times);
}

void FakeHost::FailCode(int32_t code, int32_t result) { failedCodes_[code] = result; }

Item& FakeHost::AddItem(const std::string& name, int32_t id, ItemValue value) {
  Item& item = items[name];
  item.id = id;
  item.value = std::move(value);
  return item;
}

std::vector<RequestRecord> FakeHost::Requests(int32_t code) const {
  std::vector<RequestRecord> out;
  for (const RequestRecord& r : log)
    if (r.code == code) out.push_back(r);
  return out;
}

std::optional<WordTable> FakeHost::Written(const std::string& item) const {
  for (auto it = log.rbegin(); it != log.rend(); ++it)
    if (it->code == REQ_ITEM_WRITE && it->item == item && it->result == HOST_OK && it->inLen > 0)
      return it->InWords();
  return std::nullopt;
}

std::optional<RawReply> FakeHost::TakeProgrammed(int32_t code, const std::string& item) {
  auto it = programmed_.find({code, item});
  if (it == programmed_.end() || it->second.empty()) return std::nullopt;
  Programmed& front = it->second.front();
  RawReply reply = front.reply;
  if (front.times > 0 && --front.times == 0) it->second.erase(it->second.begin());
  return reply;
}

namespace {

RawReply ValueReply(const ItemValue& value) {
  if (auto* i = std::get_if<int32_t>(&value)) return IntReply(*i);
  if (auto* w = std::get_if<WordTable>(&value)) return WordsReply(*w);
  if (auto* l = std::get_if<std::vector<int32_t>>(&value)) return LongsReply(*l);
  if (auto* t = std::get_if<std::string>(&value)) return TextReply(*t);
  return FailReply(HOST_DATA_ERROR);
}

RawReply NameList(const std::map<std::string, Item>& items) {
  RawReply reply;
  for (const auto& [name, item] : items) {
    reply.bytes.insert(reply.bytes.end(), name.begin(), name.end());
    reply.bytes.push_back(0);
  }
  if (reply.bytes.empty()) reply.bytes.push_back(0);
  reply.len = static_cast<int32_t>(reply.bytes.size());
  return reply;
}

}  // namespace

RawReply FakeHost::Answer(int32_t code, const std::string& name, const RequestRecord& request) {
  if (auto programmed = TakeProgrammed(code, name)) return *programmed;
  if (auto failed = failedCodes_.find(code); failed != failedCodes_.end())
    return FailReply(failed->second);

  auto found = items.find(name);
  Item* item = found == items.end() ? nullptr : &found->second;
  auto attribute = [&](int32_t fallback) {
    if (!item) return FailReply(HOST_TARGET_ERROR);
    auto a = item->attributes.find(code);
    return IntReply(a == item->attributes.end() ? fallback : a->second);
  };
  const RawReply ok;
  switch (code) {
    case REQ_HOST_VERSION: return IntReply(hostVersion);
    case REQ_HOST_LANGUAGE: return IntReply(hostLanguage);
    case REQ_HOST_LEVEL: return IntReply(hostLevel);
    case REQ_USER_LEVEL: return IntReply(userLevel);
    case REQ_MACHINE_CONNECTION: return IntReply(connection);
    case REQ_MACHINE_NAME: return machineName ? TextReply(*machineName) : FailReply(HOST_DATA_ERROR);
    case REQ_REGISTER_MODULE:
    case REQ_SAVE_STATUS:
    case REQ_END_ACTION:
      return ok;
    case REQ_ITEM_LIST: return NameList(items);
    case REQ_USER_VALUE: {
      auto v = userValues.find(name);
      return v == userValues.end() ? FailReply(HOST_TARGET_ERROR) : IntReply(v->second);
    }
    case REQ_FNC_QUERY: return IntReply(knownFunctions.count(name) ? 1 : 0);
    case REQ_SUP_QUERY: return IntReply(knownSupervisions.count(name) ? 1 : 0);
    case REQ_FNC_ENABLE:
    case REQ_SUP_ENABLE:
      return ok;
    case REQ_ITEM_ID:
      if (!item || item->id == -1) return FailReply(HOST_TARGET_ERROR);
      return IntReply(item->id);
    case REQ_ITEM_NAME: {
      const auto id = request.InInt();
      for (const auto& [n, it] : items)
        if (id && it.id == *id) return TextReply(n);
      return FailReply(HOST_TARGET_ERROR);
    }
    case REQ_ITEM_CLASS: return item ? IntReply(item->cls) : FailReply(HOST_TARGET_ERROR);
    case REQ_ITEM_STATE: return item ? IntReply(item->stateBits) : FailReply(HOST_TARGET_ERROR);
    case REQ_ITEM_PRESENT: return item ? IntReply(item->present) : FailReply(HOST_TARGET_ERROR);
    case REQ_ITEM_IS_MAP: return item ? IntReply(item->isMap) : FailReply(HOST_TARGET_ERROR);
    case REQ_ITEM_LISTS: return item ? IntReply(item->lists) : FailReply(HOST_TARGET_ERROR);
    case REQ_ITEM_LABEL: return item ? TextReply(item->label) : FailReply(HOST_TARGET_ERROR);
    case REQ_ITEM_ERROR_TEXT: return item ? TextReply(item->errorText) : FailReply(HOST_TARGET_ERROR);
    case REQ_ITEM_ATTR_10: return attribute(1);
    case REQ_ITEM_ATTR_20: return attribute(1);
    case REQ_ITEM_ATTR_23: return attribute(0);
    case REQ_ITEM_ATTR_24: return attribute(0);
    case REQ_ITEM_ERROR_CODE: return attribute(0);
    case REQ_ITEM_VALUE: return item ? ValueReply(item->value) : FailReply(HOST_TARGET_ERROR);
    case REQ_ITEM_WRITE:
      if (!item) return FailReply(HOST_TARGET_ERROR);
      if (request.inLen == -1) {
        item->value = *request.InInt();
      } else {
        item->value = request.InWords();
      }
      return ok;
    case REQ_ITEM_MARK:
    case REQ_DAT_ENABLE:
    case REQ_ITEM_SEND:
    case REQ_ITEM_VSCALE:
    case REQ_ITEM_HSCALE:
      return item ? ok : FailReply(HOST_TARGET_ERROR);
    default:
      return FailReply(HOST_ACTION_ERROR);
  }
}

int32_t FakeHost::Handle(int32_t machine, int32_t code, const char* itemName, HostBuffer* buf) {
  RequestRecord request{machine, code, itemName ? itemName : "<null>", 0, {}, 0};
  if (buf) {
    request.inLen = buf->len;
    if (buf->data && buf->len == -1) {
      request.inBytes.resize(4);
      std::memcpy(request.inBytes.data(), buf->data, 4);
    } else if (buf->data && buf->len > 0) {
      request.inBytes.assign(static_cast<uint8_t*>(buf->data),
                             static_cast<uint8_t*>(buf->data) + buf->len);
    }
  }
  if (onRequest) onRequest(request);
  RawReply reply = Answer(code, request.item, request);
  request.result = reply.result;
  ++requestCount;
  if (recordLog) log.push_back(request);
  if (reply.result != HOST_OK || buf == nullptr) return reply.result;

  const bool inOut = code == REQ_USER_LEVEL || code == REQ_ITEM_NAME;
  const bool hasInput = buf->data != nullptr;
  if (hasInput && !inOut) {
    // Success: the host takes the input over and disposes of it.
    HostFree(buf->data);
    buf->data = nullptr;
    buf->len = 0;
    return HOST_OK;
  }
  if (hasInput && inOut) HostFree(buf->data);  // replaced by the reply
  buf->len = reply.len;
  buf->data = nullptr;
  if (!reply.nullData && (!reply.bytes.empty() || reply.len != 0)) {
    void* block = HostAlloc(reply.bytes.size());
    if (!reply.bytes.empty()) std::memcpy(block, reply.bytes.data(), reply.bytes.size());
    buf->data = block;
  }
  return HOST_OK;
}

HostedContext::HostedContext(FakeHost& /*host*/, int32_t index) : context(&app, index) {
  app.hostEntry = FakeHost::Entry();
}

}  // namespace vantel::test
