#include "serve.h"

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>

// Boost.Asio 1.74 uses std::exchange without including it.
#include <utility>

#include <algorithm>
#include <array>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

#include "plugin_loader.h"
#include "serve_page.h"
#include "serve_queue.h"
#include "serve_session.h"
#include "vocabulary.h"

namespace vantel::host {

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

// How long a long poll waits for a change before it answers the same state.
constexpr std::chrono::seconds kLongPoll{25};
// How long a request waits for the plug-in to take its command.
constexpr std::chrono::seconds kTakeTimeout{15};
// A body is an event or nothing: anything larger is no request of the page.
constexpr size_t kMaxBody = 64 * 1024;
// A request's header, cookies of other programs on the loopback included.
constexpr size_t kMaxHeader = 16 * 1024;
// Each from the start of its read or write, however slowly the client goes.
constexpr std::chrono::seconds kHeaderDeadline{10};
constexpr std::chrono::seconds kBodyDeadline{10};
constexpr std::chrono::seconds kWriteDeadline{10};
// What a refused client may still send before its connection is closed.
constexpr std::chrono::seconds kLinger{2};
constexpr size_t kLingerBytes = 1024 * 1024;
constexpr const char* kTokenHeader = "X-Vantel-Token";

const std::set<std::string> kMachineActions = {"check", "edit",  "rail1", "rail2",
                                               "save",  "close", "open",  "revert"};
// What a machine's save would do, asked without doing it: the changes, and the file's text.
const std::set<std::string> kMachineQuestions = {"review", "download"};
// The whole-number fields an event may carry, each a signed 32-bit value.
const std::set<std::string> kEventNumbers = {"index",  "edge",    "width",
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

/// A client's text quoted as JSON quotes it: no control character of its reaches a refusal.
std::string Quoted(std::string_view text) {
  return Json(std::string(text)).dump(-1, ' ', true, Json::error_handler_t::replace);
}

/// A client's text escaped as Quoted does it, without the quotes.
std::string Printable(std::string_view text) {
  const std::string quoted = Quoted(text);
  return quoted.substr(1, quoted.size() - 2);
}

/// What an event must hold, every field checked for its type and range before it reaches the
/// plug-in's thread: a value read there that is not what it should be would fail inside a
/// modal loop of the plug-in.
std::optional<std::string> BadEvent(const Json& event) {
  if (!event.is_object()) return "the body must be a JSON object";
  const auto action = event.find("action");
  if (action == event.end() || !action->is_string()) return "the event needs an \"action\"";
  const std::string name = *action;
  const std::optional<UserAct> act = ParseUserAct(name);
  if (!act) return "no action " + Quoted(name);
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
    if (!event.contains(field)) return Quoted(name) + " needs a whole number " + Quoted(field);
    return std::nullopt;
  };
  switch (*act) {
    case UserAct::kChoose:
    case UserAct::kDismiss:
    case UserAct::kTab:
      return need("index");
    case UserAct::kResize:
      for (const char* field : {"edge", "width", "height"})
        if (auto bad = need(field)) return bad;
      return std::nullopt;
    case UserAct::kScroll:
      for (const char* field : {"request", "position"})
        if (auto bad = need(field)) return bad;
      return std::nullopt;
    case UserAct::kType:
      if (!event.contains("text")) return Quoted(name) + " needs a \"text\"";
      return std::nullopt;
    case UserAct::kClick:
    case UserAct::kOk:
    case UserAct::kCancel:
    case UserAct::kHelp:
      return std::nullopt;
  }
  return std::nullopt;
}

// The room a page may give the plug-in: smaller, no dialog could be laid out in it; larger
// is no screen.
constexpr uint64_t kSmallestScreen = 100;
constexpr uint64_t kLargestScreen = 16384;

/// Why a screen size is not one; nothing when it is.
std::optional<std::string> BadScreen(const Json& size) {
  if (!size.is_object()) return "the body must be a JSON object";
  for (const auto& [field, value] : size.items())
    if (field != "width" && field != "height") return "a screen size has no field " + Quoted(field);
  for (const char* field : {"width", "height"}) {
    const auto value = size.find(field);
    if (value == size.end() || !value->is_number_integer())
      return "a screen size needs a whole number " + Quoted(field);
    // A positive whole number is read as unsigned; a negative one is too small anyway.
    const bool fits = value->is_number_unsigned() && value->get<uint64_t>() >= kSmallestScreen &&
                      value->get<uint64_t>() <= kLargestScreen;
    if (!fits)
      return Quoted(field) + " must be from " + std::to_string(kSmallestScreen) + " to " +
             std::to_string(kLargestScreen) + " pixels";
  }
  return std::nullopt;
}

/// The query parameter `name` of a request target, as sent: the page sends tokens and
/// versions, which need no escaping, so an escaped one is no token.
std::optional<std::string> QueryParam(std::string_view target, std::string_view name) {
  const size_t mark = target.find('?');
  if (mark == std::string_view::npos) return std::nullopt;
  std::string_view query = target.substr(mark + 1);
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    const size_t eq = pair.find('=');
    if (pair.substr(0, eq) == name)
      return std::string(eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1));
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return std::nullopt;
}

/// The parts of a request target's path: "/api/machines/12/edit" gives api, machines, 12, edit.
/// How much of the state a request asks its answer to carry ("answer" in its query): one of
/// `allowed`, else why not.
std::variant<StateAnswer, std::string> AnswerAsked(
    std::string_view target,
    std::initializer_list<std::pair<std::string_view, StateAnswer>> allowed) {
  const std::optional<std::string> asked = QueryParam(target, "answer");
  std::string names;
  for (const auto& [name, answer] : allowed) {
    if (!asked || *asked == name) return answer;
    names += (names.empty() ? "" : " or ") + std::string(name);
  }
  return "\"answer\" must be " + names;
}

std::vector<std::string_view> PathParts(std::string_view target) {
  std::string_view path = target.substr(0, target.find('?'));
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    if (path.front() == '/') {
      path.remove_prefix(1);
      continue;
    }
    const size_t slash = path.find('/');
    parts.push_back(path.substr(0, slash));
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash);
  }
  return parts;
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

using Request = http::request<http::string_body>;
class Server;

/// One client connection: requests read one after the other (pipelined ones included), each
/// answered before the next is read. A request refused before its body is read closes the
/// connection, so that the body is never taken for the next request.
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(tcp::socket socket, Server& server);
  ~Connection();

  void Start() { ReadHeader(); }
  /// Answers the request being served; the next is read after it unless `close`.
  void Answer(Reply reply, bool close = false);
  /// Closes the connection now unless it is answering.
  void Shut();
  /// Waits for the plug-in's answer to `command`, holding the connection meanwhile. A
  /// command the plug-in has not taken in time is withdrawn, so that it never plays after
  /// its refusal.
  void AwaitPlugin(const std::shared_ptr<Command>& command);
  void Delivered(Reply reply) {
    awaiting_ = false;
    wait_.cancel();
    Answer(std::move(reply));
  }

 private:
  void ReadHeader();
  void OnHeader(beast::error_code error);
  void OnBody(beast::error_code error);
  /// After a refusal: what the client still sends is read and dropped for a while before the
  /// close, so that the close does not reset the connection (a reset can make the client
  /// lose the refusal it has not read yet).
  void Linger();
  void Drop();
  void Refuse(int status, const std::string& reason) {
    Answer(Reply::Refused(status, reason), true);
  }

  beast::tcp_stream stream_;
  asio::steady_timer wait_;  // for the plug-in's answer
  bool awaiting_ = false;    // the plug-in's answer has not come yet
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  Server& server_;
  bool head_ = false;       // a HEAD request: the answer's headers only
  bool keepAlive_ = false;  // the client keeps the connection for its next request
  bool answering_ = false;  // a request is being served
  size_t dropped_ = 0;      // bytes read and dropped while lingering
  std::array<char, 4096> drop_{};
};

class Server {
 public:
  Server(CommandQueue& queue, StateBoard& board, std::vector<uint32_t> machines)
      : queue_(queue), board_(board), machines_(machines.begin(), machines.end()) {
    board_.OnChange([this] { asio::post(io_, [this] { WakePolls(); }); });
  }
  ~Server() {
    board_.OnChange(nullptr);
    destroying_ = true;
  }
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  /// Bound to the loopback; ServeError when the port cannot be had.
  void Bind(int port) {
    RaiseFileLimit();
    beast::error_code error;
    const tcp::endpoint at(asio::ip::make_address_v4("127.0.0.1"), static_cast<uint16_t>(port));
    acceptor_.open(at.protocol(), error);
    // Not SO_REUSEPORT: another listener of the user's could then take some of the requests.
    if (!error) acceptor_.set_option(asio::socket_base::reuse_address(true), error);
    if (!error) acceptor_.bind(at, error);
    if (!error) acceptor_.listen(asio::socket_base::max_listen_connections, error);
    if (error)
      throw ServeError("cannot listen on 127.0.0.1:" + std::to_string(port) + ": " +
                       error.message());
    port_ = acceptor_.local_endpoint().port();
  }

  /// Serves on the calling thread until Stop.
  void Listen() {
    Accept();
    io_.run();
  }

  /// From any thread: no more connections; long polls answered, connections closed once
  /// answered; Listen returns when none is left, or after a second at most.
  void Stop() {
    asio::post(io_, [this] {
      stopping_ = true;
      acceptor_.close();
      WakePolls();
      for (Connection* connection : std::set<Connection*>(connections_)) connection->Shut();
      stopTimer_.expires_after(std::chrono::seconds(1));
      stopTimer_.async_wait([this](beast::error_code) { io_.stop(); });
    });
  }

  int port() const { return port_; }
  const std::string& token() const { return token_; }
  asio::io_context& io() { return io_; }
  bool stopping() const { return stopping_; }

  void Opened(Connection* connection) { connections_.insert(connection); }
  void Closed(Connection* connection) {
    connections_.erase(connection);
    if (stopping_ && connections_.empty() && !destroying_) io_.stop();
  }

  /// Why a request may not be served at all, with its status: a header HTTP forbids to
  /// repeat, another site's page, a name that resolves elsewhere (DNS rebinding), no token.
  std::optional<std::pair<int, std::string>> Refusal(const Request& req) const {
    for (const http::field field : {http::field::host, http::field::content_length}) {
      const auto [first, last] = req.equal_range(field);
      if (std::distance(first, last) > 1)
        return std::pair{400, std::string(http::to_string(field)) + " is given more than once"};
    }
    const std::string host(req[http::field::host]);
    if (!LoopbackHost(host, port_))
      return std::pair{403, "the Host header must be 127.0.0.1:" + std::to_string(port_) +
                                " or localhost:" + std::to_string(port_)};
    if (req.count(http::field::origin) && !OwnOrigin(std::string(req[http::field::origin]), port_))
      return std::pair{403, std::string("requests from another origin are refused")};
    const bool changes = req.method() != http::verb::get && req.method() != http::verb::head;
    // A token in a URL can be followed from a link; one in a header only this page sends.
    const std::string given = req.count(kTokenHeader) ? std::string(req[kTokenHeader])
                              : changes               ? std::string()
                                        : QueryParam(req.target(), "token").value_or("");
    if (!SameToken(given, token_))
      return std::pair{403, std::string(changes ? "a request that changes anything needs the "
                                                  "token in the X-Vantel-Token header"
                                                : "the token is missing or wrong: use the "
                                                  "address the server printed")};
    return std::nullopt;
  }

  /// Serves a request whose header and body were accepted.
  void Route(const std::shared_ptr<Connection>& from, const Request& req) {
    const std::vector<std::string_view> parts = PathParts(req.target());
    const bool get = req.method() == http::verb::get || req.method() == http::verb::head;
    const bool post = req.method() == http::verb::post;
    const auto is = [&parts](std::initializer_list<std::string_view> want) {
      return parts.size() == want.size() &&
             std::equal(want.begin(), want.end(), parts.begin(),
                        [](std::string_view w, std::string_view p) { return w.empty() || w == p; });
    };
    if (get && parts.empty()) {
      return from->Answer({200, std::string(ServePageHtml()), "text/html; charset=utf-8"});
    }
    if (get && is({"api", "state"})) return State(from, req);
    if (get && is({"api", "machines", "", "wheel.svg"})) {
      const auto machine = KnownMachine(parts[2]);
      if (!machine) return from->Answer(NoMachine(parts[2]));
      const std::optional<std::string> svg = board_.Wheel(*machine);
      if (!svg || svg->empty())
        return from->Answer(
            Reply::Refused(404, "machine " + std::to_string(*machine) + " has no picture yet"));
      return from->Answer({200, *svg, "image/svg+xml"});
    }
    if (get && is({"api", "machines", "", ""}) && kMachineQuestions.count(std::string(parts[3]))) {
      const auto machine = KnownMachine(parts[2]);
      if (!machine) return from->Answer(NoMachine(parts[2]));
      auto command = std::make_shared<Command>();
      command->kind = Command::Kind::kMachine;
      command->machine = *machine;
      command->action = std::string(parts[3]);
      return Play(from, command);
    }
    if (get && is({"api", "windows", ""}) && EndsWith(parts[2], ".svg")) {
      const std::string_view name = parts[2].substr(0, parts[2].size() - 4);
      const auto window = Number(std::string(name));
      if (!window) return from->Answer(Reply::Refused(404, "no window " + Printable(name)));
      auto command = std::make_shared<Command>();
      command->kind = Command::Kind::kWindowSvg;
      command->window = *window;
      return Play(from, command);
    }
    if (post && is({"api", "machines", "", ""})) {
      const auto machine = KnownMachine(parts[2]);
      if (!machine) return from->Answer(NoMachine(parts[2]));
      const std::string action(parts[3]);
      if (!kMachineActions.count(action))
        return from->Answer(Reply::Refused(404, "no action " + Quoted(action)));
      auto command = StateCommand(from, req);
      if (!command) return;
      command->kind = Command::Kind::kMachine;
      command->machine = *machine;
      command->action = action;
      return Play(from, command);
    }
    if (post && is({"api", "windows", "", "events"})) {
      const auto window = Number(std::string(parts[2]));
      if (!window) return from->Answer(Reply::Refused(404, "no window " + Printable(parts[2])));
      Json event = Json::parse(req.body(), nullptr, false);
      if (event.is_discarded()) return from->Answer(Reply::Refused(400, "the body is not JSON"));
      if (auto bad = BadEvent(event)) return from->Answer(Reply::Refused(400, *bad));
      auto command = StateCommand(from, req);
      if (!command) return;
      command->kind = Command::Kind::kEvent;
      command->window = *window;
      command->event = std::move(event);
      return Play(from, command);
    }
    if (post && is({"api", "screen"})) {
      Json size = Json::parse(req.body(), nullptr, false);
      if (size.is_discarded()) return from->Answer(Reply::Refused(400, "the body is not JSON"));
      if (auto bad = BadScreen(size)) return from->Answer(Reply::Refused(400, *bad));
      auto command = StateCommand(from, req);
      if (!command) return;
      command->kind = Command::Kind::kScreen;
      command->event = std::move(size);
      return Play(from, command);
    }
    from->Answer(Reply::Refused(404, "no such route"));
  }

 private:
  struct Poll {
    std::shared_ptr<Connection> connection;
    std::optional<uint64_t> since;
    StateAnswer answer;
    std::unique_ptr<asio::steady_timer> timer;
  };

  /// A command answered with the state, as much of it as the request asks; null when it
  /// asks for what cannot be, which is answered here.
  static std::shared_ptr<Command> StateCommand(const std::shared_ptr<Connection>& from,
                                               const Request& req) {
    const auto answer = AnswerAsked(
        req.target(), {{"whole", StateAnswer::kWhole}, {"version", StateAnswer::kVersion}});
    if (const auto* bad = std::get_if<std::string>(&answer)) {
      from->Answer(Reply::Refused(400, *bad));
      return nullptr;
    }
    auto command = std::make_shared<Command>();
    command->answer = std::get<StateAnswer>(answer);
    return command;
  }

  // One file descriptor per connection: a thousand clients are more than the usual 1,024.
  static void RaiseFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }

  void Accept() {
    acceptor_.async_accept([this](beast::error_code error, tcp::socket socket) {
      if (stopping_) return;
      if (error) {
        // Out of file descriptors or memory: the connections waiting stay in the backlog
        // until some close, instead of the loop spinning on the same failure.
        acceptTimer_.expires_after(std::chrono::milliseconds(100));
        acceptTimer_.async_wait([this](beast::error_code) { Accept(); });
        return;
      }
      beast::error_code ignored;
      // An answer goes out as its headers, then its body: with Nagle's algorithm the body
      // would wait for the client's delayed ACK of the headers, 40 ms on a kept connection.
      socket.set_option(tcp::no_delay(true), ignored);
      std::make_shared<Connection>(std::move(socket), *this)->Start();
      Accept();
    });
  }

  void State(const std::shared_ptr<Connection>& from, const Request& req) {
    std::optional<uint64_t> since;
    if (const auto text = QueryParam(req.target(), "since")) {
      uint64_t value = 0;
      const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
      if (error != std::errc() || end != text->data() + text->size())
        return from->Answer(Reply::Refused(400, "\"since\" must be a state's version"));
      since = value;
    }
    const auto asked = AnswerAsked(
        req.target(), {{"whole", StateAnswer::kWhole}, {"changes", StateAnswer::kChanges}});
    if (const auto* bad = std::get_if<std::string>(&asked))
      return from->Answer(Reply::Refused(400, *bad));
    const StateAnswer answer = std::get<StateAnswer>(asked);
    bool ended = false;
    if (auto state = board_.Read(since, &ended, answer))
      return from->Answer({200, std::move(*state)});
    if (ended || stopping_) return from->Answer(Reply::Refused(503, "the server is ending"));
    // Unchanged: the answer waits for a change, or for the long poll's end with the same state.
    auto poll = std::make_shared<Poll>(
        Poll{from, since, answer, std::make_unique<asio::steady_timer>(io_)});
    polls_.push_back(poll);
    poll->timer->expires_after(kLongPoll);
    poll->timer->async_wait([this, weak = std::weak_ptr<Poll>(poll)](beast::error_code error) {
      const auto poll = weak.lock();
      if (error || !poll) return;
      std::erase(polls_, poll);
      bool ended = false;
      auto state = board_.Read(poll->since, &ended, poll->answer, /*evenIfSame=*/true);
      poll->connection->Answer(StateReply(std::move(state)));
    });
  }

  /// The state read for a long poll; nothing read means the server is ending.
  static Reply StateReply(std::optional<std::string> state) {
    return state ? Reply{200, std::move(*state)} : Reply::Refused(503, "the server is ending");
  }

  void WakePolls() {
    std::vector<std::shared_ptr<Poll>> waiting;
    waiting.swap(polls_);
    for (const auto& poll : waiting) {
      bool ended = false;
      auto state = board_.Read(poll->since, &ended, poll->answer);
      if (!state && !ended && !stopping_) {
        polls_.push_back(poll);
        continue;
      }
      poll->timer->cancel();
      poll->connection->Answer(StateReply(std::move(state)));
    }
  }

  /// Hands the command to the plug-in's thread; its answer comes back here. A command the
  /// plug-in has not taken in time is withdrawn, so that it never plays after its refusal.
  void Play(const std::shared_ptr<Connection>& from, const std::shared_ptr<Command>& command) {
    // The command may end on the plug-in's thread: it holds nothing of the loop's but a weak
    // reference, and its answer is handed over to the loop.
    command->deliver = [this, weak = std::weak_ptr<Connection>(from)](Reply reply) {
      asio::post(io_, [weak, reply = std::move(reply)]() mutable {
        if (const auto connection = weak.lock()) connection->Delivered(std::move(reply));
      });
    };
    if (!queue_.Push(command)) return from->Answer(Reply::Refused(503, "the server is ending"));
    from->AwaitPlugin(command);
  }

  std::optional<uint32_t> KnownMachine(std::string_view text) const {
    const auto machine = Number(std::string(text));
    if (!machine || !machines_.count(*machine)) return std::nullopt;
    return machine;
  }
  static Reply NoMachine(std::string_view text) {
    return Reply::Refused(404, "no machine " + Printable(text));
  }

  CommandQueue& queue_;
  StateBoard& board_;
  const std::set<uint32_t> machines_;
  const std::string token_ = NewToken();
  int port_ = 0;
  // Before the loop: the handlers it still holds when it is destroyed close their
  // connections into these.
  bool stopping_ = false;
  bool destroying_ = false;
  std::set<Connection*> connections_;
  asio::io_context io_{1};
  tcp::acceptor acceptor_{io_};
  asio::steady_timer acceptTimer_{io_};
  asio::steady_timer stopTimer_{io_};
  std::vector<std::shared_ptr<Poll>> polls_;
};

Connection::Connection(tcp::socket socket, Server& server)
    : stream_(std::move(socket)), wait_(stream_.get_executor()), server_(server) {
  server_.Opened(this);
}

void Connection::AwaitPlugin(const std::shared_ptr<Command>& command) {
  awaiting_ = true;
  wait_.expires_after(kTakeTimeout);
  wait_.async_wait([self = shared_from_this(), command](beast::error_code error) {
    if (error || !self->awaiting_) return;  // answered
    // Taken: the plug-in answers at its next turn, at the latest when its command ends.
    if (command->taken.exchange(true)) return self->AwaitPlugin(command);
    self->awaiting_ = false;
    self->Answer(Reply::Refused(503, "the plug-in is busy: nothing was done, try again"));
  });
}

Connection::~Connection() { server_.Closed(this); }

void Connection::ReadHeader() {
  if (server_.stopping()) return Shut();
  parser_.emplace();
  parser_->header_limit(kMaxHeader);
  // Limited once the header is judged: a request refused for its access is refused as such,
  // whatever length it announces.
  parser_->body_limit(std::numeric_limits<uint64_t>::max());
  // The whole header within the deadline, however slowly it comes: a client that sends a
  // byte at a time holds nothing but its own connection, and that only until then.
  stream_.expires_after(kHeaderDeadline);
  http::async_read_header(
      stream_, buffer_, *parser_,
      [self = shared_from_this()](beast::error_code error, size_t) { self->OnHeader(error); });
}

void Connection::OnHeader(beast::error_code error) {
  if (error == http::error::end_of_stream || error == beast::error::timeout ||
      error == asio::error::operation_aborted || error == asio::error::connection_reset ||
      error == asio::error::eof)
    return Shut();
  if (error == http::error::header_limit)
    return Refuse(431, "the header is larger than " + std::to_string(kMaxHeader / 1024) + " KiB");
  if (error) return Refuse(400, "malformed request: " + error.message());
  answering_ = true;
  const Request& req = parser_->get();
  head_ = req.method() == http::verb::head;
  keepAlive_ = req.keep_alive();
  if (const auto refusal = server_.Refusal(req)) return Refuse(refusal->first, refusal->second);
  if (req.count(http::field::content_encoding))
    return Refuse(415, "a request's body is taken as sent, without a Content-Encoding");
  if (req.method() == http::verb::post && !req.has_content_length() && !req.chunked())
    return Refuse(411, "a POST needs a Content-Length");
  if (parser_->content_length() && *parser_->content_length() > kMaxBody)
    return Refuse(413, "the body is larger than 64 KiB");
  // However it comes: chunks are counted as they arrive.
  parser_->body_limit(kMaxBody);
  stream_.expires_after(kBodyDeadline);
  http::async_read(
      stream_, buffer_, *parser_,
      [self = shared_from_this()](beast::error_code error, size_t) { self->OnBody(error); });
}

void Connection::OnBody(beast::error_code error) {
  if (error == http::error::body_limit) return Refuse(413, "the body is larger than 64 KiB");
  if (error == beast::error::timeout) return Refuse(408, "the body did not come in time");
  if (error) return Shut();
  stream_.expires_never();
  server_.Route(shared_from_this(), parser_->get());
}

void Connection::Answer(Reply reply, bool close) {
  auto res = std::make_shared<http::response<http::string_body>>(
      static_cast<http::status>(reply.status), 11);
  res->set(http::field::content_type, reply.contentType);
  res->set(http::field::cache_control, "no-store");
  res->set("X-Content-Type-Options", "nosniff");
  res->set("X-Frame-Options", "DENY");
  res->set("Referrer-Policy", "no-referrer");
  res->body() = std::move(reply.body);
  res->prepare_payload();
  if (head_) res->body().clear();  // the length stays that of the body not sent
  const bool last = close || !keepAlive_ || server_.stopping();
  res->keep_alive(!last);
  stream_.expires_after(kWriteDeadline);
  http::async_write(stream_, *res,
                    [self = shared_from_this(), res, last, close](beast::error_code error, size_t) {
                      self->answering_ = false;
                      if (!error && close) return self->Linger();
                      if (error || last) return self->Shut();
                      self->ReadHeader();
                    });
}

void Connection::Linger() {
  beast::error_code ignored;
  stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
  stream_.expires_after(kLinger);
  Drop();
}

void Connection::Drop() {
  stream_.async_read_some(asio::buffer(drop_),
                          [self = shared_from_this()](beast::error_code error, size_t n) {
                            self->dropped_ += n;
                            if (error || self->dropped_ > kLingerBytes) return self->Shut();
                            self->Drop();
                          });
}

void Connection::Shut() {
  if (answering_) return;
  beast::error_code ignored;
  stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
  stream_.close();
}

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
  ~StopSignals() {
    // A signal that came while the server was ending is taken here: let through once the
    // mask is restored, it would kill the process before it could say it stopped.
    const timespec now{0, 0};
    while (sigtimedwait(&set_, nullptr, &now) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
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
