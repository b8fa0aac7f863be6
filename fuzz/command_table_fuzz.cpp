// Feeds arbitrary bytes to the command-table tokenizer and parser. The first byte says how
// many of the following bytes script the host's answers; the rest is the command text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "cmdtable/command_group.h"
#include "cmdtable/command_parser.h"
#include "cmdtable/command_tokenizer.h"
#include "host/host_data.h"
#include "res/resources_en.h"
#include "ui/machine_context.h"
#include "vantel/host_abi.h"

namespace {

using namespace vantel;

// Each request takes the next answer byte: its low 3 bits choose the form of the answer,
// the rest its value.
std::span<const uint8_t> answers;
size_t nextAnswer = 0;

void Reply(HostBuffer* record, int32_t len, const void* bytes, size_t size) {
  void* block = HostAlloc(size);
  std::memcpy(block, bytes, size);
  record->len = len;
  record->data = block;
}

int32_t ScriptedHost(int32_t /*machine*/, int32_t code, const char* item, HostBuffer* record) {
  if (item == nullptr || record == nullptr) std::abort();  // the plug-in never sends these
  const uint8_t answer = answers.empty() ? 3 : answers[nextAnswer++ % answers.size()];
  const int32_t value = answer >> 3;
  if (record->data != nullptr) std::abort();  // no request of the parser carries input
  if (code == REQ_MACHINE_NAME) {
    Reply(record, 4, "M01", 4);
    return HOST_OK;
  }
  switch (answer & 7) {
    case 0:
      return value % 8 - 1;  // a refusal, or 0 with no data
    case 1:
      Reply(record, 4, &value, sizeof value);
      return HOST_OK;  // wrong form
    case 2:
      Reply(record, 3, "ab", 3);
      return HOST_OK;  // a text
    case 3:
      Reply(record, -1, &value, sizeof value);
      return HOST_OK;
    case 4: {
      const int32_t zero = 0;
      Reply(record, -1, &zero, sizeof zero);
      return HOST_OK;
    }
    case 5:
      record->len = -1;
      return HOST_OK;  // integer without data
    default: {
      const int32_t id = value * 0x1001;
      Reply(record, -1, &id, sizeof id);
      return HOST_OK;
    }
  }
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void Tokenize(std::string_view text, uint8_t wanted) {
  CommandTokenizer tokenizer(text);
  std::string token;
  int32_t found = 0;
  while (tokenizer.NextToken(token)) {
    Check(tokenizer.tokenIndex() == found && tokenizer.nextIndex() == found + 1);
    Check(tokenizer.tokenStart() < tokenizer.cursor());
    Check(token.size() <= text.size());
    ++found;
  }
  Check(token.empty());
  // Asking for an earlier token rescans from the start and finds what the first pass found.
  if (found > 0) {
    const int32_t index = wanted % found;
    std::string again;
    Check(tokenizer.FindToken(tokenizer.cursor(), index, found, again));
    Check(tokenizer.tokenIndex() == index);
  }
}

}  // namespace

// The parser's failed requests show their message boxes with the texts the plug-in has.
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  InstallBuiltinResources(EnglishResources());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t scriptBytes = std::min<size_t>(data[0], size - 1);
  answers = std::span<const uint8_t>(data + 1, scriptBytes);
  nextAnswer = 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1 + scriptBytes),
                              size - 1 - scriptBytes);

  Tokenize(text, data[0]);

  HostApp app{&ScriptedHost};
  MachineContext context(&app, 1);
  CommandGroupList list;
  list.push_back(std::make_unique<CommandGroup>());
  const bool parsed = ParseCommandTableText(context, text, list);
  if (!parsed) Check(list.empty());
  for (const auto& group : list) Check(group != nullptr);

  // The same bytes as the host would hand them over, unterminated: always refused.
  if (!text.empty() && text.back() != '\0') {
    HostData raw(HostAlloc(text.size()));
    std::memcpy(raw.get(), text.data(), text.size());
    Check(!ParseCommandTable(context, std::move(raw), static_cast<int32_t>(text.size()), list));
    Check(list.empty());
  }
  return 0;
}
