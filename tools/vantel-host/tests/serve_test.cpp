// vantel-host serve over HTTP, without a browser: who may talk to it, what a bad request
// gets, an edit played through the routes, and its end.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "host_run.h"
#include "serve_client.h"
#include "vantel/ui_controls.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr uint32_t kInline4 = 12;  // the machine index of the inline 4 example
const std::string kAlreadyRunning =
    "This function can not be executed\nAn other action is running on this machine";

class ServeTest : public HostRunTest {
 protected:
  /// Serves copies of the examples named, from the test's folder.
  std::unique_ptr<ServedHost> Serve(const std::vector<std::string>& examples,
                                    std::vector<std::string> options = {}) {
    for (const std::string& name : examples) {
      fs::copy_file(Example(name), dir_ / name, fs::copy_options::overwrite_existing);
      options.push_back(name);
    }
    return std::make_unique<ServedHost>(VANTEL_HOST_PATH, options, dir_.string());
  }

  /// Opens the edit dialog of `machine`; the state with it on top.
  static Json Edit(const ServedHost& host, uint32_t machine) {
    const auto [status, body] = host.Post("/api/machines/" + std::to_string(machine) + "/edit");
    EXPECT_EQ(status, 200) << body;
    const Json state = Json::parse(body);
    EXPECT_EQ(state.at("windows").size(), 1u);
    return state;
  }

  static int Id(const Json& control) { return control.value("id", 0); }
};

// A request another page could forge, or a name that resolves elsewhere, is refused on every
// route before anything is played; the page's own requests are not.
TEST_F(ServeTest, EveryRouteRefusesWithoutTheTokenOrFromAnotherHostOrOrigin) {
  const auto host = Serve({"inline4-60-2-sequential.json"});
  const std::string port = std::to_string(host->port());
  const std::string token = host->token();
  const uint64_t version = host->State().at("version");

  struct Route {
    const char* method;
    std::string path;
  };
  const std::vector<Route> routes = {
      {"GET", "/"},
      {"GET", "/api/state"},
      {"GET", "/api/machines/12/wheel.svg"},
      {"GET", "/api/windows/1.svg"},
      {"GET", "/no/such/route"},
      {"POST", "/api/machines/12/check"},
      {"POST", "/api/windows/1/events"},
      {"POST", "/api/screen"},
  };
  struct Refusal {
    const char* name;
    bool tokenHeader;
    bool tokenQuery;
    std::string token;
    std::string hostHeader;
    std::string origin;
  };
  const std::vector<Refusal> refusals = {
      {"no token", false, false, "", "127.0.0.1:" + port, ""},
      {"a wrong token", true, true, std::string(token.size(), '0'), "127.0.0.1:" + port, ""},
      {"a token one character short", true, false, token.substr(1), "127.0.0.1:" + port, ""},
      {"another host name", true, true, token, "evil.example:" + port, ""},
      {"the loopback on another port", true, true, token, "127.0.0.1:1", ""},
      {"another origin", true, true, token, "127.0.0.1:" + port, "http://evil.example"},
      {"a look-alike origin", true, true, token, "localhost:" + port,
       "http://localhost:" + port + ".evil.example"},
      {"a secure origin", true, true, token, "127.0.0.1:" + port, "https://127.0.0.1:" + port},
  };
  for (const Route& route : routes) {
    for (const Refusal& refusal : refusals) {
      SCOPED_TRACE(std::string(route.method) + " " + route.path + " with " + refusal.name);
      httplib::Client client("127.0.0.1", host->port());
      httplib::Headers headers = {{"Host", refusal.hostHeader}};
      if (refusal.tokenHeader) headers.emplace("X-Vantel-Token", refusal.token);
      if (!refusal.origin.empty()) headers.emplace("Origin", refusal.origin);
      const std::string path =
          route.path + (refusal.tokenQuery ? "?token=" + refusal.token : std::string());
      const auto res = std::string(route.method) == "GET"
                           ? client.Get(path.c_str(), headers)
                           : client.Post(path.c_str(), headers, "{}", "application/json");
      ASSERT_TRUE(res);
      EXPECT_EQ(res->status, 403) << res->body;
      EXPECT_FALSE(res->has_header("Access-Control-Allow-Origin"));
    }
  }
  // A token in the URL opens the page, but does not let another site's form post.
  httplib::Client client("127.0.0.1", host->port());
  EXPECT_EQ(client.Get(("/?token=" + token).c_str())->status, 200);
  EXPECT_EQ(
      client.Post(("/api/machines/12/check?token=" + token).c_str(), "", "text/plain")->status,
      403);
  EXPECT_EQ(host->State().at("version"), version) << "a refused request changed the state";

  // Each route as the page asks for it is served, or refused for another reason.
  for (const Route& route : routes) {
    SCOPED_TRACE(std::string(route.method) + " " + route.path);
    const httplib::Headers own = {{"X-Vantel-Token", token},
                                  {"Origin", "http://localhost:" + port}};
    const auto res =
        std::string(route.method) == "GET"
            ? client.Get(route.path.c_str(), own)
            : client.Post(route.path.c_str(), own, "{\"action\": \"ok\"}", "application/json");
    ASSERT_TRUE(res);
    EXPECT_NE(res->status, 403) << res->body;
    EXPECT_FALSE(res->has_header("Access-Control-Allow-Origin"));
  }
  EXPECT_EQ(host->Stop(), 0);
}

// Each bad request gets a 4xx and one line saying why, and the state stays as it was.
TEST_F(ServeTest, BadRequestsGetAReasonAndChangeNothing) {
  const auto host = Serve({"inline4-60-2-sequential.json"});
  const Json opened = Edit(*host, kInline4);
  const Json& dialog = opened.at("windows").at(0);
  const uint32_t window = dialog.at("handle");
  const auto hidden = ServedHost::FindControl(dialog, [](const Json& c) {
    return !c.at("visible").get<bool>() && c.at("kind") != "dialog";
  });
  const auto disabled = ServedHost::FindControl(dialog, [](const Json& c) {
    return c.at("visible").get<bool>() && !c.at("enabled").get<bool>();
  });
  ASSERT_TRUE(hidden && disabled);
  const auto cylinders = ServedHost::ControlWithId(dialog, VANTEL_IDC_ENGINE_CYLINDERS);
  ASSERT_TRUE(cylinders);
  const uint32_t combo = cylinders->at("handle");
  const uint64_t version = host->State().at("version");

  struct Case {
    const char* name;
    std::string path;
    std::string body;
    int status;
    const char* reason;
  };
  const std::string events = "/api/windows/" + std::to_string(window) + "/events";
  const std::vector<Case> cases = {
      {"an unknown machine", "/api/machines/99/check", "", 404, "no machine 99"},
      {"a machine that is no number", "/api/machines/x12/check", "", 404, "no machine x12"},
      {"an unknown machine action", "/api/machines/12/explode", "", 404, "no action"},
      {"a window never open", "/api/windows/424242/events", R"({"action": "ok"})", 409,
       "is not open"},
      {"a body that is no JSON", events, "{\"action\": ", 400, "not JSON"},
      {"a body that is no object", events, "[1, 2]", 400, "JSON object"},
      {"no action", events, "{}", 400, "needs an \"action\""},
      {"an unknown event", events, R"({"action": "explode"})", 400, "no action \"explode\""},
      {"a choice without its entry", events, Json{{"action", "choose"}, {"control", combo}}.dump(),
       400, "needs a whole number"},
      {"an entry out of range", events,
       Json{{"action", "choose"}, {"control", combo}, {"index", 4294967296}}.dump(), 400,
       "out of range"},
      {"a control given by name", events, R"({"action": "click", "control": "OK"})", 400, "handle"},
      {"typing without a text", events, Json{{"action", "type"}, {"control", combo}}.dump(), 400,
       "needs a \"text\""},
      // Every field is checked whatever the action: the plug-in's thread reads them all.
      {"a field that is null", events, R"({"action": "click", "index": null})", 400,
       "whole number"},
      {"a handle past 32 bits", events, R"({"action": "click", "control": 4294967562})", 400,
       "handle"},
      {"a handle below 0", events, R"({"action": "click", "control": -1})", 400, "handle"},
      {"a text that is a number", events, R"({"action": "ok", "text": 5})", 400, "a text"},
      {"a field no event has", events, R"({"action": "ok", "colour\u001b[31m": 1})", 400,
       "no field"},
      {"an action of control characters", events, R"({"action": "\u001b[2J\r"})", 400, "no action"},
      {"a control of no window", events, R"({"action": "click", "control": 999999})", 409,
       "has no control"},
      {"a hidden control", events,
       Json{{"action", "click"}, {"control", hidden->at("handle")}}.dump(), 409, "is hidden"},
      {"a disabled control", events,
       Json{{"action", "click"}, {"control", disabled->at("handle")}}.dump(), 409, "is disabled"},
      {"an entry the list does not have", events,
       Json{{"action", "choose"}, {"control", combo}, {"index", 1000}}.dump(), 409, "cannot"},
      {"a screen size that is no JSON", "/api/screen", "{\"width\": ", 400, "not JSON"},
      {"a screen without its height", "/api/screen", R"({"width": 800})", 400,
       "needs a whole number \"height\""},
      {"a screen width in words", "/api/screen", R"({"width": "800", "height": 600})", 400,
       "whole number \"width\""},
      {"a screen too low for any dialog", "/api/screen", R"({"width": 800, "height": 20})", 400,
       "from 100 to"},
      {"a screen of negative width", "/api/screen", R"({"width": -800, "height": 600})", 400,
       "from 100 to"},
      {"a screen past 32 bits", "/api/screen", R"({"width": 4294968096, "height": 600})", 400,
       "from 100 to"},
      {"a screen with a depth", "/api/screen", R"({"width": 800, "height": 600, "depth": 3})", 400,
       "no field"},
      {"a body over 64 KiB", events,
       Json{{"action", "type"}, {"control", combo}, {"text", std::string(70000, 'x')}}.dump(), 413,
       "larger than 64 KiB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    httplib::Client client = host->Client();
    const auto res = client.Post(c.path.c_str(), c.body, "application/json");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, c.status) << res->body;
    EXPECT_NE(res->body.find(c.reason), std::string::npos) << res->body;
    EXPECT_EQ(res->body.find('\n'), res->body.size() - 1) << "one line: " << res->body;
    const std::string line = res->body.substr(0, res->body.find('\n'));
    EXPECT_TRUE(std::none_of(line.begin(), line.end(),
                             [](unsigned char c) { return c < 0x20 || c == 0x7f; }))
        << "the client's control characters echoed: " << res->body;
  }
  EXPECT_EQ(host->State().at("version"), version) << "a bad request changed the state";
  EXPECT_EQ(host->Event(window, {{"action", "cancel"}}).first, 200);
  EXPECT_EQ(host->Event(window, {{"action", "cancel"}}).second,
            "window " + std::to_string(window) + " is not open\n");
  EXPECT_EQ(host->Stop(), 0);
  EXPECT_EQ(ReadFile(dir_ / "inline4-60-2-sequential.json"),
            ReadFile(Example("inline4-60-2-sequential.json")));
}

// Every act a user has reaches the window and shows in the state the answer carries.
TEST_F(ServeTest, EachUserActIsPlayedOnTheWindowAndShowsInTheAnswer) {
  const auto host = Serve({"inline4-60-2-sequential.json"});
  const Json dialog = Edit(*host, kInline4).at("windows").at(0);
  const uint32_t window = dialog.at("handle");
  const auto handle = [&dialog](int id) {
    return ServedHost::ControlWithId(dialog, id).value().at("handle").get<uint32_t>();
  };
  const auto control = [](const Json& state, int id) {
    return ServedHost::ControlWithId(state.at("windows").at(0), id).value();
  };
  struct Case {
    const char* name;
    Json event;
    std::function<void(const Json& state)> shows;
  };
  const std::vector<Case> cases = {
      {"help on a control",
       {{"action", "help"}, {"control", handle(VANTEL_IDC_SYNC_RPM)}},
       [](const Json& state) {
         const Json& help = state.at("windows").at(0).at("help");
         ASSERT_TRUE(help.is_object()) << help;
         EXPECT_FALSE(help.at("text").get<std::string>().empty());
       }},
      {"typing in an edit",
       {{"action", "type"}, {"control", handle(VANTEL_IDC_SYNC_RPM)}, {"text", "250"}},
       [&](const Json& state) {
         EXPECT_EQ(control(state, VANTEL_IDC_SYNC_RPM).at("text"), "250");
         EXPECT_TRUE(state.at("windows").at(0).at("help").is_null()) << "help outlived an act";
       }},
      {"a tab",
       {{"action", "tab"}, {"control", handle(VANTEL_IDC_MAIN_TABS)}, {"index", 3}},
       [&](const Json& state) {
         EXPECT_EQ(control(state, VANTEL_IDC_MAIN_TABS).at("selection"), 3);
       }},
      {"a shorter window",
       {{"action", "resize"}, {"edge", 6}, {"width", 537}, {"height", 600}},
       [](const Json& state) {
         EXPECT_EQ(state.at("windows").at(0).at("rect"), Json::array({0, 0, 537, 600}));
       }},
      {"a page down the scroll bar",
       {{"action", "scroll"}, {"request", 3}, {"position", 0}},
       [&](const Json& state) {
         const Json& bar = state.at("windows").at(0).at("scroll");
         ASSERT_TRUE(bar.is_array()) << "the dialog is taller than its window";
         const int position = bar.at(3);
         EXPECT_GT(position, 0);
         // The controls moved up with it, in the frame the page places them in.
         EXPECT_EQ(control(state, VANTEL_IDOK).at("rect").at(1).get<int>(),
                   ServedHost::ControlWithId(dialog, VANTEL_IDOK)->at("rect").at(1).get<int>() -
                       position);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto [status, body] = host->Event(window, c.event);
    ASSERT_EQ(status, 200) << body;
    c.shows(Json::parse(body));
    // The long poll serves the same state the answer carried.
    EXPECT_EQ(host->State().at("windows"), Json::parse(body).at("windows"));
  }
  EXPECT_EQ(host->Event(window, {{"action", "cancel"}}).first, 200);
}

// The plug-in lays a dialog out for the screen the page last gave: one opened after fits
// it, scrolling what does not; one already open is fitted by the server, as a user drags
// its edge.
TEST_F(ServeTest, ADialogOpenedAfterTheScreenSizeFitsItAndAnOpenOneIsFittedToANewOne) {
  const auto host = Serve({"inline4-60-2-sequential.json"});
  const auto screen = [&host](int width, int height) {
    httplib::Client client = host->Client();
    const auto res = client.Post("/api/screen", Json{{"width", width}, {"height", height}}.dump(),
                                 "application/json");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200) << res->body;
  };
  const auto cancel = [&host](const Json& window) {
    EXPECT_EQ(host->Event(window.at("handle"), {{"action", "cancel"}}).first, 200);
  };
  screen(3000, 3000);
  const Json whole = Edit(*host, kInline4).at("windows").at(0);
  cancel(whole);
  EXPECT_TRUE(whole.at("scroll").is_null()) << "the dialog scrolls on a screen it fits";
  const int wholeHeight = whole.at("rect").at(3);

  const struct {
    int width, height;
  } screens[] = {{800, 550}, {1342, 600}, {1366, 900}, {1920, 1400}};
  for (const auto& size : screens) {
    SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
    screen(size.width, size.height);
    const Json dialog = Edit(*host, kInline4).at("windows").at(0);
    const Json& rect = dialog.at("rect");
    EXPECT_LE(rect.at(2).get<int>(), size.width);
    EXPECT_LE(rect.at(3).get<int>(), size.height);
    EXPECT_EQ(dialog.at("scroll").is_array(), rect.at(3).get<int>() < wholeHeight)
        << dialog.at("scroll");

    // Taken while the dialog waits: the open dialog is fitted to it, its width kept, and
    // goes back to the height it opened at once the screen is as large again.
    const int smaller = size.height / 2 + 100;
    screen(size.width, smaller);
    const Json fitted = host->State().at("windows").at(0);
    EXPECT_EQ(fitted.at("rect").at(2), rect.at(2));
    EXPECT_EQ(fitted.at("rect").at(3).get<int>(), std::min(rect.at(3).get<int>(), smaller));
    EXPECT_EQ(fitted.at("scroll").is_array(), fitted.at("rect").at(3).get<int>() < wholeHeight);
    screen(size.width, size.height);
    EXPECT_EQ(host->State().at("windows").at(0).at("rect"), rect);
    cancel(dialog);
  }
  EXPECT_EQ(host->Stop(), 0);
}

// The page's whole round: the dialog's controls, a choice, OK, the sending played, the
// verdict of the tables written, the save, and the change in the file.
TEST_F(ServeTest, AnEditThroughTheRoutesSendsItsTablesAndTheSaveWritesTheFile) {
  const auto host = Serve({"inline4-60-2-sequential.json", "v8-two-rails.json"});
  const std::string before = ReadFile(dir_ / "inline4-60-2-sequential.json");
  const Json state = Edit(*host, kInline4);
  const Json& dialog = state.at("windows").at(0);
  EXPECT_EQ(dialog.at("machine"), kInline4);
  EXPECT_FALSE(dialog.at("messageBox").get<bool>());
  const auto teeth = ServedHost::ControlWithId(dialog, VANTEL_IDC_FLYWHEEL_TEETH);
  ASSERT_TRUE(teeth);
  const Json& items = teeth->at("items");
  const auto wanted = std::find(items.begin(), items.end(), "34");
  ASSERT_NE(wanted, items.end());
  const uint32_t window = dialog.at("handle");

  // The window's picture is the plug-in's own drawing of it.
  httplib::Client client = host->Client();
  const auto svg = client.Get(("/api/windows/" + std::to_string(window) + ".svg").c_str());
  ASSERT_TRUE(svg);
  EXPECT_EQ(svg->status, 200);
  EXPECT_NE(svg->body.find("<svg"), std::string::npos);

  auto [status, body] = host->Event(
      window,
      {{"control", teeth->at("handle")}, {"action", "choose"}, {"index", wanted - items.begin()}});
  ASSERT_EQ(status, 200) << body;
  const auto chosen =
      ServedHost::ControlWithId(Json::parse(body).at("windows").at(0), VANTEL_IDC_FLYWHEEL_TEETH);
  EXPECT_EQ(chosen->at("selection"), wanted - items.begin());

  const uint64_t wheelBefore =
      ServedHost::MachineOf(host->State(), kInline4).at("wheelVersion").get<uint64_t>();
  std::tie(status, body) = host->Event(window, {{"action", "ok"}});
  ASSERT_EQ(status, 200) << body;
  const Json after = Json::parse(body);
  EXPECT_TRUE(after.at("windows").empty());
  const Json& machine = ServedHost::MachineOf(after, kInline4);
  EXPECT_EQ(machine.at("verdict"), "coherent");
  EXPECT_GT(machine.at("wheelVersion").get<uint64_t>(), wheelBefore);
  std::string log;
  for (const Json& line : machine.at("log")) log += line.at("text").get<std::string>() + "\n";
  for (const char* shown : {"send TAB_CNFREG_0", "== item sent (FEMSETEMG) \"TAB_CNFREG_0\"",
                            "== end of action (RSTSETEMG)", "checked again"})
    EXPECT_NE(log.find(shown), std::string::npos) << shown << " not in\n" << log;
  // The other machine saw nothing of it.
  EXPECT_EQ(ServedHost::MachineOf(after, 20).at("log").size(),
            ServedHost::MachineOf(state, 20).at("log").size());
  EXPECT_EQ(ReadFile(dir_ / "inline4-60-2-sequential.json"), before) << "written before the save";

  std::tie(status, body) = host->Post("/api/machines/12/save");
  ASSERT_EQ(status, 200) << body;
  EXPECT_EQ(ServedHost::MachineOf(Json::parse(body), kInline4).at("saved"),
            "written back: 5 item(s) to inline4-60-2-sequential.json");
  EXPECT_NE(ReadFile(dir_ / "inline4-60-2-sequential.json"), before);
  // What the file holds now is what a check of it finds.
  const HostRun check = Host({"check", "inline4-60-2-sequential.json"});
  EXPECT_EQ(check.status, 0) << check.out;
  EXPECT_EQ(check.out.find("tables rewritten"), std::string::npos) << check.out;
  std::tie(status, body) = host->Post("/api/machines/12/save");
  EXPECT_EQ(ServedHost::MachineOf(Json::parse(body), kInline4).at("saved"),
            "nothing written back to inline4-60-2-sequential.json: the plug-in changed no value");

  // Closed, a machine cannot be closed again; opened again, it is checked as written.
  std::tie(status, body) = host->Post("/api/machines/12/close");
  EXPECT_FALSE(ServedHost::MachineOf(Json::parse(body), kInline4).at("opened").get<bool>());
  EXPECT_EQ(host->Post("/api/machines/12/close"),
            std::make_pair(409, std::string("machine 12 is not open\n")));
  std::tie(status, body) = host->Post("/api/machines/12/open");
  EXPECT_EQ(ServedHost::MachineOf(Json::parse(body), kInline4).at("verdict"), "coherent");
  EXPECT_EQ(host->Post("/api/machines/12/open"),
            std::make_pair(409, std::string("machine 12 is open already\n")));
  EXPECT_EQ(host->Stop(), 0);
}

// The plug-in runs one action a machine: a second page's edit shows its own refusal, above
// the first dialog, which goes on once the refusal is answered.
TEST_F(ServeTest, ASecondEditOfAMachineShowsThePluginsRefusalAboveTheFirst) {
  const auto host = Serve({"inline4-60-2-sequential.json"});
  const uint32_t dialog = Edit(*host, kInline4).at("windows").at(0).at("handle");
  auto [status, body] = host->Post("/api/machines/12/edit");
  ASSERT_EQ(status, 200) << body;
  const Json windows = Json::parse(body).at("windows");
  ASSERT_EQ(windows.size(), 2u);
  const Json& box = windows.at(1);
  EXPECT_TRUE(box.at("messageBox").get<bool>());
  const auto text = ServedHost::FindControl(
      box, [](const Json& c) { return c.value("id", 0) == VANTEL_IDC_MESSAGE_TEXT; });
  ASSERT_TRUE(text);
  EXPECT_EQ(text->at("text"), "Inline 4 bench\n" + kAlreadyRunning);
  // The dialog below takes nothing until the box is answered.
  std::tie(status, body) = host->Event(dialog, {{"action", "cancel"}});
  EXPECT_EQ(status, 409);
  EXPECT_NE(body.find("not the top window"), std::string::npos);
  const auto ok = ServedHost::FindControl(box, [](const Json& c) {
    return c.at("kind") == "default button" || c.at("kind") == "push button";
  });
  std::tie(status, body) =
      host->Event(box.at("handle"), {{"control", ok->at("handle")}, {"action", "click"}});
  ASSERT_EQ(status, 200) << body;
  ASSERT_EQ(Json::parse(body).at("windows").size(), 1u);
  EXPECT_EQ(Json::parse(body).at("windows").at(0).at("handle"), dialog);
  EXPECT_EQ(host->Event(dialog, {{"action", "cancel"}}).first, 200);
}

// While a machine's window is open nothing may close the machine under it, or the user's OK
// would send nothing; a closed machine takes Open only. A refusal is one line and plays
// nothing, and what the state counts as unsaved is what the save then writes.
TEST_F(ServeTest, NoCommandClosesAMachineUnderItsWindowAndAClosedMachineTakesOpenOnly) {
  const auto host = Serve({"inline4-60-2-sequential.json", "v8-two-rails.json"});
  struct Case {
    const char* action;
    uint32_t machine;
    int status;
    const char* reason;
  };
  const auto sweep = [&host](const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.action) + " on machine " + std::to_string(c.machine));
      const Json before = host->State();
      const auto [status, body] =
          host->Post("/api/machines/" + std::to_string(c.machine) + "/" + c.action);
      EXPECT_EQ(status, c.status) << body.substr(0, 200);
      if (status == 200 || c.status == 200) continue;
      EXPECT_NE(body.find(c.reason), std::string::npos) << body;
      EXPECT_EQ(body.find('\n'), body.size() - 1) << "one line: " << body;
      EXPECT_EQ(host->State(), before) << "a refused command played something";
    }
  };
  // An edit that changes the flywheel's teeth, confirmed; the machine's state after it.
  const auto editTeeth = [&host](const char* teeth) {
    const Json dialog = Edit(*host, kInline4).at("windows").at(0);
    const Json control = ServedHost::ControlWithId(dialog, VANTEL_IDC_FLYWHEEL_TEETH).value();
    const Json& items = control.at("items");
    const auto wanted = std::find(items.begin(), items.end(), teeth);
    EXPECT_NE(wanted, items.end()) << teeth;
    const uint32_t window = dialog.at("handle");
    EXPECT_EQ(host->Event(window, {{"control", control.at("handle")},
                                   {"action", "choose"},
                                   {"index", wanted - items.begin()}})
                  .first,
              200);
    const auto [status, body] = host->Event(window, {{"action", "ok"}});
    EXPECT_EQ(status, 200) << body;
    return ServedHost::MachineOf(Json::parse(body), kInline4);
  };
  const auto machine = [&host] { return ServedHost::MachineOf(host->State(), kInline4); };

  const uint32_t dialog = Edit(*host, kInline4).at("windows").at(0).at("handle");
  const char* held = "machine 12 has a window open: finish or cancel the dialog first";
  sweep({{"check", kInline4, 409, held},
         {"close", kInline4, 409, held},
         {"open", kInline4, 409, held},
         {"check", 20, 200, ""}});
  ASSERT_EQ(host->State().at("windows").size(), 1u);
  EXPECT_EQ(host->State().at("windows").at(0).at("handle"), dialog);
  ASSERT_EQ(host->Event(dialog, {{"action", "cancel"}}).first, 200);
  EXPECT_EQ(machine().at("unsaved"), 0);

  // The edit goes through; the save writes what was counted, and new changes make its line
  // stale.
  const Json edited = editTeeth("34");
  EXPECT_NE(edited.at("log").dump().find("send TAB_CNFANG_0"), std::string::npos);
  const int unsaved = edited.at("unsaved");
  EXPECT_GT(unsaved, 0);
  auto [status, body] = host->Post("/api/machines/12/save");
  ASSERT_EQ(status, 200) << body;
  EXPECT_EQ(
      ServedHost::MachineOf(Json::parse(body), kInline4).at("saved"),
      "written back: " + std::to_string(unsaved) + " item(s) to inline4-60-2-sequential.json");
  EXPECT_EQ(ServedHost::MachineOf(Json::parse(body), kInline4).at("unsaved"), 0);
  const std::string saved = ReadFile(dir_ / "inline4-60-2-sequential.json");
  const Json again = editTeeth("36");
  EXPECT_EQ(again.at("saved"), "");
  EXPECT_GT(again.at("unsaved").get<int>(), 0);

  // Closed, the machine keeps its unsaved values and takes Open only.
  ASSERT_EQ(host->Post("/api/machines/12/close").first, 200);
  const char* closed = "machine 12 is closed: open it first";
  sweep({{"check", kInline4, 409, closed},
         {"edit", kInline4, 409, closed},
         {"rail1", kInline4, 409, closed},
         {"rail2", kInline4, 409, closed},
         {"save", kInline4, 409, closed},
         {"close", kInline4, 409, "machine 12 is not open"}});
  EXPECT_EQ(ReadFile(dir_ / "inline4-60-2-sequential.json"), saved);
  EXPECT_EQ(machine().at("unsaved"), again.at("unsaved"));
  std::tie(status, body) = host->Post("/api/machines/12/open");
  ASSERT_EQ(status, 200) << body;
  EXPECT_TRUE(ServedHost::MachineOf(Json::parse(body), kInline4).at("opened").get<bool>());
  EXPECT_EQ(host->Stop(), 0);
}

// The error report is the plug-in's modeless window: in the state while it shows, whether a
// dialog is open or not, hidden by OK or Cancel on it only, the dialog staying open; an OK the
// rules refuse shows it again at once, its rows in the machine's report and log.
TEST_F(ServeTest, TheReportIsInTheStateWhileShownAndOnlyOkOrCancelHideIt) {
  constexpr uint32_t kFive = 15;
  constexpr uint32_t kTwin = 16;  // another machine of that name: its report has the caption
  std::string twin = ReadFile(Example("incoherent-five-cylinders.json"));
  const std::string index = "\"machine\": 15";
  twin.replace(twin.find(index), index.size(), "\"machine\": 16");
  Write("twin.json", twin);
  const auto host =
      Serve({"inline4-60-2-sequential.json", "incoherent-five-cylinders.json"}, {"twin.json"});
  const Json start = host->State();
  EXPECT_TRUE(ServedHost::MachineOf(start, kInline4).at("reportWindow").is_null());
  const Json opened = ServedHost::MachineOf(start, kFive).at("reportWindow");
  ASSERT_TRUE(opened.is_object()) << "the open of an incoherent machine shows its report";
  const uint32_t report = opened.at("handle");
  const Json twinReport = ServedHost::MachineOf(start, kTwin).at("reportWindow");
  ASSERT_TRUE(twinReport.is_object());
  EXPECT_NE(twinReport.at("handle"), report) << "two machines of one name share a window";
  EXPECT_TRUE(opened.at("caption").get<std::string>().ends_with(
      " " + ServedHost::MachineOf(start, kFive).at("name").get<std::string>()))
      << opened;
  EXPECT_GT(opened.at("rect").at(2).get<int>(), 0);

  const Json refused[] = {
      {{"action", "click"}, {"control", report}},
      {{"action", "help"}},
      {{"action", "scroll"}, {"request", 1}, {"position", 0}},
  };
  for (const Json& event : refused) {
    SCOPED_TRACE(event.dump());
    EXPECT_EQ(host->Event(report, event).first, 409);
  }
  auto [status, body] = host->Event(report, {{"action", "cancel"}});
  ASSERT_EQ(status, 200) << body;
  EXPECT_TRUE(ServedHost::MachineOf(Json::parse(body), kFive).at("reportWindow").is_null());
  EXPECT_EQ(host->Event(report, {{"action", "ok"}}).first, 409) << "a hidden report takes nothing";

  const uint32_t dialog = Edit(*host, kFive).at("windows").at(0).at("handle");
  for (const char* hide : {"ok", "cancel"}) {
    SCOPED_TRACE(hide);
    std::tie(status, body) = host->Event(dialog, {{"action", "ok"}});
    ASSERT_EQ(status, 200) << body;
    Json state = Json::parse(body);
    const Json& five = ServedHost::MachineOf(state, kFive);
    ASSERT_TRUE(five.at("reportWindow").is_object()) << "OK refused shows no report";
    EXPECT_EQ(five.at("report").size(), 4u);
    EXPECT_EQ(state.at("windows").size(), 1u) << "the dialog stays open";
    const std::string log = five.at("log").dump();
    EXPECT_NE(log.find(": shown, 4 row(s)"), std::string::npos) << log;
    EXPECT_EQ(log.find("action ended"), std::string::npos)
        << "printed after the action, not when shown";

    std::tie(status, body) = host->Event(five.at("reportWindow").at("handle"), {{"action", hide}});
    ASSERT_EQ(status, 200) << body;
    state = Json::parse(body);
    EXPECT_TRUE(ServedHost::MachineOf(state, kFive).at("reportWindow").is_null());
    ASSERT_EQ(state.at("windows").size(), 1u);
    EXPECT_EQ(state.at("windows").at(0).at("handle"), dialog);
  }
  EXPECT_EQ(host->Event(dialog, {{"action", "cancel"}}).first, 200);

  // A check shows it again; a closed machine has none, even with its twin's shown.
  for (const auto& [action, shown] : {std::pair{"check", true}, std::pair{"close", false}}) {
    SCOPED_TRACE(action);
    std::tie(status, body) = host->Post("/api/machines/15/" + std::string(action));
    ASSERT_EQ(status, 200) << body;
    const Json state = Json::parse(body);
    EXPECT_EQ(ServedHost::MachineOf(state, kFive).at("reportWindow").is_object(), shown);
    EXPECT_TRUE(ServedHost::MachineOf(state, kTwin).at("reportWindow").is_object());
  }
}

// Ending the server with a dialog open cancels it: nothing is sent or written, the file is
// as it was, and the server says it closed every machine.
TEST_F(ServeTest, SigtermCancelsAnOpenDialogAndLeavesTheFileAsItWas) {
  const auto host = Serve({"inline4-60-2-sequential.json"});
  const std::string before = ReadFile(dir_ / "inline4-60-2-sequential.json");
  const Json dialog = Edit(*host, kInline4).at("windows").at(0);
  const auto teeth = ServedHost::ControlWithId(dialog, VANTEL_IDC_FLYWHEEL_TEETH);
  ASSERT_EQ(host->Event(dialog.at("handle"),
                        {{"control", teeth->at("handle")}, {"action", "choose"}, {"index", 0}})
                .first,
            200);
  // A long poll waiting meanwhile is answered, not left hanging.
  const std::string poll = "/api/state?since=" + host->State().at("version").dump();
  std::thread waiting([&host, &poll] { host->Client().Get(poll.c_str()); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(host->Stop(), 0);
  waiting.join();
  EXPECT_EQ(host->Rest(), "Vantel stopped: every machine closed\n");
  EXPECT_EQ(ReadFile(dir_ / "inline4-60-2-sequential.json"), before);
}

// The address is printed before the plug-in has opened the machines: a page that asks at once
// gets the first state when it is there, not an empty one.
TEST_F(ServeTest, TheStateAskedForAtOnceHoldsEveryMachine) {
  const std::vector<std::string> examples = {"incoherent-five-cylinders.json",
                                             "inline3-regular-teeth.json",
                                             "inline4-60-2-sequential.json",
                                             "older-layout-machine2.json",
                                             "v12-12plus1-static.json",
                                             "v6-36-1-banks-twin-spark.json",
                                             "v8-two-rails.json"};
  std::vector<std::string> args;
  for (const std::string& name : examples) {
    fs::copy_file(Example(name), dir_ / name);
    args.push_back(name);
  }
  const ServedHost host(VANTEL_HOST_PATH, args, dir_.string(), /*waitReady=*/false);
  Json state = host.State();
  EXPECT_GE(state.value("version", 0), 1) << state;
  ASSERT_EQ(state.value("machines", Json::array()).size(), examples.size()) << state;
  // Until the plug-in has opened them all the state says so; then each is open and checked.
  while (!state.at("ready").get<bool>()) state = host.State(state.at("version").get<uint64_t>());
  for (const Json& machine : state.at("machines")) {
    EXPECT_TRUE(machine.at("opened").get<bool>());
    EXPECT_NE(machine.at("verdict"), "not checked");
  }
}

// The page's wire: a command answered with its version alone, the long poll then answering
// the changes since the state the page holds, which make the whole state; an answer asked
// for that a route does not give is refused before anything is played.
TEST_F(ServeTest, ACommandsVersionAndTheChangesSinceMakeTheWholeState) {
  const auto host = Serve({"inline4-60-2-sequential.json"});
  Edit(*host, kInline4);
  const Json held = host->State();
  const uint64_t since = held.at("version");
  const Json& dialog = held.at("windows").at(0);
  const Json tabs = *ServedHost::FindControl(
      dialog, [](const Json& control) { return control.at("kind") == "tab control"; });

  const auto [status, body] =
      host->Post("/api/windows/" + dialog.at("handle").dump() + "/events?answer=version",
                 {{"control", tabs.at("handle")}, {"action", "tab"}, {"index", 2}});
  ASSERT_EQ(status, 200) << body;
  const Json answer = Json::parse(body);
  ASSERT_EQ(answer.size(), 1u) << body;
  const uint64_t version = answer.at("version");
  EXPECT_GT(version, since);

  httplib::Client client = host->Client();
  const std::string poll = "/api/state?since=" + std::to_string(since) + "&answer=changes";
  const auto res = client.Get(poll.c_str());
  ASSERT_TRUE(res && res->status == 200);
  Json changes = Json::parse(res->body);
  EXPECT_EQ(changes.at("since"), since);
  // The machine is the same: only its key comes; the dialog on another page comes whole.
  ASSERT_EQ(changes.at("machines").size(), 1u);
  EXPECT_EQ(changes.at("machines").at(0), (Json{{"machine", kInline4}, {"unchanged", true}}));
  ASSERT_EQ(changes.at("windows").size(), 1u);
  EXPECT_TRUE(changes.at("windows").at(0).contains("controls"));
  changes.at("machines").at(0) = held.at("machines").at(0);
  changes.erase("since");
  EXPECT_EQ(changes, host->State());

  const struct {
    const char* method;
    const char* path;
  } refused[] = {
      {"GET", "/api/state?answer=version"},
      {"GET", "/api/state?since=1&answer=diff"},
      {"POST", "/api/machines/12/check?answer=changes"},
      {"POST", "/api/screen?answer="},
  };
  for (const auto& r : refused) {
    const auto got =
        std::string(r.method) == "GET"
            ? client.Get(r.path)
            : client.Post(r.path, R"({"width": 800, "height": 600})", "application/json");
    ASSERT_TRUE(got) << r.path;
    EXPECT_EQ(got->status, 400) << r.path << ": " << got->body;
  }
  EXPECT_EQ(host->State().at("version"), version) << "a refused request played something";
}

// Pages keep their connections, and each long poll holds one for 25 s: a hundred of them
// waiting, more than the server once had threads for, must not keep a new request waiting.
TEST_F(ServeTest, AHundredLongPollsWaitingLeaveTheServerAnsweringOthers) {
  const auto host = Serve({"inline4-60-2-sequential.json"});
  const std::string poll = "GET /api/state?since=" + host->State().at("version").dump() +
                           " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(host->port()) +
                           "\r\nX-Vantel-Token: " + host->token() + "\r\n\r\n";
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(host->port()));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::vector<int> polls;
  for (int i = 0; i < 100; ++i) {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(socket, 0);
    polls.push_back(socket);
    ASSERT_EQ(connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(send(socket, poll.data(), poll.size(), 0), static_cast<ssize_t>(poll.size()));
  }
  // Well within the polls' 25 s.
  httplib::Client client = host->Client();
  client.set_read_timeout(10, 0);
  const auto res = client.Get("/api/state");
  EXPECT_TRUE(res && res->status == 200) << httplib::to_string(res.error());
  // The polls still waiting are answered at the end: the server is ending.
  EXPECT_EQ(host->Stop(), 0);
  for (int socket : polls) {
    char head[13] = {};  // the status line's protocol and status
    EXPECT_GT(recv(socket, head, sizeof head - 1, 0), 0);
    EXPECT_STREQ(head, "HTTP/1.1 503");
    close(socket);
  }
}

// What cannot be served is said before anything is: a clear message and status 2.
TEST_F(ServeTest, WhatCannotBeServedIsRefusedAtTheStart) {
  for (const char* name : {"inline4-60-2-sequential.json", "v8-two-rails.json"})
    fs::copy_file(Example(name), dir_ / name);
  fs::copy_file(Example("inline4-60-2-sequential.json"), dir_ / "same-machine.json");
  fs::create_directory(dir_ / "folder");
  httplib::Server taken;
  const int port = taken.bind_to_any_port("127.0.0.1");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"no file", {"serve"}, "serve needs one Kalbrix file or more"},
      {"a folder", {"serve", "folder"}, "folder: is a folder: serve takes Kalbrix files"},
      {"a missing file", {"serve", "missing.json"}, "missing.json: "},
      {"two files of one machine",
       {"serve", "inline4-60-2-sequential.json", "same-machine.json"},
       "same-machine.json: machine index 12 is the one of inline4-60-2-sequential.json"},
      {"a port taken",
       {"serve", "v8-two-rails.json", "--port", std::to_string(port)},
       "cannot listen on 127.0.0.1:"},
      {"a port out of range",
       {"serve", "v8-two-rails.json", "--port", "65536"},
       "--port takes a port number from 0 to 65535"},
      {"an option of another command",
       {"serve", "v8-two-rails.json", "--write"},
       "--write belongs to"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const HostRun run = Host(c.args);
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace vantel::host
