#include "host/requests.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>

#include "host/reply_forms.h"
#include "support/fake_host.h"
#include "support/host_checks.h"
#include "support/message_boxes.h"

namespace vantel {
namespace {

using test::FakeHost;
using test::HostedContext;
using test::MessageBoxes;
using test::RawReply;

class RequestsTest : public ::testing::Test {
 protected:
  ~RequestsTest() override {
    // Every block that crossed is freed exactly once, by the side the rules name.
    test::ExpectNoLeak(host);
  }
  FakeHost host;
  HostedContext hosted{host};
  MachineContext& context = hosted.context;
  MessageBoxes boxes;
};

TEST_F(RequestsTest, EveryResultCodeShowsItsMessageAfterTheMachineName) {
  const struct {
    int32_t result;
    const char* text;
  } cases[] = {
      {1, "M12\nAction canceled\nDll data error"},
      {2, "M12\nAction canceled\nDll target error"},
      {3, "M12\nAction canceled\nDll action error"},
      {4, "M12\nAction canceled\nAcces rights too low"},
      {5, "M12\nAction canceled\nDll transfert error"},
      {-1, "M12\nAction canceled\nDoranix internal error"},
      {7, "M12\nAction canceled\nUnknown error"},
      {-2, "M12\nAction canceled\nUnknown error"},
  };
  for (const auto& c : cases) {
    host.Fail(REQ_ITEM_CLASS, "X", c.result, 1);
    int32_t value = 42;
    EXPECT_FALSE(AskInt(context, REQ_ITEM_CLASS, "X", value));
    EXPECT_EQ(value, 42);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back().text, c.text) << c.result;
    EXPECT_EQ(boxes.shown.back().type, MB_OK | MB_ICONERROR);
  }
}

TEST_F(RequestsTest, AnUnnamedMachineIsCalledMachine) {
  host.machineName.reset();
  host.Fail(REQ_ITEM_CLASS, "X", 7);
  int32_t value;
  static_cast<void>(AskInt(context, REQ_ITEM_CLASS, "X", value));
  ASSERT_EQ(boxes.Texts().size(), 1u);  // the failing name request adds no message of its own
  EXPECT_EQ(boxes.Texts()[0], "Machine\nAction canceled\nUnknown error");
}

TEST_F(RequestsTest, WrongFormRepliesAreRefusedFreedAndReportedAsInternalErrors) {
  RawReply intWithLen4 = test::IntReply(5);
  intWithLen4.len = 4;
  RawReply textWithoutNul = test::TextReply("abcd");
  textWithoutNul.bytes.back() = 'e';
  RawReply tableWithWrongLength = test::WordsReply({6, 1, 2});
  tableWithWrongLength.bytes[0] = 8;
  RawReply oddTable = test::WordsReply({5, 1, 2});
  oddTable.bytes.pop_back();
  oddTable.len = 5;
  RawReply noData = test::IntReply(1);
  noData.nullData = true;
  RawReply lenPastTheBlock = test::TextReply("ab");
  lenPastTheBlock.len = 1000;
  RawReply negativeLen = test::TextReply("ab");
  negativeLen.len = -7;

  const struct {
    const char* name;
    RawReply reply;
    int kind;  // 0 int, 1 text, 2 word table
  } cases[] = {
      {"int len 4", intWithLen4, 0},
      {"text no NUL", textWithoutNul, 1},
      {"table len", tableWithWrongLength, 2},
      {"odd table", oddTable, 2},
      {"no data", noData, 0},
      {"len past block", lenPastTheBlock, 1},
      {"negative len", negativeLen, 1},
      {"text as int", test::TextReply("abc"), 0},
  };
  for (const auto& c : cases) {
    host.Program(REQ_ITEM_VALUE, "X", c.reply, 1);
    boxes.shown.clear();
    int32_t i;
    std::string t;
    WordTable w;
    const bool ok = c.kind == 0   ? AskInt(context, REQ_ITEM_VALUE, "X", i)
                    : c.kind == 1 ? AskText(context, REQ_ITEM_VALUE, "X", t)
                                  : AskTable(context, REQ_ITEM_VALUE, "X", w);
    EXPECT_FALSE(ok) << c.name;
    ASSERT_EQ(boxes.Texts().size(), 1u) << c.name;
    EXPECT_EQ(boxes.Texts()[0], "M12\nAction canceled\nDoranix internal error") << c.name;
    EXPECT_EQ(host.ledger().LiveBlocks(), 0u) << c.name;
  }
}

TEST_F(RequestsTest, WellFormedRepliesAreCopiedWhole) {
  host.AddItem("I", 1, 77);
  host.AddItem("T", 2, std::string("hello"));
  host.AddItem("W", 3, WordTable{6, 0x1234, 0xFFFF});
  host.AddItem("L", 4, std::vector<int32_t>{12, -5, 0x00020001});
  int32_t i = 0;
  std::string t;
  WordTable w;
  std::vector<int32_t> l;
  EXPECT_TRUE(AskInt(context, REQ_ITEM_VALUE, "I", i));
  EXPECT_TRUE(AskText(context, REQ_ITEM_VALUE, "T", t));
  EXPECT_TRUE(AskTable(context, REQ_ITEM_VALUE, "W", w));
  EXPECT_TRUE(AskLongTable(context, REQ_ITEM_VALUE, "L", l));
  EXPECT_EQ(i, 77);
  EXPECT_EQ(t, "hello");
  EXPECT_EQ(w, (WordTable{6, 0x1234, 0xFFFF}));
  EXPECT_EQ(l, (std::vector<int32_t>{12, -5, 0x00020001}));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RequestsTest, SendersLeaveSuccessfulInputToTheHostAndFreeFailedInput) {
  host.AddItem("I", 1, 0);
  host.AddItem("T", 2, WordTable{4, 0});
  const WordTable words{6, 1, 2};
  EXPECT_TRUE(SendInt(context, REQ_ITEM_WRITE, "I", 9));
  EXPECT_TRUE(SendWords(context, REQ_ITEM_WRITE, "T", words));
  EXPECT_EQ(host.Written("T"), words);
  host.Fail(REQ_ITEM_WRITE, "T", 5);
  EXPECT_FALSE(SendInt(context, REQ_ITEM_WRITE, "T", 9));
  EXPECT_FALSE(SendWords(context, REQ_ITEM_WRITE, "T", words));
  EXPECT_EQ(boxes.Texts().size(), 2u);
  EXPECT_EQ(host.Requests(REQ_ITEM_WRITE).back().InWords(), words);
}

TEST_F(RequestsTest, InOutRequestsFreeWhateverTheRecordHolds) {
  int32_t level = 0;
  host.userLevel = 3;
  EXPECT_TRUE(AskUserLevel(context, level));
  EXPECT_EQ(level, 3);
  EXPECT_EQ(host.Requests(REQ_USER_LEVEL)[0].InInt(), 5);
  host.Fail(REQ_USER_LEVEL, "", 3);
  EXPECT_FALSE(AskUserLevel(context, level));

  host.AddItem("NAMED", 0x1234);
  std::string name;
  EXPECT_TRUE(AskItemNameQuiet(context, 0x1234, name));
  EXPECT_EQ(name, "NAMED");
  EXPECT_FALSE(AskItemNameQuiet(context, 0x999, name));
  EXPECT_EQ(boxes.Texts().size(), 1u);  // only the reporting 0x200 failure
}

// The in/out requests read their reply in the input's place, with the same form checks as
// the others: the reporting user level shows the internal error, the quiet item name nothing.
TEST_F(RequestsTest, InOutRepliesOfAnotherFormAreRefusedAndFreed) {
  RawReply intWithLen4 = test::IntReply(7);
  intWithLen4.len = 4;
  RawReply textWithoutNul = test::TextReply("NAMED");
  textWithoutNul.bytes.back() = 'X';
  RawReply noData = test::IntReply(7);
  noData.nullData = true;
  const std::string internalError = "M12\nAction canceled\nDoranix internal error";
  const struct {
    const char* name;
    int32_t code;
    RawReply reply;
  } cases[] = {
      {"user level as a text", REQ_USER_LEVEL, test::TextReply("6")},
      {"user level with len 4", REQ_USER_LEVEL, intWithLen4},
      {"user level without data", REQ_USER_LEVEL, noData},
      {"item name as an integer", REQ_ITEM_NAME, test::IntReply(0x41)},
      {"item name without NUL", REQ_ITEM_NAME, textWithoutNul},
      {"item name without data", REQ_ITEM_NAME, noData},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host.Program(c.code, "", c.reply, 1);
    boxes.shown.clear();
    int32_t level = 42;
    std::string name = "kept";
    const bool ok = c.code == REQ_USER_LEVEL ? AskUserLevel(context, level)
                                             : AskItemNameQuiet(context, 0x1234, name);
    EXPECT_FALSE(ok);
    EXPECT_EQ(level, 42);
    EXPECT_EQ(name, "kept");
    EXPECT_EQ(boxes.Texts(), c.code == REQ_USER_LEVEL ? std::vector<std::string>{internalError}
                                                      : std::vector<std::string>{});
    EXPECT_EQ(host.ledger().LiveBlocks(), 0u);
  }
}

// A reply of the NUL alone (len 1) is well formed: the empty text, taken as it is, and a
// name list of one empty name. Nothing is reported.
TEST_F(RequestsTest, AReplyOfTheNulAloneIsTheEmptyTextOrOneEmptyName) {
  const RawReply nulAlone = test::TextReply("");
  ASSERT_EQ(nulAlone.len, 1);
  using Ask = std::function<bool(std::vector<std::string>&)>;
  const auto one = [](auto ask) {
    return [ask](std::vector<std::string>& out) {
      out.assign(1, "stale");
      return ask(out[0]);
    };
  };
  const struct {
    const char* name;
    int32_t code;
    Ask ask;
  } cases[] = {
      {"text", REQ_ITEM_LABEL,
       one([&](std::string& t) { return AskText(context, REQ_ITEM_LABEL, "", t); })},
      {"quiet text", REQ_ITEM_LABEL,
       one([&](std::string& t) { return AskTextQuiet(context, REQ_ITEM_LABEL, "", t); })},
      {"in/out item name", REQ_ITEM_NAME,
       one([&](std::string& t) { return AskItemNameQuiet(context, 0x1234, t); })},
      {"name list", REQ_ITEM_LIST,
       [&](std::vector<std::string>& names) {
         names = {"stale", "names"};
         return AskListQuiet(context, REQ_ITEM_LIST, "", names);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host.Program(c.code, "", nulAlone, 1);
    std::vector<std::string> read;
    EXPECT_TRUE(c.ask(read));
    EXPECT_EQ(read, std::vector<std::string>{""});
  }

  // An empty machine name is a name: it replaces the one known, and a message starts with it.
  host.machineName = std::string();
  EXPECT_TRUE(RefreshMachineName(context));
  EXPECT_EQ(context.machineName, "");
  EXPECT_TRUE(boxes.shown.empty());
  host.Fail(REQ_ITEM_CLASS, "X", HOST_DATA_ERROR, 1);
  int32_t value;
  EXPECT_FALSE(AskInt(context, REQ_ITEM_CLASS, "X", value));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"\nAction canceled\nDll data error"});
}

TEST_F(RequestsTest, QuietVariantsNeverShowAMessage) {
  host.knownFunctions = {"F1"};
  EXPECT_EQ(AskQueryQuiet(context, REQ_FNC_QUERY, "F1"), 1);
  EXPECT_EQ(AskQueryQuiet(context, REQ_FNC_QUERY, "F2"), 0);
  host.Fail(REQ_SUP_QUERY, "S", 3);
  EXPECT_EQ(AskQueryQuiet(context, REQ_SUP_QUERY, "S"), 0);
  host.AddItem("A", 1);
  host.AddItem("B", 2);
  std::vector<std::string> names;
  EXPECT_TRUE(AskListQuiet(context, REQ_ITEM_LIST, "", names));
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));
  host.Program(REQ_ITEM_LIST, "", test::IntReply(3));
  EXPECT_FALSE(AskListQuiet(context, REQ_ITEM_LIST, "", names));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RequestsTest, MachineNameKeepsItsLastValueWhenTheHostGivesNone) {
  host.machineName = "Moteur été";  // the fake host's UTF-8, handed over in code page 1252
  EXPECT_EQ(GetMachineName(context), "Moteur été");
  EXPECT_EQ(host.log.back().code, REQ_MACHINE_NAME);
  host.machineName.reset();
  EXPECT_EQ(GetMachineName(context), "Moteur été");
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(RefreshMachineName(context));
  EXPECT_EQ(boxes.Texts().size(), 1u);
}

// The bytes a host hands over, read as code page 1252 whatever they are.
TEST_F(RequestsTest, HostTextsAreReadInCodePage1252) {
  const std::pair<const char*, const char*> cases[] = {
      {"Moteur \xE9t\xE9", "Moteur été"},
      {"\x80 \x96 \x92\x9F", "€ – ’Ÿ"},
      {"\xA0\xFF", "\u00A0ÿ"},
      {"\x81\x8D\x8F\x90\x9D", "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},  // unassigned in the code page
      {"D\xC3\xA9j\xC3\xA0", "DÃ©jÃ\u00A0"},  // UTF-8 handed over is taken for what it says
  };
  for (const auto& [sent, shown] : cases) {
    SCOPED_TRACE(sent);
    host.Program(REQ_MACHINE_NAME, "", test::TextReply(sent), 1);
    EXPECT_EQ(GetMachineName(context), shown);
  }
}

TEST_F(RequestsTest, EndActionIgnoresTheResultAndFreesAnyReply) {
  host.Program(REQ_END_ACTION, "KEY", test::TextReply("ignored"));
  EndAction(context, "KEY");
  host.Fail(REQ_END_ACTION, "K2", 3);
  EndAction(context, "K2");
  ASSERT_EQ(host.Count(REQ_END_ACTION), 2u);
  EXPECT_EQ(host.log[0].item, "KEY");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RequestsTest, ItemUsableClassifiesTheStateBits) {
  const struct {
    uint32_t bits;
    int expected;
  } cases[] = {{0x40000000, -1}, {0x88000000, -1}, {0x80000000, 1}, {0x80000001, 1},
               {0xC0000000, 0},  {0x08000000, 0},  {0x20000000, 0}, {0x97FFFFFF, 1}};
  for (const auto& c : cases) {
    host.AddItem("X", 1).stateBits = static_cast<int32_t>(c.bits);
    EXPECT_EQ(ItemUsable(context, "X"), c.expected) << std::hex << c.bits;
  }
  EXPECT_EQ(ItemUsable(context, "UNKNOWN"), 0);
  EXPECT_EQ(host.Count(REQ_ITEM_STATE), std::size(cases));  // unknown items are not asked
  host.Fail(REQ_ITEM_STATE, "X", 2);
  EXPECT_EQ(ItemUsable(context, "X"), 0);
  EXPECT_EQ(boxes.Texts().size(), 1u);
}

TEST_F(RequestsTest, NoHostEntryMeansEveryRequestFailsWithoutACall) {
  hosted.app.hostEntry = nullptr;
  int32_t value;
  EXPECT_FALSE(AskInt(context, REQ_ITEM_CLASS, "X", value));
  EXPECT_FALSE(SendInt(context, REQ_ITEM_WRITE, "X", 1));
  EXPECT_TRUE(host.log.empty());
}

TEST(ReplyForms, NameListsSplitAtEveryNul) {
  const char bytes[] = "A\0BC\0\0D";  // 8 bytes with the terminator
  void* block = std::malloc(sizeof bytes);
  std::memcpy(block, bytes, sizeof bytes);
  std::vector<std::string> names;
  EXPECT_TRUE(ReadNameListReply(sizeof bytes, block, names));
  EXPECT_EQ(names, (std::vector<std::string>{"A", "BC", "", "D"}));
  std::free(block);
}

}  // namespace
}  // namespace vantel
