#pragma once
// A real browser for the tests of the page of `vantel-host serve`: Debian's chromium,
// headless, driven through chromedriver's WebDriver HTTP API. Shared by the page's tests.
#include <fcntl.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace vantel::host::browser {

using nlohmann::json;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

inline constexpr const char* kChromium = "/usr/bin/chromium";
inline constexpr const char* kChromeDriver = "/usr/bin/chromedriver";
// Generous for a loaded CI machine; a passing run waits far less.
inline constexpr auto kPatience = 30s;

/// A child process with its standard output and error in a file of the test's folder.
class Child {
 public:
  Child(const std::vector<std::string>& args, const fs::path& folder, const std::string& name)
      : output_(folder / (name + ".out")) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) throw std::runtime_error("cannot start " + args[0]);
  }
  ~Child() {
    if (pid_ > 0) Stop();
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  /// The groups of the first match of `pattern` in what the child printed, once it has
  /// printed it (0: the whole match).
  std::vector<std::string> Await(const std::regex& pattern) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
      const std::string text = Output();
      std::smatch match;
      if (std::regex_search(text, match, pattern)) return {match.begin(), match.end()};
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        throw std::runtime_error("the child ended before printing what was awaited:\n" + text);
      }
      std::this_thread::sleep_for(20ms);
    }
    throw std::runtime_error("the child did not print what was awaited:\n" + Output());
  }

  /// SIGTERM, then the exit status (-1 when a signal ended it, or it had to be killed).
  int Stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        pid_ = 0;
        return -1;
      }
      std::this_thread::sleep_for(10ms);
    }
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string Output() const { return test::ReadFile(output_); }

 private:
  fs::path output_;
  pid_t pid_ = 0;
};

/// chromedriver, one for the suite.
class Driver {
 public:
  explicit Driver(const fs::path& folder)
      : process_({kChromeDriver, "--port=0"}, folder, "chromedriver") {
    const std::vector<std::string> started =
        process_.Await(std::regex("started successfully on port (\\d+)"));
    port_ = std::stoi(started[1]);
  }
  int port() const { return port_; }

 private:
  Child process_;
  int port_ = 0;
};

/// One browser, in a WebDriver session: a window per tab of the test.
class Browser {
 public:
  static constexpr const char* kElement = "element-6066-11e4-a52e-4f735466cecf";

  explicit Browser(int driverPort) : http_("127.0.0.1", driverPort) {
    http_.set_read_timeout(60, 0);
    const json options = {{"binary", kChromium},
                          {"args",
                           {"--headless=new", "--no-sandbox", "--disable-gpu",
                            "--disable-dev-shm-usage", "--window-size=1400,1000", "--lang=en-US"}}};
    const json session =
        Call("POST", "/session",
             {{"capabilities",
               {{"alwaysMatch", {{"browserName", "chrome"}, {"goog:chromeOptions", options}}}}}});
    session_ = "/session/" + session.at("sessionId").get<std::string>();
    Call("POST", session_ + "/timeouts", {{"implicit", 10000}, {"script", 10000}});
  }
  ~Browser() {
    try {
      Call("DELETE", session_, nullptr);
    } catch (const std::exception&) {
      // The driver may be gone already; it ends its browsers with itself.
    }
  }
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;

  void Go(const std::string& url) { Call("POST", session_ + "/url", {{"url", url}}); }

  std::string Find(const std::string& css) {
    return Call("POST", session_ + "/element", {{"using", "css selector"}, {"value", css}})
        .at(kElement);
  }
  void Click(const std::string& css) { Call("POST", Element(css) + "/click", json::object()); }
  /// Two clicks of a mouse on the element, `gap` apart: a double click within the desktop's
  /// double click time.
  void DoubleClick(const std::string& css, std::chrono::milliseconds gap) {
    const json press = json::array(
        {{{"type", "pointerDown"}, {"button", 0}}, {{"type", "pointerUp"}, {"button", 0}}});
    json moves = json::array(
        {{{"type", "pointerMove"}, {"origin", {{kElement, Find(css)}}}, {"x", 0}, {"y", 0}}});
    moves.insert(moves.end(), press.begin(), press.end());
    moves.push_back({{"type", "pause"}, {"duration", gap.count()}});
    moves.insert(moves.end(), press.begin(), press.end());
    const json mouse = {{"type", "pointer"},
                        {"id", "mouse"},
                        {"parameters", {{"pointerType", "mouse"}}},
                        {"actions", moves}};
    Call("POST", session_ + "/actions", {{"actions", json::array({mouse})}});
    Call("DELETE", session_ + "/actions", nullptr);
  }
  /// The text of the prompt the page shows (an alert or a confirm), once it shows; nothing
  /// when none comes within `wait`.
  std::optional<std::string> AwaitPrompt(std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
      const httplib::Result result = http_.Get((session_ + "/alert/text").c_str());
      if (!result) throw std::runtime_error("chromedriver does not answer GET /alert/text");
      if (result->status == 200) return json::parse(result->body).at("value");
      if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
      std::this_thread::sleep_for(25ms);
    }
  }
  /// Answers the prompt up: OK (accept) or Cancel.
  void AnswerPrompt(bool accept) {
    Call("POST", session_ + (accept ? "/alert/accept" : "/alert/dismiss"), json::object());
  }
  /// WebDriver keys: "\uE007" Enter, "\uE00C" Escape, "\uE031" F1, "\uE009" Control.
  void Keys(const std::string& css, const std::string& keys) {
    Call("POST", Element(css) + "/value", {{"text", keys}});
  }
  /// Keys pressed together where the focus is ("\uE008\uE004": Shift+Tab), as a user
  /// presses them, not sent to an element.
  void Press(const std::string& keys) {
    const std::vector<std::string> chord = Characters(keys);
    json actions = json::array();
    for (const std::string& key : chord) actions.push_back({{"type", "keyDown"}, {"value", key}});
    for (auto key = chord.rbegin(); key != chord.rend(); ++key)
      actions.push_back({{"type", "keyUp"}, {"value", *key}});
    const json keyboard = {{"type", "key"}, {"id", "keyboard"}, {"actions", actions}};
    Call("POST", session_ + "/actions", {{"actions", json::array({keyboard})}});
  }
  /// The browser's window, as a user sizes it.
  void Resize(int width, int height) {
    Call("POST", session_ + "/window/rect", {{"width", width}, {"height", height}});
  }
  /// What a screen reader names the element.
  std::string Label(const std::string& css) { return Call("GET", Element(css) + "/computedlabel"); }
  std::string Role(const std::string& css) { return Call("GET", Element(css) + "/computedrole"); }

  json Run(const std::string& script, const json& args = json::array()) {
    return Call("POST", session_ + "/execute/sync", {{"script", script}, {"args", args}});
  }
  /// Runs `script`, which ends by calling its last argument with the answer, up to `wait`.
  json RunAsync(const std::string& script, const json& args, std::chrono::milliseconds wait) {
    Call("POST", session_ + "/timeouts", {{"script", wait.count()}});
    json answer = Call("POST", session_ + "/execute/async", {{"script", script}, {"args", args}});
    Call("POST", session_ + "/timeouts", {{"script", 10000}});
    return answer;
  }
  /// Runs `script` until it answers something other than null or false.
  json WaitFor(const std::string& script, const json& args = json::array()) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (;;) {
      json answer = Run(script, args);
      if (!answer.is_null() && answer != false) return answer;
      if (std::chrono::steady_clock::now() > deadline) {
        throw std::runtime_error("waited in vain for: " + script + "\nthe page shows:\n" +
                                 Run("return document.body.innerText;").get<std::string>());
      }
      std::this_thread::sleep_for(25ms);
    }
  }
  /// The text of the element once it shows one that matches.
  std::string WaitForText(const std::string& css, const std::string& pattern) {
    return WaitFor(
        "const e = document.querySelector(arguments[0]);"
        "return e && new RegExp(arguments[1]).test(e.textContent) && e.textContent;",
        {css, pattern});
  }
  /// Until every command the page sent has been answered.
  void Settle() { WaitFor("return !document.querySelector('#windows[aria-busy]');"); }

  std::string Text(const std::string& css) {
    return Run("const e = document.querySelector(arguments[0]); return e ? e.textContent : null;",
               {css})
        .get<std::string>();
  }

  /// A PNG of the page, or of one element.
  void Screenshot(const fs::path& file, const std::string& css = "") {
    const std::string data =
        Call("GET", (css.empty() ? session_ : Element(css)) + "/screenshot", nullptr);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << Base64Decode(data);
  }

  std::string Tab() const { return tab_; }
  std::string NewTab() {
    tab_ = Call("POST", session_ + "/window/new", {{"type", "tab"}}).at("handle");
    Call("POST", session_ + "/window", {{"handle", tab_}});
    return tab_;
  }
  void SwitchTo(const std::string& handle) {
    tab_ = handle;
    Call("POST", session_ + "/window", {{"handle", handle}});
  }
  std::string CurrentTab() { return Call("GET", session_ + "/window", nullptr); }

 private:
  std::string Element(const std::string& css) { return session_ + "/element/" + Find(css); }

  json Call(const std::string& method, const std::string& path, const json& body = nullptr) {
    httplib::Result result = method == "GET" ? http_.Get(path.c_str())
                             : method == "DELETE"
                                 ? http_.Delete(path.c_str())
                                 : http_.Post(path.c_str(), body.dump(), "application/json");
    if (!result) throw std::runtime_error("chromedriver does not answer " + method + " " + path);
    const json answer = json::parse(result->body, nullptr, false);
    if (result->status != 200 || answer.is_discarded()) {
      throw std::runtime_error("WebDriver " + method + " " + path + " " + body.dump() + ": " +
                               std::to_string(result->status) + " " + result->body.substr(0, 600));
    }
    return answer.at("value");
  }

  /// The UTF-8 characters of `text`, one string each: WebDriver takes a key at a time.
  static std::vector<std::string> Characters(const std::string& text) {
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size();) {
      const auto lead = static_cast<unsigned char>(text[i]);
      const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      out.push_back(text.substr(i, length));
      i += length;
    }
    return out;
  }

  static std::string Base64Decode(const std::string& text) {
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
      const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
      const char* at = c ? std::strchr(digits, c) : nullptr;
      if (!at) continue;
      bits = bits << 6 | static_cast<uint32_t>(at - digits);
      count += 6;
      if (count >= 8) {
        count -= 8;
        out += static_cast<char>(bits >> count & 0xFF);
      }
    }
    return out;
  }

  httplib::Client http_;
  std::string session_;
  std::string tab_;
};

/// A suite of browser tests over `Base` (a gtest fixture): one chromedriver for the suite,
/// started by its first test and stopped after its last.
template <typename Base>
class BrowserSuite : public Base {
 protected:
  static void SetUpTestSuite() { driverFolder_ = new test::TempDir(); }
  static void TearDownTestSuite() {
    delete driver_;
    driver_ = nullptr;
    delete driverFolder_;
    driverFolder_ = nullptr;
  }

  /// The suite's driver, started at the first call; a fatal failure when chromium or its
  /// driver is missing.
  static void StartDriver() {
    for (const char* program : {kChromium, kChromeDriver}) {
      ASSERT_TRUE(std::filesystem::exists(program))
          << program << " is missing: the browser tests need Debian's chromium and "
          << "chromium-driver (apt-get install chromium chromium-driver; .ci/deps installs them)";
    }
    if (!driver_) driver_ = new Driver(driverFolder_->path());
  }

  static inline test::TempDir* driverFolder_ = nullptr;
  static inline Driver* driver_ = nullptr;
};

}  // namespace vantel::host::browser
