#pragma once
// What the HTTP threads and the plug-in's thread share: the commands going one way, the
// replies and the published state coming back.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "kalbrix.h"

namespace vantel::host {

struct Reply {
  int status = 200;
  std::string body;  // JSON for 200, one line of text otherwise
  std::string contentType = "application/json";

  static Reply Refused(int status, std::string reason) {
    return {status, std::move(reason) + "\n", "text/plain; charset=utf-8"};
  }
};

struct Command {
  enum class Kind {
    kMachine,  // `action` on `machine`
    kEvent,    // `event` on window `window`
    kWindowSvg,
    kScreen,  // the page's room for windows, `width` and `height` in `event`
  };
  Kind kind = Kind::kMachine;
  uint32_t machine = 0;
  std::string action;
  uint32_t window = 0;
  Json event;

  /// Set by whichever side gives the command up first: the plug-in's thread when it takes
  /// it, the HTTP side when it stopped waiting. A command given up is never played.
  std::atomic<bool> taken{false};
  /// Hands the answer to the HTTP side; called once, on the thread that answers.
  std::function<void(Reply)> deliver;
  bool answered = false;  // the answering side only

  void Answer(Reply r) {
    if (answered) return;
    answered = true;
    if (deliver) deliver(std::move(r));
  }
};

/// First in, first out; closed once the server ends, after which nothing more is taken.
class CommandQueue {
 public:
  /// False when the queue is closed.
  bool Push(std::shared_ptr<Command> command) {
    {
      std::lock_guard lock(mutex_);
      if (closed_) return false;
      queue_.push_back(std::move(command));
    }
    ready_.notify_one();
    return true;
  }

  /// The next command, waiting for one; null once the queue is closed.
  std::shared_ptr<Command> Pop() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return closed_ || !queue_.empty(); });
    if (closed_) return nullptr;
    std::shared_ptr<Command> next = std::move(queue_.front());
    queue_.pop_front();
    return next;
  }

  /// Closes the queue and hands back what was left in it.
  std::deque<std::shared_ptr<Command>> Close() {
    std::deque<std::shared_ptr<Command>> left;
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
      left.swap(queue_);
    }
    ready_.notify_all();
    return left;
  }

  bool closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::shared_ptr<Command>> queue_;
  bool closed_ = false;
};

/// The state the page reads, published by the plug-in's thread, waited on by long polls.
class StateBoard {
 public:
  /// Called after each change and at the end, on the thread that made it, out of the lock.
  /// Set before anything is published.
  void OnChange(std::function<void()> changed) { onChange_ = std::move(changed); }

  /// Publishes `state` (its "version" is set here) when it differs from the last one.
  void Publish(const Json& state, std::map<uint32_t, std::string> wheels) {
    // Written once, out of the lock: with many windows open it is most of an event's cost.
    std::string body = state.dump();
    {
      std::lock_guard lock(mutex_);
      if (body == lastBody_ && wheels == wheels_) return;
      ++version_;
      text_ = body.substr(0, body.size() - 1) + (body.size() > 2 ? "," : "") +
              "\"version\":" + std::to_string(version_) + "}";
      lastBody_ = std::move(body);
      wheels_ = std::move(wheels);
    }
    if (onChange_) onChange_();
  }

  /// The state when its version differs from `since` (always without it); nothing when it
  /// does not, or once the server is ending, which `*ended` tells.
  std::optional<std::string> Read(std::optional<uint64_t> since, bool* ended) {
    std::lock_guard lock(mutex_);
    *ended = ended_;
    if (ended_ || (since && version_ == *since)) return std::nullopt;
    return text_;
  }

  /// The state last published, ending or not.
  std::string Current() {
    std::lock_guard lock(mutex_);
    return text_;
  }

  std::optional<std::string> Wheel(uint32_t machine) {
    std::lock_guard lock(mutex_);
    const auto found = wheels_.find(machine);
    if (found == wheels_.end()) return std::nullopt;
    return found->second;
  }

  uint64_t version() {
    std::lock_guard lock(mutex_);
    return version_;
  }

  /// Wakes every long poll: the server is ending.
  void End() {
    {
      std::lock_guard lock(mutex_);
      ended_ = true;
    }
    if (onChange_) onChange_();
  }

 private:
  std::mutex mutex_;
  std::function<void()> onChange_;
  uint64_t version_ = 0;
  std::string lastBody_;
  std::string text_ = "{}";
  std::map<uint32_t, std::string> wheels_;
  bool ended_ = false;
};

/// The server's ending: whatever is queued is refused, every long poll is woken, and every
/// modal loop of the plug-in gives up at its next turn.
inline void EndServing(CommandQueue& queue, StateBoard& board) {
  for (const std::shared_ptr<Command>& left : queue.Close())
    if (!left->taken.exchange(true)) left->Answer(Reply::Refused(503, "the server is ending"));
  board.End();
}

}  // namespace vantel::host
