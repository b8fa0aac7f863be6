// The host's vocabulary: every value named once, every name read back, the control kinds as
// the automation API names real controls, and the page given the same names.
#include "vocabulary.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "kinds_window.h"
#include "platform/ui_test_support.h"
#include "ui_script.h"

namespace vantel::host {
namespace {

// Sweeps every value of an enum numbered from 0: a name, unique, that parses back to it.
template <typename Enum, typename ParseFn>
void ExpectEveryValueNamedOnce(size_t count, ParseFn parse) {
  std::set<std::string_view> names;
  for (size_t i = 0; i < count; ++i) {
    const Enum value = static_cast<Enum>(i);
    const std::string_view name = Name(value);
    EXPECT_FALSE(name.empty()) << i;
    EXPECT_TRUE(names.insert(name).second) << "\"" << name << "\" names two values";
    EXPECT_EQ(parse(name), value) << name;
    // A name is read exactly: no other case, no blank around it.
    std::string upper(name);
    upper[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(upper[0])));
    EXPECT_FALSE(parse(upper)) << upper;
    EXPECT_FALSE(parse(std::string(name) + " ")) << name;
  }
  EXPECT_FALSE(parse(""));
  EXPECT_FALSE(parse("nothing of the kind"));
}

TEST(VocabularyTest, EveryValueHasOneNameThatParsesBack) {
  ExpectEveryValueNamedOnce<ControlKind>(kControlKindCount, ParseControlKind);
  ExpectEveryValueNamedOnce<UserAct>(kUserActCount, ParseUserAct);
  ExpectEveryValueNamedOnce<ScrollRequest>(kScrollRequestCount, ParseScrollRequest);
  ExpectEveryValueNamedOnce<LogLineKind>(kLogLineKindCount, ParseLogLineKind);
}

TEST(VocabularyTest, LogLinesAreKnownByHowTheRunnerOpensThem) {
  const struct {
    const char* line;
    LogLineKind kind;
  } cases[] = {
      {"send TAB_CNFENG_0 (mode -1)", LogLineKind::kSend},
      {"== open (RUNSETEMG) \"DSC_ENGMGT_0\" on machine 15", LogLineKind::kRequest},
      {"== result: coherent", LogLineKind::kRequest},
      {"written back: 4 item(s) to a.json", LogLineKind::kNote},
      {"  | a report row that says send ", LogLineKind::kNote},
      {"sending", LogLineKind::kNote},
      {"==no blank", LogLineKind::kNote},
      {"", LogLineKind::kNote},
  };
  for (const auto& c : cases) {
    const LogLine line = ClassifyLogLine(c.line);
    EXPECT_EQ(line.kind, c.kind) << c.line;
    EXPECT_EQ(line.text, c.line);
    const Json json = LogLineJson(line);
    EXPECT_EQ(ParseLogLineKind(json.at("kind").get<std::string>()), c.kind) << c.line;
    EXPECT_EQ(json.at("text"), c.line);
  }
}

// The page reads each name under a key it can write as a property; the values are the names
// the host parses (or, for scroll requests, the API's numbers).
TEST(VocabularyTest, ThePageIsGivenEveryNameUnderAPropertyKey) {
  const Json vocabulary = VocabularyJson();
  const std::regex property("[a-z][A-Za-z]*");
  const auto check = [&](const char* section, size_t count, auto parse) {
    SCOPED_TRACE(section);
    const Json& names = vocabulary.at(section);
    ASSERT_EQ(names.size(), count);
    std::set<size_t> seen;
    for (const auto& [key, value] : names.items()) {
      EXPECT_TRUE(std::regex_match(key, property)) << key;
      const auto parsed = parse(value);
      ASSERT_TRUE(parsed) << value.dump();
      seen.insert(static_cast<size_t>(*parsed));
    }
    EXPECT_EQ(seen.size(), count) << "a value is missing";
  };
  check("controlKinds", kControlKindCount,
        [](const Json& v) { return ParseControlKind(v.get<std::string>()); });
  check("userActs", kUserActCount,
        [](const Json& v) { return ParseUserAct(v.get<std::string>()); });
  check("logLineKinds", kLogLineKindCount,
        [](const Json& v) { return ParseLogLineKind(v.get<std::string>()); });
  check("scrollRequests", kScrollRequestCount, [](const Json& v) -> std::optional<ScrollRequest> {
    const int32_t code = v.get<int32_t>();
    if (code < 0 || code >= static_cast<int32_t>(kScrollRequestCount)) return std::nullopt;
    return static_cast<ScrollRequest>(code);
  });
}

// A name the page reads that the vocabulary does not give would be undefined there, and the
// control drawn as a static or the event sent without its act.
TEST(VocabularyTest, EveryNameThePageReadsIsGiven) {
  // Every script of the page, whichever file reads a name.
  std::string script;
  size_t scripts = 0;
  for (const auto& entry : std::filesystem::directory_iterator(
           std::string(VANTEL_SOURCE_DIR) + "/tools/vantel-host/commands/serve_page")) {
    if (entry.path().extension() != ".js") continue;
    std::ifstream file(entry.path());
    script.append(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    ++scripts;
  }
  ASSERT_GT(scripts, 1u) << "no page scripts";
  const Json vocabulary = VocabularyJson();
  const struct {
    const char* name;  // as the page's scripts name the section
    const char* section;
  } sections[] = {{"KIND", "controlKinds"},
                  {"ACT", "userActs"},
                  {"SCROLL", "scrollRequests"},
                  {"LOG_LINE", "logLineKinds"}};
  for (const auto& section : sections) {
    const std::regex use(std::string("\\b") + section.name + "\\.([A-Za-z]+)");
    size_t uses = 0;
    for (auto it = std::sregex_iterator(script.begin(), script.end(), use);
         it != std::sregex_iterator(); ++it, ++uses)
      EXPECT_TRUE(vocabulary.at(section.section).contains((*it)[1].str()))
          << section.name << "." << (*it)[1].str();
    EXPECT_GT(uses, 0u) << section.name << " is not read: the test looks for the wrong name";
  }
}

// A script's steps that act are spelled as the server's events; the server's acts a script
// has no step for are no step word.
TEST(VocabularyTest, ScriptStepsThatActAreSpelledAsTheAct) {
  const struct {
    UserAct act;
    const char* arguments;
  } acting[] = {
      {UserAct::kTab, " 2"},
      {UserAct::kClick, " ok"},
      {UserAct::kChoose, " cylinders 1"},
      {UserAct::kDismiss, " cylinders \"05\""},
      {UserAct::kType, " angle.1 \"90\""},
      {UserAct::kOk, ""},
      {UserAct::kCancel, ""},
      {UserAct::kHelp, " sync-rpm"},
  };
  std::set<UserAct> scripted;
  for (const auto& c : acting) {
    const std::string line = std::string(Name(c.act)) + c.arguments;
    std::string error;
    const std::optional<UiStep> step = ParseUiStep(line, 1, &error);
    ASSERT_TRUE(step) << line << ": " << error;
    EXPECT_EQ(UserActOf(step->kind), c.act) << line;
    scripted.insert(c.act);
  }
  for (size_t i = 0; i < kUserActCount; ++i) {
    const auto act = static_cast<UserAct>(i);
    if (scripted.count(act)) continue;
    std::string error;
    EXPECT_FALSE(ParseUiStep(std::string(Name(act)), 1, &error)) << Name(act);
    EXPECT_NE(error.find("unknown step"), std::string::npos) << error;
  }
  for (const char* own : {"answer ok", "snapshot a", "expect ok enabled yes", "show"}) {
    std::string error;
    const std::optional<UiStep> step = ParseUiStep(own, 1, &error);
    ASSERT_TRUE(step) << own << ": " << error;
    EXPECT_FALSE(UserActOf(step->kind)) << own;
  }
}

}  // namespace

TEST_F(KindsWindowTest, EveryKindTheApiNamesIsInTheVocabularyAndEveryKindIsNamedByTheApi) {
  std::set<ControlKind> named;
  const auto take = [&](VantelUiWindow window) {
    const std::string kind = test::UiKind(window);
    const std::optional<ControlKind> parsed = ParseControlKind(kind);
    ASSERT_TRUE(parsed) << "the API names a kind the host does not know: " << kind;
    EXPECT_EQ(Name(*parsed), kind);
    named.insert(*parsed);
  };
  take(window_);
  for (int32_t i = 0; const VantelUiWindow child = VantelUiGetChild(window_, i); ++i) take(child);
  EXPECT_EQ(named.size(), kControlKindCount) << "a kind of the vocabulary no control has";
}

}  // namespace vantel::host
