#pragma once
// A programmable host for tests: the hosts' shared item store and request table, with
// programmable replies and failures per request code and item, a log of every request with
// its payload, and an allocation ledger that proves who freed what.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/host_data.h"
#include "item_store.h"
#include "request_table.h"
#include "ui/machine_context.h"
#include "vantel/host_abi.h"

namespace vantel::test {

/// Every block of the shared allocator while a ledger is installed.
class AllocationLedger {
 public:
  AllocationLedger();
  ~AllocationLedger();
  AllocationLedger(const AllocationLedger&) = delete;
  AllocationLedger& operator=(const AllocationLedger&) = delete;

  /// Blocks allocated and not yet freed.
  size_t LiveBlocks() const { return live_.size(); }
  /// Frees of blocks that were not live (double frees or foreign pointers).
  size_t BadFrees() const { return badFrees_; }
  size_t Allocations() const { return allocations_; }
  /// Frees every live block (after a test has counted them).
  void FreeAll();

 private:
  static void* Alloc(size_t size);
  static void Release(void* block);
  static size_t BlockSize(const void* block);
  static AllocationLedger* current_;

  std::map<const void*, size_t> live_;
  size_t badFrees_ = 0;
  size_t allocations_ = 0;
  HostAllocator allocator_;
};

using ItemValue = hostcore::ItemValue;
using Item = hostcore::Item;

/// One request as the host saw it.
struct RequestRecord {
  int32_t machine;
  int32_t code;
  std::string item;
  int32_t inLen;
  std::vector<uint8_t> inBytes;  // the input payload (integer: 4 bytes)
  int32_t result;

  std::optional<int32_t> InInt() const;
  WordTable InWords() const;
};

/// A raw reply: result, len and bytes (copied into a fresh block of the shared allocator).
using RawReply = hostcore::Reply;

RawReply IntReply(int32_t value);
RawReply TextReply(const std::string& text);  // NUL appended
RawReply WordsReply(const WordTable& words);
RawReply LongsReply(const std::vector<int32_t>& longs);
RawReply FailReply(int32_t result);

/// The store's answers start as machine "M12" at host level 3 and user level 5, with the
/// five list user values at 1 and no items. Its texts are UTF-8 and cross in code page 1252,
/// as every host's do; programmed replies and the log hold the bytes as they cross.
class FakeHost : public hostcore::ItemStore {
 public:
  FakeHost();
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  /// The ACTIONDLL entry that dispatches to the current fake host.
  static ActionDllFn Entry();

  // --- programming
  /// Answers `code` for `item` with `reply` (overrides the store), `times` times (-1: always).
  void Program(int32_t code, const std::string& item, RawReply reply, int times = -1);
  /// Fails `code` for `item` with `result`.
  void Fail(int32_t code, const std::string& item, int32_t result, int times = -1);
  /// Fails every request with `code`, whatever the item.
  void FailCode(int32_t code, int32_t result);
  /// Called on every request before anything else (re-entrant calls, counting...).
  std::function<void(const RequestRecord&)> onRequest;

  Item& AddItem(const std::string& name, int32_t id, ItemValue value = {});

  // --- inspection
  /// False: requests are counted, not logged (benchmarks over millions of requests).
  bool recordLog = true;
  size_t requestCount = 0;
  std::vector<RequestRecord> log;
  std::vector<RequestRecord> Requests(int32_t code) const;
  size_t Count(int32_t code) const { return Requests(code).size(); }
  /// The items of the requests with `code`, in the order they were answered.
  std::vector<std::string> RequestedItems(int32_t code) const;
  /// The last word table written with REQ_ITEM_WRITE to `item`.
  std::optional<WordTable> Written(const std::string& item) const;
  void ClearLog() { log.clear(); }

  AllocationLedger& ledger() { return ledger_; }

  int32_t Handle(int32_t machine, int32_t code, const char* item, HostBuffer* buf);

 private:
  struct Programmed {
    RawReply reply;
    int times;
  };
  std::optional<RawReply> TakeProgrammed(int32_t code, const std::string& item);
  RawReply Answer(int32_t code, const std::string& item, const HostBuffer* buf);

  static FakeHost* current_;
  AllocationLedger ledger_;
  std::map<std::pair<int32_t, std::string>, std::vector<Programmed>> programmed_;
  std::map<int32_t, int32_t> failedCodes_;
};

/// A MachineContext wired to a fake host, for tests below the exports.
struct HostedContext {
  explicit HostedContext(FakeHost& host, int32_t index = 12);
  HostApp app;
  MachineContext context;
};

}  // namespace vantel::test
