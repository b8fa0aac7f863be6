#include "host_service.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace vantel::host {
namespace {

const char* const kKalbrix = R"({
  "machine": 12, "name": "M12", "userLevel": 3, "descriptor": "DSC",
  "userValues": {"VALUSER_LSTSEL": 7},
  "functions": ["FNC_A"], "supervisions": ["SUP_A"],
  "items": [
    {"name": "DSC", "id": 100, "longs": [28, 0, 0, 0, 0, 103, 104]},
    {"name": "TAB", "id": 101, "words": [6, 1, 2], "label": "Table", "lists": 5},
    {"name": "TXT", "id": 102, "text": "abc"},
    {"name": "OPT", "id": 103, "int": 0},
    {"name": "INJ", "id": 104, "int": 0},
    {"name": "EMPTY", "id": 105}
  ]
})";

struct Payload {
  const char* form;
  int32_t len;
  std::vector<uint8_t> bytes;
};

// One payload of each form the wire has. Bytes read as words, longs or a text only by the form
// of the item they go to.
enum PayloadForm { kIntPayload, kThreeWords, kEightBytes, kText, kUnassignedByte };
const Payload kPayloads[] = {
    {"int 9", -1, {9, 0, 0, 0}},
    {"three words", 6, {6, 0, 1, 0, 2, 0}},
    {"two longs or four words", 8, {8, 0, 0, 0, 1, 0, 0, 0}},
    {"text", 3, {'x', 'y', 0}},
    {"bytes ending in a NUL, one that code page 1252 leaves unassigned", 4, {'x', 0x81, 'y', 0}},
};

/// The host as the plug-in sees it: each call goes through Handle with a fresh record.
class HostServiceTest : public ::testing::Test {
 protected:
  HostServiceTest()
      : kalbrix_(KalbrixFromJson(ParseKalbrixText(kKalbrix))), service_(kalbrix_, 1036, nullptr) {}
  ~HostServiceTest() override { std::free(record_.data); }

  static int32_t* NewInt(int32_t value) {
    auto* data = static_cast<int32_t*>(std::malloc(sizeof value));
    *data = value;
    return data;
  }

  int32_t Ask(int32_t code, const char* item) {
    std::free(record_.data);
    record_ = {0, nullptr};
    return service_.Handle(12, code, item, &record_);
  }

  /// Sends an int32 the way the plug-in does; returns the result and the input pointer.
  int32_t Send(int32_t code, const char* item, int32_t value, void** input) {
    std::free(record_.data);
    *input = NewInt(value);
    record_ = {-1, *input};
    return service_.Handle(12, code, item, &record_);
  }

  int32_t Send(int32_t code, const char* item, const Payload& payload, void** input) {
    std::free(record_.data);
    *input = std::malloc(payload.bytes.size());
    std::memcpy(*input, payload.bytes.data(), payload.bytes.size());
    record_ = {payload.len, *input};
    return service_.Handle(12, code, item, &record_);
  }

  int32_t ReplyInt() const {
    EXPECT_EQ(record_.len, -1);
    int32_t value = 0;
    if (record_.data) std::memcpy(&value, record_.data, sizeof value);
    return value;
  }

  std::vector<uint8_t> ReplyBytes() const {
    const auto* bytes = static_cast<const uint8_t*>(record_.data);
    return record_.len > 0 ? std::vector<uint8_t>(bytes, bytes + record_.len)
                           : std::vector<uint8_t>{};
  }

  Kalbrix kalbrix_;
  HostService service_;
  HostBuffer record_{0, nullptr};
};

TEST_F(HostServiceTest, IntegerQueriesAnswerWithLenMinusOne) {
  struct Case {
    int32_t code;
    const char* item;
    int32_t expected;
  };
  const Case cases[] = {
      {REQ_HOST_VERSION, "", 0x50000}, {REQ_HOST_LANGUAGE, "", 1036},
      {REQ_HOST_LEVEL, "", 5},         {REQ_MACHINE_CONNECTION, "", 1},
      {REQ_ITEM_ID, "TAB", 101},       {REQ_ITEM_STATE, "TAB", kUsableState},
      {REQ_ITEM_LISTS, "TAB", 5},      {REQ_ITEM_ATTR_20, "TAB", 1},
      {REQ_ITEM_ATTR_23, "TAB", 0},    {REQ_ITEM_PRESENT, "TAB", 1},
      {REQ_FNC_QUERY, "FNC_A", 1},     {REQ_FNC_QUERY, "FNC_B", 0},
      {REQ_SUP_QUERY, "SUP_A", 1},     {REQ_USER_VALUE, "VALUSER_LSTSEL", 7},
      {REQ_ITEM_VALUE, "OPT", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(RequestName(c.code)) + " " + c.item);
    ASSERT_EQ(Ask(c.code, c.item), HOST_OK);
    EXPECT_EQ(ReplyInt(), c.expected);
  }
}

TEST_F(HostServiceTest, TablesAndTextsCrossWholeWithTheirSizeAndNul) {
  ASSERT_EQ(Ask(REQ_ITEM_VALUE, "TAB"), HOST_OK);
  EXPECT_EQ(ReplyBytes(), (std::vector<uint8_t>{6, 0, 1, 0, 2, 0}));
  ASSERT_EQ(Ask(REQ_ITEM_VALUE, "DSC"), HOST_OK);
  EXPECT_EQ(record_.len, 28);
  ASSERT_EQ(Ask(REQ_ITEM_VALUE, "TXT"), HOST_OK);
  EXPECT_EQ(ReplyBytes(), (std::vector<uint8_t>{'a', 'b', 'c', 0}));
  ASSERT_EQ(Ask(REQ_MACHINE_NAME, ""), HOST_OK);
  EXPECT_EQ(ReplyBytes(), (std::vector<uint8_t>{'M', '1', '2', 0}));
  ASSERT_EQ(Ask(REQ_ITEM_LIST, ""), HOST_OK);
  const std::string list(static_cast<const char*>(record_.data), static_cast<size_t>(record_.len));
  EXPECT_EQ(list, std::string("DSC\0TAB\0TXT\0OPT\0INJ\0EMPTY\0", 26));
}

TEST_F(HostServiceTest, UnknownItemsAndMissingValuesFailWithoutAReply) {
  EXPECT_EQ(Ask(REQ_ITEM_ID, "NOPE"), HOST_TARGET_ERROR);
  EXPECT_EQ(record_.data, nullptr);
  EXPECT_EQ(Ask(REQ_ITEM_VALUE, "EMPTY"), HOST_DATA_ERROR);
  EXPECT_EQ(record_.data, nullptr);
  EXPECT_EQ(Ask(REQ_USER_VALUE, "VALUSER_LSTPID"), HOST_TARGET_ERROR);
  EXPECT_EQ(record_.data, nullptr);
}

TEST_F(HostServiceTest, InOutRequestsReplaceTheInputWithTheReply) {
  void* input = nullptr;
  ASSERT_EQ(Send(REQ_USER_LEVEL, "", 5, &input), HOST_OK);
  EXPECT_EQ(ReplyInt(), 3);
  ASSERT_EQ(Send(REQ_ITEM_NAME, "", 101, &input), HOST_OK);
  EXPECT_EQ(ReplyBytes(), (std::vector<uint8_t>{'T', 'A', 'B', 0}));
  // The input was freed by the host: the sanitizers would report a leak otherwise, and a
  // double free if the record still held it when the fixture frees the reply.
}

TEST_F(HostServiceTest, FailedInOutRequestLeavesTheInputForThePlugInToFree) {
  void* input = nullptr;
  EXPECT_EQ(Send(REQ_ITEM_NAME, "", 999, &input), HOST_TARGET_ERROR);
  EXPECT_EQ(record_.data, input);
  EXPECT_EQ(record_.len, -1);
}

TEST_F(HostServiceTest, SuccessfulSendsAreTakenOverAndRecorded) {
  struct Case {
    int32_t code;
    const char* item;
    int32_t value;
  };
  const Case cases[] = {
      {REQ_FNC_ENABLE, "FNC_A", 1},       {REQ_SUP_ENABLE, "SUP_A", 0},
      {REQ_DAT_ENABLE, "TAB", 1},         {REQ_ITEM_MARK, "TAB", 0},
      {REQ_ITEM_SEND, "TAB", 3},          {REQ_ITEM_VSCALE, "TAB", 102},
      {REQ_ITEM_HSCALE, "TAB", -1},       {REQ_SAVE_STATUS, "", -3},
      {REQ_REGISTER_MODULE, "VANTEL", 1}, {REQ_ITEM_WRITE, "OPT", 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(RequestName(c.code));
    void* input = nullptr;
    ASSERT_EQ(Send(c.code, c.item, c.value, &input), HOST_OK);
    EXPECT_EQ(record_.data, nullptr);
    EXPECT_EQ(record_.len, 0);
  }
  const Observation seen = service_.TakeObservation();
  ASSERT_EQ(seen.enables.size(), 3u);
  EXPECT_EQ(seen.enables[0].kind, 'F');
  EXPECT_EQ(seen.enables[1].value, 0);
  EXPECT_EQ(seen.enables[2].name, "TAB");
  EXPECT_EQ(seen.marks, (std::vector<std::pair<std::string, int32_t>>{{"TAB", 0}}));
  EXPECT_EQ(seen.sends, (std::vector<std::pair<std::string, int32_t>>{{"TAB", 3}}));
  ASSERT_EQ(seen.scales.size(), 2u);
  EXPECT_TRUE(seen.scales[0].vertical);
  EXPECT_EQ(seen.scales[1].reference, -1);
  EXPECT_EQ(seen.saveStatus, std::vector<int32_t>{-3});
  EXPECT_EQ(seen.optionFlags, 9);
  EXPECT_FALSE(seen.injectionFlags);
  EXPECT_EQ(std::get<int32_t>(kalbrix_.Find("OPT")->value), 9);
  EXPECT_TRUE(service_.TakeObservation().enables.empty());
}

TEST_F(HostServiceTest, RefusedSendsLeaveTheInputUntouched) {
  struct Case {
    int32_t code;
    const char* item;
  };
  const Case cases[] = {
      {REQ_FNC_ENABLE, "FNC_UNKNOWN"}, {REQ_SUP_ENABLE, "FNC_A"}, {REQ_DAT_ENABLE, "NOPE"},
      {REQ_ITEM_MARK, "NOPE"},         {REQ_ITEM_WRITE, "NOPE"},  {0x7777, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    void* input = nullptr;
    EXPECT_NE(Send(c.code, c.item, 1, &input), HOST_OK);
    EXPECT_EQ(record_.data, input);
  }
  EXPECT_TRUE(service_.TakeObservation().enables.empty());
}

TEST_F(HostServiceTest, WrittenTablesReplaceTheItemAndAreListedOnce) {
  for (int pass = 0; pass < 2; ++pass) {
    std::free(record_.data);
    auto* words = static_cast<uint16_t*>(std::malloc(8));
    const uint16_t table[4] = {8, 4, 5, 6};
    std::memcpy(words, table, sizeof table);
    record_ = {8, words};
    ASSERT_EQ(service_.Handle(12, REQ_ITEM_WRITE, "TAB", &record_), HOST_OK);
    EXPECT_EQ(record_.data, nullptr);
  }
  EXPECT_EQ(std::get<Words>(kalbrix_.Find("TAB")->value), (Words{8, 4, 5, 6}));
  EXPECT_EQ(service_.WrittenItems(), std::vector<std::string>{"TAB"});
  EXPECT_EQ(service_.TakeObservation().written.size(), 2u);
}

// An integer over a word table, a table over an integer, anything over an item without a
// value: the host refuses it as a wrong item form, and the plug-in keeps its input.
TEST_F(HostServiceTest, WriteOfAnotherFormIsRefusedWithTheDataError) {
  struct Case {
    const char* item;
    PayloadForm payload;
    int32_t expected;
  };
  const Case cases[] = {
      {"OPT", kIntPayload, HOST_OK},
      {"OPT", kThreeWords, HOST_DATA_ERROR},
      {"TAB", kIntPayload, HOST_DATA_ERROR},
      {"TAB", kThreeWords, HOST_OK},
      {"TAB", kText, HOST_DATA_ERROR},
      {"DSC", kEightBytes, HOST_OK},
      {"DSC", kThreeWords, HOST_DATA_ERROR},
      {"DSC", kIntPayload, HOST_DATA_ERROR},
      {"TXT", kText, HOST_OK},
      {"TXT", kThreeWords, HOST_DATA_ERROR},
      {"TXT", kIntPayload, HOST_DATA_ERROR},
      {"TXT", kUnassignedByte, HOST_DATA_ERROR},
      {"EMPTY", kIntPayload, HOST_DATA_ERROR},
      {"EMPTY", kEightBytes, HOST_DATA_ERROR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.item) + " <- " + kPayloads[c.payload].form);
    const ItemValue before = kalbrix_.Find(c.item)->value;
    void* input = nullptr;
    EXPECT_EQ(Send(REQ_ITEM_WRITE, c.item, kPayloads[c.payload], &input), c.expected);
    const ItemValue& after = kalbrix_.Find(c.item)->value;
    EXPECT_EQ(after.index(), before.index());
    if (c.expected == HOST_OK) continue;
    EXPECT_TRUE(after == before);
    EXPECT_EQ(record_.data, input);
  }
  EXPECT_EQ(std::get<Longs>(kalbrix_.Find("DSC")->value), (Longs{8, 1}));
  EXPECT_EQ(std::get<std::string>(kalbrix_.Find("TXT")->value), "xy");
  // --write saves only what the host took.
  EXPECT_EQ(service_.WrittenItems(), (std::vector<std::string>{"OPT", "TAB", "DSC", "TXT"}));
}

// Every request the host serves, with no payload and with each form of payload, on every item,
// on none and on an unknown one.
TEST_F(HostServiceTest, NoRequestChangesTheFormOfAnyItem) {
  const auto forms = [this] {
    std::vector<size_t> out;
    for (const auto& [name, item] : kalbrix_.items) out.push_back(item.value.index());
    return out;
  };
  const std::vector<size_t> before = forms();
  const char* const names[] = {"DSC", "TAB", "TXT", "OPT", "INJ", "EMPTY", "", "NOPE"};
  size_t served = 0;
  for (int32_t code = 0; code < 0x80000; ++code) {
    if (RequestName(code)[0] == '\0') continue;
    SCOPED_TRACE(RequestName(code));
    ++served;
    for (const char* name : names) {
      Ask(code, name);
      for (const Payload& payload : kPayloads) {
        void* input = nullptr;
        Send(code, name, payload, &input);
      }
    }
    ASSERT_EQ(forms(), before);
  }
  EXPECT_EQ(served, 36u);  // every request code of the ABI
}

// The file's texts are UTF-8, the plug-in's code page 1252: every text crosses converted, both
// ways, and an item is found by the bytes of its name in the code page.
TEST_F(HostServiceTest, TextsCrossInCodePage1252BothWays) {
  const Json document = ParseKalbrixText(R"({
    "machine": 12, "name": "Moteur démo été", "descriptor": "DSC", "comment": "→ not served",
    "functions": ["FNC_É"], "userValues": {"VALUSER_Ü": 4},
    "items": [
      {"name": "DSC", "id": 100, "longs": [8, 0]},
      {"name": "DÉBIT", "id": 101, "text": "déjà vu", "label": "Débit – l/h",
       "errorText": "Échec à l’envoi"}
    ]})");
  kalbrix_ = KalbrixFromJson(document);
  const char* const debit =
      "D\xC9"
      "BIT";
  const std::pair<int32_t, std::string> texts[] = {
      {REQ_MACHINE_NAME, "Moteur d\xE9mo \xE9t\xE9"},
      {REQ_ITEM_LABEL,
       "D\xE9"
       "bit \x96 l/h"},
      {REQ_ITEM_VALUE, "d\xE9j\xE0 vu"},
      {REQ_ITEM_ERROR_TEXT,
       "\xC9"
       "chec \xE0 l\x92"
       "envoi"},
      {REQ_ITEM_LIST, std::string("DSC\0D\xC9"
                                  "BIT",
                                  9)},
  };
  for (const auto& [code, expected] : texts) {
    SCOPED_TRACE(RequestName(code));
    ASSERT_EQ(Ask(code, code == REQ_MACHINE_NAME || code == REQ_ITEM_LIST ? "" : debit), HOST_OK);
    const std::vector<uint8_t> bytes = ReplyBytes();
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected + '\0');
  }
  const std::tuple<int32_t, const char*, int32_t> numbers[] = {
      {REQ_ITEM_ID, debit, 101},
      {REQ_FNC_QUERY, "FNC_\xC9", 1},
      {REQ_USER_VALUE, "VALUSER_\xDC", 4},
  };
  for (const auto& [code, item, expected] : numbers) {
    SCOPED_TRACE(RequestName(code));
    ASSERT_EQ(Ask(code, item), HOST_OK);
    EXPECT_EQ(ReplyInt(), expected);
  }
  void* input = nullptr;
  ASSERT_EQ(Send(REQ_ITEM_NAME, "", 101, &input), HOST_OK);
  EXPECT_EQ(ReplyBytes(), (std::vector<uint8_t>{'D', 0xC9, 'B', 'I', 'T', 0}));
  // The UTF-8 bytes of the name are another name, and an unassigned byte names nothing.
  EXPECT_EQ(Ask(REQ_ITEM_ID,
                "D\xC3\x89"
                "BIT"),
            HOST_TARGET_ERROR);
  EXPECT_EQ(Ask(REQ_ITEM_ID, "D\x81"), HOST_TARGET_ERROR);

  // What the plug-in writes is kept, and saved, in UTF-8 under the file's own name.
  const Payload summer{"text", 7, {0xC9, 't', 0xE9, ' ', 0x80, '!', 0}};
  ASSERT_EQ(Send(REQ_ITEM_WRITE, debit, summer, &input), HOST_OK);
  EXPECT_EQ(std::get<std::string>(kalbrix_.Find("DÉBIT")->value), "Été €!");
  EXPECT_EQ(service_.WrittenItems(), std::vector<std::string>{"DÉBIT"});
  const std::string saved = DumpKalbrix(PatchValues(document, kalbrix_, service_.WrittenItems()));
  EXPECT_NE(saved.find("\"text\": \"Été €!\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("\"label\": \"Débit – l/h\""), std::string::npos) << saved;

  // A text the code page cannot hold is not sent short of a character.
  kalbrix_.machineName = "Moteur → 2";
  kalbrix_.Find("DÉBIT")->label = "Débit → l/h";
  EXPECT_EQ(Ask(REQ_MACHINE_NAME, ""), HOST_DATA_ERROR);
  EXPECT_EQ(Ask(REQ_ITEM_LABEL, debit), HOST_DATA_ERROR);
  EXPECT_EQ(record_.data, nullptr);
}

TEST_F(HostServiceTest, DescriptorElementsNameTheirItems) {
  EXPECT_EQ(service_.DescriptorItem(kOptionFlagsElement), "OPT");
  EXPECT_EQ(service_.DescriptorItem(kInjectionFlagsElement), "INJ");
  EXPECT_EQ(service_.DescriptorItem(1), "");   // identifier 0 names no item
  EXPECT_EQ(service_.DescriptorItem(17), "");  // beyond this short descriptor
}

// Whatever the host's own code throws while it serves a request stops at ACTIONDLL: the
// plug-in gets the host's internal error, which it shows, and its input stays its own.
TEST_F(HostServiceTest, ARequestTheHostFailsToServeIsTheHostsInternalError) {
  const std::vector<std::function<void()>> throws = {
      [] { throw std::runtime_error("the store is gone"); },
      [] { throw std::bad_alloc(); },
      [] { throw 42; },
  };
  InstallHostRouter([this](int32_t) { return &service_; });
  for (const auto& thrower : throws) {
    service_.failRequest = [&thrower](int32_t, const std::string&) -> int32_t {
      thrower();
      return HOST_OK;
    };
    std::free(record_.data);
    void* input = NewInt(5);
    record_ = {-1, input};
    EXPECT_EQ(ACTIONDLL(12, REQ_ITEM_WRITE, "OPT", &record_), HOST_INTERNAL_ERROR);
    EXPECT_EQ(record_.data, input);
  }
  service_.failRequest = nullptr;
  std::free(record_.data);
  record_ = {0, nullptr};
  EXPECT_EQ(ACTIONDLL(12, REQ_ITEM_VALUE, "OPT", &record_), HOST_OK);
  InstallHostRouter({});
}

}  // namespace
}  // namespace vantel::host
