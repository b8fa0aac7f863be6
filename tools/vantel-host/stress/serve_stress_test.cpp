// Fifty pages at once on one `vantel-host serve` of three machines, for a minute
// (VANTEL_SERVE_STRESS_SECONDS to change it). Each page long-polls the state on a connection
// of its own and, on another, clicks as a hurried user would: edits, tabs, combos, check
// boxes, OK and cancel, the plug-in's message boxes, checks, saves, pictures, each acting on
// the state it last saw while the others change it. The server may refuse (409 with a reason:
// the window moved on), never fail: no other error, no 5xx but the 503 of a command the
// plug-in was too slow to take (a sanitizer's build), after which it plays commands again, no
// request left unanswered, the state still served at the end, and SIGTERM ending it with status 0
// (under AddressSanitizer a leak makes that status non-zero).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "serve_client.h"
#include "support/temp_dir.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr int kPages = 50;
const std::vector<std::string> kExamples = {"inline4-60-2-sequential.json", "v8-two-rails.json",
                                            "v6-36-1-banks-twin-spark.json"};
// A long poll answers within 25 s; a command is taken within 15 s or refused with a 503.
constexpr time_t kPollTimeout = 35;
constexpr time_t kClickTimeout = 25;
constexpr size_t kTallPile = 6;

int Seconds() {
  const char* given = std::getenv("VANTEL_SERVE_STRESS_SECONDS");
  const int seconds = given ? std::atoi(given) : 0;
  return seconds > 0 ? seconds : 60;
}

/// What the pages met, counted by what they asked and what they got.
class Tally {
 public:
  void Count(const std::string& what, int status, const std::string& reason = "") {
    std::lock_guard lock(mutex_);
    ++counts_[what + " " + std::to_string(status)];
    if (!reason.empty()) ++reasons_[reason];
  }
  void Fault(const std::string& what) {
    std::lock_guard lock(mutex_);
    if (faults_.size() < 20) faults_.push_back(what);
    ++faultCount_;
  }
  int Played(const std::string& what) {
    std::lock_guard lock(mutex_);
    return counts_[what + " 200"];
  }
  std::string Faults() {
    std::lock_guard lock(mutex_);
    std::string all = std::to_string(faultCount_) + " fault(s)";
    for (const std::string& fault : faults_) all += "\n  " + fault;
    return all;
  }
  size_t faultCount() {
    std::lock_guard lock(mutex_);
    return faultCount_;
  }
  /// A command played, or refused because the plug-in took no command for the server's take
  /// limit: a slow plug-in (as under a sanitizer) refuses some and plays later ones, a wedged
  /// one plays none after it.
  void Command(bool played) {
    std::lock_guard lock(mutex_);
    (played ? lastPlayed_ : lastBusy_) = std::chrono::steady_clock::now();
  }
  bool PlayedAfterBusy() {
    std::lock_guard lock(mutex_);
    return lastBusy_ <= lastPlayed_;
  }
  std::string Summary() {
    std::lock_guard lock(mutex_);
    std::string all;
    for (const auto& [what, count] : counts_) all += what + ": " + std::to_string(count) + "\n";
    for (const auto& [reason, count] : reasons_)
      all += "  " + reason + ": " + std::to_string(count) + "\n";
    return all;
  }

 private:
  std::mutex mutex_;
  std::map<std::string, int> counts_;
  std::map<std::string, int> reasons_;
  std::vector<std::string> faults_;
  size_t faultCount_ = 0;
  std::chrono::steady_clock::time_point lastPlayed_{}, lastBusy_{};
};

/// The version of a state, its last key as the server writes it, without reading the rest:
/// fifty pages read every state, and parsing each whole starved the server of the CPU.
std::optional<uint64_t> VersionOf(const std::string& text) {
  static const std::string key = "\"version\":";
  const size_t at = text.rfind(key);
  if (text.empty() || text.front() != '{' || at == std::string::npos) return std::nullopt;
  uint64_t version = 0;
  const char* end = text.data() + text.size() - 1;
  const auto [last, error] = std::from_chars(text.data() + at + key.size(), end, version);
  if (error != std::errc() || last != end || *end != '}') return std::nullopt;
  return version;
}

/// Every control of `window` a user could reach, pages included.
void Reachable(const Json& window, std::vector<Json>& out) {
  for (const Json& control : window.value("controls", Json::array())) {
    if (!control.value("visible", false) || !control.value("enabled", false)) continue;
    if (control.at("kind") != "dialog") out.push_back(control);
    Reachable(control, out);
  }
}

class Page {
 public:
  Page(const ServedHost& host, Tally& tally, unsigned seed, const std::atomic<bool>& done)
      : host_(host),
        tally_(tally),
        random_(seed),
        done_(done),
        client_(host.Client()),
        changes_(seed % 2 == 1) {
    client_.set_keep_alive(true);
    client_.set_read_timeout(kClickTimeout, 0);
  }

  /// Acts on the newest state the page has, from its poll or its own last answer; after a
  /// refusal, on the state asked for again.
  void Click() {
    while (!done_) {
      if (stale_ && !Refresh()) continue;
      const Json& state = Latest();
      const Json& windows = state.at("windows");
      // Each action a page starts may raise a window above all the others; on a pile of
      // them, pages answer what is there, as users would.
      if (!windows.empty() && (windows.size() >= kTallPile || Chance(97)))
        OnWindow(windows);
      else
        OnMachine(state);
    }
  }

  /// Long polls until done; every answer must be a state no older than the one waited on.
  /// Half the pages ask for the changes since the state they hold, as the browser's page
  /// does, and make the whole state of them.
  void Poll() {
    httplib::Client client = host_.Client();
    client.set_keep_alive(true);
    client.set_read_timeout(kPollTimeout, 0);
    uint64_t version = 0;
    nlohmann::ordered_json held;  // the whole state, for a page that asks for the changes
    while (!done_) {
      std::string path = "/api/state?since=" + std::to_string(version);
      if (changes_ && !held.is_null()) path += "&answer=changes";
      const auto res = client.Get(path.c_str());
      if (done_) return;
      if (!res) {
        tally_.Fault("GET " + path + ": " + httplib::to_string(res.error()));
        continue;
      }
      tally_.Count("poll", res->status);
      std::string body = res->body;
      if (changes_ && res->status == 200 && !Merge(path, version, held, body)) continue;
      const std::optional<uint64_t> now = VersionOf(body);
      if (res->status != 200 || !now) {
        tally_.Fault("GET " + path + ": " + std::to_string(res->status) + " " +
                     res->body.substr(0, 200));
        continue;
      }
      if (*now < version)
        tally_.Fault("a long poll since " + std::to_string(version) + " answered the older " +
                     std::to_string(*now));
      version = *now;
      Show(version, body);
    }
  }

 private:
  /// The whole state made of a long poll's `body`, the changes since `version` or the whole,
  /// and of the state `held`: both then hold it. False, the fault tallied, when it cannot be.
  bool Merge(const std::string& path, uint64_t version, nlohmann::ordered_json& held,
             std::string& body) {
    auto next = nlohmann::ordered_json::parse(body, nullptr, false);
    if (next.is_discarded() || !next.is_object()) {
      tally_.Fault("GET " + path + ": not a state: " + body.substr(0, 200));
      return false;
    }
    if (next.contains("since")) {
      if (next.at("since") != version) {
        tally_.Fault("GET " + path + " answered the changes since " + next.at("since").dump());
        return false;
      }
      for (const auto& [list, keyName] :
           {std::pair{"machines", "machine"}, {"windows", "handle"}}) {
        const char* key = keyName;  // clang 14 captures no structured binding
        for (auto& item : next.at(list)) {
          if (!item.value("unchanged", false)) continue;
          const auto& before = held.at(list);
          const auto found = std::find_if(before.begin(), before.end(),
                                          [&](const auto& b) { return b.at(key) == item.at(key); });
          if (found == before.end()) {
            tally_.Fault("GET " + path + ": " + list + " " + item.at(key).dump() +
                         " unchanged, not in the state of " + std::to_string(version));
            return false;
          }
          item = *found;
        }
      }
      next.erase("since");
    }
    held = std::move(next);
    body = held.dump();
    return true;
  }

  bool Chance(int percent) { return std::uniform_int_distribution(0, 99)(random_) < percent; }
  size_t Pick(size_t size) { return std::uniform_int_distribution<size_t>(0, size - 1)(random_); }

  bool Refresh() {
    const auto res = client_.Get("/api/state");
    if (!Check("GET /api/state", "state", res)) return false;
    const std::optional<uint64_t> version = VersionOf(res->body);
    if (!version) {
      tally_.Fault("GET /api/state: no version in " + res->body.substr(0, 200));
      return false;
    }
    Show(*version, res->body);
    stale_ = false;
    return true;
  }

  /// Keeps the state's text when it is newer than the one the page shows. Only the page's
  /// clicks read it whole.
  void Show(uint64_t version, const std::string& text) {
    std::lock_guard lock(mutex_);
    if (version < shownVersion_) return;
    shownVersion_ = version;
    shown_ = text;
  }

  const Json& Latest() {
    std::string text;
    {
      std::lock_guard lock(mutex_);
      if (shownVersion_ == parsedVersion_ && !parsed_.is_null()) return parsed_;
      text = shown_;
      parsedVersion_ = shownVersion_;
    }
    parsed_ = Json::parse(text);
    return parsed_;
  }

  void OnMachine(const Json& state) {
    const Json& machines = state.at("machines");
    const std::string machine = machines.at(Pick(machines.size())).at("machine").dump();
    static const std::vector<std::pair<const char*, int>> kActions = {
        {"edit", 40}, {"rail1", 10}, {"rail2", 10}, {"check", 12},
        {"save", 12}, {"close", 4},  {"open", 6},   {"wheel.svg", 6}};
    int roll = std::uniform_int_distribution(0, 99)(random_);
    std::string action;
    for (const auto& [name, weight] : kActions)
      if ((roll -= weight) < 0) {
        action = name;
        break;
      }
    const std::string path = "/api/machines/" + machine + "/" + action;
    if (action == "wheel.svg") {
      Check("GET " + path, "wheel", client_.Get(path.c_str()));
      return;
    }
    Answer("POST " + path, action, client_.Post(path.c_str(), "", "application/json"));
  }

  void OnWindow(const Json& windows) {
    // Now and then the window below the top one, which must refuse.
    const Json& window =
        windows.size() > 1 && Chance(3) ? windows.at(windows.size() - 2) : windows.back();
    const std::string handle = window.at("handle").dump();
    if (cancelTop_) {
      // Told to finish or cancel the dialog first, the user cancels what is on top.
      cancelTop_ = false;
      const std::string path = "/api/windows/" + windows.back().at("handle").dump() + "/events";
      Answer("POST " + path + " cancel", "event cancel",
             client_.Post(path.c_str(), R"({"action":"cancel"})", "application/json"));
      return;
    }
    if (Chance(3)) {
      const std::string path = "/api/windows/" + handle + ".svg";
      Check("GET " + path, "window svg", client_.Get(path.c_str()));
      return;
    }
    std::vector<Json> controls;
    Reachable(window, controls);
    Json event;
    if (window.at("messageBox").get<bool>()) {
      std::vector<Json> buttons;
      for (const Json& c : controls)
        if (c.at("kind") == "push button" || c.at("kind") == "default button") buttons.push_back(c);
      event =
          buttons.empty() || Chance(10)
              ? Json{{"action", "cancel"}}
              : Json{{"action", "click"}, {"control", buttons[Pick(buttons.size())].at("handle")}};
    } else {
      event = DialogEvent(controls);
    }
    const std::string path = "/api/windows/" + handle + "/events";
    Answer("POST " + path + " " + event.dump(), "event " + event.at("action").get<std::string>(),
           client_.Post(path.c_str(), event.dump(), "application/json"));
  }

  /// A user's act on a dialog: mostly its controls, sometimes OK, cancel or help.
  Json DialogEvent(const std::vector<Json>& controls) {
    const int roll = std::uniform_int_distribution(0, 99)(random_);
    if (roll < 6) return {{"action", "ok"}};
    if (roll < 12) return {{"action", "cancel"}};
    if (controls.empty()) return {{"action", "cancel"}};
    const Json& control = controls[Pick(controls.size())];
    const std::string kind = control.at("kind");
    const Json on = control.at("handle");
    if (roll < 16) return {{"action", "help"}, {"control", on}};
    if (kind == "tab control" || kind == "combo box") {
      const size_t items = control.value("items", Json::array()).size();
      const int index = items ? static_cast<int>(Pick(items)) : 0;
      if (kind == "tab control") return {{"action", "tab"}, {"control", on}, {"index", index}};
      return {{"action", Chance(85) ? "choose" : "dismiss"}, {"control", on}, {"index", index}};
    }
    if (kind == "edit")
      return {{"action", "type"},
              {"control", on},
              {"text", std::to_string(std::uniform_int_distribution(0, 9000)(random_))}};
    if (kind == "check box" || kind == "radio button" || kind == "push button" ||
        kind == "default button")
      return {{"action", "click"}, {"control", on}};
    return {{"action", "scroll"}, {"request", 1}, {"position", 0}};
  }

  /// A POST's answer: the new state when played, else a refusal with its reason.
  void Answer(const std::string& request, const std::string& what, const httplib::Result& res) {
    if (!Check(request, what, res)) return;
    if (res->status != 200) {
      stale_ = true;  // what it acted on has moved on
      cancelTop_ = res->body.find("cancel the dialog first") != std::string::npos;
      return;
    }
    const std::optional<uint64_t> version = VersionOf(res->body);
    if (!version) {
      tally_.Fault(request + ": 200 without a state: " + res->body.substr(0, 200));
      stale_ = true;
      return;
    }
    Show(*version, res->body);
  }

  /// Whether the answer is one the server may give; a fault is tallied otherwise.
  bool Check(const std::string& request, const std::string& what, const httplib::Result& res) {
    if (!res) {
      tally_.Fault(request + ": " + httplib::to_string(res.error()));
      return false;
    }
    std::string reason;
    if (res->status != 200)
      for (char c : res->body) reason += std::isdigit(static_cast<unsigned char>(c)) ? '#' : c;
    tally_.Count(what, res->status, reason.substr(0, reason.find('\n')));
    const bool picture = request.rfind("GET", 0) == 0 && request.ends_with(".svg");
    const bool reasoned = !res->body.empty() && res->body.find('\n') == res->body.size() - 1;
    const bool command = request.rfind("POST", 0) == 0;
    const bool busy = command && res->status == 503 && reasoned &&
                      res->body.find("the plug-in is busy") != std::string::npos;
    if (command && (res->status == 200 || busy)) tally_.Command(res->status == 200);
    if (res->status == 200 || (res->status == 409 && reasoned) ||
        (res->status == 404 && picture && reasoned) || busy)
      return true;
    tally_.Fault(request + ": " + std::to_string(res->status) + " " + res->body.substr(0, 200));
    return false;
  }

  const ServedHost& host_;
  Tally& tally_;
  std::mt19937 random_;
  const std::atomic<bool>& done_;
  httplib::Client client_;
  std::mutex mutex_;
  std::string shown_;  // the newest state's text, from the poll or a click's answer
  uint64_t shownVersion_ = 0;
  Json parsed_;  // the clicks' own
  uint64_t parsedVersion_ = 0;
  bool stale_ = true;
  bool cancelTop_ = false;  // a machine's command was refused for the window it has open
  const bool changes_;      // its long poll asks for the changes since its state
};

TEST(ServeStressTest, FiftyPagesRacingForAMinuteGetAnswersOrReasonsAndTheServerEndsCleanly) {
  const test::TempDir dir;
  std::vector<std::string> files;
  for (const std::string& name : kExamples) {
    fs::copy_file(fs::path(VANTEL_EXAMPLES_DIR) / name, dir.path() / name);
    files.push_back(name);
  }
  ServedHost host(VANTEL_HOST_PATH, files, dir.path().string());
  Tally tally;
  std::atomic<bool> done{false};
  const unsigned seed = std::random_device()();
  std::printf("seed %u, %d s\n", seed, Seconds());

  std::vector<std::unique_ptr<Page>> pages;
  std::vector<std::thread> clicking, polling;
  for (int i = 0; i < kPages; ++i) {
    pages.push_back(std::make_unique<Page>(host, tally, seed + i, done));
    // A state of an unexpected shape is a fault of the server's, not the end of the test.
    const auto guarded = [&tally, &done](auto play) {
      return [&tally, &done, play] {
        try {
          play();
        } catch (const std::exception& error) {
          tally.Fault(std::string("a page gave up: ") + error.what());
          while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
      };
    };
    Page& page = *pages.back();
    clicking.emplace_back(guarded([&page] { page.Click(); }));
    polling.emplace_back(guarded([&page] { page.Poll(); }));
  }
  std::this_thread::sleep_for(std::chrono::seconds(Seconds()));
  done = true;
  for (std::thread& page : clicking) page.join();

  // Still serving, and what was played was more than refusals.
  Json last;
  EXPECT_NO_THROW(last = host.State());
  std::printf("%s%zu window(s) open at the end\n", tally.Summary().c_str(),
              last.value("windows", Json::array()).size());
  EXPECT_GT(tally.Played("edit"), 0);
  EXPECT_GT(tally.Played("save"), 0);
  EXPECT_GT(tally.Played("event click") + tally.Played("event choose") + tally.Played("event tab"),
            0);
  const size_t peak = ProcStatus(host.pid(), "VmHWM");
  std::printf("peak memory of the server: %zu KiB\n", peak);
#ifndef VANTEL_SANITIZED
  EXPECT_LT(peak, 64u * 1024u);
#endif

  EXPECT_EQ(host.Stop(), 0);
  for (std::thread& page : polling) page.join();
  EXPECT_EQ(host.Rest(), "Vantel stopped: every machine closed\n");
  EXPECT_EQ(tally.faultCount(), 0u) << tally.Faults();
  EXPECT_TRUE(tally.PlayedAfterBusy()) << "a command refused as busy, and none played after it";
  // A save goes through a temporary file: whatever raced it, each file is whole.
  for (const std::string& name : kExamples)
    EXPECT_FALSE(Json::parse(test::ReadFile(dir.path() / name), nullptr, false).is_discarded())
        << name;
}

}  // namespace
}  // namespace vantel::host
