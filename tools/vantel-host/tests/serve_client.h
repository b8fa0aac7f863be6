#pragma once
// `vantel-host serve` started as a user starts it, and a client that talks to it as the page
// does: the token in a header, JSON bodies. Shared by the server's tests, the browser tests
// and the benchmark.
#include <fcntl.h>
#include <httplib.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

namespace vantel::host {

/// A value of /proc/PID/status ("Threads", "VmHWM" in KiB); 0 when it cannot be read.
inline size_t ProcStatus(pid_t pid, const std::string& key) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(key + ":", 0) == 0) return std::stoul(line.substr(key.size() + 1));
  return 0;
}

class ServedHost {
 public:
  using Json = nlohmann::json;

  /// Starts `host` (the vantel-host executable) with `serve` and `args` in `folder` and waits
  /// for the address it prints, then, unless told not to, for every machine to be opened;
  /// std::runtime_error when it prints none.
  ServedHost(const std::string& host, const std::vector<std::string>& args,
             const std::string& folder = ".", bool waitReady = true) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("no pipe");
    pid_ = fork();
    if (pid_ == 0) {
      // A test that dies leaves no server behind.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      if (chdir(folder.c_str()) != 0) _exit(127);
      unsetenv("VANTEL_UI_LOG");
      std::vector<std::string> all = {host, "serve"};
      all.insert(all.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (std::string& arg : all) argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(host.c_str(), argv.data());
      _exit(127);
    }
    close(out[1]);
    out_ = fdopen(out[0], "r");
    char line[512];
    if (!out_ || !std::fgets(line, sizeof line, out_)) {
      Stop();
      throw std::runtime_error("vantel-host serve printed no address");
    }
    firstLine_ = line;
    std::smatch found;
    static const std::regex address(R"(http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]+))");
    if (!std::regex_search(firstLine_, found, address)) {
      Stop();
      throw std::runtime_error("no address in: " + firstLine_);
    }
    port_ = std::stoi(found[1]);
    token_ = found[2];
    // Served from the first, the machines are opened meanwhile: tests start once they are.
    for (Json state = State(); waitReady && !state.value("ready", false);)
      state = State(state.at("version").get<uint64_t>());
  }

  ~ServedHost() {
    Stop();
    if (out_) std::fclose(out_);
  }
  ServedHost(const ServedHost&) = delete;
  ServedHost& operator=(const ServedHost&) = delete;

  /// SIGTERM, then the exit status (-1 when it did not exit by itself within 20 s).
  int Stop() {
    if (pid_ <= 0) return status_;
    kill(pid_, SIGTERM);
    int raw = 0;
    for (int i = 0; i < 2000; ++i) {
      if (waitpid(pid_, &raw, WNOHANG) == pid_) {
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (i == 1999) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &raw, 0);
      }
    }
    pid_ = -1;
    return status_;
  }

  /// What the server printed after its address, up to its end (after Stop).
  std::string Rest() {
    std::string rest;
    if (!out_) return rest;
    char line[512];
    while (std::fgets(line, sizeof line, out_)) rest += line;
    return rest;
  }

  pid_t pid() const { return pid_; }
  int port() const { return port_; }
  const std::string& token() const { return token_; }
  std::string Address() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/?token=" + token_;
  }

  httplib::Client Client() const {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(60, 0);
    client.set_default_headers({{"X-Vantel-Token", token_}});
    return client;
  }

  /// The state now, or after `since` changed.
  Json State(std::optional<uint64_t> since = std::nullopt) const {
    httplib::Client client = Client();
    const std::string path =
        since ? "/api/state?since=" + std::to_string(*since) : std::string("/api/state");
    const auto res = client.Get(path.c_str());
    if (!res || res->status != 200) throw std::runtime_error("GET " + path + " failed");
    return Json::parse(res->body);
  }

  /// A POST as the page sends it: status and body.
  std::pair<int, std::string> Post(const std::string& path, const Json& body = Json()) const {
    httplib::Client client = Client();
    const auto res = client.Post(path.c_str(), body.is_null() ? std::string() : body.dump(),
                                 "application/json");
    if (!res) return {-1, httplib::to_string(res.error())};
    return {res->status, res->body};
  }

  /// An event on window `window`; the state after it, or the refusal.
  std::pair<int, std::string> Event(uint32_t window, const Json& event) const {
    return Post("/api/windows/" + std::to_string(window) + "/events", event);
  }

  /// The first control of `window` (a window of the state), in a page at any depth, that
  /// `match` takes.
  static std::optional<Json> FindControl(const Json& window,
                                         const std::function<bool(const Json&)>& match) {
    for (const Json& control : window.value("controls", Json::array())) {
      if (match(control)) return control;
      if (auto inner = FindControl(control, match)) return inner;
    }
    return std::nullopt;
  }

  static std::optional<Json> ControlWithId(const Json& window, int id) {
    return FindControl(window, [id](const Json& c) { return c.value("id", 0) == id; });
  }

  static const Json& MachineOf(const Json& state, uint32_t machine) {
    for (const Json& m : state.at("machines"))
      if (m.at("machine") == machine) return m;
    throw std::runtime_error("no machine " + std::to_string(machine) + " in the state");
  }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
  int status_ = -1;
  int port_ = 0;
  std::string token_;
  std::string firstLine_;
};

}  // namespace vantel::host
