#include "cmdtable/command_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "res/string_ids.h"
#include "support/fake_host.h"
#include "support/host_checks.h"
#include "support/message_boxes.h"
#include "support/named_cases.h"

namespace vantel {
namespace {

using test::PrintTo;

using test::ExpectNoLeak;
using test::HostMessage;

using Names = std::vector<std::string>;

// A group as a test writes it: CN0 to CN6 and the three name lists.
struct GroupView {
  std::array<int32_t, 7> cn{0, -1, 0, -1, 0, -1, 0};
  Names functions, supervisions, dataItems;
  bool operator==(const GroupView&) const = default;
};

GroupView View(const CommandGroup& g) {
  return {
      {g.CN0, g.CN1, g.CN2, g.CN3, g.CN4, g.CN5, g.CN6}, g.functions, g.supervisions, g.dataItems};
}

std::ostream& operator<<(std::ostream& out, const GroupView& g) {
  out << "{CN";
  for (int32_t v : g.cn) out << ' ' << v;
  auto list = [&](const char* tag, const Names& names) {
    out << ' ' << tag << '[';
    for (const auto& n : names) out << n << ' ';
    out << ']';
  };
  list("FNC", g.functions);
  list("SUP", g.supervisions);
  list("DAT", g.dataItems);
  return out << '}';
}

GroupView Group(std::array<int32_t, 7> cn, Names functions = {}, Names supervisions = {},
                Names dataItems = {}) {
  return {cn, std::move(functions), std::move(supervisions), std::move(dataItems)};
}

constexpr int32_t kUnset = -1;
constexpr int32_t kUserValue = 0x40;
constexpr int32_t kItemId = 0x300;

class CommandParserTest : public ::testing::Test {
 protected:
  CommandParserTest() {
    host.knownFunctions = {"F1", "F2"};
    host.knownSupervisions = {"S1"};
    host.userValues["USR"] = kUserValue;
    host.AddItem("D1", 100);
    host.AddItem("D0", 101).present = 0;
    host.AddItem("ITEMX", kItemId);
  }

  std::vector<GroupView> Views() const {
    std::vector<GroupView> views;
    for (const auto& g : list) views.push_back(View(*g));
    return views;
  }

  test::FakeHost host;
  test::HostedContext hosted{host};
  MachineContext& context = hosted.context;
  test::MessageBoxes boxes;
  CommandGroupList list;
};

struct ParseCase {
  const char* name;
  std::string text;
  bool ok;
  std::vector<GroupView> groups;
};

class ParseCases : public CommandParserTest, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(ParseCases, ParsesIntoTheExpectedGroups) {
  const ParseCase& c = GetParam();
  list.push_back(std::make_unique<CommandGroup>());  // a previous parse's group must go
  EXPECT_EQ(ParseCommandTableText(context, c.text, list), c.ok);
  EXPECT_EQ(Views(), c.groups);
  EXPECT_TRUE(boxes.shown.empty());
  ExpectNoLeak(host);
}

INSTANTIATE_TEST_SUITE_P(
    CommandParser, ParseCases,
    ::testing::Values(
        ParseCase{"BarredValuesAreOred",
                  "CN1=4|0x10 FNC=F1",
                  true,
                  {Group({0, 20, 0, kUnset, 0, kUnset, 0}, {"F1"})}},
        ParseCase{"UserValuePart",
                  "CN0=USR|3 FNC=F1",
                  true,
                  {Group({kUserValue | 3, -1, 0, -1, 0, -1, 0}, {"F1"})}},
        ParseCase{"ItemPartGivesItsIdentifier",
                  "CN4=ITEMX DAT=D1",
                  true,
                  {Group({0, -1, 0, -1, kItemId, -1, 0}, {}, {}, {"D1"})}},
        ParseCase{
            "AssignmentAfterAnEntryStartsAGroup",
            "CN0=1 FNC=F1 CN0=2 SUP=S1",
            true,
            {Group({1, -1, 0, -1, 0, -1, 0}, {"F1"}), Group({2, -1, 0, -1, 0, -1, 0}, {}, {"S1"})}},
        ParseCase{"AssignmentsBeforeTheFirstEntryShareAGroup",
                  "CN0=1 CN1=2 FNC=F1 DAT=D1",
                  true,
                  {Group({1, 2, 0, -1, 0, -1, 0}, {"F1"}, {}, {"D1"})}},
        ParseCase{"RepeatedAssignmentOverwrites",
                  "CN6=1 CN6=0X10 FNC=F2",
                  true,
                  {Group({0, -1, 0, -1, 0, -1, 16}, {"F2"})}},
        ParseCase{"EveryFieldAndEveryList",
                  "CN0=1 CN1=2 CN2=3 CN3=4 CN4=5 CN5=6 CN6=7 FNC=F1 SUP=S1 DAT=D1 FNC=F2",
                  true,
                  {Group({1, 2, 3, 4, 5, 6, 7}, {"F1", "F2"}, {"S1"}, {"D1"})}},
        ParseCase{"QuotedTokensParseLikePlainOnes",
                  "\"CN0\"=\"1\" \"FNC\"=\"F1\"",
                  true,
                  {Group({1, -1, 0, -1, 0, -1, 0}, {"F1"})}},
        ParseCase{"SpacesInAQuotedValueAreNoNumber", "CN0=\"1 | 2\" FNC=F1", false, {}},
        ParseCase{"EmptyPartsOfAValueAreSkipped",
                  "CN0=|1||2| FNC=F1",
                  true,
                  {Group({3, -1, 0, -1, 0, -1, 0}, {"F1"})}},
        ParseCase{"EmptyQuotedValueGivesZero",
                  "CN1=\"\" FNC=F1",
                  true,
                  {Group({0, 0, 0, -1, 0, -1, 0}, {"F1"})}},
        ParseCase{"UnknownEntriesAreDropped",
                  "CN0=1 FNC=FX SUP=SX DAT=D0 DAT=NOITEM FNC=F1",
                  true,
                  {Group({1, -1, 0, -1, 0, -1, 0}, {"F1"})}},
        ParseCase{"EmptyQuotedTokenEndsTheTable",
                  "CN0=1 FNC=F1 \"\" XYZ ===",
                  true,
                  {Group({1, -1, 0, -1, 0, -1, 0}, {"F1"})}},
        ParseCase{"SeparatorsOnly", " \t\r\n; -- .\n", true, {}},
        ParseCase{"EmptyText", "", true, {}},
        ParseCase{"EntryBeforeAnyAssignment", "FNC=F1", false, {}},
        ParseCase{"AssignmentWithoutEquals", "CN0 1 FNC=F1", false, {}},
        ParseCase{"AssignmentWithoutValue", "CN0=", false, {}},
        ParseCase{"AssignmentAtTheVeryEnd", "CN0=1 FNC=F1 CN1=2", false, {}},
        ParseCase{"UnknownKeyword", "XYZ=1", false, {}},
        ParseCase{"KeywordsAreCaseSensitive", "cn0=1 FNC=F1", false, {}},
        ParseCase{"NoEighthField", "CN7=1 FNC=F1", false, {}},
        ParseCase{"CommaIsATokenOfItsOwn", "CN0=1 FNC=F1, SUP=S1", false, {}},
        ParseCase{"EntryWithoutEquals", "CN0=1 FNC F1", false, {}},
        ParseCase{"EntryWithoutName", "CN0=1 FNC=", false, {}},
        ParseCase{"UnresolvableValuePart", "CN0=1|NOITEM FNC=F1", false, {}}),
    test::CaseName());

TEST_F(CommandParserTest, EntriesAskTheHostByTheirOwnRequests) {
  ASSERT_TRUE(ParseCommandTableText(context, "CN0=1 FNC=F1 SUP=S1 DAT=D1", list));
  std::vector<std::pair<int32_t, std::string>> asked;
  for (const auto& r : host.log) asked.emplace_back(r.code, r.item);
  EXPECT_EQ(asked, (std::vector<std::pair<int32_t, std::string>>{{REQ_FNC_QUERY, "F1"},
                                                                 {REQ_SUP_QUERY, "S1"},
                                                                 {REQ_ITEM_ID, "D1"},
                                                                 {REQ_ITEM_PRESENT, "D1"}}))
      << "a number part asks nothing";
}

TEST_F(CommandParserTest, ValuePartsTryUserValueThenItem) {
  ASSERT_TRUE(ParseCommandTableText(context, "CN0=ITEMX FNC=F1", list));
  ASSERT_GE(host.log.size(), 2u);
  EXPECT_EQ(host.log[0].code, REQ_USER_VALUE);
  EXPECT_EQ(host.log[1].code, REQ_ITEM_ID);
  EXPECT_EQ(host.log[1].item, "ITEMX");
}

TEST_F(CommandParserTest, RefusedQueriesDropEntriesSilently) {
  host.FailCode(REQ_FNC_QUERY, HOST_ACTION_ERROR);
  host.Program(REQ_SUP_QUERY, "S1", test::TextReply("1"));
  ASSERT_TRUE(ParseCommandTableText(context, "CN0=1 FNC=F1 SUP=S1", list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_TRUE(list[0]->functions.empty());
  EXPECT_TRUE(list[0]->supervisions.empty()) << "an answer that is no integer drops it too";
  EXPECT_TRUE(boxes.shown.empty());
  ExpectNoLeak(host);
}

TEST_F(CommandParserTest, FailedPresenceQueryIsShownAndTheEntryDropped) {
  host.Fail(REQ_ITEM_PRESENT, "D1", HOST_TARGET_ERROR);
  ASSERT_TRUE(ParseCommandTableText(context, "CN0=1 DAT=D1 FNC=F1", list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_TRUE(list[0]->dataItems.empty());
  EXPECT_EQ(list[0]->functions, Names{"F1"});
  EXPECT_EQ(boxes.Texts(), Names{HostMessage(IDS_HOST_TARGET_ERROR)});
  ExpectNoLeak(host);
}

TEST_F(CommandParserTest, ItemWithUnreadableIdentifierFailsTheParse) {
  test::RawReply notAnInteger = test::IntReply(kItemId);
  notAnInteger.len = 4;  // four bytes, but not in the integer form
  host.Program(REQ_ITEM_ID, "ITEMX", notAnInteger);
  list.push_back(std::make_unique<CommandGroup>());
  EXPECT_FALSE(ParseCommandTableText(context, "CN0=ITEMX FNC=F1", list));
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(boxes.Texts(), Names{HostMessage(IDS_HOST_INTERNAL_ERROR)});
  ExpectNoLeak(host);
}

TEST_F(CommandParserTest, ItemWithUnreadableIdentifierStillExistsForDataEntries) {
  test::RawReply notAnInteger = test::IntReply(100);
  notAnInteger.len = 4;
  host.Program(REQ_ITEM_ID, "D1", notAnInteger);
  ASSERT_TRUE(ParseCommandTableText(context, "CN0=1 DAT=D1", list));
  EXPECT_EQ(list.at(0)->dataItems, Names{"D1"});
  EXPECT_TRUE(boxes.shown.empty());
}

struct BufferCase {
  const char* name;
  std::vector<char> bytes;
  int32_t length;  // the declared byte count
  bool ok;
};

class BufferCases : public CommandParserTest, public ::testing::WithParamInterface<BufferCase> {};

TEST_P(BufferCases, TakesAndFreesTheBufferOnEveryPath) {
  const BufferCase& c = GetParam();
  HostData buffer(HostAlloc(c.bytes.size()));
  std::memcpy(buffer.get(), c.bytes.data(), c.bytes.size());
  list.push_back(std::make_unique<CommandGroup>());
  EXPECT_EQ(ParseCommandTable(context, std::move(buffer), c.length, list), c.ok);
  if (!c.ok) {
    EXPECT_TRUE(list.empty());
  }
  EXPECT_TRUE(boxes.shown.empty());
  ExpectNoLeak(host);
}

std::vector<char> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

INSTANTIATE_TEST_SUITE_P(
    CommandParser, BufferCases,
    ::testing::Values(
        BufferCase{"Terminated", Bytes(std::string_view("CN0=1 FNC=F1\0", 13)), 13, true},
        BufferCase{"NotTerminated", Bytes("CN0=1 FNC=F1"), 12, false},
        BufferCase{"ZeroLength", Bytes(std::string_view("\0", 1)), 0, false},
        BufferCase{"NegativeLength", Bytes(std::string_view("\0", 1)), -1, false},
        BufferCase{"LengthBeyondTheBlock", Bytes(std::string_view("CN0\0", 4)), 400, false},
        BufferCase{"TerminatorOnly", Bytes(std::string_view("\0", 1)), 1, true},
        BufferCase{"MalformedAfterGroups", Bytes(std::string_view("CN0=1 FNC=F1 CN0=1 ,\0", 21)),
                   21, false}),
    test::CaseName());

TEST_F(CommandParserTest, NoBufferIsAnEmptyTable) {
  list.push_back(std::make_unique<CommandGroup>());
  EXPECT_TRUE(ParseCommandTable(context, HostData{}, 0, list));
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(host.log.empty());
}

}  // namespace
}  // namespace vantel
