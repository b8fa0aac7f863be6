// The page of `vantel-host serve` as a user of either language meets it, and as axe-core (the
// accessibility engine, pinned in tests/axe/package-lock.json) judges it: the machine view,
// the plug-in's windows drawn in it, and the page once the server has ended.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "browser_session.h"
#include "findings.h"
#include "serve_client.h"
#include "support/temp_dir.h"
#include "words.h"

namespace vantel::host {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using browser::Browser;
using browser::Driver;

// A coherent two-rail machine, made to have a note: its first rail map's scale references
// (engine table words 26-29) cleared, which the plug-in reports as rail 2's. And a machine the
// plug-in finds incoherent, whose report comes up at its open.
constexpr const char* kTwoRails = "v8-two-rails.json";
constexpr const char* kIncoherent = "incoherent-five-cylinders.json";
constexpr size_t kFirstRailMapScaleWord = 26;
constexpr size_t kScaleReferenceWords = 4;

// What axe may find in the plug-in's dialogs while their structure (groups, radio groups,
// names, focus) is reworked elsewhere: reported, not failed on. Nothing of it is allowed in
// the machine view, the message boxes or the report window.
const std::set<std::string> kLeftToTheDialogsStructure = {};

struct Language {
  const char* name;
  const char* option;
  HostLanguage words;
};

constexpr Language kLanguages[] = {
    {"English", "en", HostLanguage::kEnglish},
    {"French", "fr", HostLanguage::kFrench},
};

void PrintTo(const Language& language, std::ostream* out) { *out << language.name; }

json ReadJson(const fs::path& file) {
  std::ifstream in(file);
  return json::parse(in);
}

const json* ItemOf(const json& kalbrix, const std::function<bool(const json&)>& match) {
  for (const auto& item : kalbrix.at("items"))
    if (match(item)) return &item;
  return nullptr;
}

// The maps each rail button edits, read from the file as the plug-in reads it: the rail map
// list the descriptor's element 11 names, its first map for rail 2, its second for rail 1.
json RailMapsOf(const fs::path& file) {
  const json kalbrix = ReadJson(file);
  const json* descriptor = ItemOf(
      kalbrix, [&](const json& item) { return item.at("name") == kalbrix.at("descriptor"); });
  const json* list = ItemOf(kalbrix, [&](const json& item) {
    return item.value("id", -1) == descriptor->at("longs")[11];
  });
  const auto named = [&](size_t map) {
    const json* item = ItemOf(
        kalbrix, [&](const json& i) { return i.value("id", -1) == list->at("longs")[map + 1]; });
    return item->at("name");
  };
  return {{"rail1", named(1)}, {"rail2", named(0)}};
}

// Runs axe-core in the page. Its script goes in as the WebDriver script itself, so that no
// page policy on scripts stands in its way.
class AxeRun {
 public:
  AxeRun() : source_(test::ReadFile(VANTEL_AXE_JS)) {}
  bool present() const { return !source_.empty(); }

  /// The full results on the page as it is now, kept as `name`.json beside the screenshots.
  json Run(Browser& browser, const std::string& name) {
    if (!browser.Run("return typeof window.axe === 'object';").get<bool>())
      browser.Run(source_ + "\n;window.axe = axe; return true;");
    const json results =
        json::parse(browser
                        .RunAsync("const done = arguments[arguments.length - 1];"
                                  "axe.run(document).then("
                                  "  (r) => done(JSON.stringify(r)),"
                                  "  (e) => done(JSON.stringify({error: String(e)})));",
                                  json::array(), 120s)
                        .get<std::string>());
    const fs::path file = fs::path(VANTEL_SCREENSHOT_DIR) / "axe" / (name + ".json");
    fs::create_directories(file.parent_path());
    std::ofstream(file) << results.dump(1);
    return results;
  }

 private:
  std::string source_;
};

/// "rule (impact): target, target" for each serious or critical violation, split by whether a
/// dialog's own structure may still excuse it.
struct Violations {
  std::vector<std::string> failing;
  std::vector<std::string> excused;
};

Violations Serious(const json& results, bool dialog) {
  Violations out;
  EXPECT_FALSE(results.contains("error")) << results.dump();
  for (const auto& violation : results.value("violations", json::array())) {
    const std::string impact = violation.value("impact", "");
    if (impact != "serious" && impact != "critical") continue;
    const std::string id = violation.at("id");
    std::string line = id + " (" + impact + "):";
    for (const auto& node : violation.at("nodes")) line += " " + node.at("target").dump();
    (dialog && kLeftToTheDialogsStructure.count(id) ? out.excused : out.failing).push_back(line);
  }
  return out;
}

/// The buttons of the top window whose text does not fit them: wrapped onto a line the
/// button has no room for, or cut at its side.
constexpr const char* kClippedButtons = R"js(
  const windows = document.querySelectorAll('dialog.window');
  const top = windows[windows.length - 1];
  return [...top.querySelectorAll('.client button')]
    .filter((b) => !b.closest('[hidden]'))
    .filter((b) => b.scrollWidth > b.clientWidth + 1 || b.scrollHeight > b.clientHeight + 1)
    .map((b) => `${b.textContent}: ${b.scrollWidth}x${b.scrollHeight} in ${b.clientWidth}x${b.clientHeight}`);)js";

class ServeA11yBrowserTest : public browser::BrowserSuite<::testing::TestWithParam<Language>> {
 protected:
  void SetUp() override {
    if (!axe_.present())
      GTEST_SKIP() << "axe-core is not installed at " << VANTEL_AXE_JS
                   << ": run .ci/deps --tests (npm ci in tools/vantel-host/tests/axe)";
    StartDriver();
  }

  fs::path Copy(const std::string& example) {
    const fs::path to = folder_ / example;
    fs::copy_file(fs::path(VANTEL_SOURCE_DIR) / "examples" / example, to);
    return to;
  }

  /// axe on the page as it is now: no serious or critical violation outside what a dialog's
  /// own structure may excuse, which is printed for the record.
  void Check(Browser& browser, const std::string& view, bool dialog) {
    const std::string name = std::string("serve-") + view + "-" + GetParam().option;
    browser.Screenshot(fs::path(VANTEL_SCREENSHOT_DIR) / "axe" / (name + ".png"));
    const Violations found = Serious(axe_.Run(browser, name), dialog);
    for (const std::string& line : found.failing) ADD_FAILURE() << view << ": " << line;
    for (const std::string& line : found.excused)
      std::printf("[ left to the dialogs ] %s: %s\n", view.c_str(), line.c_str());
  }

  std::string Word(HostWord word) const { return std::string(In(word, GetParam().words)); }

  /// The verdict as the page says it: a coherent machine counts its report rows as notes.
  std::string VerdictSaid(const json& machine) const {
    static const std::pair<const char*, HostWord> kVerdicts[] = {
        {"coherent", HostWord::kVerdictCoherent},
        {"not coherent", HostWord::kVerdictNotCoherent},
        {"rejected", HostWord::kPageVerdictRejected},
        {"not checked", HostWord::kVerdictNotChecked}};
    std::string verdict = machine.at("verdict");
    for (const auto& [name, word] : kVerdicts)
      if (verdict == name) verdict = Word(word);
    const size_t notes = machine.at("verdict") == "coherent" ? machine.at("report").size() : 0;
    if (notes == 0) return verdict;
    return notes == 1
               ? Say(HostWord::kPageOneNote, GetParam().words, {verdict})
               : Say(HostWord::kPageNotes, GetParam().words, {verdict, std::to_string(notes)});
  }

  static void Show(Browser& browser, const json& machine) {
    browser.Click("#machines a[href='#m" + std::to_string(machine.at("machine").get<int>()) + "']");
    browser.WaitFor("return document.querySelector('#machine h2').textContent === arguments[0];",
                    json::array({machine.at("name")}));
  }

  test::TempDir temp_;
  const fs::path folder_ = temp_.path();
  AxeRun axe_;
};

TEST_P(ServeA11yBrowserTest, ThePageSpeaksItsLanguageNamesWhatItEditsAndPassesAxe) {
  const Language& language = GetParam();
  const fs::path coherentFile = Copy(kTwoRails);
  json twoRails = ReadJson(coherentFile);
  for (json& item : twoRails.at("items"))
    if (item.at("name") == "TAB_CNFENG_0")
      for (size_t word = 0; word < kScaleReferenceWords; ++word)
        item.at("words").at(kFirstRailMapScaleWord + word) = 0;
  std::ofstream(coherentFile) << twoRails.dump(2);
  const fs::path incoherentFile = Copy(kIncoherent);
  ServedHost server(VANTEL_HOST_PATH,
                    {coherentFile.filename().string(), incoherentFile.filename().string(), "--port",
                     "0", "--language", language.option},
                    folder_.string());
  Browser browser(driver_->port());
  browser.Go(server.Address());
  browser.WaitFor("return document.querySelectorAll('#machines a').length === 2;");
  const json state = server.State();
  const json& coherent = state.at("machines").at(0);
  const json& incoherent = state.at("machines").at(1);
  ASSERT_EQ(coherent.at("verdict"), "coherent");
  ASSERT_EQ(coherent.at("report").size(), 1u) << "the example lost its rail map note";
  ASSERT_NE(incoherent.at("verdict"), "coherent");

  // The list says each verdict in words, not by its colour alone.
  for (const json& machine : state.at("machines")) {
    const std::string link = browser.Text("#machines a[href='#m" +
                                          std::to_string(machine.at("machine").get<int>()) + "']");
    EXPECT_NE(link.find(VerdictSaid(machine)), std::string::npos) << link;
    const std::string name = browser.Label("#machines a[href='#m" +
                                           std::to_string(machine.at("machine").get<int>()) + "']");
    EXPECT_NE(name.find(VerdictSaid(machine)), std::string::npos) << name;
  }

  // The incoherent machine: its report window is up from its open; every finding is in the
  // host's language, under its row and in the report window alike.
  Show(browser, incoherent);
  browser.WaitFor("return document.querySelector('.report-window .report-row');");
  browser.Settle();
  Check(browser, "report-window", false);
  json expected = json::array();
  size_t translated = 0;
  for (const json& row : incoherent.at("report")) {
    for (const json& finding : row.at("findings")) {
      const std::string said = FindingInWords(Json::parse(finding.dump()), language.words);
      expected.push_back(said);
      translated += said != FindingInWords(Json::parse(finding.dump()), HostLanguage::kEnglish);
    }
  }
  ASSERT_FALSE(expected.empty());
  if (language.words == HostLanguage::kFrench) {
    EXPECT_GT(translated, 0u) << "the findings stayed English";
  }
  EXPECT_EQ(browser.Run("return [...document.querySelectorAll('.findings .finding')]"
                        ".map((f) => f.textContent);"),
            expected);
  EXPECT_EQ(browser.Run("return [...document.querySelectorAll('.report-findings li')]"
                        ".map((f) => f.textContent);"),
            expected);
  browser.Click(".report-window .close-box");
  browser.WaitFor("return !document.querySelector('.report-window');");
  Check(browser, "machine-incoherent", false);

  // The coherent machine: its note is counted in the verdict and marked in the report, and
  // each rail button names the map it edits.
  Show(browser, coherent);
  EXPECT_EQ(browser.Text("#machine .verdict"), VerdictSaid(coherent));
  EXPECT_EQ(browser.Run("return document.querySelectorAll('.report > li.note').length;"), 1);
  const json maps = RailMapsOf(coherentFile);
  EXPECT_EQ(coherent.at("railMaps"), maps);
  for (const auto& [action, map] : maps.items()) {
    const std::string text = browser.Text("[data-action=" + action + "]");
    EXPECT_NE(text.find(Word(action == "rail1" ? HostWord::kPageRail1 : HostWord::kPageRail2)),
              std::string::npos);
    EXPECT_NE(text.find(map.get<std::string>()), std::string::npos) << text;
  }
  // Its note made the plug-in show the report: closed, the machine is seen whole.
  if (browser.Run("return !!document.querySelector('.report-window');").get<bool>()) {
    browser.Click(".report-window .close-box");
    browser.WaitFor("return !document.querySelector('.report-window');");
  }
  Check(browser, "machine-coherent", false);

  // The edit dialog, each of its pages.
  browser.Click("[data-action=edit]");
  browser.WaitFor("return document.querySelector('dialog.window [role=tab]');");
  browser.Settle();
  const int tabs = browser.Run("return document.querySelectorAll('[role=tab]').length;");
  ASSERT_GT(tabs, 1);
  for (int tab = 0; tab < tabs; ++tab) {
    const std::string css = "[role=tab][data-index='" + std::to_string(tab) + "']";
    browser.Click(css);
    browser.WaitFor("return document.querySelector(arguments[0]).ariaSelected === 'true';",
                    json::array({css}));
    browser.Settle();
    Check(browser, "edit-tab" + std::to_string(tab), true);
    EXPECT_EQ(browser.Run(kClippedButtons), json::array()) << "page " << tab;
  }

  // A second Edit while the dialog is up: the plug-in's message box says an action runs.
  browser.Run("document.querySelector('[data-action=edit]').click();");
  browser.WaitFor("return document.querySelector('dialog.message-box');");
  browser.Settle();
  Check(browser, "message-box", false);
  browser.Click("dialog.message-box button[data-id='1']");
  browser.WaitFor("return !document.querySelector('dialog.message-box');");
  browser.Settle();
  browser.Run(
      "document.querySelector('dialog.window').dispatchEvent("
      "new KeyboardEvent('keydown', {key: 'Escape', bubbles: true}));");
  browser.WaitFor("return !document.querySelector('dialog.window');");
  browser.Settle();

  // The map scale dialog of rail 1.
  browser.Click("[data-action=rail1]");
  browser.WaitFor("return document.querySelector('dialog.window');");
  browser.Settle();
  Check(browser, "map-scale", true);

  // The server ends under the dialog: the page takes the dialog down and says so, in its
  // language, and nothing after speaks over it.
  EXPECT_EQ(server.Stop(), 0) << server.Rest();
  browser.WaitFor("return !document.querySelector('dialog.window');");
  // A server already gone is told from one that does not answer by a few refusals in a row;
  // its windows may have gone with its last state, before the page knew it had ended.
  const std::string ended = Word(HostWord::kPageEnded);
  const std::set<std::string> endings = {ended, Word(HostWord::kPageEndedWindows)};
  const std::string said = browser.WaitForText("#alert", ended.substr(0, ended.size() - 1));
  EXPECT_TRUE(endings.count(said)) << said;
  EXPECT_EQ(browser.Run("return document.documentElement.lang;"), language.option);
  browser.Run("document.querySelector('[data-action=check]').click();");
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(browser.Text("#alert"), said);
  EXPECT_EQ(browser.Run("return [...document.querySelectorAll('#toolbar button')]"
                        ".every((b) => b.disabled);"),
            true);
}

INSTANTIATE_TEST_SUITE_P(Languages, ServeA11yBrowserTest, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantel::host
