#include "serve.h"

#include <httplib.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "plugin_loader.h"
#include "serve_page.h"
#include "serve_queue.h"
#include "serve_session.h"

namespace vantel::host {

namespace {

// How long a long poll waits for a change before it answers the same state.
constexpr std::chrono::seconds kLongPoll{25};
// How long a request waits for the plug-in to take its command.
constexpr std::chrono::seconds kTakeTimeout{15};
// A body is an event or nothing: anything larger is no request of the page.
constexpr size_t kMaxBody = 64 * 1024;
constexpr const char* kTokenHeader = "X-Vantel-Token";

const std::set<std::string> kMachineActions = {"check", "edit",  "rail1", "rail2",
                                               "save",  "close", "open"};
const std::set<std::string> kEventActions = {"click",  "choose", "dismiss", "type",   "tab",
                                             "ok",     "cancel", "help",    "resize", "scroll"};
// The whole-number fields an event may carry, each a signed 32-bit value.
const std::set<std::string> kEventNumbers = {"index", "edge",    "width",
                                             "height", "request", "position"};

std::string NewToken() {
  std::random_device random;
  std::string token;
  for (int i = 0; i < 4; ++i) {
    char part[9];
    std::snprintf(part, sizeof part, "%08x", random());
    token += part;
  }
  return token;
}

// Compares in a time that does not depend on where the texts differ.
bool SameToken(const std::string& given, const std::string& token) {
  if (given.size() != token.size()) return false;
  unsigned char differ = 0;
  for (size_t i = 0; i < token.size(); ++i)
    differ |= static_cast<unsigned char>(given[i] ^ token[i]);
  return differ == 0;
}

std::optional<uint32_t> Number(const std::string& text) {
  uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

void Send(httplib::Response& res, const Reply& reply) {
  res.status = reply.status;
  res.set_content(reply.body, reply.contentType.c_str());
}

void Refuse(httplib::Response& res, int status, const std::string& reason) {
  Send(res, Reply::Refused(status, reason));
}

/// A client's text quoted as JSON quotes it: no control character of its reaches a refusal.
std::string Quoted(const std::string& text) {
  return Json(text).dump(-1, ' ', true, Json::error_handler_t::replace);
}

/// What an event must hold, every field checked for its type and range before it reaches the
/// plug-in's thread: a value read there that is not what it should be would fail inside a
/// modal loop of the plug-in.
std::optional<std::string> BadEvent(const Json& event) {
  if (!event.is_object()) return "the body must be a JSON object";
  const auto action = event.find("action");
  if (action == event.end() || !action->is_string()) return "the event needs an \"action\"";
  const std::string name = *action;
  if (!kEventActions.count(name)) return "no action " + Quoted(name);
  for (const auto& [field, value] : event.items()) {
    if (field == "action") continue;
    if (field == "control") {
      // Handles are 32 bits: a larger number would name another control once cut down.
      if (!value.is_number_unsigned() || value.get<uint64_t>() > UINT32_MAX)
        return "\"control\" must be a control's handle";
    } else if (field == "text") {
      if (!value.is_string()) return "\"text\" must be a text";
    } else if (kEventNumbers.count(field)) {
      if (!value.is_number_integer()) return Quoted(field) + " must be a whole number";
      const bool fits = value.is_number_unsigned() ? value.get<uint64_t>() <= INT32_MAX
                                                   : value.get<int64_t>() >= INT32_MIN &&
                                                         value.get<int64_t>() <= INT32_MAX;
      if (!fits) return Quoted(field) + " is out of range";
    } else {
      return "an event has no field " + Quoted(field);
    }
  }
  const auto need = [&](const char* field) -> std::optional<std::string> {
    if (!event.contains(field))
      return Quoted(name) + " needs a whole number " + Quoted(field);
    return std::nullopt;
  };
  if (name == "choose" || name == "dismiss" || name == "tab") return need("index");
  if (name == "resize") {
    for (const char* field : {"edge", "width", "height"})
      if (auto bad = need(field)) return bad;
  }
  if (name == "scroll") {
    for (const char* field : {"request", "position"})
      if (auto bad = need(field)) return bad;
  }
  if (name == "type" && !event.contains("text")) return "\"type\" needs a \"text\"";
  return std::nullopt;
}

/// The HTTP threads: one for each connection being served, started when none is free. The
/// library serves a kept connection on one thread until the client closes it or leaves it idle
/// for 5 s, and a long poll holds its thread for 25 s: with a fixed number of threads, the
/// pages' connections beyond it waited unanswered for one of those to end.
class ConnectionThreads : public httplib::TaskQueue {
 public:
  ~ConnectionThreads() override { shutdown(); }

  void enqueue(std::function<void()> job) override {
    {
      std::lock_guard lock(mutex_);
      jobs_.push_back(std::move(job));
      if (jobs_.size() > idle_ && threads_.size() < kMostThreads)
        threads_.emplace_back([this] { Work(); });
    }
    ready_.notify_one();
  }

  /// Lets every thread finish what was queued, then joins them.
  void shutdown() override {
    {
      std::lock_guard lock(mutex_);
      if (ended_) return;
      ended_ = true;
    }
    ready_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

 private:
  // A bound all the same: past it, connections wait for a thread as they used to.
  static constexpr size_t kMostThreads = 1024;

  void Work() {
    while (true) {
      std::function<void()> job;
      {
        std::unique_lock lock(mutex_);
        ++idle_;
        ready_.wait(lock, [this] { return ended_ || !jobs_.empty(); });
        --idle_;
        if (jobs_.empty()) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      job();
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> jobs_;
  std::vector<std::thread> threads_;
  size_t idle_ = 0;  // threads waiting for a job
  bool ended_ = false;
};

class Server {
 public:
  Server(CommandQueue& queue, StateBoard& board, std::vector<uint32_t> machines)
      : queue_(queue), board_(board), machines_(machines.begin(), machines.end()) {}

  /// Bound to the loopback; KalbrixError when the port cannot be had.
  void Bind(int port) {
    http_.set_payload_max_length(kMaxBody);
    // The library's default also shares the port (SO_REUSEPORT): a second server, or another
    // program of the user's, could then listen beside this one and take its requests.
    http_.set_socket_options([this](int socket) {
      int yes = 1;
      setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
      listening_ = socket;
    });
    http_.new_task_queue = [] { return new ConnectionThreads; };
    // An answer goes out as its headers, then its body: with Nagle's algorithm the body waits
    // for the client's delayed ACK of the headers, 40 ms on a kept connection.
    http_.set_tcp_nodelay(true);
    http_.set_keep_alive_max_count(1000);
    http_.set_default_headers({{"Cache-Control", "no-store"},
                               {"X-Content-Type-Options", "nosniff"},
                               {"X-Frame-Options", "DENY"},
                               {"Referrer-Policy", "no-referrer"}});
    Routes();
    port_ = port == 0 ? http_.bind_to_any_port("127.0.0.1") : port;
    if (port_ <= 0 || (port != 0 && !http_.bind_to_port("127.0.0.1", port)))
      throw KalbrixError("cannot listen on 127.0.0.1:" + std::to_string(port) + ": " +
                         std::strerror(errno));
    // The library listens with a backlog of 5: the connections a few pages open at once
    // beyond it had their SYN dropped and retried a second later.
    listen(listening_, SOMAXCONN);
  }

  void Listen() { http_.listen_after_bind(); }
  void Stop() { http_.stop(); }

  int port() const { return port_; }
  const std::string& token() const { return token_; }

 private:
  void Routes() {
    http_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
      if (auto refusal = Refusal(req)) {
        Refuse(res, 403, *refusal);
        return httplib::Server::HandlerResponse::Handled;
      }
      return httplib::Server::HandlerResponse::Unhandled;
    });
    // A status the routes did not explain (no route, a body too large) gets its reason.
    http_.set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request&, httplib::Response& res) {
      if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
      const char* reason = res.status == 404   ? "no such route"
                           : res.status == 413 ? "the body is larger than 64 KiB"
                                               : "the request cannot be served";
      Refuse(res, res.status, reason);
      return httplib::Server::HandlerResponse::Handled;
    }));

    http_.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(ServePageHtml()), "text/html; charset=utf-8");
    });
    http_.Get("/api/state", [this](const httplib::Request& req, httplib::Response& res) {
      std::optional<uint64_t> since;
      if (req.has_param("since")) {
        const std::string text = req.get_param_value("since");
        uint64_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size())
          return Refuse(res, 400, "\"since\" must be a state's version");
        since = value;
      }
      const std::optional<std::string> state = board_.Read(since, kLongPoll);
      if (!state) return Refuse(res, 503, "the server is ending");
      res.set_content(*state, "application/json");
    });
    http_.Get(R"(/api/machines/([^/]+)/wheel\.svg)",
              [this](const httplib::Request& req, httplib::Response& res) {
                const auto machine = KnownMachine(req.matches[1], res);
                if (!machine) return;
                const std::optional<std::string> svg = board_.Wheel(*machine);
                if (!svg || svg->empty())
                  return Refuse(res, 404, "machine " + std::to_string(*machine) +
                                              " has no picture yet");
                res.set_content(*svg, "image/svg+xml");
              });
    http_.Get(R"(/api/windows/([^/]+)\.svg)",
              [this](const httplib::Request& req, httplib::Response& res) {
                const auto window = Number(req.matches[1]);
                if (!window) return Refuse(res, 404, "no window " + req.matches[1].str());
                auto command = std::make_shared<Command>();
                command->kind = Command::Kind::kWindowSvg;
                command->window = *window;
                Send(res, Play(command));
              });
    http_.Post(R"(/api/machines/([^/]+)/([^/]+))",
               [this](const httplib::Request& req, httplib::Response& res) {
                 const auto machine = KnownMachine(req.matches[1], res);
                 if (!machine) return;
                 const std::string action = req.matches[2];
                 if (!kMachineActions.count(action))
                   return Refuse(res, 404, "no action \"" + action + "\"");
                 auto command = std::make_shared<Command>();
                 command->kind = Command::Kind::kMachine;
                 command->machine = *machine;
                 command->action = action;
                 Send(res, Play(command));
               });
    http_.Post(R"(/api/windows/([^/]+)/events)",
               [this](const httplib::Request& req, httplib::Response& res) {
                 const auto window = Number(req.matches[1]);
                 if (!window) return Refuse(res, 404, "no window " + req.matches[1].str());
                 Json event = Json::parse(req.body, nullptr, false);
                 if (event.is_discarded()) return Refuse(res, 400, "the body is not JSON");
                 if (auto bad = BadEvent(event)) return Refuse(res, 400, *bad);
                 auto command = std::make_shared<Command>();
                 command->kind = Command::Kind::kEvent;
                 command->window = *window;
                 command->event = std::move(event);
                 Send(res, Play(command));
               });
  }

  /// Why the request may not be served, if it may not: another site's page, a name that
  /// resolves elsewhere (DNS rebinding), or no token.
  std::optional<std::string> Refusal(const httplib::Request& req) const {
    if (!LoopbackHost(req.get_header_value("Host"), port_))
      return "the Host header must be 127.0.0.1:" + std::to_string(port_) + " or localhost:" +
             std::to_string(port_);
    if (req.has_header("Origin") && !OwnOrigin(req.get_header_value("Origin"), port_))
      return "requests from another origin are refused";
    const bool changes = req.method != "GET" && req.method != "HEAD";
    // A token in a URL can be followed from a link; one in a header only this page sends.
    const std::string given = req.has_header(kTokenHeader) ? req.get_header_value(kTokenHeader)
                              : changes                    ? std::string()
                                                           : req.get_param_value("token");
    if (!SameToken(given, token_))
      return changes ? "a request that changes anything needs the token in the X-Vantel-Token "
                       "header"
                     : "the token is missing or wrong: use the address the server printed";
    return std::nullopt;
  }

  std::optional<uint32_t> KnownMachine(const std::string& text, httplib::Response& res) const {
    const auto machine = Number(text);
    if (!machine || !machines_.count(*machine)) {
      Refuse(res, 404, "no machine " + text);
      return std::nullopt;
    }
    return machine;
  }

  /// Hands the command to the plug-in's thread and waits for its answer. A command the
  /// plug-in has not taken in time is withdrawn, so that it never plays after its refusal.
  Reply Play(const std::shared_ptr<Command>& command) {
    std::future<Reply> answer = command->reply.get_future();
    if (!queue_.Push(command)) return Reply::Refused(503, "the server is ending");
    if (answer.wait_for(kTakeTimeout) == std::future_status::ready) return answer.get();
    if (!command->taken.exchange(true))
      return Reply::Refused(503, "the plug-in is busy: nothing was done, try again");
    // Taken: the plug-in answers at its next turn, at the latest when its command ends.
    return answer.get();
  }

  httplib::Server http_;
  CommandQueue& queue_;
  StateBoard& board_;
  const std::set<uint32_t> machines_;
  const std::string token_ = NewToken();
  int port_ = 0;
  int listening_ = -1;
};

/// SIGINT and SIGTERM are taken by one thread of their own, by sigwait, for as long as this
/// lives; every thread started meanwhile inherits the mask.
class StopSignals {
 public:
  StopSignals() {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set_, &previous_);
  }
  ~StopSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  void Wait() const {
    int signal = 0;
    sigwait(&set_, &signal);
  }

 private:
  sigset_t set_;
  sigset_t previous_;
};

}  // namespace

bool LoopbackHost(const std::string& host, int port) {
  const std::string suffix = ":" + std::to_string(port);
  return host == "127.0.0.1" + suffix || host == "localhost" + suffix;
}

bool OwnOrigin(const std::string& origin, int port) {
  return origin.rfind("http://", 0) == 0 && LoopbackHost(origin.substr(7), port);
}

int Serve(const ServeOptions& options, FILE* out) {
  CommandQueue queue;
  StateBoard board;
  ServeSession session(options.files, options.language, queue, board);
  const StopSignals signals;
  Server server(queue, board, session.machineIndexes());
  server.Bind(options.port);
  // The machines as read, before the plug-in has opened them: a page asking at once finds
  // them, "ready" false.
  session.Publish();
  std::thread http([&server] { server.Listen(); });

  // Ending: the plug-in's thread finishes what it plays (a save included) and closes the
  // machines.
  std::thread stopper([&signals, &queue, &board] {
    signals.Wait();
    EndServing(queue, board);
  });

  std::fprintf(out, "Vantel serves %zu machine(s) at http://127.0.0.1:%d/?token=%s\n",
               session.machineIndexes().size(), server.port(), server.token().c_str());
  std::fflush(out);

  std::exception_ptr failed;
  try {
    session.Run();
  } catch (...) {
    failed = std::current_exception();
    // Nothing will take commands any more: the stopper is woken as by a signal.
    pthread_kill(stopper.native_handle(), SIGTERM);
  }
  stopper.join();
  server.Stop();
  http.join();
  if (failed) std::rethrow_exception(failed);
  std::fprintf(out, "Vantel stopped: every machine closed\n");
  return 0;
}

}  // namespace vantel::host
