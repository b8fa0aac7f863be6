#include "cmdtable/command_tokenizer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/fake_host.h"
#include "support/named_cases.h"

namespace vantel {
namespace {

using test::PrintTo;

std::vector<std::string> Tokens(CommandTokenizer& tokenizer) {
  std::vector<std::string> tokens;
  std::string text;
  while (tokenizer.NextToken(text)) tokens.push_back(text);
  EXPECT_TRUE(text.empty()) << "a failed find leaves the text empty";
  return tokens;
}

std::vector<std::string> Tokens(std::string_view text) {
  CommandTokenizer tokenizer(text);
  return Tokens(tokenizer);
}

struct TokenCase {
  const char* name;
  std::string text;
  std::vector<std::string> tokens;
};

class TokenizerCases : public ::testing::TestWithParam<TokenCase> {};

TEST_P(TokenizerCases, YieldsTheTokensInOrder) {
  EXPECT_EQ(Tokens(GetParam().text), GetParam().tokens);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    CommandTokenizer, TokenizerCases,
    ::testing::Values(
        TokenCase{"SeparatorsOnly", " \t\r\n;:#'/<>-+.\0"s, {}}, TokenCase{"Empty", "", {}},
        TokenCase{"AssignmentWithBarredValue", "CN0=0x1F|4", {"CN0", "=", "0x1F|4"}},
        TokenCase{"MinusIsNoPartOfANumber", "-12", {"12"}},
        TokenCase{"DecimalPointSplits", "1.5", {"1", "5"}},
        TokenCase{"HyphenSplitsWords", "a-b", {"a", "b"}},
        TokenCase{"EmptyQuotedStringIsAToken", "\"\"", {""}},
        TokenCase{"UnclosedQuoteRunsToTheEnd", "\"ab", {"ab"}},
        TokenCase{"UnclosedQuoteStopsBeforeTheHostNul", "\"ab\0"s, {"ab"}},
        TokenCase{"NulInsideQuotesIsKept", "\"a\0b\"\0"s, {"a\0b"s}},
        TokenCase{"Parentheses", "x=(y)", {"x", "=", "(", "y", ")"}},
        TokenCase{"EveryPunctuationAlone", "()[]{},=", {"(", ")", "[", "]", "{", "}", ",", "="}},
        TokenCase{"WordBytes", "A_b&c|9 Z", {"A_b&c|9", "Z"}},
        TokenCase{"QuotesKeepSeparators", "\"a b;\nc\"d", {"a b;\nc", "d"}},
        TokenCase{"QuoteEndsAWord", "ab\"cd\"ef", {"ab", "cd", "ef"}},
        TokenCase{"HighBytesSeparate",
                  "ab\xE9\x80\xFF"
                  "cd",
                  {"ab", "cd"}},
        TokenCase{"NulSeparatesInsideTheText", "CN0\0=1\0"s, {"CN0", "=", "1"}}),
    test::CaseName());

TEST(CommandTokenizer, StartsAtTheFirstByteWithIndexZero) {
  CommandTokenizer tokenizer("ab cd");
  EXPECT_FALSE(tokenizer.ownsText());
  EXPECT_EQ(tokenizer.length(), 5u);
  EXPECT_EQ(tokenizer.cursor(), 0u);
  EXPECT_EQ(tokenizer.tokenIndex(), 0);
  EXPECT_EQ(tokenizer.nextIndex(), 0);
}

TEST(CommandTokenizer, FindSetsStartCursorAndIndexes) {
  CommandTokenizer tokenizer("  x = \"q r\" tail");
  std::string text;
  ASSERT_TRUE(tokenizer.FindToken(0, 2, 0, text));
  EXPECT_EQ(text, "q r");
  EXPECT_EQ(tokenizer.tokenStart(), 6u) << "a quoted string starts at its opening quote";
  EXPECT_EQ(tokenizer.cursor(), 11u) << "past the closing quote";
  EXPECT_EQ(tokenizer.tokenIndex(), 2);
  EXPECT_EQ(tokenizer.nextIndex(), 3);

  ASSERT_TRUE(tokenizer.NextToken(text));
  EXPECT_EQ(text, "tail");
  EXPECT_EQ(tokenizer.tokenIndex(), 3);
}

TEST(CommandTokenizer, AskingForAnEarlierTokenRescansFromTheStart) {
  CommandTokenizer tokenizer("a b c d e f g");
  std::string text;
  for (int i = 0; i <= 5; ++i) ASSERT_TRUE(tokenizer.NextToken(text));
  EXPECT_EQ(text, "f");
  ASSERT_TRUE(tokenizer.FindToken(tokenizer.cursor(), 0, tokenizer.nextIndex(), text));
  EXPECT_EQ(text, "a");
  EXPECT_EQ(tokenizer.tokenStart(), 0u);
  EXPECT_EQ(tokenizer.nextIndex(), 1);
  ASSERT_TRUE(tokenizer.FindToken(tokenizer.cursor(), 4, tokenizer.nextIndex(), text));
  EXPECT_EQ(text, "e");
}

TEST(CommandTokenizer, RunningOutOfTokensEmptiesTheText) {
  CommandTokenizer tokenizer("a b");
  std::string text = "stale";
  EXPECT_FALSE(tokenizer.FindToken(0, 2, 0, text));
  EXPECT_EQ(text, "");
  text = "stale";
  EXPECT_FALSE(tokenizer.FindToken(99, 0, 0, text)) << "a position past the end finds nothing";
  EXPECT_EQ(text, "");
}

TEST(CommandTokenizer, UnclosedQuoteLeavesTheCursorPastTheEnd) {
  CommandTokenizer tokenizer("x \"ab");
  std::string text;
  ASSERT_TRUE(tokenizer.FindToken(0, 1, 0, text));
  EXPECT_EQ(text, "ab");
  EXPECT_GT(tokenizer.cursor(), tokenizer.length());
  EXPECT_FALSE(tokenizer.NextToken(text));
}

TEST(CommandTokenizer, OwnedHostBufferIsFreedOnceWhenDiscarded) {
  test::AllocationLedger ledger;
  {
    const char text[] = "CN0=1";
    HostData buffer(HostAlloc(sizeof text));
    std::memcpy(buffer.get(), text, sizeof text);
    CommandTokenizer tokenizer(std::move(buffer), sizeof text);
    EXPECT_TRUE(tokenizer.ownsText());
    EXPECT_EQ(Tokens(tokenizer), (std::vector<std::string>{"CN0", "=", "1"}));
    EXPECT_EQ(ledger.LiveBlocks(), 1u);
  }
  EXPECT_EQ(ledger.LiveBlocks(), 0u);
  EXPECT_EQ(ledger.BadFrees(), 0u);
}

TEST(CommandTokenizer, NoBufferOwnsNothingAndFindsNothing) {
  CommandTokenizer tokenizer(HostData{}, 10);
  EXPECT_FALSE(tokenizer.ownsText());
  std::string text;
  EXPECT_FALSE(tokenizer.NextToken(text));
}

}  // namespace
}  // namespace vantel
