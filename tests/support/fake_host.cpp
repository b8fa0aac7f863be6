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

RawReply IntReply(int32_t value) { return RawReply::Int(value); }

RawReply TextReply(const std::string& text) { return RawReply::Text(text); }

RawReply WordsReply(const WordTable& words) {
  return RawReply::Bytes(words.data(), words.size() * sizeof(uint16_t));
}

RawReply LongsReply(const std::vector<int32_t>& longs) {
  return RawReply::Bytes(longs.data(), longs.size() * sizeof(int32_t));
}

RawReply FailReply(int32_t result) { return RawReply::Result(result); }

// ---------------------------------------------------------------- host

FakeHost* FakeHost::current_ = nullptr;

namespace {

// Replies and taken inputs go through the plug-in's allocator, so the ledger sees them.
constexpr hostcore::BlockAllocator kSharedAllocator{&HostAlloc, &HostFree};

}  // namespace

FakeHost::FakeHost() {
  hostLevel = 3;
  userLevel = 5;
  machineName = "M12";
  userValues = {{"VALUSER_LSTSEL", 1},
                {"VALUSER_LSTSXC", 1},
                {"VALUSER_LSTSYC", 1},
                {"VALUSER_LSTPIL", 1},
                {"VALUSER_LSTPID", 1}};
  current_ = this;
}
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

std::vector<std::string> FakeHost::RequestedItems(int32_t code) const {
  std::vector<std::string> items;
  for (const RequestRecord& r : log)
    if (r.code == code) items.push_back(r.item);
  return items;
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

RawReply FakeHost::Answer(int32_t code, const std::string& name, const HostBuffer* buf) {
  if (auto programmed = TakeProgrammed(code, name)) return *programmed;
  if (auto failed = failedCodes_.find(code); failed != failedCodes_.end())
    return FailReply(failed->second);
  return hostcore::Answer(*this, code, name, hostcore::InputOf(buf));
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
  request.result = hostcore::Deliver(buf, code, Answer(code, request.item, buf), kSharedAllocator);
  ++requestCount;
  if (recordLog) log.push_back(request);
  return request.result;
}

HostedContext::HostedContext(FakeHost& /*host*/, int32_t index) : context(&app, index) {
  app.hostEntry = FakeHost::Entry();
}

}  // namespace vantel::test
