// `vantel-host serve` on the wire: what no browser sends, clients too slow to ever finish a
// request, and the end of the server. Every request here is written byte for byte.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "host_run.h"
#include "serve_client.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using namespace std::chrono_literals;

constexpr const char* kExample = "inline4-60-2-sequential.json";

/// A blocking connection to the server, whose reads give up after `patience`.
class Wire {
 public:
  explicit Wire(int port, std::chrono::seconds patience = 10s)
      : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval wait{static_cast<time_t>(patience.count()), 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~Wire() { close(fd_); }
  Wire(const Wire&) = delete;
  Wire& operator=(const Wire&) = delete;

  bool connected() const { return connected_; }
  /// False once the server stopped taking what is sent (it closed).
  bool Send(const std::string& bytes) {
    return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
  }
  void HalfClose() { shutdown(fd_, SHUT_WR); }
  /// Everything the server sends until it closes; `*closed` false when it kept the
  /// connection open past the patience.
  std::string ReadToEnd(bool* closed) {
    std::string all;
    char buffer[4096];
    while (true) {
      const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
      if (n > 0) {
        all.append(buffer, static_cast<size_t>(n));
        continue;
      }
      *closed = n == 0;
      return all;
    }
  }

 private:
  int fd_;
  bool connected_ = false;
};

/// The status of each answer in `bytes`, in order.
std::vector<int> Statuses(const std::string& bytes) {
  static const std::regex status(R"(HTTP/1\.1 (\d{3}) )");
  std::vector<int> found;
  for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), status);
       it != std::sregex_iterator(); ++it)
    found.push_back(std::stoi((*it)[1]));
  return found;
}

class ServeWireTest : public HostRunTest {
 protected:
  void SetUp() override {
    HostRunTest::SetUp();
    fs::copy_file(Example(kExample), dir_ / kExample);
    host_ = std::make_unique<ServedHost>(VANTEL_HOST_PATH, std::vector<std::string>{kExample},
                                         dir_.string());
  }

  /// `text` with HOST and TOKEN standing for the server's own.
  std::string Fill(std::string text) const {
    for (const auto& [mark, value] :
         {std::pair<std::string, std::string>{"HOST", "127.0.0.1:" + std::to_string(port())},
          {"TOKEN", host_->token()}}) {
      for (size_t at; (at = text.find(mark)) != std::string::npos;)
        text.replace(at, mark.size(), value);
    }
    return text;
  }
  int port() const { return host_->port(); }

  std::unique_ptr<ServedHost> host_;
};

std::string Chunked(size_t bytes) {
  std::string body;
  for (size_t sent = 0; sent < bytes; sent += 4096)
    body += "1000\r\n" + std::string(4096, 'x') + "\r\n";
  return body + "0\r\n\r\n";
}

// What HTTP says to refuse is refused at once, each refusal one line that echoes no control
// character, the connection then closed; what was sent with a refused request is never
// played, and the next client is served.
TEST_F(ServeWireTest, EachRefusalClosesItsConnectionAndTheNextClientIsServed) {
  const std::string post = "POST /api/machines/12/check HTTP/1.1\r\nHost: HOST\r\n";
  const std::string token = "X-Vantel-Token: TOKEN\r\n";
  const std::string hidden = "POST /api/machines/12/check HTTP/1.1\r\nHost: HOST\r\n" + token +
                             "Content-Length: 0\r\n\r\n";
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<int> statuses;
    bool halfClose = false;
  };
  const std::vector<Case> cases = {
      {"a gzip body",
       post + token + "Content-Encoding: gzip\r\nContent-Length: 4\r\n\r\nabcd",
       {415}},
      {"a chunked body past 64 KiB",
       "POST /api/windows/1/events HTTP/1.1\r\nHost: HOST\r\n" + token +
           "Transfer-Encoding: chunked\r\n\r\n" + Chunked(80 * 1024),
       {413}},
      {"a length past 64 KiB", post + token + "Content-Length: 100000\r\n\r\n", {413}},
      {"two lengths that differ",
       post + token + "Content-Length: 0\r\nContent-Length: 2\r\n\r\n",
       {400}},
      {"the same length twice",
       post + token + "Content-Length: 0\r\nContent-Length: 0\r\n\r\n",
       {400}},
      {"two hosts", post + "Host: HOST\r\n" + token + "Content-Length: 0\r\n\r\n", {400}},
      {"a POST without a length from a client that half-closes",
       post + token + "\r\n",
       {411},
       true},
      {"a request refused for its token, another inside its body",
       post + "Content-Length: " + std::to_string(hidden.size()) + "\r\n\r\n" + hidden,
       {403}},
      {"a header past 16 KiB",
       "GET /api/state HTTP/1.1\r\nHost: HOST\r\n" + token + "X-Pad: " + std::string(17000, 'p') +
           "\r\n\r\n",
       {431}},
      {"control characters in the target",
       "GET /api/machines/\x1b[2J/wheel.svg HTTP/1.1\r\nHost: HOST\r\n" + token + "\r\n",
       {400}},
      {"escaped control characters in the target",
       "GET /api/windows/%1B[31m.svg HTTP/1.1\r\nHost: HOST\r\n" + token +
           "Connection: close\r\n\r\n",
       {404}},
      {"two requests in one write, both answered",
       "GET /api/state HTTP/1.1\r\nHost: HOST\r\n" + token +
           "\r\nGET /api/state HTTP/1.1\r\nHost: HOST\r\n" + token + "Connection: close\r\n\r\n",
       {200, 200}},
  };
  const uint64_t version = host_->State().at("version");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Wire wire(port());
    ASSERT_TRUE(wire.connected());
    wire.Send(Fill(c.bytes));  // the server may close before it has taken everything
    if (c.halfClose) wire.HalfClose();
    bool closed = false;
    const std::string answer = wire.ReadToEnd(&closed);
    EXPECT_EQ(Statuses(answer), c.statuses) << answer.substr(0, 300);
    EXPECT_TRUE(closed) << "the connection was kept";
    const std::string body = answer.substr(std::min(answer.size(), answer.rfind("\r\n\r\n") + 4));
    if (c.statuses.back() >= 400) {
      EXPECT_EQ(body.find('\n'), body.size() - 1) << "one line: " << body;
      EXPECT_TRUE(std::none_of(body.begin(), body.end() - 1, [](unsigned char ch) {
        return ch < 0x20 || ch == 0x7f;
      })) << body;
    }
    EXPECT_NO_THROW(host_->State()) << "a new connection after the refusal is served";
  }
  EXPECT_EQ(host_->State().at("version"), version) << "a refused request was played";
}

// Clients that send their headers a byte a second hold nothing but their own connections:
// another client is answered at once, and once they are gone the server has the threads it
// had before.
TEST_F(ServeWireTest, SlowClientsHoldOnlyTheirOwnConnections) {
  constexpr size_t kClients = 1100;
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  if (limit.rlim_cur < kClients + 100 && limit.rlim_max >= kClients + 100) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
  if (limit.rlim_cur < kClients + 100) GTEST_SKIP() << "too few file descriptors here";
  const size_t threads = ProcStatus(host_->pid(), "Threads");
  ASSERT_GT(threads, 0u);
  {
    const std::string request = Fill("GET /api/state?token=TOKEN HTTP/1.1\r\nHost: HOST\r\n\r\n");
    std::vector<std::unique_ptr<Wire>> slow;
    for (size_t i = 0; i < kClients; ++i) {
      slow.push_back(std::make_unique<Wire>(port()));
      ASSERT_TRUE(slow.back()->connected()) << i;
    }
    for (size_t byte = 0; byte < 3; ++byte) {
      for (auto& wire : slow) wire->Send(request.substr(byte, 1));
      const auto asked = std::chrono::steady_clock::now();
      EXPECT_NO_THROW(host_->State());
      // A loop held by a slow client would answer only at its 10 s header deadline; the
      // margin is for the sanitizers' builds on a loaded machine, not a figure of speed.
      EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);
      std::this_thread::sleep_for(1s);
    }
  }
  size_t after = 0;
  for (int i = 0; i < 50 && (after = ProcStatus(host_->pid(), "Threads")) > threads; ++i)
    std::this_thread::sleep_for(100ms);
  EXPECT_LE(after, threads);
  const size_t peak = ProcStatus(host_->pid(), "VmHWM");
  std::printf("peak memory of the server with %zu slow clients: %zu KiB\n", kClients, peak);
#ifndef VANTEL_SANITIZED
  EXPECT_LT(peak, 64u * 1024u);
#endif
}

// A second SIGTERM while the server ends, a dialog open: it ends as after the first.
TEST_F(ServeWireTest, ASecondSignalWhileEndingChangesNothing) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    SCOPED_TRACE(attempt);
    if (attempt > 0) {
      host_ = std::make_unique<ServedHost>(VANTEL_HOST_PATH, std::vector<std::string>{kExample},
                                           dir_.string());
    }
    ASSERT_EQ(host_->Post("/api/machines/12/edit").first, 200);
    kill(host_->pid(), SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(attempt * 5));
    kill(host_->pid(), SIGINT);
    EXPECT_EQ(host_->Stop(), 0);
    EXPECT_EQ(host_->Rest(), "Vantel stopped: every machine closed\n");
  }
  EXPECT_EQ(ReadFile(dir_ / kExample), ReadFile(Example(kExample)));
}

}  // namespace
}  // namespace vantel::host
