// The plug-in's side of `vantel-host serve` in this process, fed commands as the HTTP side
// feeds them, so that a command can fail in ways the routes no longer let through.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "serve_queue.h"
#include "serve_session.h"
#include "support/temp_dir.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr uint32_t kInline4 = 12;  // the machine index of the inline 4 example

class ServeSessionTest : public ::testing::Test {
 protected:
  ServeSessionTest()
      : file_(dir_.path() / "inline4.json"),
        original_(
            (fs::copy_file(fs::path(VANTEL_EXAMPLES_DIR) / "inline4-60-2-sequential.json", file_),
             test::ReadFile(file_))),
        session_({file_.string()}, 1033, queue_, board_, VANTEL_PLUGIN_PATH),
        plugin_([this] { session_.Run(); }) {}

  ~ServeSessionTest() override { End(); }

  /// Ends as a SIGTERM does, and waits for the plug-in's thread to close every machine.
  void End() {
    EndServing(queue_, board_);
    if (plugin_.joinable()) plugin_.join();
  }

  /// Plays `command` as an HTTP thread would; a command left unanswered fails the test.
  Reply Ask(const std::shared_ptr<Command>& command) {
    auto promise = std::make_shared<std::promise<Reply>>();
    std::future<Reply> answer = promise->get_future();
    command->deliver = [promise](Reply reply) { promise->set_value(std::move(reply)); };
    EXPECT_TRUE(queue_.Push(command));
    if (answer.wait_for(30s) != std::future_status::ready) {
      ADD_FAILURE() << "the command was never answered";
      return {};
    }
    return answer.get();
  }
  Reply Machine(const std::string& action) {
    auto command = std::make_shared<Command>();
    command->machine = kInline4;
    command->action = action;
    return Ask(command);
  }
  Reply Event(uint32_t window, Json event) {
    auto command = std::make_shared<Command>();
    command->kind = Command::Kind::kEvent;
    command->window = window;
    command->event = std::move(event);
    return Ask(command);
  }

  test::TempDir dir_;
  fs::path file_;
  std::string original_;
  CommandQueue queue_;
  StateBoard board_;
  ServeSession session_;
  std::thread plugin_;
};

// An event whose field cannot be read throws inside the dialog's modal loop: the command is
// answered with the reason, the dialog still takes the next event, and the server ends with
// the file as it was.
TEST_F(ServeSessionTest, ACommandThatThrowsInsideAModalLoopIsAnsweredAndTheWindowGoesOn) {
  const Reply edit = Machine("edit");
  ASSERT_EQ(edit.status, 200) << edit.body;
  const Json windows = Json::parse(edit.body).at("windows");
  ASSERT_EQ(windows.size(), 1u);
  const uint32_t dialog = windows.at(0).at("handle");

  // A null where a number or a text is read, in each of the branches that read one.
  const Json throwing[] = {
      {{"action", "click"}, {"index", nullptr}},
      {{"action", "type"}, {"text", nullptr}},
      {{"action", "resize"}, {"edge", nullptr}, {"width", 400}, {"height", 300}},
      {{"action", "scroll"}, {"request", 1}, {"position", nullptr}},
  };
  for (const Json& event : throwing) {
    SCOPED_TRACE(event.dump());
    const Reply failed = Event(dialog, event);
    EXPECT_EQ(failed.status, 500);
    EXPECT_EQ(failed.body.find('\n'), failed.body.size() - 1) << "one line: " << failed.body;
    EXPECT_EQ(Json::parse(board_.Current()).at("windows").size(), 1u) << "the dialog is gone";
  }

  const Reply cancel = Event(dialog, {{"action", "cancel"}});
  ASSERT_EQ(cancel.status, 200) << cancel.body;
  EXPECT_TRUE(Json::parse(cancel.body).at("windows").empty());
  EXPECT_EQ(Machine("edit").status, 200) << "a new action after the failure";

  End();
  EXPECT_EQ(test::ReadFile(file_), original_);
}

}  // namespace
}  // namespace vantel::host
