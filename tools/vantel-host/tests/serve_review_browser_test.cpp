// The page's Save in a real browser: the list of what it will write first, in a modal window
// that keeps the keyboard; Cancel writes nothing, Save writes exactly what the list names;
// Revert brings back the file's values.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "browser_session.h"
#include "kalbrix.h"
#include "serve_client.h"
#include "support/temp_dir.h"

namespace vantel::host {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using browser::Browser;

class ServeReviewBrowserTest : public browser::BrowserSuite<::testing::Test> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.empty());
    StartDriver();
  }

  /// The edit dialog with `cylinders` cylinders (the list's entry of that rank), then OK
  /// (Enter).
  static void EditCylinders(Browser& browser, int cylinders) {
    browser.Click("[data-action=edit]");
    browser.WaitFor("return document.querySelector('dialog.window select[data-id=\"1163\"]');");
    browser.Click("select[data-id='1163'] option:nth-child(" + std::to_string(cylinders) + ")");
    browser.Settle();
    browser.Keys("input[data-id='1190']", "\uE007");
    browser.WaitFor("return !document.querySelector('dialog.window');");
    browser.Settle();
  }

  static std::set<std::string> Differ(const fs::path& a, const fs::path& b) {
    const Kalbrix before = LoadKalbrix(a.string());
    const Kalbrix after = LoadKalbrix(b.string());
    std::set<std::string> names;
    for (const auto& [name, item] : after.items)
      if (before.Find(name)->value != item.value) names.insert(name);
    return names;
  }

  test::TempDir temp_;
  const fs::path folder_ = temp_.path();
};

constexpr const char* kFocusInside =
    "return !!document.activeElement.closest('#review[role=dialog][aria-modal=true]');";

TEST_F(ServeReviewBrowserTest, SaveShowsTheListCancelWritesNothingSaveWritesItRevertUndoes) {
  const std::string name = "inline4-60-2-sequential.json";
  fs::copy_file(fs::path(VANTEL_SOURCE_DIR) / "examples" / name, folder_ / name);
  fs::copy_file(folder_ / name, folder_ / "as-read.json");
  const std::string before = test::ReadFile(folder_ / name);
  ServedHost server(VANTEL_HOST_PATH, {name, "--port", "0"}, folder_.string());
  Browser browser(driver_->port());
  browser.Go(server.Address());
  EditCylinders(browser, 6);

  // The list: the changes the edit made, named in words, the keyboard kept inside.
  browser.Click("[data-action=save]");
  browser.WaitFor("return document.querySelector('#review tr[data-key=cylinders]');");
  const json keys = browser.Run(
      "return [...document.querySelectorAll('#review tr[data-key]')].map(r => r.dataset.key);");
  EXPECT_GT(keys.size(), 1u) << keys;
  EXPECT_EQ(browser.Run(kFocusInside), true);
  for (int i = 0; i < 4; ++i) {
    browser.Press("\uE004");  // Tab
    EXPECT_EQ(browser.Run(kFocusInside), true) << "Tab " << i << " left the window";
  }
  browser.Click("[data-review=cancel]");
  browser.WaitFor("return !document.querySelector('#review');");
  EXPECT_EQ(browser.Run("return document.activeElement.dataset.action;"), "save");
  browser.Settle();
  EXPECT_EQ(test::ReadFile(folder_ / name), before) << "Cancel wrote the file";

  // Save: what it writes is what the list named.
  const json review = json::parse(server.Client().Get("/api/machines/12/review")->body);
  std::set<std::string> listed;
  for (const json& change : review.at("changes"))
    for (const json& item : change.at("items")) listed.insert(item.get<std::string>());
  browser.Click("[data-action=save]");
  browser.Click("[data-review=save]");
  browser.WaitForText(".saved", "^written back: [1-9]");
  EXPECT_EQ(Differ(folder_ / "as-read.json", folder_ / name), listed);
  EXPECT_EQ(browser.Run("return document.activeElement.dataset.action;"), "save");

  // Another edit, then Revert: the file's values again, nothing left to save.
  const std::string saved = test::ReadFile(folder_ / name);
  EditCylinders(browser, 4);
  browser.WaitFor("return document.querySelector('#machines a[data-unsaved]');");
  browser.Click("[data-action=revert]");
  browser.WaitFor("return !document.querySelector('#machines a[data-unsaved]');");
  EXPECT_TRUE(
      json::parse(server.Client().Get("/api/machines/12/review")->body).at("changes").empty());
  EXPECT_EQ(test::ReadFile(folder_ / name), saved);
  EXPECT_EQ(server.State().at("machines").at(0).at("verdict"), "coherent");
  EXPECT_EQ(server.Stop(), 0) << server.Rest();
}

}  // namespace
}  // namespace vantel::host
