// Feeds arbitrary bytes to the reference host's Kalbrix reader as the text of a file, then
// writes back what it read as `vantel-host check --write` does and reads that again.
// Whatever the bytes, the reader reads or refuses with a KalbrixError (exit status 2); any
// other exception escapes and stops the run, as it would end the host. A file read and
// written reads back, and answers every request the plug-in can make as the Kalbrix it was
// written from: so `check` finds the same configuration in it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "kalbrix.h"
#include "request_table.h"
#include "vantel/host_abi.h"
#include "vantel/host_text.h"

namespace {

using namespace vantel::host;
namespace hostcore = vantel::hostcore;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "kalbrix_fuzz: %s\n", what.c_str());
  std::abort();
}

// The requests whose answers come from one item, and those about the machine.
constexpr int32_t kItemCodes[] = {
    REQ_ITEM_ID,         REQ_ITEM_CLASS,      REQ_ITEM_STATE,   REQ_ITEM_PRESENT, REQ_ITEM_IS_MAP,
    REQ_ITEM_ATTR_10,    REQ_ITEM_ATTR_20,    REQ_ITEM_ATTR_23, REQ_ITEM_ATTR_24, REQ_ITEM_VALUE,
    REQ_ITEM_ERROR_TEXT, REQ_ITEM_ERROR_CODE, REQ_ITEM_LABEL,   REQ_ITEM_LISTS};
constexpr int32_t kMachineCodes[] = {REQ_HOST_VERSION, REQ_HOST_LEVEL, REQ_MACHINE_CONNECTION,
                                     REQ_MACHINE_NAME, REQ_ITEM_LIST};

bool SameReply(const hostcore::Reply& a, const hostcore::Reply& b) {
  return a.result == b.result && a.len == b.len && a.bytes == b.bytes && a.nullData == b.nullData;
}

// A name as the plug-in sends it: in code page 1252, which every name of a file read holds.
std::string Wire(const std::string& name) { return vantel::Utf8ToCp1252(name).value_or(name); }

hostcore::Reply AskWith(Kalbrix& kalbrix, int32_t code, const std::string& item, int32_t value) {
  return hostcore::Answer(kalbrix, code, Wire(item), hostcore::Input{-1, &value});
}

hostcore::Reply Ask(Kalbrix& kalbrix, int32_t code, const std::string& item) {
  return hostcore::Answer(kalbrix, code, Wire(item), {});
}

void ExpectSameAnswers(Kalbrix& wrote, Kalbrix& read, const char* round) {
  const auto differ = [&](int32_t code, const std::string& item) {
    Fail(std::string(round) + ": " + hostcore::RequestName(code) + " \"" + item +
         "\" answers otherwise once written and read back");
  };
  if (wrote.machine != read.machine) differ(0, "machine");
  if (wrote.descriptor != read.descriptor) differ(0, "descriptor");
  for (const int32_t code : kMachineCodes) {
    if (!SameReply(Ask(wrote, code, ""), Ask(read, code, ""))) differ(code, "");
  }
  if (!SameReply(AskWith(wrote, REQ_USER_LEVEL, "", 5), AskWith(read, REQ_USER_LEVEL, "", 5)))
    differ(REQ_USER_LEVEL, "");

  std::set<std::string> names;
  for (const auto& [name, item] : wrote.items) names.insert(name);
  for (const auto& [name, item] : read.items) names.insert(name);
  for (const std::string& name : names) {
    for (const int32_t code : kItemCodes) {
      if (!SameReply(Ask(wrote, code, name), Ask(read, code, name))) differ(code, name);
    }
    const hostcore::Item* item = wrote.Find(name);
    const int32_t id = item ? item->id : read.Find(name)->id;
    if (!SameReply(AskWith(wrote, REQ_ITEM_NAME, "", id), AskWith(read, REQ_ITEM_NAME, "", id)))
      differ(REQ_ITEM_NAME, name);
  }

  std::set<std::string> entries;
  for (const auto& [name, value] : wrote.userValues) entries.insert(name);
  for (const auto& [name, value] : read.userValues) entries.insert(name);
  for (const std::string& name : entries) {
    if (!SameReply(Ask(wrote, REQ_USER_VALUE, name), Ask(read, REQ_USER_VALUE, name)))
      differ(REQ_USER_VALUE, name);
  }
  entries.clear();
  for (const Kalbrix* k : {&wrote, &read}) {
    entries.insert(k->knownFunctions.begin(), k->knownFunctions.end());
    entries.insert(k->knownSupervisions.begin(), k->knownSupervisions.end());
  }
  for (const std::string& name : entries) {
    for (const int32_t code : {REQ_FNC_QUERY, REQ_SUP_QUERY}) {
      if (!SameReply(Ask(wrote, code, name), Ask(read, code, name))) differ(code, name);
    }
  }
}

Kalbrix ReadBack(const std::string& text, const char* round) {
  try {
    return KalbrixFromJson(ParseKalbrixText(text));
  } catch (const KalbrixError& error) {
    Fail(std::string(round) + ": the written file is refused: " + error.what());
  }
}

// What a plug-in writes: every item's value as the host served it, with word 1 changed as a
// regenerated table changes it (an integer changes whole). Only writes the host accepts count.
std::vector<std::string> WriteChangedValues(Kalbrix& kalbrix) {
  std::vector<std::string> written;
  for (const std::string& name : kalbrix.ListedNames()) {
    hostcore::Reply value = Ask(kalbrix, REQ_ITEM_VALUE, name);
    if (value.result != HOST_OK) continue;
    if (value.len == -1) {
      int32_t number;
      std::memcpy(&number, value.bytes.data(), sizeof number);
      number ^= 0x5A5A;
      std::memcpy(value.bytes.data(), &number, sizeof number);
    } else if (value.bytes.size() >= 4) {
      uint16_t word;
      std::memcpy(&word, value.bytes.data() + 2, sizeof word);
      ++word;
      std::memcpy(value.bytes.data() + 2, &word, sizeof word);
    }
    const hostcore::Input payload{value.len, value.bytes.data()};
    if (hostcore::Answer(kalbrix, REQ_ITEM_WRITE, Wire(name), payload).result == HOST_OK)
      written.push_back(name);
  }
  return written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Json document;
  Kalbrix kalbrix;
  try {
    document = ParseKalbrixText(text);
    kalbrix = KalbrixFromJson(document);
  } catch (const KalbrixError&) {
    return 0;  // refused as bad input: exit status 2
  }

  // Written back untouched, it reads as it was.
  Kalbrix same = ReadBack(DumpKalbrix(document), "unchanged");
  ExpectSameAnswers(kalbrix, same, "unchanged");

  // Written back after the plug-in's writes, it reads as the host held it at the end.
  const std::vector<std::string> written = WriteChangedValues(kalbrix);
  Kalbrix changed = ReadBack(DumpKalbrix(PatchValues(document, kalbrix, written)), "written");
  ExpectSameAnswers(kalbrix, changed, "written");
  return 0;
}
