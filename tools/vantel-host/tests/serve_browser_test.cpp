// `vantel-host serve` and its page in a real browser: Debian's chromium, headless, driven
// through chromedriver's WebDriver HTTP API, against the server run on a copy of an example
// as a user runs it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "browser_session.h"
#include "serve_client.h"
#include "support/temp_dir.h"
#include "words.h"

extern char** environ;

namespace vantel::host {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using browser::Browser;
using browser::Driver;
using browser::kChromeDriver;
using browser::kChromium;
using browser::kPatience;

fs::path Example(const std::string& name) {
  return fs::path(VANTEL_SOURCE_DIR) / "examples" / name;
}

/// What the top window's form controls show, by handle, as the page drew them.
constexpr const char* kShownControls = R"js(
  const windows = document.querySelectorAll('dialog.window');
  const top = windows[windows.length - 1];
  const shown = {};
  for (const e of top.querySelectorAll('input[data-handle], select[data-handle], button[data-handle]')) {
    const choice = e.type === 'checkbox' || e.type === 'radio';
    shown[e.dataset.handle] = {
      visible: !e.closest('[hidden]'), enabled: !e.disabled,
      checked: choice ? e.checked : null,
      selection: e.tagName === 'SELECT' ? e.selectedIndex : null,
      text: e.type === 'text' ? e.value : null,
    };
  }
  return shown;)js";

/// The same, as the server's state holds it for its top window: visible only within a
/// visible page.
void HeldControls(const json& controls, bool shown, json* held) {
  for (const auto& control : controls) {
    const bool visible = shown && control.at("visible").get<bool>();
    const std::string kind = control.at("kind");
    if (kind == "dialog") {
      HeldControls(control.at("controls"), visible, held);
      continue;
    }
    const bool choice = kind == "check box" || kind == "radio button";
    const bool form = choice || kind == "combo box" || kind == "edit" || kind == "push button" ||
                      kind == "default button";
    if (!form) continue;
    (*held)[std::to_string(control.at("handle").get<uint32_t>())] = {
        {"visible", visible},
        {"enabled", control.at("enabled")},
        {"checked", choice ? control.at("checked") : json()},
        {"selection", kind == "combo box" ? control.at("selection") : json()},
        {"text", kind == "edit" ? control.at("text") : json()}};
  }
}

json ItemWords(const fs::path& file, const std::string& name) {
  const json kalbrix = json::parse(test::ReadFile(file));
  for (const auto& item : kalbrix.at("items")) {
    if (item.at("name") == name) return item.at("words");
  }
  throw std::runtime_error("no item " + name + " in " + file.string());
}

class ServeBrowserTest : public browser::BrowserSuite<::testing::Test> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.empty());
    StartDriver();
  }

  fs::path Copy(const std::string& example) {
    fs::copy_file(Example(example), folder_ / example);
    return folder_ / example;
  }

  /// The arguments of `vantel-host serve` on the test's copies `files`.
  static std::vector<std::string> ServeArguments(const std::vector<fs::path>& files,
                                                 const std::string& language) {
    std::vector<std::string> args;
    for (const fs::path& file : files) args.push_back(file.filename());
    for (const char* option : {"--port", "0", "--language"}) args.push_back(option);
    args.push_back(language);
    return args;
  }

  static fs::path Screenshots() { return fs::path(VANTEL_SCREENSHOT_DIR); }

  /// Every form control of the top window shows what the plug-in holds, and no other is drawn.
  static void ExpectPageShowsTopWindow(Browser& browser, const ServedHost& server) {
    json held = json::object();
    HeldControls(server.State().at("windows").back().at("controls"), true, &held);
    const json shown = browser.Run(kShownControls);
    EXPECT_EQ(shown.size(), held.size());
    for (const auto& [handle, control] : held.items()) {
      EXPECT_EQ(shown.value(handle, json()), control) << "control " << handle;
    }
  }

  test::TempDir temp_;
  const fs::path folder_ = temp_.path();
};

/// The page's own words and the plug-in's, per language.
struct Language {
  const char* name;
  const char* option;
  const char* edit;
  const char* coherent;
  const char* cylindersLabel;
  const char* firstTab;
  const char* helpStart;
  bool okByButton;    // scrolled to and clicked, else Enter in the edit just typed in
  const char* saved;  // the host's words for a save that wrote the file
  HostLanguage words;
};

constexpr Language kLanguages[] = {
    {"English", "en", "Edit", "coherent", "Engine cylinders number", "Engine", "Flywheel target",
     false, "^written back: [0-9]+ item\\(s\\) to ", HostLanguage::kEnglish},
    {"French", "fr", "Modifier", "cohérente", "Nombre de cylindres du moteur", "Moteur", "Cible",
     true, "^[0-9]+ élément\\(s\\) écrit\\(s\\) dans ", HostLanguage::kFrench},
};

// Failures name the language, not the bytes of the case.
void PrintTo(const Language& language, std::ostream* out) { *out << language.name; }

class ServeBrowserEditTest : public ServeBrowserTest,
                             public ::testing::WithParamInterface<Language> {};

constexpr int kCylindersWord = 6;   // of TAB_CNFENG_0
constexpr int kSyncMinRpmWord = 3;  // of TAB_CNFSYN1_0

// Edit in the page, with the controls the plug-in's dialog has, as a user does: the cylinder
// count and the flywheel chosen from their lists, a speed typed, OK by Enter or by its button
// once scrolled to; then Save, and the file holds it all.
TEST_P(ServeBrowserEditTest, AnEditMadeInThePageIsSentThenSavedToTheFile) {
  const Language& language = GetParam();
  const fs::path inline4 = Copy("inline4-60-2-sequential.json");
  const fs::path five = Copy("incoherent-five-cylinders.json");
  const json engineBefore = ItemWords(inline4, "TAB_CNFENG_0");
  const json flywheelBefore = ItemWords(inline4, "TAB_CNFANG_0");
  ASSERT_EQ(engineBefore.at(kCylindersWord), 4);
  ServedHost server(VANTEL_HOST_PATH, ServeArguments({inline4, five}, language.option),
                    folder_.string());
  Browser browser(driver_->port());
  browser.Go(server.Address());
  browser.WaitFor("return document.querySelectorAll('#machines a').length === 2;");
  const json state = server.State();
  const json& incoherent = state.at("machines").at(1);
  ASSERT_FALSE(incoherent.at("report").empty());

  // The incoherent machine's report: every row as the server holds it, in order.
  browser.Click("#machines a[href='#m" + std::to_string(incoherent.at("machine").get<int>()) +
                "']");
  browser.WaitForText("#machine h2", incoherent.at("name"));
  EXPECT_EQ(browser.Run("return document.documentElement.lang;"), language.option);
  const json rows = browser.Run(
      "return [...document.querySelectorAll('.report > li > .row')].map(r => r.textContent);");
  json expected = json::array();
  for (const auto& row : incoherent.at("report")) expected.push_back(row.at("text"));
  EXPECT_EQ(rows, expected);
  EXPECT_EQ(browser.Run("return document.querySelectorAll('.findings li').length;"), [&] {
    size_t findings = 0;
    for (const auto& row : incoherent.at("report")) findings += row.at("findings").size();
    return findings;
  }());

  // The inline four, through the list of machines.
  const json& machine = state.at("machines").at(0);
  browser.Click("#machines a[href='#m" + std::to_string(machine.at("machine").get<int>()) + "']");
  browser.WaitForText("#machine .verdict", std::string("^") + language.coherent + "$");
  const std::string wheelBefore = browser.WaitFor(
      "const f = document.querySelector('.wheel'); return f.querySelector('svg') && "
      "f.dataset.version;");
  ASSERT_EQ(browser.Text("[data-action=edit]"), language.edit);
  browser.Screenshot(Screenshots() / (std::string("serve-page-") + language.option + ".png"));

  browser.Click("[data-action=edit]");
  browser.WaitFor("return document.querySelector('dialog.window select[data-id=\"1163\"]');");
  EXPECT_EQ(browser.Label("select[data-id='1163']"), language.cylindersLabel);
  EXPECT_EQ(browser.Role("select[data-id='1163']"), "combobox");
  EXPECT_EQ(browser.Text("[role=tab][aria-selected=true]"), language.firstTab);
  ExpectPageShowsTopWindow(browser, server);
  browser.Screenshot(Screenshots() / (std::string("serve-edit-") + language.option + ".png"),
                     "dialog.window");

  browser.Click("select[data-id='1163'] option:nth-child(6)");  // "06"
  browser.Settle();
  EXPECT_EQ(browser.Run("return document.activeElement.dataset.id;"), "1163")
      << "the redraw took the focus from the list just used";
  browser.Click("select[data-id='1060'] option:nth-child(27)");  // "34" teeth
  browser.Settle();
  EXPECT_EQ(browser.Run("const s = document.querySelector('select[data-id=\"1060\"]');"
                        "return s.options[s.selectedIndex].text;"),
            "34");

  ExpectPageShowsTopWindow(browser, server);
  browser.Screenshot(Screenshots() / (std::string("serve-editing-") + language.option + ".png"));

  browser.Keys("select[data-id='1060']", "\uE031");
  EXPECT_EQ(browser.WaitForText(".help-popup:not([hidden])", ".").rfind(language.helpStart, 0), 0u);
  browser.Keys("select[data-id='1060']", "\uE00C");  // Escape closes the pop-up only
  browser.WaitFor("return document.querySelector('.help-popup').hidden;");
  ASSERT_TRUE(browser.Run("return !!document.querySelector('dialog.window');"));

  // Another page of the dialog, then back: each shows its own controls only.
  browser.Click("[role=tab][data-index='2']");
  browser.WaitFor(
      "return document.querySelector('[role=tab][data-index=\"2\"]').ariaSelected === 'true';");
  browser.Settle();
  ExpectPageShowsTopWindow(browser, server);
  browser.Click("[role=tab][data-index='0']");
  browser.WaitFor(
      "return document.querySelector('[role=tab][data-index=\"0\"]').ariaSelected === 'true';");
  browser.Settle();

  if (language.okByButton) {
    // OK lies below what the dialog shows: its scroll bar brings it up.
    browser.Keys("input[data-id='1190']",
                 "\uE009a\uE000"
                 "250\uE004");
    browser.Keys(".scroll-bar", "\uE010");
    browser.Settle();
    const json window = server.State().at("windows").back();
    EXPECT_EQ(window.at("scroll").at(3),
              window.at("scroll").at(1).get<int>() - window.at("scroll").at(2).get<int>() + 1);
    browser.Click("button[data-id='1']");
  } else {
    browser.Keys("input[data-id='1190']",
                 "\uE009a\uE000"
                 "250\uE007");
  }
  browser.WaitFor("return !document.querySelector('dialog.window');");
  browser.Settle();

  browser.WaitForText(".log", "send TAB_CNFENG_0");
  EXPECT_EQ(browser.Text("#machine .verdict"), language.coherent);
  for (const char* sent : {"TAB_CNFSYN1_0", "TAB_CNFANG_0", "TAB_CNFENG_0"}) {
    EXPECT_EQ(browser.Run("return [...document.querySelectorAll('.log li.send')]"
                          ".some(l => l.textContent.startsWith('send ' + arguments[0]));",
                          {sent}),
              true)
        << sent;
  }
  EXPECT_NE(browser.Text(".tables").find("TAB_CNFENG_0"), std::string::npos);
  browser.WaitFor(
      "const f = document.querySelector('.wheel');"
      "return f.querySelector('svg') && f.dataset.version !== arguments[0];",
      {wheelBefore});

  browser.Click("[data-action=save]");
  browser.Click("[data-review=save]");  // the list of what Save will write, confirmed
  browser.WaitForText(".saved", language.saved);
  browser.Screenshot(Screenshots() / (std::string("serve-saved-") + language.option + ".png"));
  const json engineAfter = ItemWords(inline4, "TAB_CNFENG_0");
  EXPECT_EQ(engineAfter.at(kCylindersWord), 6);
  EXPECT_NE(ItemWords(inline4, "TAB_CNFANG_0"), flywheelBefore);
  EXPECT_EQ(ItemWords(inline4, "TAB_CNFSYN1_0").at(kSyncMinRpmWord), 250);
  EXPECT_EQ(server.Stop(), 0) << server.Rest();
}

// A user not looking at the list hears a verdict that changes: an edit that makes an
// incoherent machine coherent (seven cylinders, which the ECU cannot manage, made four) puts
// the new verdict, in the page's language, in the live region; the first state said nothing.
TEST_P(ServeBrowserEditTest, AnEditThatChangesTheVerdictIsReadOutInTheLiveRegion) {
  const Language& language = GetParam();
  const fs::path seven = folder_ / "seven.json";
  json kalbrix = json::parse(test::ReadFile(Example("inline4-60-2-sequential.json")));
  for (json& item : kalbrix.at("items"))
    if (item.at("name") == "TAB_CNFENG_0") item.at("words").at(kCylindersWord) = 7;
  std::ofstream(seven) << kalbrix.dump(2);
  ServedHost server(VANTEL_HOST_PATH, ServeArguments({seven}, language.option), folder_.string());
  const json machine = server.State().at("machines").at(0);
  ASSERT_EQ(machine.at("verdict"), "not coherent");
  Browser browser(driver_->port());
  browser.Go(server.Address());
  browser.WaitForText("[data-action=edit]", language.edit);
  EXPECT_EQ(browser.Role("#verdict-news"), "status");
  EXPECT_EQ(browser.Text("#verdict-news"), "");

  browser.Click("[data-action=edit]");
  browser.WaitFor("return document.querySelector('dialog.window select[data-id=\"1163\"]');");
  browser.Click("select[data-id='1163'] option:nth-child(4)");  // "04"
  browser.Settle();
  browser.Keys("select[data-id='1163']", "\uE007");  // OK
  browser.WaitFor("return !document.querySelector('dialog.window');");
  // The machine's number and name, then the verdict in the page's words.
  const std::string news = Say(HostWord::kPageVerdictNews, language.words,
                               {std::to_string(machine.at("machine").get<int>()) + " · " +
                                    machine.at("name").get<std::string>(),
                                Say(HostWord::kVerdictCoherent, language.words)});
  browser.WaitFor("return document.querySelector('#verdict-news').textContent === arguments[0];",
                  {news});
  EXPECT_EQ(server.State().at("machines").at(0).at("verdict"), "coherent");
  EXPECT_EQ(server.Stop(), 0) << server.Rest();
}

INSTANTIATE_TEST_SUITE_P(Languages, ServeBrowserEditTest, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) { return std::string(info.param.name); });

// Two tabs on one machine: the dialog the first opened is the plug-in's, so the second tab's
// Edit is the plug-in's to refuse, with its own message box drawn in that tab.
TEST_F(ServeBrowserTest, ASecondTabsEditWhileTheFirstTabsDialogIsOpenShowsThePlugInsRefusal) {
  const fs::path inline4 = Copy("inline4-60-2-sequential.json");
  ServedHost server(VANTEL_HOST_PATH, ServeArguments({inline4}, "en"), folder_.string());
  Browser browser(driver_->port());
  browser.Go(server.Address());
  const std::string first = browser.CurrentTab();
  browser.Click("[data-action=edit]");
  browser.WaitFor("return document.querySelector('dialog.window');");

  browser.NewTab();
  browser.Go(server.Address());
  browser.WaitFor("return document.querySelector('dialog.window');");
  browser.Click("[data-action=edit]");
  browser.WaitForText("dialog.message-box [data-kind=static]", "An other action is running");
  EXPECT_EQ(browser.Text("dialog.message-box .caption-text"), "VANTEL");
  EXPECT_EQ(browser.Role("dialog.message-box"), "alertdialog");
  EXPECT_EQ(browser.Run("return document.querySelectorAll('dialog.window').length;"), 2);
  EXPECT_EQ(browser.Run("return document.querySelector('dialog.window:not(.message-box)').inert;"),
            true);
  browser.Click("dialog.message-box button[data-id='1']");
  browser.WaitFor("return !document.querySelector('dialog.message-box');");

  // The first tab loaded again, as after a browser that went away: the dialog is still there,
  // as the plug-in holds it, and can be cancelled.
  browser.SwitchTo(first);
  browser.Go(server.Address());
  browser.WaitFor("return document.querySelectorAll('dialog.window').length === 1;");
  browser.Keys("select[data-id='1163']", "\uE00C");
  browser.WaitFor("return !document.querySelector('dialog.window');");

  // Two clicks on Close while the first is under way: the second sends nothing, where it
  // used to find the machine closed and say so.
  browser.Run("const b = document.querySelector('[data-action=toggle]'); b.click(); b.click();");
  browser.WaitForText("[data-action=toggle]", "^Open$");
  browser.Settle();
  EXPECT_EQ(browser.Text("[role=alert]"), "") << "a second close was sent";
  browser.Click("[data-action=toggle]");
  browser.WaitForText("[data-action=toggle]", "^Close$");
  EXPECT_EQ(server.Stop(), 0) << server.Rest();
}

/// Whether the page holds the tab back when it is closed or reloaded.
constexpr const char* kLeaving =
    "const leaving = new Event('beforeunload', {cancelable: true});"
    "window.dispatchEvent(leaving); return leaving.defaultPrevented;";

// The Edit dialog holds its machine: Check again is refused with its reason and the user's OK
// then sends the edit. The machine is marked unsaved until Save, and leaving the page or
// closing the machine asks first, as long as it is.
TEST_F(ServeBrowserTest, AnEditWithItsDialogOpenIsSentAndMarkedUnsavedUntilSaved) {
  const fs::path inline4 = Copy("inline4-60-2-sequential.json");
  ServedHost server(VANTEL_HOST_PATH, ServeArguments({inline4}, "en"), folder_.string());
  Browser browser(driver_->port());
  browser.Go(server.Address());
  browser.Click("[data-action=edit]");
  browser.WaitFor("return document.querySelector('dialog.window select[data-id=\"1163\"]');");

  browser.Click("[data-action=check]");
  EXPECT_EQ(browser.WaitForText("[role=alert]", "."),
            "machine 12 has a window open: finish or cancel the dialog first");
  browser.Click("select[data-id='1163'] option:nth-child(6)");  // "06"
  browser.Settle();
  browser.Keys("input[data-id='1190']", "\uE007");
  browser.WaitFor("return !document.querySelector('dialog.window');");
  browser.WaitForText(".log", "send TAB_CNFENG_0");
  EXPECT_EQ(browser.Text("[role=alert]"), "") << "a command that went through leaves no reason up";
  const int unsaved = server.State().at("machines").at(0).at("unsaved");
  ASSERT_GT(unsaved, 0);
  EXPECT_EQ(browser.WaitForText(".facts .unsaved", "."),
            std::to_string(unsaved) + " item(s) differ from the file");
  EXPECT_EQ(browser.Run("return document.querySelector('#machines a').dataset.unsaved;"),
            std::to_string(unsaved));

  // Leaving asks: the page cancels the unload, which is what makes the browser ask. The
  // question itself cannot be seen here, since chromedriver answers it on its own.
  EXPECT_EQ(browser.Run(kLeaving), true) << "the tab closes without a question";
  // Close asks; Cancel leaves the machine open.
  browser.Click("[data-action=toggle]");
  const std::optional<std::string> question = browser.AwaitPrompt(kPatience);
  ASSERT_TRUE(question) << "closed without a question";
  EXPECT_NE(question->find(std::to_string(unsaved) + " item(s)"), std::string::npos) << *question;
  browser.AnswerPrompt(false);
  browser.Settle();
  EXPECT_TRUE(server.State().at("machines").at(0).at("opened").get<bool>());

  browser.Click("[data-action=save]");
  browser.Click("[data-review=save]");  // the list of what Save will write, confirmed
  browser.WaitForText(".saved", "^written back: " + std::to_string(unsaved) + " item");
  browser.WaitFor("return !document.querySelector('.facts .unsaved, #machines a[data-unsaved]');");
  EXPECT_EQ(browser.Run(kLeaving), false) << "asks with nothing unsaved";
  EXPECT_EQ(server.Stop(), 0) << server.Rest();
}

// A double click is one command: Edit opens one dialog (no refusal of a second action above
// it), Save writes once and shows that write. A closed machine offers Open only.
TEST_F(ServeBrowserTest, ADoubleClickIsOneCommandAndAClosedMachineOffersOpenOnly) {
  const fs::path inline4 = Copy("inline4-60-2-sequential.json");
  ServedHost server(VANTEL_HOST_PATH, ServeArguments({inline4}, "en"), folder_.string());
  Browser browser(driver_->port());
  browser.Go(server.Address());
  const char* saves =
      "return [...document.querySelectorAll('.log li')]"
      ".filter(l => /^(written back|nothing written)/.test(l.textContent)).length;";

  browser.DoubleClick("[data-action=edit]", 250ms);
  browser.WaitFor("return document.querySelector('dialog.window select[data-id=\"1163\"]');");
  browser.Settle();
  EXPECT_EQ(server.State().at("windows").size(), 1u) << "a second action reached the plug-in";
  browser.Click("select[data-id='1163'] option:nth-child(6)");  // "06"
  browser.Settle();
  browser.Keys("input[data-id='1190']", "\uE007");
  browser.WaitFor("return !document.querySelector('dialog.window');");

  browser.DoubleClick("[data-action=save]", 250ms);
  browser.Click("[data-review=save]");  // one list for the double click, confirmed once
  browser.WaitForText(".saved", "^written back: [1-9]");
  browser.Settle();
  EXPECT_EQ(browser.Run(saves), 1);

  // Closed: everything but Open waits for it.
  browser.Click("[data-action=toggle]");
  browser.WaitForText("[data-action=toggle]", "^Open$");
  const json enabled = browser.Run(
      "return Object.fromEntries([...document.querySelectorAll('#toolbar button')]"
      ".map(b => [b.dataset.action, !b.disabled]));");
  EXPECT_EQ(enabled, json({{"check", false},
                           {"edit", false},
                           {"rail1", false},
                           {"rail2", false},
                           {"save", false},
                           {"toggle", true}}));
  browser.Click("[data-action=toggle]");
  browser.WaitForText("[data-action=toggle]", "^Close$");
  EXPECT_EQ(browser.Run("return document.querySelector('[data-action=edit]').disabled;"), false);
  EXPECT_EQ(browser.Text("[role=alert]"), "");
  EXPECT_EQ(server.Stop(), 0) << server.Rest();
}

constexpr uint32_t kInline4 = 12;  // the machine index of the inline 4 example
constexpr uint32_t kV8 = 20;
constexpr uint32_t kFive = 15;  // incoherent-five-cylinders

/// The rows and the findings under them, as the report window in the page shows them.
constexpr const char* kReportWindowRows = R"js(
  return [...document.querySelectorAll('.report-window .report-rows > li')].map((li) => ({
    text: li.querySelector('.report-row').textContent,
    findings: li.querySelectorAll('.report-findings li').length,
  }));)js";

// OK on a configuration the rules refuse: the plug-in shows its report beside the dialog,
// which stays open; the page draws it with its rows and findings, and each way the plug-in's
// own window closes hides it there, the dialog staying up.
TEST_F(ServeBrowserTest, ARefusedOkShowsTheReportBesideTheDialogAndEachWayOfClosingItHidesIt) {
  const fs::path five = Copy("incoherent-five-cylinders.json");
  ServedHost server(VANTEL_HOST_PATH, ServeArguments({five}, "en"), folder_.string());
  Browser browser(driver_->port());
  browser.Go(server.Address());
  // The open of an incoherent configuration shows the report too, over the machine at rest.
  browser.WaitFor("return document.querySelector('.report-window .report-row');");
  browser.Screenshot(Screenshots() / "serve-report-at-rest.png");
  browser.Click(".report-window .close-box");
  browser.WaitFor("return !document.querySelector('.report-window');");
  EXPECT_TRUE(ServedHost::MachineOf(server.State(), kFive).at("reportWindow").is_null());

  browser.Click("[data-action=edit]");
  browser.WaitFor("return document.querySelector('dialog.window select[data-id=\"1163\"]');");
  const struct {
    const char* way;
    const char* css;
    const char* keys;  // none: a click
  } ways[] = {
      {"its close box", ".report-window .close-box", nullptr},
      {"its Close button", ".report-window .report-close", nullptr},
      {"Escape", ".report-window .report-rows", "\uE00C"},
      {"Enter", ".report-window .report-rows", "\uE007"},
  };
  for (const auto& w : ways) {
    SCOPED_TRACE(w.way);
    browser.Keys("select[data-id='1163']", "\uE007");  // OK
    browser.WaitFor("return document.querySelector('.report-window .report-row');");
    browser.Settle();
    const json state = server.State();
    const json& machine = ServedHost::MachineOf(state, kFive);
    ASSERT_TRUE(machine.at("reportWindow").is_object());
    EXPECT_EQ(browser.Text(".report-window .caption-text"),
              machine.at("reportWindow").at("caption"));
    json expected = json::array();
    for (const auto& row : machine.at("report"))
      expected.push_back({{"text", row.at("text")}, {"findings", row.at("findings").size()}});
    EXPECT_EQ(browser.Run(kReportWindowRows), expected);
    EXPECT_EQ(expected.size(), 4u);
    EXPECT_EQ(browser.Run("return document.querySelectorAll('dialog.window').length;"), 1);
    if (&w == &ways[0]) browser.Screenshot(Screenshots() / "serve-report-beside-dialog.png");

    if (w.keys)
      browser.Keys(w.css, w.keys);
    else
      browser.Click(w.css);
    browser.WaitFor("return !document.querySelector('.report-window');");
    browser.Settle();
    EXPECT_EQ(server.State().at("windows").size(), 1u) << "the dialog closed with its report";
    EXPECT_EQ(browser.Run("return document.querySelectorAll('dialog.window').length;"), 1);
  }
  browser.Keys("select[data-id='1163']", "\uE00C");
  browser.WaitFor("return !document.querySelector('dialog.window');");
  EXPECT_EQ(server.Stop(), 0) << server.Rest();
}

/// Which window has the focus: "dialog", "report" or "page".
constexpr const char* kFocusedWindow = R"js(
  const a = document.activeElement;
  return a.closest('.report-window') ? 'report' : a.closest('dialog.window') ? 'dialog' : 'page';)js";

// The report beside a dialog the keyboard reaches too: F6 and Shift+F6 go from the dialog to
// the report and back, the focus coming back where it was; Tab stays in the window it is in.
TEST_F(ServeBrowserTest, F6GoesBetweenTheDialogAndTheReportBesideItAndTabStaysInEach) {
  const fs::path five = Copy("incoherent-five-cylinders.json");
  ServedHost server(VANTEL_HOST_PATH, ServeArguments({five}, "en"), folder_.string());
  Browser browser(driver_->port());
  browser.Go(server.Address());
  browser.WaitFor("return document.querySelector('.report-window .report-row');");
  browser.Click(".report-window .close-box");
  browser.WaitFor("return !document.querySelector('.report-window');");
  browser.Click("[data-action=edit]");
  browser.WaitFor("return document.querySelector('dialog.window select[data-id=\"1163\"]');");
  browser.Keys("select[data-id='1163']", "\uE007");  // OK, refused
  browser.WaitFor("return document.querySelector('.report-window .report-row');");
  browser.Settle();
  browser.Run("document.querySelector('select[data-id=\"1163\"]').focus();");

  const struct {
    const char* keys;
    const char* to;
    bool back;  // to a window left before: the focus is where it was
  } steps[] = {
      {"\uE036", "report", false},       {"\uE004", "report", false},
      {"\uE004", "report", false},       {"\uE036", "dialog", true},
      {"\uE004", "dialog", false},       {"\uE008\uE036", "report", true},
      {"\uE008\uE004", "report", false}, {"\uE008\uE036", "dialog", true},
  };
  const char* kFocusedId = "return document.activeElement.id || document.activeElement.className;";
  std::map<std::string, std::string> left = {{"dialog", browser.Run(kFocusedId)}};
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE("step " + std::to_string(i));
    browser.Press(steps[i].keys);
    browser.Settle();
    ASSERT_EQ(browser.Run(kFocusedWindow), steps[i].to);
    const std::string focused = browser.Run(kFocusedId);
    if (steps[i].back) {
      EXPECT_EQ(focused, left[steps[i].to]);
    }
    left[steps[i].to] = focused;
  }
  EXPECT_EQ(browser.Run("return document.querySelectorAll('dialog.window').length;"), 1);
  browser.Keys("select[data-id='1163']", "\uE00C");
  browser.WaitFor("return !document.querySelector('dialog.window');");
  EXPECT_EQ(server.Stop(), 0) << server.Rest();
}

// A window is drawn over its own machine: a dialog another tab opens on machine 20 takes the
// page there; back on machine 12 no window covers it and the page says where the one waiting
// is; machine 12's own dialog is drawn alone, and once it closes the page goes back to 20's.
TEST_F(ServeBrowserTest, AWindowIsDrawnOverItsOwnMachineAndThePageGoesToIt) {
  const fs::path inline4 = Copy("inline4-60-2-sequential.json");
  const fs::path v8 = Copy("v8-two-rails.json");
  ServedHost server(VANTEL_HOST_PATH, ServeArguments({inline4, v8}, "en"), folder_.string());
  Browser browser(driver_->port());
  browser.Go(server.Address() + "#m12");
  const json start = server.State();
  const std::string inline4Name = ServedHost::MachineOf(start, kInline4).at("name");
  const std::string v8Name = ServedHost::MachineOf(start, kV8).at("name");
  browser.WaitForText("#machine h2", inline4Name);

  // Another tab's Edit, as it reaches the server.
  const auto [status, body] = server.Post("/api/machines/20/edit");
  ASSERT_EQ(status, 200) << body;
  const uint32_t v8Dialog = json::parse(body).at("windows").at(0).at("handle");
  browser.WaitFor("return location.hash === '#m20' && document.querySelector('dialog.window');");
  EXPECT_EQ(browser.Text("#machine h2"), v8Name);
  EXPECT_EQ(browser.Run("return document.querySelector('#elsewhere').hidden;"), true);

  const auto onMachine12 = [&] {
    browser.Click("#machines a[href='#m12']");
    browser.WaitFor("return location.hash === '#m12' && !document.querySelector('dialog.window');");
    EXPECT_EQ(browser.Text("#machine h2"), inline4Name);
    EXPECT_EQ(browser.Run("return document.querySelector('#machine').inert;"), false);
    EXPECT_NE(browser.WaitForText("#elsewhere", ".").find("machine 20"), std::string::npos);
  };
  onMachine12();
  browser.Click("#elsewhere a");
  browser.WaitFor("return location.hash === '#m20' && document.querySelector('dialog.window');");

  // Machine 12's Edit: its dialog over machine 12, without 20's under it.
  onMachine12();
  browser.Click("[data-action=edit]");
  browser.WaitFor("return document.querySelector('dialog.window select[data-id=\"1163\"]');");
  const json both = server.State();
  ASSERT_EQ(both.at("windows").size(), 2u);
  EXPECT_EQ(both.at("windows").at(1).at("machine"), kInline4);
  EXPECT_EQ(browser.Run("return [...document.querySelectorAll('dialog.window')]"
                        ".map((d) => Number(d.dataset.window));"),
            json::array({both.at("windows").at(1).at("handle")}));
  EXPECT_EQ(browser.Run("return location.hash;"), "#m12");

  // Cancelled, machine 20's dialog is the top one again: the page goes back to it.
  browser.Keys("select[data-id='1163']", "\uE00C");
  browser.WaitFor(
      "const d = document.querySelector('dialog.window');"
      "return location.hash === '#m20' && d && Number(d.dataset.window) === arguments[0];",
      {v8Dialog});
  browser.Keys("select[data-id='1163']", "\uE00C");
  browser.WaitFor("return !document.querySelector('dialog.window');");
  EXPECT_EQ(server.Stop(), 0) << server.Rest();
}

/// The browser's window sizes a user has, each with the dialog opened in it.
struct WindowSize {
  const char* name;
  int width;
  int height;
};

constexpr WindowSize kWindowSizes[] = {{"Laptop", 1366, 768}, {"Small", 800, 600}};

void PrintTo(const WindowSize& size, std::ostream* out) { *out << size.name; }

class ServeBrowserDialogTest : public ServeBrowserTest,
                               public ::testing::WithParamInterface<WindowSize> {};

/// The elements named (CSS) that are not drawn whole within the browser's window.
constexpr const char* kOutOfView = R"js(
  return arguments[0].filter((css) => {
    const e = document.querySelector(css);
    if (!e) return true;
    const r = e.getBoundingClientRect();
    return r.width === 0 || r.height === 0 || r.left < 0 || r.top < 0 ||
      r.right > innerWidth || r.bottom > innerHeight;
  });)js";

/// Where the focus is: in the top dialog or not, in its view or not, and whether it is back
/// where the round of Tab started.
constexpr const char* kFocus = R"js(
  const a = document.activeElement;
  const dialog = a.closest('dialog.window');
  const box = dialog && dialog.getBoundingClientRect(), r = a.getBoundingClientRect();
  const below = dialog && dialog.querySelector('.caption').getBoundingClientRect().bottom;
  return {
    inDialog: !!dialog,
    inView: !!dialog && r.height > 0 && r.top >= below - 1 && r.bottom <= box.bottom &&
      r.bottom <= innerHeight,
    home: a === window.roundStart,
    what: a.outerHTML.slice(0, 120),
  };)js";

/// The top dialog's group boxes, radio groups and radio buttons shown, each radio button
/// with the number of radio groups that own it.
constexpr const char* kShownGroups = R"js(
  const dialog = document.querySelector('dialog.window');
  const shown = (e) => !e.closest('[hidden]');
  const groups = [...dialog.querySelectorAll('[role=radiogroup]')].filter(shown);
  const owns = (g) => (g.getAttribute('aria-owns') || '').split(' ');
  return {
    boxes: [...dialog.querySelectorAll('.group')].filter(shown)
      .map((g) => ({ id: g.id, text: g.querySelector('.legend').textContent })),
    radioGroups: groups.map((g) => g.id),
    radios: [...dialog.querySelectorAll('input[type=radio]')].filter(shown).map((r) => ({
      id: r.id, text: r.labels[0].textContent,
      owners: groups.filter((g) => owns(g).includes(r.closest('label').id)).length,
    })),
  };)js";

// The edit dialog in a browser of a laptop's size or smaller: the plug-in lays it out for
// the page's room, so that it is drawn at its own size with its caption, tabs, OK and Cancel
// in view; the keyboard goes round inside it, a screen reader tells the Banks page's rows
// apart, and the focus goes back to Edit once it is cancelled.
TEST_P(ServeBrowserDialogTest, TheEditDialogFitsTheWindowAtFullSizeAndKeepsTheKeyboardInside) {
  const WindowSize& size = GetParam();
  const fs::path inline4 = Copy("inline4-60-2-sequential.json");
  ServedHost server(VANTEL_HOST_PATH, ServeArguments({inline4}, "en"), folder_.string());
  Browser browser(driver_->port());
  browser.Resize(size.width, size.height);
  browser.Go(server.Address());
  browser.WaitForText("[data-action=edit]", "Edit");
  browser.Click("[data-action=edit]");
  browser.WaitFor("return document.querySelector('dialog.window select[data-id=\"1163\"]');");
  browser.Settle();
  browser.Screenshot(Screenshots() / (std::string("serve-dialog-") + size.name + ".png"));

  const json wanted = {"dialog.window .caption-text", "dialog.window [role=tablist]",
                       "dialog.window select[data-id='1163']", "dialog.window button[data-id='1']",
                       "dialog.window button[data-id='2']"};
  EXPECT_EQ(browser.Run(kOutOfView, json::array({wanted})), json::array());
  // Drawn at its own size: as wide as the plug-in's window, its text at the dialog's size.
  const json dialog = server.State().at("windows").back();
  EXPECT_EQ(browser.Run("return document.querySelector('dialog.window').offsetWidth;"),
            dialog.at("rect").at(2));
  EXPECT_EQ(browser.Run("return document.querySelector('dialog.window').getBoundingClientRect()"
                        ".width;"),
            dialog.at("rect").at(2));
  EXPECT_EQ(browser.Run("return getComputedStyle(document.querySelector("
                        "'dialog.window select[data-id=\"1163\"]')).fontSize;"),
            "11px");
  const json start = browser.Run(kFocus);
  EXPECT_TRUE(start.at("inDialog") && start.at("inView")) << start;

  // Tab goes round the dialog, the view following it, and comes back; Shift+Tab from there
  // goes to the last stop.
  browser.Run("window.roundStart = document.activeElement;");
  int stops = 0;
  for (json at; stops < 200; ++stops) {
    browser.Run("window.roundLast = document.activeElement;");
    browser.Press("\uE004");
    browser.Settle();
    at = browser.Run(kFocus);
    ASSERT_TRUE(at.at("inDialog")) << "Tab " << stops + 1 << " left the dialog for " << at;
    EXPECT_TRUE(at.at("inView")) << "Tab " << stops + 1 << " went out of sight to " << at;
    if (at.at("home")) break;
  }
  EXPECT_GT(stops, 5);
  EXPECT_LT(stops, 200) << "Tab never came back";
  browser.Press("\uE008\uE004");
  EXPECT_EQ(browser.Run("return document.activeElement === window.roundLast;"), true)
      << browser.Run(kFocus);
  browser.Press("\uE004");
  EXPECT_EQ(browser.Run(kFocus).at("home"), true);

  // Back to the top of the dialog, where its tabs are.
  if (browser.Run("return !!document.querySelector('dialog.window .scroll-bar');") == true) {
    browser.Keys("dialog.window .scroll-bar", "\uE011");
    browser.Settle();
  }

  // Page by page: each group box a group named by its text, each radio button in one named
  // radio group and with a name no other on its page has (Bank 1 and Bank 2 on every row of
  // the Banks page).
  const int pages =
      browser.Run("return document.querySelectorAll('dialog.window [role=tab]').length;");
  ASSERT_EQ(pages, 5);
  for (int page = 0; page < pages; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    const std::string tab = "[role=tab][data-index='" + std::to_string(page) + "']";
    browser.Click(tab);
    browser.WaitFor("return document.querySelector(arguments[0]).ariaSelected === 'true';",
                    json::array({tab}));
    browser.Settle();
    const json shown = browser.Run(kShownGroups);
    for (const auto& box : shown.at("boxes")) {
      const std::string css = "#" + box.at("id").get<std::string>();
      EXPECT_EQ(browser.Label(css), box.at("text"));
      const std::string role = browser.Role(css);
      EXPECT_TRUE(role == "group" || role == "radiogroup") << css << " is a " << role;
    }
    for (const auto& group : shown.at("radioGroups"))
      EXPECT_NE(browser.Label("#" + group.get<std::string>()), "") << group;
    std::set<std::string> names;
    for (const auto& radio : shown.at("radios")) {
      const std::string name = browser.Label("#" + radio.at("id").get<std::string>());
      const std::string text = radio.at("text");
      EXPECT_EQ(radio.at("owners"), 1) << text << " is in as many radio groups";
      EXPECT_NE(name.find(text), std::string::npos) << name << " does not say " << text;
      EXPECT_TRUE(names.insert(name).second) << name << " names two radio buttons";
    }
    if (page == 1) {
      EXPECT_GE(names.size(), 10u) << "two angle choices and two banks a cylinder";
    }
  }

  browser.Click("dialog.window button[data-id='2']");
  browser.WaitFor("return !document.querySelector('dialog.window');");
  EXPECT_EQ(browser.Run("return document.activeElement.dataset.action || null;"), "edit");
  EXPECT_EQ(server.Stop(), 0) << server.Rest();
}

// The edit dialog opened in a laptop's window, then the window made small: the plug-in lays
// the open dialog out again for the page's new room, so that its caption, tabs, OK and Cancel
// are still in view, at 100 %; made large again, the dialog goes back to the height it had.
TEST_F(ServeBrowserTest, AnOpenDialogIsLaidOutAgainWhenTheBrowsersWindowIsResized) {
  const fs::path inline4 = Copy("inline4-60-2-sequential.json");
  ServedHost server(VANTEL_HOST_PATH, ServeArguments({inline4}, "en"), folder_.string());
  Browser browser(driver_->port());
  browser.Resize(1366, 768);
  browser.Go(server.Address());
  browser.WaitForText("[data-action=edit]", "Edit");
  browser.Click("[data-action=edit]");
  browser.WaitFor("return document.querySelector('dialog.window select[data-id=\"1163\"]');");
  browser.Settle();
  const json opened = server.State().at("windows").back().at("rect");
  const json wanted = {"dialog.window .caption-text", "dialog.window [role=tablist]",
                       "dialog.window button[data-id='1']", "dialog.window button[data-id='2']"};

  const struct {
    int width, height;
    bool shorter;  // than it opened
  } sizes[] = {{800, 600, true}, {1366, 768, false}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
    browser.Resize(size.width, size.height);
    // Once the resizing has settled the page gives its room, and draws the dialog laid out.
    browser.WaitFor(
        "const d = document.querySelector('dialog.window');"
        "return (d.getBoundingClientRect().height < arguments[0]) === arguments[1];",
        {opened.at(3).get<int>(), size.shorter});
    browser.Settle();
    const json rect = server.State().at("windows").back().at("rect");
    EXPECT_EQ(rect.at(2), opened.at(2)) << "the dialog keeps its width";
    EXPECT_EQ(rect.at(3) < opened.at(3), size.shorter) << rect;
    EXPECT_EQ(browser.Run(kOutOfView, json::array({wanted})), json::array());
    EXPECT_EQ(browser.Run("return document.querySelector('dialog.window').offsetWidth;"),
              rect.at(2));
    EXPECT_EQ(browser.Run("return getComputedStyle(document.querySelector("
                          "'dialog.window select[data-id=\"1163\"]')).fontSize;"),
              "11px");
  }
  browser.Screenshot(Screenshots() / "serve-dialog-resized.png");
  browser.Keys("select[data-id='1163']", "\uE00C");
  browser.WaitFor("return !document.querySelector('dialog.window');");
  EXPECT_EQ(server.Stop(), 0) << server.Rest();
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, ServeBrowserDialogTest, ::testing::ValuesIn(kWindowSizes),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantel::host
