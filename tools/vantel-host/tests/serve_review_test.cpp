// What a save of `vantel-host serve` will write, asked before it writes: the list of changes,
// the file's text as it would be written, and Revert, which opens the file again.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host_run.h"
#include "kalbrix.h"
#include "serve_client.h"
#include "vantel/ui_controls.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr uint32_t kInline4 = 12;
const std::string kFile = "inline4-60-2-sequential.json";

class ServeReviewTest : public HostRunTest {
 protected:
  void SetUp() override {
    HostRunTest::SetUp();
    fs::copy_file(Example(kFile), dir_ / kFile);
    host_ = std::make_unique<ServedHost>(VANTEL_HOST_PATH, std::vector<std::string>{kFile},
                                         dir_.string());
  }

  std::pair<int, std::string> Get(const std::string& path) const {
    httplib::Client client = host_->Client();
    const auto answer = client.Get(path.c_str());
    if (!answer) return {0, ""};
    return {answer->status, answer->body};
  }

  Json Review() const {
    const auto [status, body] = Get("/api/machines/12/review");
    EXPECT_EQ(status, 200) << body;
    return Json::parse(body);
  }

  /// The edit dialog with 34 teeth chosen on the Engine page, then OK.
  void EditTeeth() const {
    const auto [status, body] = host_->Post("/api/machines/12/edit");
    ASSERT_EQ(status, 200) << body;
    const Json dialog = Json::parse(body).at("windows").at(0);
    const auto teeth = ServedHost::ControlWithId(dialog, VANTEL_IDC_FLYWHEEL_TEETH);
    ASSERT_TRUE(teeth);
    const Json& items = teeth->at("items");
    const auto wanted = std::find(items.begin(), items.end(), "34");
    ASSERT_NE(wanted, items.end());
    const uint32_t window = dialog.at("handle");
    ASSERT_EQ(host_
                  ->Event(window, {{"control", teeth->at("handle")},
                                   {"action", "choose"},
                                   {"index", wanted - items.begin()}})
                  .first,
              200);
    ASSERT_EQ(host_->Event(window, {{"action", "ok"}}).first, 200);
  }

  std::unique_ptr<ServedHost> host_;
};

TEST_F(ServeReviewTest, TheListIsWhatTheSaveWritesAndTheDownloadIsTheFileItWrites) {
  const std::string before = ReadFile(dir_ / kFile);
  EXPECT_TRUE(Review().at("changes").empty()) << "nothing to write before any edit";
  EditTeeth();

  const Json review = Review();
  EXPECT_EQ(review.at("machine"), kInline4);
  std::set<std::string> keys, items;
  for (const Json& change : review.at("changes")) {
    EXPECT_TRUE(keys.insert(change.at("key").get<std::string>()).second) << change;
    for (const Json& item : change.at("items")) items.insert(item.get<std::string>());
  }
  EXPECT_TRUE(keys.count("flywheel")) << review;
  EXPECT_TRUE(keys.count("flywheel-tables")) << review;

  // The download is the file as the save writes it, and writes nothing.
  const auto [status, download] = Get("/api/machines/12/download");
  ASSERT_EQ(status, 200) << download;
  EXPECT_EQ(ReadFile(dir_ / kFile), before) << "the download wrote the file";
  const Kalbrix was = LoadKalbrix((dir_ / kFile).string());
  Write("download.json", download);
  const Kalbrix offered = LoadKalbrix((dir_ / "download.json").string());
  std::set<std::string> differ;
  for (const auto& [name, item] : offered.items)
    if (was.Find(name)->value != item.value) differ.insert(name);
  EXPECT_EQ(differ, items) << "the list names exactly what the download changes";

  ASSERT_EQ(host_->Post("/api/machines/12/save").first, 200);
  EXPECT_EQ(ReadFile(dir_ / kFile), download);
  EXPECT_TRUE(Review().at("changes").empty()) << "all written";
  EXPECT_EQ(host_->Stop(), 0);
}

TEST_F(ServeReviewTest, RevertOpensTheFileAgainAndForgetsTheEdit) {
  const std::string before = ReadFile(dir_ / kFile);
  EditTeeth();
  ASSERT_FALSE(Review().at("changes").empty());
  const auto [status, body] = host_->Post("/api/machines/12/revert");
  ASSERT_EQ(status, 200) << body;
  const Json state = Json::parse(body);
  const Json& machine = ServedHost::MachineOf(state, kInline4);
  EXPECT_TRUE(machine.at("opened").get<bool>());
  EXPECT_EQ(machine.at("verdict"), "coherent");
  EXPECT_TRUE(Review().at("changes").empty());
  // The examples are in the host's own layout: nothing to write is the file's own bytes.
  EXPECT_EQ(Get("/api/machines/12/download"), std::make_pair(200, before));
  ASSERT_EQ(host_->Post("/api/machines/12/save").first, 200);
  EXPECT_EQ(ReadFile(dir_ / kFile), before) << "a save after the revert writes nothing";

  // A file that no longer holds the machine is refused, and the machine stays as it was.
  Write(kFile, "{\"items\": [");
  const auto [refused, why] = host_->Post("/api/machines/12/revert");
  EXPECT_EQ(refused, 409);
  EXPECT_NE(why.find(kFile), std::string::npos) << why;
  EXPECT_TRUE(ServedHost::MachineOf(host_->State(), kInline4).at("opened").get<bool>());
  // Neither question is asked of a machine that is not served.
  EXPECT_EQ(Get("/api/machines/99/review").first, 404);
  EXPECT_EQ(Get("/api/machines/99/download").first, 404);
  // Nor by a page without the token.
  httplib::Client bare("127.0.0.1", host_->port());
  for (const char* path : {"/api/machines/12/review", "/api/machines/12/download"})
    EXPECT_EQ(bare.Get(path)->status, 403) << path;
  EXPECT_EQ(bare.Post("/api/machines/12/revert", "", "application/json")->status, 403);
  EXPECT_EQ(host_->Stop(), 0);
}

}  // namespace
}  // namespace vantel::host
