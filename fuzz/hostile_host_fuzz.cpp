// A hostile host. Loads libvantel.so as a host does (dlopen, ACTIONDLL exported from this
// executable), serves an example Kalbrix through the host core's store and request table,
// and lets the input turn replies hostile, call the sixteen exports in any order with any
// machine and text, and act in every modal loop through the UI hook: re-enter exports, click,
// choose, type, switch tabs, press OK or Cancel. The host keeps its own side of the memory
// rules whatever the replies say; every reply block it hands out is tracked, and one that
// the plug-in never frees, or frees twice, stops the run.
//
// Input:
//   byte 0         the example Kalbrix, examples/*.json in name order, modulo their count.
//   byte 1         N, the number of reply directives at the end.
//   the end        N reply directives (as many as fit), read backwards, 6 bytes each: skip,
//                  form, then arg as 4 bytes, low byte first. `skip` requests are answered
//                  honestly, the next one gets hostile form `form` (Form, modulo its count)
//                  with `arg`. No directive left: every reply is honest.
//   the rest       the script, read forwards. Outside a modal loop each step is an export
//                  call; inside one, each turn of the loop takes one UI step (kUiSteps), one
//                  of which is an export call. The run ends with the script.
//   An export call is one byte (kExports, modulo 16) and its operands:
//     machine  1 byte: below 128 the Kalbrix's machine, else kOtherMachines[byte % 8]
//     text     1 byte: 255 is a raw text (a length byte, at most 64, then its bytes), any
//              other an index modulo the text pool: "", the descriptor item, "ACTION_1",
//              "ACTION_2", the items of descriptor elements 1 to 17, then every item.
//     record   1 byte: VANTEL100's record (Record, modulo its count), then the host index
//     integers 1 byte each, sign-extended
//   UI steps name a control by one byte, an index into Controls(); their other operands are
//   single bytes, read as Host::Turn reads them.
// After the script the host, honest and headless, ends every action and closes every
// configuration the input started, and puts the built-in texts back after a handshake, so
// that each input starts from an idle plug-in (the machines' contexts live on, as in a host).
#include <dirent.h>
#include <dlfcn.h>
#include <pthread.h>
#include <sanitizer/allocator_interface.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kalbrix.h"
#include "request_table.h"
#include "vantel/host_abi.h"
#include "vantel/ui_automation.h"
#include "vantel/ui_controls.h"

namespace {

using vantel::host::Kalbrix;
using vantel::host::Longs;
namespace hostcore = vantel::hostcore;

[[noreturn]] void Stop(const char* what, int32_t code, const char* item) {
  // No allocation: this may run inside the allocator's free hook.
  char line[256];
  const int n = std::snprintf(line, sizeof line, "hostile_host_fuzz: %s (%s \"%s\")\n", what,
                              hostcore::RequestName(code), item);
  if (n > 0) ::write(2, line, std::min(static_cast<size_t>(n), sizeof line - 1));
  std::abort();
}

// ---------------------------------------------------------------------------------------------
// Reply blocks: which are still the plug-in's to free, and which it freed already.

class BlockTracker {
 public:
  void Handed(const void* block, int32_t code, const std::string& item) {
    if (count_ == outstanding_.size())
      Stop("too many reply blocks never freed", code, item.c_str());
    Outstanding& entry = outstanding_[count_++];
    entry.block = block;
    entry.code = code;
    const size_t n = std::min(item.size(), sizeof entry.item - 1);
    std::memcpy(entry.item, item.data(), n);
    entry.item[n] = '\0';
  }

  // The allocator gives a freed address out again: a later free of it is no double free.
  void OnMalloc(const volatile void* block) {
    if (freedCount_ == 0) return;
    if (Slot* slot = FindFreed(const_cast<const void*>(block))) slot->block = kGone;
  }

  void OnFree(const volatile void* volatileBlock) {
    const void* block = const_cast<const void*>(volatileBlock);
    if (block == nullptr) return;
    for (size_t i = 0; i < count_; ++i) {
      if (outstanding_[i].block != block) continue;
      RememberFreed(outstanding_[i]);
      outstanding_[i] = outstanding_[--count_];
      return;
    }
    if (const Slot* slot = FindFreed(block)) Stop("a reply block freed twice", slot->code, "");
  }

  /// Every block handed out so far must be freed: the plug-in keeps no reply past the request
  /// function that received it, and outside every export none is running.
  void ExpectNoneOutstanding() const {
    if (count_ > 0) Stop("a reply block never freed", outstanding_[0].code, outstanding_[0].item);
  }

  void Clear() {
    count_ = 0;
    for (size_t i = 0; i < usedCount_; ++i) freed_[used_[i]] = Slot{};
    usedCount_ = 0;
    freedCount_ = 0;
  }

 private:
  struct Outstanding {
    const void* block;
    int32_t code;
    char item[48];
  };
  struct Slot {
    const void* block = nullptr;
    int32_t code = 0;
  };
  static constexpr size_t kBits = 15;
  static constexpr size_t kSlots = size_t{1} << kBits;
  // A freed entry whose address was given out again; the probe goes on past it.
  static inline const void* const kGone = reinterpret_cast<const void*>(1);

  static size_t Hash(const void* block) {
    return static_cast<size_t>((reinterpret_cast<uintptr_t>(block) >> 4) * 0x9E3779B97F4A7C15u) >>
           (64 - kBits);
  }

  Slot* FindFreed(const void* block) {
    for (size_t i = Hash(block);; i = (i + 1) & (kSlots - 1)) {
      if (freed_[i].block == nullptr) return nullptr;
      if (freed_[i].block == block) return &freed_[i];
    }
  }

  void RememberFreed(const Outstanding& entry) {
    // Past half full the probes grow long; ASan still reports a double free by itself.
    if (usedCount_ == used_.size()) return;
    size_t i = Hash(entry.block);
    while (freed_[i].block != nullptr) i = (i + 1) & (kSlots - 1);
    freed_[i] = Slot{entry.block, entry.code};
    used_[usedCount_++] = static_cast<uint32_t>(i);
    ++freedCount_;
  }

  std::array<Outstanding, 256> outstanding_{};
  size_t count_ = 0;
  std::array<Slot, kSlots> freed_{};
  std::array<uint32_t, kSlots / 2> used_{};
  size_t usedCount_ = 0;
  size_t freedCount_ = 0;
};

BlockTracker tracker;
pthread_t fuzzingThread;
int32_t currentCode = 0;
std::string currentItem;

void MallocHook(const volatile void* block, size_t) {
  if (pthread_equal(pthread_self(), fuzzingThread)) tracker.OnMalloc(block);
}

void FreeHook(const volatile void* block) {
  if (pthread_equal(pthread_self(), fuzzingThread)) tracker.OnFree(block);
}

void* TrackedAlloc(size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (block == nullptr) std::abort();
  tracker.Handed(block, currentCode, currentItem);
  return block;
}

// Reply blocks come from the tracked allocator; inputs the host takes over go back to free.
constexpr hostcore::BlockAllocator kTracked{&TrackedAlloc, &std::free};

// ---------------------------------------------------------------------------------------------
// The input.

// The script from the front, the directives from the back; they never share a byte.
class Input {
 public:
  static constexpr size_t kDirectiveSize = 6;

  Input(const uint8_t* data, size_t size, size_t directives)
      : front_(data),
        split_(data + size - std::min(directives, size / kDirectiveSize) * kDirectiveSize),
        back_(data + size) {}

  bool ScriptLeft() const { return front_ < split_; }
  uint8_t Byte() { return front_ < split_ ? *front_++ : 0; }
  int32_t SignedByte() { return static_cast<int8_t>(Byte()); }
  std::string Raw(size_t most) {
    const size_t n = std::min<size_t>(Byte() % (most + 1), static_cast<size_t>(split_ - front_));
    std::string text(reinterpret_cast<const char*>(front_), n);
    front_ += n;
    return text;
  }

  /// The next directive from the end: {skip, form, arg}; false when none is left.
  bool Directive(uint8_t& skip, uint8_t& form, uint32_t& arg) {
    if (back_ == split_) return false;
    skip = *--back_;
    form = *--back_;
    arg = 0;
    for (int shift = 0; shift < 32; shift += 8) arg |= static_cast<uint32_t>(*--back_) << shift;
    return true;
  }

 private:
  const uint8_t* front_;
  const uint8_t* split_;
  const uint8_t* back_;
};

// ---------------------------------------------------------------------------------------------
// Hostile replies.

enum class Form : uint8_t {
  kFail,              // the result `arg` (0: internal error), the record as the plug-in filled it
  kFailLeavingReply,  // the same, with a reply block left in the record
  kInt,               // an integer `arg` in place of the reply
  kLenLies,           // the honest block with len `arg`
  kNullData,          // len `arg` (0: -1) and no block
  kNoNul,             // the reply's bytes without a single NUL
  kWordZeroLies,      // word 0 (a table's own size) is `arg`
  kLongZeroLies,      // long 0 is `arg`
  kTruncated,         // cut to `arg` % (size + 1) bytes, size word following unless arg < 0
  kGrown,             // `arg` % 64 + 1 more bytes, size word following unless arg < 0
  kHugeLen,           // a len far past any block, positive or negative
  kEmpty,             // success with nothing
  kZeroLenBlock,      // a block with len 0
  kPoke,              // one word of the honest reply changed: word arg % n takes arg >> 16
  kOtherItem,         // the value of another item, well formed but not this one's
  kExtraReply,        // the honest answer, and after a send a block nobody reads
  kText,              // a short text made of arg's bytes
  kNegativeLen,       // a negative len other than -1
};
constexpr size_t kFormCount = static_cast<size_t>(Form::kNegativeLen) + 1;

struct Directive {
  uint8_t skip = 0;
  Form form = Form::kFail;
  uint32_t arg = 0;
};

std::vector<uint8_t> IntBytes(uint32_t value) {
  std::vector<uint8_t> bytes(4);
  std::memcpy(bytes.data(), &value, 4);
  return bytes;
}

uint16_t Word0(const std::vector<uint8_t>& bytes) {
  uint16_t word = 0;
  if (bytes.size() >= 2) std::memcpy(&word, bytes.data(), 2);
  return word;
}

void SetWord(std::vector<uint8_t>& bytes, size_t index, uint16_t value) {
  if (bytes.size() >= 2 * index + 2) std::memcpy(bytes.data() + 2 * index, &value, 2);
}

// A table's size word keeps telling the truth about a table cut or grown, unless asked to lie.
void Resize(hostcore::Reply& reply, size_t size, uint8_t fill, bool keepWord0) {
  const bool sized = Word0(reply.bytes) == reply.bytes.size();
  reply.bytes.resize(size, fill);
  reply.len = static_cast<int32_t>(size);
  if (sized && !keepWord0) SetWord(reply.bytes, 0, static_cast<uint16_t>(size));
}

hostcore::Reply Hostile(const Directive& d, hostcore::Reply honest, Kalbrix& store) {
  hostcore::Reply reply = std::move(honest);
  const bool hasBytes = reply.result == HOST_OK && !reply.bytes.empty();
  if (!hasBytes) reply = hostcore::Reply::Bytes(IntBytes(d.arg).data(), 4);
  reply.result = HOST_OK;
  const auto arg = static_cast<int32_t>(d.arg);
  switch (d.form) {
    case Form::kFail:
    case Form::kFailLeavingReply:
      reply.result = arg == 0 ? HOST_INTERNAL_ERROR : arg;
      reply.len = -1;
      reply.bytes = IntBytes(d.arg);
      return reply;
    case Form::kInt:
      return hostcore::Reply::Int(arg);
    case Form::kLenLies:
      reply.len = arg;
      return reply;
    case Form::kNullData:
      reply.len = arg == 0 ? -1 : arg;
      reply.bytes.clear();
      reply.nullData = true;
      return reply;
    case Form::kNoNul:
      std::erase(reply.bytes, uint8_t{0});
      if (reply.bytes.empty()) reply.bytes = {'N', 'O'};
      reply.len = static_cast<int32_t>(reply.bytes.size());
      return reply;
    case Form::kWordZeroLies:
      if (reply.bytes.size() < 2) reply.bytes.resize(2);
      SetWord(reply.bytes, 0, static_cast<uint16_t>(d.arg));
      reply.len = static_cast<int32_t>(reply.bytes.size());
      return reply;
    case Form::kLongZeroLies:
      if (reply.bytes.size() < 4) reply.bytes.resize(4);
      std::memcpy(reply.bytes.data(), &d.arg, 4);
      reply.len = static_cast<int32_t>(reply.bytes.size());
      return reply;
    case Form::kTruncated:
      Resize(reply, (d.arg & 0xFFFF) % (reply.bytes.size() + 1), 0, arg < 0);
      return reply;
    case Form::kGrown:
      Resize(reply, reply.bytes.size() + d.arg % 64 + 1, static_cast<uint8_t>(d.arg >> 8), arg < 0);
      return reply;
    case Form::kHugeLen:
      reply.len = (d.arg & 0x100) ? INT32_MIN + static_cast<int32_t>(d.arg & 0xFF)
                                  : INT32_MAX - static_cast<int32_t>(d.arg & 0xFF);
      return reply;
    case Form::kEmpty:
      return hostcore::Reply{};
    case Form::kZeroLenBlock:
      reply.len = 0;
      return reply;
    case Form::kPoke:
      if (reply.bytes.size() >= 2)
        SetWord(reply.bytes, (d.arg & 0xFF) % (reply.bytes.size() / 2),
                static_cast<uint16_t>(d.arg >> 16));
      return reply;
    case Form::kOtherItem: {
      const std::vector<std::string> names = store.ListedNames();
      if (names.empty()) return reply;
      const hostcore::Reply other =
          hostcore::Answer(store, REQ_ITEM_VALUE, names[d.arg % names.size()], hostcore::Input{});
      return other.result == HOST_OK ? other : reply;
    }
    case Form::kExtraReply:
      return reply;
    case Form::kText: {
      std::vector<uint8_t> text = IntBytes(d.arg);
      std::replace(text.begin(), text.end(), uint8_t{0}, uint8_t{'x'});
      text.push_back(0);
      return hostcore::Reply::Bytes(text.data(), text.size());
    }
    case Form::kNegativeLen:
      reply.len = -2 - static_cast<int32_t>(d.arg & 0xFF);
      return reply;
  }
  return reply;
}

// The host's side of the record whatever the reply says. A failure leaves the plug-in's input
// in place unless the host leaves a reply: an in/out request's host then disposes of the
// input it replaces, a send's input stays the plug-in's to free. A success takes any input
// over; a reply left after a send is a block the plug-in frees unread.
int32_t DeliverHostile(HostBuffer* buf, int32_t code, const hostcore::Reply& reply,
                       bool leaveOnFailure) {
  if (reply.result != HOST_OK && !leaveOnFailure) return reply.result;
  if (buf->data != nullptr && (reply.result == HOST_OK || hostcore::IsInOut(code)))
    std::free(buf->data);
  buf->data = nullptr;
  buf->len = reply.len;
  if (reply.nullData || (reply.len == 0 && reply.bytes.empty())) return reply.result;
  void* block = kTracked.alloc(reply.bytes.size());
  if (!reply.bytes.empty()) std::memcpy(block, reply.bytes.data(), reply.bytes.size());
  buf->data = block;
  return reply.result;
}

// ---------------------------------------------------------------------------------------------
// The plug-in.

enum class Operands { kRecord, kText, kPair, kConnection };
enum class Role { kNone, kOpen, kAction };

struct Export {
  const char* name;
  Operands operands;
  Role role;
};

constexpr std::array<Export, 16> kExports = {{
    {"VANTEL100", Operands::kRecord, Role::kNone},
    {"RUNSETEMG", Operands::kText, Role::kOpen},
    {"CLSSETEMG", Operands::kText, Role::kNone},
    {"SAVSETEMG", Operands::kText, Role::kNone},
    {"VALSETEMG", Operands::kText, Role::kNone},
    {"SENSETEMG", Operands::kText, Role::kNone},
    {"CMDSETEMG", Operands::kText, Role::kNone},
    {"DEBSETEMG", Operands::kText, Role::kAction},
    {"RSTSETEMG", Operands::kText, Role::kNone},
    {"FEMSETEMG", Operands::kText, Role::kNone},
    {"ERRSETEMG", Operands::kText, Role::kNone},
    {"RM0SETEMG", Operands::kText, Role::kAction},
    {"RM1SETEMG", Operands::kText, Role::kAction},
    {"TIMSETEMG", Operands::kPair, Role::kNone},
    {"DECSETEMG", Operands::kPair, Role::kNone},
    {"CONSETEMG", Operands::kConnection, Role::kNone},
}};
constexpr size_t kCloseIndex = 2;
constexpr size_t kEndActionIndex = 8;

// Machines besides the Kalbrix's own: the first eight take other paths, 1023 is the last
// index, and 1024 and above are no machine at all.
constexpr uint32_t kNextMachine = 0xFFFFFFFEu;  // the Kalbrix's machine + 1
constexpr std::array<uint32_t, 8> kOtherMachines = {0,    3,    7,          8, kNextMachine,
                                                    1023, 1024, 0xFFFFFFFFu};

// VANTEL100's record: the host index as an integer, nothing, an integer without data, four
// bytes that are not an integer, or no record at all.
enum class Record : uint8_t { kIndex, kEmpty, kNullInt, kBytes, kNone };
constexpr size_t kRecordCount = 5;

std::vector<int32_t> Controls() {
  std::vector<int32_t> ids = {VANTEL_IDOK,
                              VANTEL_IDCANCEL,
                              VANTEL_IDYES,
                              VANTEL_IDNO,
                              VANTEL_IDC_MAIN_TABS,
                              VANTEL_IDC_ENGINE_CYLINDERS,
                              VANTEL_IDC_FLYWHEEL_SAME_TEETH,
                              VANTEL_IDC_FLYWHEEL_ONE_MISSING,
                              VANTEL_IDC_FLYWHEEL_TWO_MISSING,
                              VANTEL_IDC_FLYWHEEL_ONE_EXTRA,
                              VANTEL_IDC_FLYWHEEL_RS_TYPE,
                              VANTEL_IDC_FLYWHEEL_OCCURRENCES,
                              VANTEL_IDC_FLYWHEEL_TEETH,
                              VANTEL_IDC_SYNC_RPM,
                              VANTEL_IDC_IGNITION_DISTRIBUTED,
                              VANTEL_IDC_IGNITION_TWIN_SPARK,
                              VANTEL_IDC_IGNITION_STATIC,
                              VANTEL_IDC_IGNITION_DELAY,
                              VANTEL_IDC_INJECTION_ONE_RAIL,
                              VANTEL_IDC_INJECTION_RAIL1_TO_RAIL2,
                              VANTEL_IDC_INJECTION_RAIL1_TO_BOTH,
                              VANTEL_IDC_INJECTION_SEMI_SEQUENTIAL,
                              VANTEL_IDC_INJECTION_SEQUENTIAL,
                              VANTEL_IDC_INJECTION_DIRECT,
                              VANTEL_IDC_PEAK_AND_HOLD_ENABLED,
                              VANTEL_IDC_PEAK_AND_HOLD_COMMAND,
                              VANTEL_IDC_PEAK_AND_HOLD_TUNING,
                              VANTEL_IDC_BANKS_REGULAR_ANGLES,
                              VANTEL_IDC_BANKS_SPECIFIC_ANGLES,
                              VANTEL_IDC_MAIN_PHASE_TYPE,
                              VANTEL_IDC_REPORT_LIST,
                              VANTEL_IDC_MAP_VERTICAL,
                              VANTEL_IDC_MAP_HORIZONTAL,
                              VANTEL_IDC_MAIN_NOTE_TEXT};
  constexpr int32_t kRows[][VANTEL_BANK_ROWS] = {
      VANTEL_IDC_CYLINDER_ANGLES, VANTEL_IDC_CYLINDER_BANK1, VANTEL_IDC_CYLINDER_BANK2};
  constexpr int32_t kPhases[][VANTEL_PHASE_COUNT] = {
      VANTEL_IDC_PHASE_CAMSHAFTS, VANTEL_IDC_PHASE_MARKS, VANTEL_IDC_PHASE_START_TEETH};
  for (const auto& family : kRows) ids.insert(ids.end(), std::begin(family), std::end(family));
  for (const auto& family : kPhases) ids.insert(ids.end(), std::begin(family), std::end(family));
  return ids;
}

enum class UiStep : uint8_t {
  kGiveUp,  // the loop ends as if headless
  kExport,  // an export called from inside the loop
  kClick,
  kChoose,
  kDismiss,
  kType,
  kTab,
  kOk,
  kCancel,
  kHelp,
  kResize,
  kScroll,
  kRead,
};
// Weighted by repetition: acting on the dialog is what most turns should do.
constexpr std::array<UiStep, 17> kUiSteps = {
    UiStep::kGiveUp, UiStep::kExport, UiStep::kExport,  UiStep::kClick, UiStep::kClick,
    UiStep::kChoose, UiStep::kChoose, UiStep::kDismiss, UiStep::kType,  UiStep::kType,
    UiStep::kTab,    UiStep::kOk,     UiStep::kCancel,  UiStep::kHelp,  UiStep::kResize,
    UiStep::kScroll, UiStep::kRead};

// Re-entry beyond a few levels adds nothing but time, and so do very long runs.
constexpr int kMaxDepth = 4;
constexpr int kMaxExports = 48;
constexpr int kMaxTurns = 600;

struct Ui {
  decltype(&VantelUiSetHook) setHook;
  decltype(&VantelUiGetControl) getControl;
  decltype(&VantelUiGetText) getText;
  decltype(&VantelUiGetItemCount) getItemCount;
  decltype(&VantelUiGetItemText) getItemText;
  decltype(&VantelUiGetSelection) getSelection;
  decltype(&VantelUiGetRect) getRect;
  decltype(&VantelUiGetScroll) getScroll;
  decltype(&VantelUiIsChecked) isChecked;
  decltype(&VantelUiClick) click;
  decltype(&VantelUiSelectComboItem) selectCombo;
  decltype(&VantelUiDismissComboAt) dismissCombo;
  decltype(&VantelUiSetEditText) setEditText;
  decltype(&VantelUiSelectTab) selectTab;
  decltype(&VantelUiPressOk) pressOk;
  decltype(&VantelUiPressCancel) pressCancel;
  decltype(&VantelUiAskHelp) askHelp;
  decltype(&VantelUiResize) resize;
  decltype(&VantelUiScroll) scroll;
  decltype(&VantelUiRenderSvg) renderSvg;
};

class Plugin {
 public:
  explicit Plugin(const char* path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
    if (!handle_) {
      std::fprintf(stderr, "hostile_host_fuzz: cannot load %s: %s\n", path, dlerror());
      std::exit(1);
    }
    for (size_t i = 0; i < kExports.size(); ++i) exports_[i] = Symbol<void*>(kExports[i].name);
    ui_ = {Symbol<decltype(Ui::setHook)>("VantelUiSetHook"),
           Symbol<decltype(Ui::getControl)>("VantelUiGetControl"),
           Symbol<decltype(Ui::getText)>("VantelUiGetText"),
           Symbol<decltype(Ui::getItemCount)>("VantelUiGetItemCount"),
           Symbol<decltype(Ui::getItemText)>("VantelUiGetItemText"),
           Symbol<decltype(Ui::getSelection)>("VantelUiGetSelection"),
           Symbol<decltype(Ui::getRect)>("VantelUiGetRect"),
           Symbol<decltype(Ui::getScroll)>("VantelUiGetScroll"),
           Symbol<decltype(Ui::isChecked)>("VantelUiIsChecked"),
           Symbol<decltype(Ui::click)>("VantelUiClick"),
           Symbol<decltype(Ui::selectCombo)>("VantelUiSelectComboItem"),
           Symbol<decltype(Ui::dismissCombo)>("VantelUiDismissComboAt"),
           Symbol<decltype(Ui::setEditText)>("VantelUiSetEditText"),
           Symbol<decltype(Ui::selectTab)>("VantelUiSelectTab"),
           Symbol<decltype(Ui::pressOk)>("VantelUiPressOk"),
           Symbol<decltype(Ui::pressCancel)>("VantelUiPressCancel"),
           Symbol<decltype(Ui::askHelp)>("VantelUiAskHelp"),
           Symbol<decltype(Ui::resize)>("VantelUiResize"),
           Symbol<decltype(Ui::scroll)>("VantelUiScroll"),
           Symbol<decltype(Ui::renderSvg)>("VantelUiRenderSvg")};
  }

  void* exportAt(size_t index) const { return exports_[index]; }
  const Ui& ui() const { return ui_; }

 private:
  template <typename F>
  F Symbol(const char* name) const {
    void* symbol = dlsym(handle_, name);
    if (!symbol) {
      std::fprintf(stderr, "hostile_host_fuzz: the plug-in exports no %s\n", name);
      std::exit(1);
    }
    return reinterpret_cast<F>(symbol);
  }

  void* handle_;  // never closed: the plug-in lives as long as the fuzzer
  std::array<void*, kExports.size()> exports_{};
  Ui ui_{};
};

struct Example {
  Kalbrix kalbrix;
  std::vector<std::string> texts;  // the text pool
};

Example MakeExample(Kalbrix kalbrix) {
  Example example;
  example.texts = {"", kalbrix.descriptor, "ACTION_1", "ACTION_2"};
  const hostcore::Item* descriptor = kalbrix.Find(kalbrix.descriptor);
  const auto* elements = descriptor ? std::get_if<Longs>(&descriptor->value) : nullptr;
  for (size_t e = 1; e <= 17; ++e) {
    const std::string* name =
        elements && e < elements->size() ? kalbrix.NameOf((*elements)[e]) : nullptr;
    example.texts.push_back(name ? *name : std::string());
  }
  for (const std::string& name : kalbrix.ListedNames()) example.texts.push_back(name);
  example.kalbrix = std::move(kalbrix);
  return example;
}

// ---------------------------------------------------------------------------------------------
// The host.

class Host {
 public:
  Host(const Plugin& plugin, std::vector<Example> examples)
      : plugin_(plugin), ui_(plugin.ui()), examples_(std::move(examples)), controls_(Controls()) {}

  void Run(const uint8_t* data, size_t size) {
    if (size < 2) return;
    example_ = &examples_[data[0] % examples_.size()];
    store_ = example_->kalbrix;
    input_ = Input(data + 2, size - 2, data[1]);
    pending_.reset();
    exports_ = turns_ = depth_ = 0;
    started_.clear();
    tracker.Clear();
    while (input_.ScriptLeft() && exports_ < kMaxExports) CallExport();
    EndEverything();
  }

  int32_t Serve(int32_t code, const char* item, HostBuffer* buf) {
    if (buf == nullptr) return HOST_DATA_ERROR;
    currentCode = code;
    currentItem = item ? item : "";
    Directive directive;
    if (!NextHostile(directive)) return hostcore::Serve(store_, code, currentItem, buf, kTracked);
    const bool fails = directive.form == Form::kFail || directive.form == Form::kFailLeavingReply;
    // A refused request changes nothing in the host, a write included.
    hostcore::Reply honest =
        fails ? hostcore::Reply::Result(HOST_INTERNAL_ERROR)
              : hostcore::Answer(store_, code, currentItem, hostcore::InputOf(buf));
    if (directive.form == Form::kExtraReply && honest.result != HOST_OK)
      return hostcore::Deliver(buf, code, honest, kTracked);
    const bool sent = buf->data != nullptr && !hostcore::IsInOut(code);
    if (directive.form == Form::kExtraReply && !sent)
      return hostcore::Deliver(buf, code, honest, kTracked);
    return DeliverHostile(buf, code, Hostile(directive, std::move(honest), store_),
                          directive.form == Form::kFailLeavingReply);
  }

  // One turn of a modal loop.
  int Turn(VantelUiWindow modal) {
    if (ending_ || ++turns_ > kMaxTurns || !input_.ScriptLeft()) return 0;
    switch (kUiSteps[input_.Byte() % kUiSteps.size()]) {
      case UiStep::kGiveUp:
        return 0;
      case UiStep::kExport:
        CallExport();
        break;
      case UiStep::kClick:
        ui_.click(Control(modal));
        break;
      case UiStep::kChoose: {
        const VantelUiWindow combo = Control(modal);
        ui_.selectCombo(combo, input_.SignedByte() % 24);
        break;
      }
      case UiStep::kDismiss: {
        const VantelUiWindow combo = Control(modal);
        ui_.dismissCombo(combo, input_.SignedByte() % 24);
        break;
      }
      case UiStep::kType:
        Type(Control(modal));
        break;
      case UiStep::kTab: {
        const int32_t tab = input_.SignedByte() % 8;
        ui_.selectTab(ui_.getControl(modal, VANTEL_IDC_MAIN_TABS), tab);
        break;
      }
      case UiStep::kOk:
        ui_.pressOk(input_.Byte() & 1 ? Control(modal) : modal);
        break;
      case UiStep::kCancel:
        ui_.pressCancel(input_.Byte() & 1 ? Control(modal) : modal);
        break;
      case UiStep::kHelp:
        Read(ui_.askHelp(Control(modal)));
        break;
      case UiStep::kResize: {
        const int32_t edge = input_.Byte() % 10;
        const int32_t width = input_.Byte() * 8;
        ui_.resize(modal, edge, width, input_.Byte() * 8);
        break;
      }
      case UiStep::kScroll: {
        const VantelUiWindow target = input_.Byte() & 1 ? Control(modal) : modal;
        const int32_t request = input_.Byte() % 9;
        ui_.scroll(target, request, input_.SignedByte() * 4);
        break;
      }
      case UiStep::kRead:
        Read(input_.Byte() & 1 ? Control(modal) : modal);
        break;
    }
    return 1;
  }

 private:
  bool NextHostile(Directive& directive) {
    if (ending_) return false;
    if (!pending_) {
      uint8_t skip, form;
      uint32_t arg;
      if (!input_.Directive(skip, form, arg)) return false;
      pending_ = Directive{skip, static_cast<Form>(form % kFormCount), arg};
    }
    if (pending_->skip > 0) {
      --pending_->skip;
      return false;
    }
    directive = *pending_;
    pending_.reset();
    return true;
  }

  uint32_t Machine() {
    const uint8_t byte = input_.Byte();
    if (byte < 128) return store_.machine;
    const uint32_t other = kOtherMachines[byte % kOtherMachines.size()];
    return other == kNextMachine ? (store_.machine + 1) % 1024 : other;
  }

  std::string Text() {
    const uint8_t byte = input_.Byte();
    if (byte == 255) return input_.Raw(64);
    return example_->texts[byte % example_->texts.size()];
  }

  VantelUiWindow Control(VantelUiWindow modal) {
    return ui_.getControl(modal, controls_[input_.Byte() % controls_.size()]);
  }

  void Type(VantelUiWindow edit) {
    const uint8_t mode = input_.Byte();
    std::string text;
    if (mode % 3 == 0) {
      text = input_.Raw(24);
    } else {
      const int32_t value = static_cast<int16_t>(input_.Byte() | input_.Byte() << 8);
      char number[24];
      std::snprintf(number, sizeof number, mode % 3 == 1 ? "%d" : "0x%X", value);
      text = number;
    }
    ui_.setEditText(edit, text.c_str());
  }

  // What a screen reader would ask; short buffers check the copy is cut and terminated.
  void Read(VantelUiWindow window) {
    char text[32];
    int32_t info[4];
    const int32_t size = input_.Byte() % static_cast<int32_t>(sizeof text + 1);
    ui_.getText(window, text, size);
    const int32_t count = ui_.getItemCount(window);
    if (count > 0) ui_.getItemText(window, input_.Byte() % (count + 1), text, size);
    ui_.getSelection(window);
    ui_.getRect(window, info);
    ui_.getScroll(window, info);
    ui_.isChecked(window);
    if (input_.Byte() % 8 == 0) std::free(ui_.renderSvg(window));
  }

  void CallExport() {
    const size_t index = input_.Byte() % kExports.size();
    const Export& entry = kExports[index];
    uint32_t machine = 0;
    std::string text;
    int32_t a = 0;
    int32_t b = 0;
    Record record = Record::kIndex;
    switch (entry.operands) {
      case Operands::kRecord:
        record = static_cast<Record>(input_.Byte() % kRecordCount);
        a = input_.SignedByte();
        break;
      case Operands::kText:
        machine = Machine();
        text = Text();
        break;
      case Operands::kPair:
        a = input_.SignedByte();
        b = input_.SignedByte();
        break;
      case Operands::kConnection:
        machine = Machine();
        a = input_.SignedByte();
        break;
    }
    if (depth_ >= kMaxDepth || exports_ >= kMaxExports) return;
    ++exports_;
    ++depth_;
    if (entry.role != Role::kNone) Remember(entry.role, machine, text);
    void* symbol = plugin_.exportAt(index);
    switch (entry.operands) {
      case Operands::kRecord:
        Handshake(symbol, record, a);
        break;
      case Operands::kText:
        reinterpret_cast<void (*)(uint32_t, const char*)>(symbol)(machine, text.c_str());
        break;
      case Operands::kPair:
        reinterpret_cast<void (*)(int32_t, int32_t)>(symbol)(a, b);
        break;
      case Operands::kConnection:
        reinterpret_cast<void (*)(uint32_t, int32_t)>(symbol)(machine, a);
        break;
    }
    --depth_;
    if (depth_ == 0) tracker.ExpectNoneOutstanding();
  }

  void Handshake(void* symbol, Record record, int32_t hostIndex) {
    languageTouched_ = true;
    auto* mine = static_cast<int32_t*>(std::malloc(sizeof(int32_t)));
    *mine = hostIndex;
    HostBuffer buffer{-1, mine};
    if (record == Record::kEmpty) buffer = {0, nullptr};
    if (record == Record::kNullInt) buffer = {-1, nullptr};
    if (record == Record::kBytes) buffer = {4, mine};
    reinterpret_cast<void (*)(HostBuffer*)>(symbol)(record == Record::kNone ? nullptr : &buffer);
    // The plug-in never frees what the host passed; its answer is the host's to free.
    if (buffer.data != mine) std::free(buffer.data);
    std::free(mine);
  }

  void Remember(Role role, uint32_t machine, const std::string& key) {
    const std::pair<uint32_t, std::string> started{machine, key};
    auto& list = role == Role::kOpen ? started_.opens : started_.actions;
    if (list.size() < 64 && std::find(list.begin(), list.end(), started) == list.end())
      list.push_back(started);
  }

  // Honest and headless, so that the next input starts from an idle plug-in.
  void EndEverything() {
    ending_ = true;
    auto call = [&](size_t index, const std::pair<uint32_t, std::string>& started) {
      reinterpret_cast<void (*)(uint32_t, const char*)>(plugin_.exportAt(index))(
          started.first, started.second.c_str());
    };
    for (const auto& action : started_.actions) call(kEndActionIndex, action);
    for (const auto& open : started_.opens) call(kCloseIndex, open);
    if (languageTouched_) {
      // Any language but the plug-in's own and French puts the built-in texts back.
      store_.hostLanguage = 0;
      Handshake(plugin_.exportAt(0), Record::kIndex, 0);
      languageTouched_ = false;
    }
    tracker.ExpectNoneOutstanding();
    ending_ = false;
  }

  struct Started {
    std::vector<std::pair<uint32_t, std::string>> opens;
    std::vector<std::pair<uint32_t, std::string>> actions;
    void clear() {
      opens.clear();
      actions.clear();
    }
  };

  const Plugin& plugin_;
  const Ui& ui_;
  std::vector<Example> examples_;
  std::vector<int32_t> controls_;
  const Example* example_ = nullptr;
  Kalbrix store_;
  Input input_{nullptr, 0, 0};
  std::optional<Directive> pending_;
  int exports_ = 0;
  int turns_ = 0;
  int depth_ = 0;
  bool ending_ = false;
  bool languageTouched_ = false;
  Started started_;
};

Host* host = nullptr;

int UiHook(VantelUiWindow modal, void*) { return host ? host->Turn(modal) : 0; }

std::vector<Example> LoadExamples() {
  std::vector<std::string> paths;
  if (DIR* dir = opendir(VANTEL_EXAMPLES_DIR)) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 5 && name.compare(name.size() - 5, 5, ".json") == 0)
        paths.push_back(std::string(VANTEL_EXAMPLES_DIR) + "/" + name);
    }
    closedir(dir);
  }
  std::sort(paths.begin(), paths.end());
  std::vector<Example> examples;
  for (const std::string& path : paths) {
    try {
      examples.push_back(MakeExample(vantel::host::LoadKalbrix(path)));
    } catch (const vantel::host::KalbrixError& error) {
      std::fprintf(stderr, "hostile_host_fuzz: %s\n", error.what());
      std::exit(1);
    }
  }
  if (examples.empty()) {
    std::fprintf(stderr, "hostile_host_fuzz: no example in %s\n", VANTEL_EXAMPLES_DIR);
    std::exit(1);
  }
  return examples;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t ACTIONDLL(int32_t, int32_t code,
                                                                    const char* item,
                                                                    HostBuffer* buf) {
  if (host == nullptr) return HOST_ACTION_ERROR;
  return host->Serve(code, item, buf);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Loaded before the first input, so that the fuzzer counts the plug-in's coverage.
  static const Plugin plugin(VANTEL_PLUGIN_PATH);
  static Host theHost(plugin, LoadExamples());
  host = &theHost;
  fuzzingThread = pthread_self();
  __sanitizer_install_malloc_and_free_hooks(&MallocHook, &FreeHook);
  plugin.ui().setHook(&UiHook, nullptr);
  // The handshake a host makes once after loading.
  const uint8_t handshake[] = {0, 0, 0, static_cast<uint8_t>(Record::kIndex), 0};
  theHost.Run(handshake, sizeof handshake);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  host->Run(data, size);
  return 0;
}
