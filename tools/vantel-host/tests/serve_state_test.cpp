// The state `vantel-host serve` publishes, as each kind of answer carries it: the whole, the
// changes since a version the client holds, or the version alone. Changes applied to the state
// of their version must give the whole state, whatever changed between.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serve_queue.h"

namespace vantel::host {
namespace {

Json Machine(int index, const std::string& verdict, int log = 0) {
  return Json{{"machine", index}, {"verdict", verdict}, {"log", Json::array({log})}};
}

Json Window(int handle, int machine, const std::string& caption) {
  return Json{{"handle", handle}, {"machine", machine}, {"caption", caption}};
}

/// `machines` and `windows` are arrays: one element in braces alone is copied, not listed, by
/// some compilers, so a list of one is spelt Json::array({x}).
Json State(int language, Json machines, Json windows) {
  Json state = Json::object();
  state["language"] = language;
  state["ready"] = true;
  state["machines"] = std::move(machines);
  state["windows"] = std::move(windows);
  return state;
}

/// The state a client makes of `changes` and the state of their version, as the page does.
Json Merge(const Json& held, Json changes) {
  for (const auto& [list, key] : {std::pair{"machines", "machine"}, {"windows", "handle"}}) {
    for (Json& item : changes.at(list)) {
      if (!item.value("unchanged", false)) continue;
      bool found = false;
      for (const Json& before : held.at(list))
        if (before.at(key) == item.at(key)) {
          item = before;
          found = true;
        }
      EXPECT_TRUE(found) << "unchanged " << item.dump() << " the client does not hold";
    }
  }
  changes.erase("since");
  return changes;
}

size_t Unchanged(const Json& changes) {
  size_t count = 0;
  for (const char* list : {"machines", "windows"})
    for (const Json& item : changes.at(list)) count += item.value("unchanged", false);
  return count;
}

class StateBoardTest : public ::testing::Test {
 protected:
  /// Publishes `state` and keeps what the board then answered whole.
  void Publish(const Json& state) {
    board_.Publish(state, {});
    wholes_.push_back(Json::parse(board_.Current()));
  }

  StateBoard board_;
  std::vector<Json> wholes_;  // by version - 1
};

// Every step changes something else: a machine's verdict or log, a window opened, retitled or
// closed, the language, the order of the machines, a list the board cannot cut up.
TEST_F(StateBoardTest, TheChangesSinceAnyVersionKeptMakeTheWholeState) {
  const Json a = Machine(3, "coherent"), b = Machine(12, "rejected");
  const Json w = Window(40, 3, "Edit");
  const std::vector<Json> states = {
      State(1033, {a, b}, Json::array()),
      State(1033, {a, Machine(12, "coherent")}, Json::array()),
      State(1033, {a, Machine(12, "coherent")}, Json::array({w})),
      State(1033, {Machine(3, "coherent", 1), Machine(12, "coherent")}, Json::array({w})),
      State(1033, {Machine(3, "coherent", 1), Machine(12, "coherent")},
            {w, Window(41, 0, "VANTEL")}),
      State(1036, {Machine(3, "coherent", 1), Machine(12, "coherent")},
            Json::array({Window(40, 3, "Modifier")})),
      State(1036, {Machine(12, "coherent"), Machine(3, "coherent", 1)}, Json::array()),
      State(1036, {Machine(12, "coherent"), Json{{"no key", 1}}}, Json::array()),
      State(1036, {Machine(12, "coherent"), Machine(3, "not coherent")}, Json::array()),
  };
  for (const Json& state : states) {
    Publish(state);
    // The whole is the state as given, with its version last.
    Json given = state;
    given["version"] = wholes_.size();
    EXPECT_EQ(board_.Current(), given.dump());
  }
  const uint64_t now = board_.version();
  ASSERT_EQ(now, states.size());
  for (uint64_t since = 1; since <= now; ++since) {
    SCOPED_TRACE("since " + std::to_string(since));
    const Json changes = Json::parse(board_.Current(StateAnswer::kChanges, since));
    EXPECT_EQ(changes.at("since"), since);
    EXPECT_EQ(Merge(wholes_[since - 1], changes), wholes_.back());
  }
  // What is left out: only a piece the same as in the version the client holds, and none of
  // a list that version did not cut up.
  const std::pair<uint64_t, size_t> leftOut[] = {{now, 2}, {now - 1, 0}, {now - 2, 1}, {1, 0}};
  for (const auto& [since, unchanged] : leftOut)
    EXPECT_EQ(Unchanged(Json::parse(board_.Current(StateAnswer::kChanges, since))), unchanged)
        << "since " << since;
}

TEST_F(StateBoardTest, AnAnswerOfTheVersionOrOfAClientTooFarBehindIsWhatItSays) {
  for (size_t i = 0; i <= StateBoard::kVersionsKept + 1; ++i)
    Publish(State(1033, Json::array({Machine(1, "coherent", static_cast<int>(i))}), Json::array()));
  const uint64_t now = board_.version();
  EXPECT_EQ(Json::parse(board_.Current(StateAnswer::kVersion)), (Json{{"version", now}}));
  const struct {
    const char* name;
    uint64_t since;
    bool changes;
  } cases[] = {
      {"the oldest kept", now - StateBoard::kVersionsKept + 1, true},
      {"one older than kept", now - StateBoard::kVersionsKept, false},
      {"the first", 1, false},
      {"one never published", now + 5, false},
  };
  for (const auto& c : cases) {
    const Json answer = Json::parse(board_.Current(StateAnswer::kChanges, c.since));
    EXPECT_EQ(answer.contains("since"), c.changes) << c.name;
    if (!c.changes) {
      EXPECT_EQ(answer, wholes_.back()) << c.name;
    }
  }

  // A long poll: nothing while the version is the client's, unless it has waited its time.
  bool ended = false;
  EXPECT_FALSE(board_.Read(now, &ended, StateAnswer::kChanges));
  const auto waited = board_.Read(now, &ended, StateAnswer::kChanges, /*evenIfSame=*/true);
  ASSERT_TRUE(waited);
  EXPECT_EQ(Unchanged(Json::parse(*waited)), 1u);
  EXPECT_EQ(board_.Read(now - 1, &ended), board_.Current());
  board_.End();
  EXPECT_FALSE(board_.Read(now - 1, &ended, StateAnswer::kChanges));
  EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace vantel::host
