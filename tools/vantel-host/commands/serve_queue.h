#pragma once
// What the HTTP threads and the plug-in's thread share: the commands going one way, the
// replies and the published state coming back.
#include <algorithm>
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
#include <vector>

#include "kalbrix.h"

namespace vantel::host {

/// How much of the state an answer carries.
enum class StateAnswer {
  kWhole,    // the whole state
  kChanges,  // the machines and windows changed since the version the client holds
  kVersion,  // only the version: a command's answer for a client that long-polls
};

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
  /// How much of the state a command played answers with.
  StateAnswer answer = StateAnswer::kWhole;

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
  /// How many versions back an answer can be the changes since; a client further behind
  /// gets the whole state.
  static constexpr size_t kVersionsKept = 64;

  /// Called after each change and at the end, on the thread that made it, out of the lock.
  /// Set before anything is published.
  void OnChange(std::function<void()> changed) { onChange_ = std::move(changed); }

  /// Publishes `state` (its "version" is set here) when it differs from the last one.
  void Publish(const Json& state, std::map<uint32_t, std::string> wheels) {
    // Written once, out of the lock, piece by piece: with many windows open it is most of an
    // event's cost, and a piece as it was last time is kept shared with it.
    Cut cut = CutUp(state);
    std::string body = Whole(cut);
    {
      std::lock_guard lock(mutex_);
      if (body == lastBody_ && wheels == wheels_) return;
      if (!cuts_.empty()) ShareUnchanged(cuts_.back(), cut);
      ++version_;
      cut.version = version_;
      text_ = body.substr(0, body.size() - 1) + (body.size() > 2 ? "," : "") +
              "\"version\":" + std::to_string(version_) + "}";
      lastBody_ = std::move(body);
      wheels_ = std::move(wheels);
      cuts_.push_back(std::move(cut));
      if (cuts_.size() > kVersionsKept) cuts_.pop_front();
    }
    if (onChange_) onChange_();
  }

  /// The state when its version differs from `since` (always without it, and `evenIfSame`),
  /// as much of it as `answer` asks; nothing when it does not differ, or once the server is
  /// ending, which `*ended` tells.
  std::optional<std::string> Read(std::optional<uint64_t> since, bool* ended,
                                  StateAnswer answer = StateAnswer::kWhole,
                                  bool evenIfSame = false) {
    std::lock_guard lock(mutex_);
    *ended = ended_;
    if (ended_ || (!evenIfSame && since && version_ == *since)) return std::nullopt;
    return AnswerLocked(since, answer);
  }

  /// The state last published, ending or not, as much of it as `answer` asks (changes are
  /// since `since`).
  std::string Current(StateAnswer answer = StateAnswer::kWhole,
                      std::optional<uint64_t> since = std::nullopt) {
    std::lock_guard lock(mutex_);
    return AnswerLocked(since, answer);
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
  // A published state in pieces: each field's text, and for the lists of machines and
  // windows each element's, named by its key.
  struct Piece {
    std::string id;  // the element's key, as JSON
    std::shared_ptr<const std::string> text;
  };
  struct Field {
    std::string name;           // as JSON, quoted
    std::string text;           // a field that is not a list of pieces
    const char* key = nullptr;  // a list of pieces: the field that names each
    std::vector<Piece> pieces;
  };
  struct Cut {
    uint64_t version = 0;
    std::vector<Field> fields;
  };

  // The lists sent piece by piece, each element named by its key field.
  static const char* KeyOf(const std::string& list) {
    if (list == "machines") return "machine";
    if (list == "windows") return "handle";
    return nullptr;
  }

  static Cut CutUp(const Json& state) {
    Cut cut;
    for (const auto& [name, value] : state.items()) {
      Field field{Json(name).dump(), {}, nullptr, {}};
      const char* key = KeyOf(name);
      if (key && value.is_array() && std::all_of(value.begin(), value.end(), [key](const Json& e) {
            return e.is_object() && e.contains(key);
          })) {
        field.key = key;
        for (const Json& element : value)
          field.pieces.push_back(
              {element.at(key).dump(), std::make_shared<const std::string>(element.dump())});
      } else {
        field.text = value.dump();
      }
      cut.fields.push_back(std::move(field));
    }
    return cut;
  }

  // What was the same as in the last version is held once.
  static void ShareUnchanged(const Cut& before, Cut& now) {
    for (Field& field : now.fields) {
      const Field* old = FieldOf(before, field.name);
      if (!old) continue;
      for (Piece& piece : field.pieces)
        if (const Piece* was = PieceOf(*old, piece.id); was && *was->text == *piece.text)
          piece.text = was->text;
    }
  }

  static const Field* FieldOf(const Cut& cut, const std::string& name) {
    for (const Field& field : cut.fields)
      if (field.name == name && field.key) return &field;
    return nullptr;
  }

  static const Piece* PieceOf(const Field& field, const std::string& id) {
    for (const Piece& piece : field.pieces)
      if (piece.id == id) return &piece;
    return nullptr;
  }

  // The cut as a whole, or as its changes since `before`: a piece the same as there is
  // only its key and "unchanged".
  static std::string Whole(const Cut& cut, const Cut* before = nullptr) {
    std::string out = "{";
    for (const Field& field : cut.fields) {
      if (out.size() > 1) out += ',';
      out += field.name + ':';
      if (!field.key) {
        out += field.text;
        continue;
      }
      const Field* old = before ? FieldOf(*before, field.name) : nullptr;
      out += '[';
      for (size_t i = 0; i < field.pieces.size(); ++i) {
        const Piece& piece = field.pieces[i];
        if (i) out += ',';
        const Piece* was = old ? PieceOf(*old, piece.id) : nullptr;
        if (was && (was->text == piece.text || *was->text == *piece.text))
          out += "{\"" + std::string(field.key) + "\":" + piece.id + ",\"unchanged\":true}";
        else
          out += *piece.text;
      }
      out += ']';
    }
    return out + '}';
  }

  std::string AnswerLocked(std::optional<uint64_t> since, StateAnswer answer) const {
    if (answer == StateAnswer::kVersion) return "{\"version\":" + std::to_string(version_) + "}";
    if (answer == StateAnswer::kChanges && since && !cuts_.empty()) {
      const auto before = std::find_if(cuts_.begin(), cuts_.end(),
                                       [&](const Cut& cut) { return cut.version == *since; });
      if (before != cuts_.end()) {
        const std::string changes = Whole(cuts_.back(), &*before);
        return changes.substr(0, changes.size() - 1) + (changes.size() > 2 ? "," : "") +
               "\"version\":" + std::to_string(version_) + ",\"since\":" + std::to_string(*since) +
               "}";
      }
    }
    return text_;
  }

  std::mutex mutex_;
  std::function<void()> onChange_;
  uint64_t version_ = 0;
  std::string lastBody_;
  std::string text_ = "{}";
  std::deque<Cut> cuts_;  // the last versions published, oldest first
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
