#include "serve_session.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <span>
#include <string_view>
#include <variant>

#include "check_many.h"
#include "findings.h"
#include "plugin_edge.h"
#include "review.h"
#include "vocabulary.h"
#include "wheel.h"
#include "window_snapshot.h"

namespace vantel::host {

namespace {

// The lines of a machine's log the state keeps.
constexpr size_t kLogLines = 200;

// The automation API gives message boxes this caption.
constexpr const char* kMessageBoxCaption = "VANTEL";

ssize_t AppendTo(void* cookie, const char* data, size_t size) {
  static_cast<std::string*>(cookie)->append(data, size);
  return static_cast<ssize_t>(size);
}

/// A FILE whose writes land in `text`: the step runner prints there what a terminal would show.
FILE* StringFile(std::string* text) {
  cookie_io_functions_t io{};
  io.write = &AppendTo;
  return fopencookie(text, "w", io);
}

struct FreeBuffer {
  void operator()(char* text) const { std::free(text); }
};

/// What a save of `machine` would write, as the list of its changes or as the file's text.
Reply SaveQuestion(const SessionMachine& machine, const std::string& question,
                   HostLanguage language) {
  try {
    if (question == "download") return {200, machine.SaveText(), "application/json"};
  } catch (const KalbrixError& error) {
    return Reply::Refused(500, error.what());
  }
  const Json review = {{"machine", machine.index()},
                       {"file", machine.file()},
                       {"changes", ChangesJson(ReviewUnsaved(machine, language))}};
  return {200, review.dump(), "application/json"};
}

/// `machine` closed, forgotten and opened afresh from its file as it is now; the file must
/// still be of the machine's index. Failure, with the machine as it was, when it is not.
Result<SessionMachine*> Reopened(HostSession& session, SessionMachine& machine, FILE* out) {
  Json document;
  Kalbrix kalbrix;
  try {
    kalbrix = LoadKalbrix(machine.file(), &document);
  } catch (const KalbrixError& error) {
    return Failure{error.what()};
  }
  if (kalbrix.machine != machine.index())
    return Failure{machine.file() + " now holds machine " + std::to_string(kalbrix.machine) +
                   ", not " + std::to_string(machine.index()) + ": serve it again"};
  std::string file = machine.file();
  if (machine.opened()) session.Close(machine);
  session.Remove(&machine);
  SessionMachine* fresh =
      session.Add(std::move(file), std::move(document), std::move(kalbrix), out);
  session.Open(*fresh);
  return fresh;
}

bool ActsOnMachine(const std::string& action) {
  return action == "edit" || action == "rail1" || action == "rail2";
}

// Commands that close the machine: a window of its own open then would be left to an action
// that no longer exists, and the user's OK would send nothing.
constexpr std::string_view kClosingActions[] = {"check", "close", "open", "revert"};
// Commands a closed machine cannot take: the plug-in has no configuration to act on, and
// tells the user so as if the file were broken.
constexpr std::string_view kOpenMachineActions[] = {"check", "edit", "rail1", "rail2", "save"};

bool Among(std::span<const std::string_view> actions, const std::string& action) {
  return std::find(actions.begin(), actions.end(), action) != actions.end();
}

// The plug-in's rail 2 scales edit the references of the rail map list's first map (engine
// table words 26-29), its rail 1 scales those of the second (words 30-33): a button that says
// "rail 1" edits the second map, and must say which.
struct RailActionMap {
  std::string_view action;
  size_t map;
};
constexpr RailActionMap kRailActionMaps[] = {{"rail1", 1}, {"rail2", 0}};

// The item name of map `map` of the machine's rail map list (its first long is its size);
// null when the list or the map is not in the Kalbrix.
Json RailMapName(const SessionMachine& machine, size_t map) {
  const Kalbrix& kalbrix = machine.kalbrix();
  const KalbrixItem* list = kalbrix.Find(machine.service().DescriptorItem(kRailMapListElement));
  const auto* longs = list ? std::get_if<Longs>(&list->value) : nullptr;
  if (!longs || map + 1 >= longs->size()) return nullptr;
  const std::string* name = kalbrix.NameOf((*longs)[map + 1]);
  return name ? Json(*name) : Json(nullptr);
}

Json RailMapsJson(const SessionMachine& machine) {
  Json maps = Json::object();
  for (const RailActionMap& rail : kRailActionMaps)
    maps[std::string(rail.action)] = RailMapName(machine, rail.map);
  return maps;
}

}  // namespace

// What the page is shown of a machine beside what the session keeps of it.
struct ServeSession::Machine {
  SessionMachine* played = nullptr;
  std::string printed;  // what the session printed and the log has not taken yet
  FILE* out = nullptr;
  std::deque<LogLine> log;
  std::string lastSave;
  // The values a save would write, as last published.
  std::vector<std::pair<std::string, ItemValue>> unsaved;
  std::string wheel;
  uint64_t wheelVersion = 0;

  Machine() = default;
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;
  ~Machine() {
    if (out) std::fclose(out);
  }
};

ServeSession::ServeSession(const std::vector<std::string>& files, int32_t language,
                           CommandQueue& queue, StateBoard& board, std::string plugin)
    : language_(language), queue_(queue), board_(board), session_(language, std::move(plugin)) {
  for (const std::string& file : files) {
    auto machine = std::make_unique<Machine>();
    machine->out = StringFile(&machine->printed);
    if (!machine->out) throw KalbrixError("cannot keep the host's log");
    const Result<SessionMachine*> added = session_.Add(file, machine->out);
    if (!added) throw KalbrixError(file + ": " + added.error());
    machine->played = *added;
    for (const auto& other : machines_)
      if (other->played->index() == machine->played->index())
        throw KalbrixError(file + ": machine index " + std::to_string(machine->played->index()) +
                           " is the one of " + other->played->file() +
                           ": each file served is a machine of its own");
    machines_.push_back(std::move(machine));
  }
}

ServeSession::~ServeSession() = default;

std::vector<uint32_t> ServeSession::machineIndexes() const {
  std::vector<uint32_t> indexes;
  for (const auto& machine : machines_) indexes.push_back(machine->played->index());
  return indexes;
}

ServeSession::Machine* ServeSession::Find(uint32_t index) {
  for (const auto& machine : machines_)
    if (machine->played->index() == index) return machine.get();
  return nullptr;
}

void ServeSession::Run() {
  if (!session_.Load().accepted())
    throw PluginError("the plug-in refused the host (handshake answered 0)");
  ui_ = UiApi::Load([this](const char* name) { return session_.Symbol(name); });
  ui_.setHook(&ServeSession::Turn, this);

  for (const auto& machine : machines_) {
    playingFor_.push_back(machine->played->index());
    session_.Open(*machine->played);
    playingFor_.pop_back();
    Redraw(*machine);
  }
  ready_ = true;
  Settle();

  while (std::shared_ptr<Command> command = queue_.Pop()) Play(command);

  // The queue is closed: every turn of a modal loop now gives up, so what the plug-in shows
  // while closing ends at once.
  for (const auto& machine : machines_)
    if (machine->played->opened()) session_.Close(*machine->played);
  ui_.setHook(nullptr, nullptr);
  session_.Unload();
}

int ServeSession::Turn(VantelUiWindow modal, void* self) {
  auto* session = static_cast<ServeSession*>(self);
  // A failure outside any command (the state could not be published) would come back at the
  // next turn at once: the window is given up instead, the plug-in's own cancel.
  return AtPluginEdge([&] { return session->Turn(modal); },
                      [modal](const std::string& reason) {
                        std::fprintf(stderr, "vantel-host serve: window %u given up: %s\n",
                                     static_cast<unsigned>(modal), OneLine(reason).c_str());
                        return 0;
                      });
}

// The host's UI thread waiting for its user: one user's act per turn.
int ServeSession::Turn(VantelUiWindow modal) {
  if (queue_.closed()) return 0;
  if (!ownerOf_.count(modal)) {
    ownerOf_[modal] = playingFor_.empty() ? 0 : playingFor_.back();
    int32_t rect[4] = {0, 0, 0, 0};
    if (ui_.getRect(modal, rect) == 0) openedHeight_[modal] = rect[3] - rect[1];
  }
  turning_.push_back({modal, ownerOf_[modal]});
  struct Turned {
    std::vector<OpenWindow>& turning;
    ~Turned() { turning.pop_back(); }
  } turned{turning_};
  // The report a refused OK shows is on screen while the dialog waits: its rows and the
  // log's lines go to the page now, not once the action is over.
  Machine* playing = playingFor_.empty() ? nullptr : Find(playingFor_.back());
  if (playing && session_.TakeShownReports(*playing->played)) Redraw(*playing);
  Settle();
  while (std::shared_ptr<Command> command = queue_.Pop()) {
    // A window's picture or the page's room is no user's act: the wait goes on after it.
    const bool userAct =
        command->kind != Command::Kind::kWindowSvg && command->kind != Command::Kind::kScreen;
    Play(command);
    if (userAct) return 1;
  }
  return 0;
}

// A command the host fails to play is answered with the reason, and what it changed before
// is shown: the window it was for stays usable and the server goes on.
void ServeSession::Play(const std::shared_ptr<Command>& command) {
  // The HTTP side stopped waiting for it: its client was told it was not played.
  if (command->taken.exchange(true)) return;
  const size_t depth = playingFor_.size();
  const bool failed = AtPluginEdge(
      [&] {
        PlayTaken(command);
        return false;
      },
      [&](const std::string& reason) {
        playingFor_.resize(depth);
        if (pending_ == command) pending_.reset();
        command->Answer(
            Reply::Refused(500, "the host failed to play the command: " + OneLine(reason)));
        return true;
      });
  if (failed) Settle();
}

void ServeSession::PlayTaken(const std::shared_ptr<Command>& command) {
  switch (command->kind) {
    case Command::Kind::kWindowSvg: {
      const std::unique_ptr<char, FreeBuffer> svg(ui_.renderSvg(command->window));
      if (!svg)
        command->Answer(
            Reply::Refused(404, "no window " + std::to_string(command->window) + " is open"));
      else
        command->Answer({200, svg.get(), "image/svg+xml"});
      return;
    }
    case Command::Kind::kScreen:
      // Taken by the windows laid out from now on; an open one is fitted to it here.
      if (ui_.setScreenSize) {
        const int32_t height = command->event.at("height").get<int32_t>();
        ui_.setScreenSize(command->event.at("width").get<int32_t>(), height);
        if (FitToScreen(height)) Publish();
      }
      command->Answer({200, board_.Current(command->answer), "application/json"});
      return;
    case Command::Kind::kMachine:
      pending_ = command;
      PlayMachineCommand(*command);
      return;
    case Command::Kind::kEvent:
      PlayEvent(command);
      return;
  }
}

void ServeSession::PlayMachineCommand(Command& command) {
  Machine* m = Find(command.machine);
  if (!m) {
    command.Answer(Reply::Refused(404, "no machine " + std::to_string(command.machine)));
    return;
  }
  if (const std::optional<std::string> refusal = Refusal(*m, command.action)) {
    command.Answer(Reply::Refused(409, *refusal));
    return;
  }
  if (command.action == "review" || command.action == "download") {
    // A question: answered at once, nothing played, nothing published.
    pending_.reset();
    command.Answer(SaveQuestion(*m->played, command.action, HostLanguageOf(language_)));
    return;
  }
  SessionMachine& played = *m->played;
  playingFor_.push_back(played.index());
  if (command.action == "open" || command.action == "close") {
    const bool open = command.action == "open";
    if (played.opened() == open) {
      command.Answer(Reply::Refused(409, "machine " + std::to_string(command.machine) +
                                             (open ? " is open already" : " is not open")));
    } else if (open) {
      session_.Open(played);
    } else {
      session_.Close(played);
    }
  } else if (command.action == "check") {
    if (played.opened()) session_.Close(played);
    session_.Open(played);
  } else if (ActsOnMachine(command.action)) {
    const HostAction action = command.action == "edit"    ? HostAction::kEdit
                              : command.action == "rail1" ? HostAction::kMapScaleRail1
                                                          : HostAction::kMapScaleRail2;
    session_.Action(played, action);
  } else if (command.action == "save") {
    Save(*m);
  } else if (command.action == "revert") {
    const Result<SessionMachine*> fresh = Reopened(session_, played, m->out);
    if (!fresh) {
      command.Answer(Reply::Refused(409, fresh.error()));
    } else {
      m->played = *fresh;
      m->lastSave.clear();
    }
  } else {
    command.Answer(Reply::Refused(404, "no action \"" + command.action + "\""));
  }
  playingFor_.pop_back();
  Redraw(*m);
  Settle();
}

std::optional<std::string> ServeSession::Refusal(const Machine& m,
                                                 const std::string& action) const {
  const uint32_t index = m.played->index();
  const std::string machine = "machine " + std::to_string(index);
  const bool windowOpen = std::any_of(turning_.begin(), turning_.end(),
                                      [index](const OpenWindow& w) { return w.machine == index; });
  if (windowOpen && Among(kClosingActions, action))
    return machine + " has a window open: finish or cancel the dialog first";
  if (!m.played->opened() && Among(kOpenMachineActions, action))
    return machine + " is closed: open it first";
  return std::nullopt;
}

void ServeSession::Save(Machine& m) {
  m.lastSave =
      SaveOutcomeLine(session_.Save(*m.played), m.played->file(), HostLanguageOf(language_));
  std::fprintf(m.out, "%s\n", m.lastSave.c_str());
}

void ServeSession::NoteUnsaved(Machine& m) {
  std::vector<std::pair<std::string, ItemValue>> unsaved;
  for (std::string& name : m.played->Unsaved()) {
    ItemValue value = m.played->kalbrix().Find(name)->value;
    unsaved.emplace_back(std::move(name), std::move(value));
  }
  if (unsaved == m.unsaved) return;
  // A save's line tells of values that are no longer the last.
  if (!unsaved.empty()) m.lastSave.clear();
  m.unsaved = std::move(unsaved);
}

void ServeSession::PlayEvent(const std::shared_ptr<Command>& shared) {
  Command& command = *shared;
  const uint32_t window = command.window;
  if (IsShownReport(window)) {
    PlayReportEvent(shared);
    return;
  }
  if (turning_.empty() || turning_.back().handle != window) {
    const bool below =
        std::any_of(turning_.begin(), turning_.end(),
                    [window](const OpenWindow& open) { return open.handle == window; });
    command.Answer(Reply::Refused(
        409,
        "window " + std::to_string(window) +
            (below ? " is not the top window: answer the one above it first" : " is not open")));
    return;
  }
  const Json& event = command.event;
  const uint32_t control = event.value("control", 0u);
  const std::string action = event.value("action", "");
  const std::optional<UserAct> act = ParseUserAct(action);
  const std::string named = control ? "control " + std::to_string(control) : "the window";
  if (control != 0) {
    if (!Holds(window, control)) {
      command.Answer(Reply::Refused(
          409, "window " + std::to_string(window) + " has no control " + std::to_string(control)));
      return;
    }
    if (ui_.isVisible(control) != 1 || ui_.isEnabled(control) != 1) {
      command.Answer(Reply::Refused(
          409, named + (ui_.isVisible(control) != 1 ? " is hidden" : " is disabled")));
      return;
    }
  }
  const VantelUiWindow target = control ? control : window;
  const int32_t index = event.value("index", 0);
  // The server lets through only the acts it knows.
  if (!act) {
    command.Answer(Reply::Refused(409, "cannot " + action + " " + named + " now"));
    return;
  }
  if (act != UserAct::kHelp) help_.erase(window);

  pending_ = shared;
  playingFor_.push_back(ownerOf_[window]);
  int32_t done = 0;
  switch (*act) {
    case UserAct::kClick:
      done = ui_.click(target);
      break;
    case UserAct::kChoose:
      done = ui_.selectComboItem(target, index);
      break;
    case UserAct::kDismiss:
      done = ui_.dismissComboAt(target, index);
      break;
    case UserAct::kType:
      done = ui_.setEditText(target, event.value("text", "").c_str());
      break;
    case UserAct::kTab:
      done = ui_.selectTab(target, index);
      break;
    case UserAct::kOk:
      done = ui_.pressOk(target);
      break;
    case UserAct::kCancel:
      done = ui_.pressCancel(target);
      break;
    case UserAct::kHelp: {
      const VantelUiWindow popup = ui_.askHelp(target);
      if (popup != 0) help_[window] = Json{{"control", control}, {"text", ui_.Text(popup)}};
      done = popup != 0;
      break;
    }
    case UserAct::kResize:
      done = ui_.resize(target, event.value("edge", 0), event.value("width", 0),
                        event.value("height", 0));
      break;
    case UserAct::kScroll:
      done = ui_.scroll(target, event.value("request", 0), event.value("position", 0));
      break;
  }
  playingFor_.pop_back();
  // Done, the event is answered on the next turn, once the plug-in has taken it all in; a
  // window that showed something meanwhile has answered it already.
  if (done != 1 && pending_ == shared) {
    pending_.reset();
    command.Answer(Reply::Refused(409, "cannot " + action + " " + named + " now"));
  }
}

// As a desktop keeps its windows on a screen that shrinks: a window taller than the screen
// has its bottom edge dragged up to fit, as the user would, so that the plug-in lays it out
// again (a dialog that scrolls, its view shorter); on a screen that grows again it goes back
// towards the height it opened at. The plug-in keeps a dialog's width, and takes the drag
// only on a window that sizes and that no other window covers.
bool ServeSession::FitToScreen(int32_t screenHeight) {
  constexpr int32_t kBottomEdge = 6;
  bool moved = false;
  for (const OpenWindow& window : turning_) {
    const auto opened = openedHeight_.find(window.handle);
    int32_t rect[4] = {0, 0, 0, 0};
    if (opened == openedHeight_.end() || ui_.getRect(window.handle, rect) != 0) continue;
    const int32_t height = std::min(opened->second, screenHeight);
    if (height == rect[3] - rect[1]) continue;
    moved |= ui_.resize(window.handle, kBottomEdge, rect[2] - rect[0], height) == 1;
  }
  return moved;
}

bool ServeSession::IsShownReport(VantelUiWindow window) {
  if (window == 0) return false;
  for (const auto& machine : machines_)
    if (ReportWindow(*machine) == window && ui_.isVisible(window) == 1) return true;
  return false;
}

// The report is modeless and has no owner: the dialog's modal loop leaves it usable.
void ServeSession::PlayReportEvent(const std::shared_ptr<Command>& shared) {
  Command& command = *shared;
  const std::string action = command.event.value("action", "");
  const std::optional<UserAct> act = ParseUserAct(action);
  if (command.event.value("control", 0u) != 0 || (act != UserAct::kOk && act != UserAct::kCancel)) {
    command.Answer(Reply::Refused(409, "the error report takes only ok and cancel on itself"));
    return;
  }
  const int32_t done =
      act == UserAct::kOk ? ui_.pressOk(command.window) : ui_.pressCancel(command.window);
  if (done != 1) {
    command.Answer(Reply::Refused(409, "cannot " + action + " the error report now"));
    return;
  }
  pending_ = shared;
  Settle();
}

// By the handle the plug-in's log gave with the fill: two machines of one name have reports
// of one caption.
VantelUiWindow ServeSession::ReportWindow(Machine& m) {
  if (!m.played->opened()) return 0;
  const VantelUiWindow window = m.played->reportWindow();
  // Handles are never reused: a stale one is a report closed with its configuration.
  return window != 0 && ui_.isVisible(window) != -1 ? window : 0;
}

Json ServeSession::ReportWindowJson(Machine& m) {
  const VantelUiWindow window = ReportWindow(m);
  if (window == 0 || ui_.isVisible(window) != 1) return nullptr;
  int32_t rect[4] = {0, 0, 0, 0};
  ui_.getRect(window, rect);
  return Json{{"handle", window},
              {"caption", ui_.Text(window)},
              {"rect", Json::array({0, 0, rect[2] - rect[0], rect[3] - rect[1]})}};
}

bool ServeSession::Holds(VantelUiWindow window, VantelUiWindow control) {
  for (int32_t i = 0;; ++i) {
    const VantelUiWindow child = ui_.getChild(window, i);
    if (child == 0) return false;
    if (child == control || Holds(child, control)) return true;
  }
}

void ServeSession::Settle() {
  // A window whose loop is not turning while the plug-in settles has closed.
  const auto closed = [this](const auto& entry) {
    return std::none_of(turning_.begin(), turning_.end(),
                        [&entry](const OpenWindow& open) { return open.handle == entry.first; });
  };
  std::erase_if(ownerOf_, closed);
  std::erase_if(openedHeight_, closed);
  std::erase_if(help_, closed);
  for (const auto& machine : machines_) {
    TakeLog(*machine);
    NoteUnsaved(*machine);
  }
  Publish();
  if (pending_) pending_->Answer({200, board_.Current(pending_->answer), "application/json"});
  pending_.reset();
}

void ServeSession::Publish() {
  Json machines = Json::array();
  std::map<uint32_t, std::string> wheels;
  for (const auto& machine : machines_) {
    machines.push_back(MachineJson(*machine));
    wheels[machine->played->index()] = machine->wheel;
  }
  Json windows = Json::array();
  for (const OpenWindow& window : turning_) windows.push_back(WindowJson(window));
  // Moved in: a brace list would copy every window's tree once more.
  Json state = Json::object();
  state["language"] = language_;
  state["ready"] = ready_;
  state["machines"] = std::move(machines);
  state["windows"] = std::move(windows);
  board_.Publish(state, std::move(wheels));
}

Json ServeSession::MachineJson(Machine& m) {
  const SessionMachine& played = *m.played;
  Json report = Json::array();
  const std::vector<std::string>& rows = played.reportRows();
  for (size_t row = 0; row < rows.size(); ++row)
    report.push_back(Json{
        {"text", rows[row]},
        {"findings", RowFindingsJson(played.reportFindings(), row, HostLanguageOf(language_))}});
  Json log = Json::array();
  for (const LogLine& line : m.log) log.push_back(LogLineJson(line));
  return Json{
      {"machine", played.index()},
      {"name", played.kalbrix().machineName.value_or("")},
      {"file", played.file()},
      {"opened", played.opened()},
      {"verdict", VerdictName(played.verdict())},
      {"report", report},
      {"reportWindow", ReportWindowJson(m)},
      {"functions", SwitchesJson(played.switched(), 'F')},
      {"supervisions", SwitchesJson(played.switched(), 'S')},
      {"dataItems", SwitchesJson(played.switched(), 'D')},
      {"tablesRewritten", played.tablesRewritten()},
      {"log", log},
      {"saved", m.lastSave},
      {"unsaved", m.unsaved.size()},
      {"wheelVersion", m.wheelVersion},
      {"railMaps", RailMapsJson(played)},
  };
}

Json ServeSession::WindowJson(const OpenWindow& window) {
  const WindowSnapshot snapshot = ReadWindowSnapshot(ui_, window.handle);
  Json json = WindowSnapshotJson(snapshot);
  const auto help = help_.find(window.handle);
  json["machine"] = window.machine;
  json["messageBox"] = snapshot.caption == kMessageBoxCaption;
  json["help"] = help == help_.end() ? Json(nullptr) : help->second;
  return json;
}

// The picture of the tables as they are now; a new version only when it changed.
void ServeSession::Redraw(Machine& m) {
  std::string svg = DrawWheel(session_.Picture(*m.played));
  if (svg == m.wheel) return;
  m.wheel = std::move(svg);
  ++m.wheelVersion;
}

void ServeSession::TakeLog(Machine& m) {
  std::fflush(m.out);
  size_t start = 0;
  for (size_t end; (end = m.printed.find('\n', start)) != std::string::npos; start = end + 1) {
    m.log.push_back(ClassifyLogLine(m.printed.substr(start, end - start)));
    if (m.log.size() > kLogLines) m.log.pop_front();
  }
  m.printed.erase(0, start);
}

}  // namespace vantel::host
