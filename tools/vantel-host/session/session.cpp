#include "session.h"

#include <algorithm>
#include <deque>
#include <utility>

#include "actions.h"

namespace vantel::host {

namespace {

/// Keeps the last value sent for each entry, in the order first sent.
void NoteSwitches(const std::vector<Enable>& sent, std::vector<Enable>* switched) {
  for (const Enable& e : sent) {
    const auto same = std::find_if(switched->begin(), switched->end(), [&](const Enable& known) {
      return known.kind == e.kind && known.name == e.name;
    });
    if (same == switched->end())
      switched->push_back(e);
    else
      same->value = e.value;
  }
}

/// Notes what a step showed: the last value sent for each enable, and each configuration
/// table written (the option and injection flags items are not tables).
void NoteSeen(const Observation& seen, const HostService& service, std::vector<Enable>* switched,
              std::vector<std::string>* tablesRewritten) {
  NoteSwitches(seen.enables, switched);
  const std::string optionItem = service.DescriptorItem(kOptionFlagsElement);
  const std::string injectionItem = service.DescriptorItem(kInjectionFlagsElement);
  for (const std::string& name : seen.written)
    if (name != optionItem && name != injectionItem &&
        std::find(tablesRewritten->begin(), tablesRewritten->end(), name) == tablesRewritten->end())
      tablesRewritten->push_back(name);
}

/// The six tables as the Kalbrix holds them now; the verdict and the rows are the caller's.
WheelInput WheelInputOf(const Kalbrix& kalbrix, const HostService& service) {
  WheelInput input;
  input.title = kalbrix.machineName.value_or("machine " + std::to_string(kalbrix.machine));
  for (size_t t = 0; t < kWheelTables; ++t) {
    input.itemNames[t] = service.DescriptorItem(kFirstConfigTableElement + static_cast<int>(t));
    const KalbrixItem* item = kalbrix.Find(input.itemNames[t]);
    if (!item) continue;
    if (const auto* words = std::get_if<Words>(&item->value)) input.tables[t] = *words;
  }
  return input;
}

StepKind StartOf(HostAction action) {
  switch (action) {
    case HostAction::kMapScaleRail1:
      return StepKind::kMapScaleRail1;
    case HostAction::kMapScaleRail2:
      return StepKind::kMapScaleRail2;
    case HostAction::kEdit:
      break;
  }
  return StepKind::kEdit;
}

const std::vector<std::string> kNoRows;
const Json kNoFindings = Json::array();

}  // namespace

std::string SaveOutcomeLine(const SaveOutcome& outcome, const std::string& file,
                            HostLanguage language) {
  switch (outcome.kind) {
    case SaveOutcome::Kind::kRefused:
      return Say(HostWord::kSaveRefused, language, {std::to_string(outcome.saveStatus), file});
    case SaveOutcome::Kind::kNothingToWrite:
      return Say(HostWord::kSaveNothingWritten, language, {file});
    case SaveOutcome::Kind::kWritten:
      return Say(HostWord::kSaveWritten, language, {std::to_string(outcome.written), file});
    case SaveOutcome::Kind::kFailed:
      break;
  }
  return Say(HostWord::kSaveNotWritten, language, {outcome.reason});
}

// ---- The machines -------------------------------------------------------------------------

SessionMachine::SessionMachine(std::string file, Json document, Kalbrix kalbrix, int32_t language,
                               FILE* out, FILE* trace)
    : file_(std::move(file)),
      document_(std::move(document)),
      kalbrix_(std::move(kalbrix)),
      saved_(kalbrix_),
      service_(std::make_unique<HostService>(kalbrix_, language, trace)),
      out_(out) {}

SessionMachine::~SessionMachine() = default;

Verdict SessionMachine::verdict() const {
  return runner_ ? runner_->verdict() : Verdict::kNotChecked;
}

const std::vector<std::string>& SessionMachine::reportRows() const {
  return runner_ ? runner_->reportRows() : kNoRows;
}

const Json& SessionMachine::reportFindings() const {
  return runner_ ? runner_->reportFindings() : kNoFindings;
}

VantelUiWindow SessionMachine::reportWindow() const {
  return runner_ ? runner_->reportWindow() : 0;
}

std::vector<std::string> SessionMachine::Unsaved() const {
  return ChangedItems(saved_, kalbrix_, service_->WrittenItems());
}

std::string SessionMachine::SaveText() const {
  return DumpKalbrix(PatchValues(document_, kalbrix_, Unsaved()));
}

// ---- The session --------------------------------------------------------------------------

HostSession::HostSession(int32_t language, std::string plugin)
    : language_(language), pluginPath_(std::move(plugin)), noneService_(none_, language, nullptr) {}

HostSession::~HostSession() { Unload(); }

Result<SessionMachine*> HostSession::Add(const std::string& file, FILE* out, FILE* trace) {
  Json document;
  Kalbrix kalbrix;
  try {
    kalbrix = LoadKalbrix(file, &document);
  } catch (const KalbrixError& error) {
    return Failure{error.what()};
  }
  return Add(file, std::move(document), std::move(kalbrix), out, trace);
}

SessionMachine* HostSession::Add(std::string file, Json document, Kalbrix kalbrix, FILE* out,
                                 FILE* trace) {
  // A run over many files adds one machine per file: the log of the host's own stays small.
  if (uiLog_) uiLog_->Restart();
  machines_.push_back(std::unique_ptr<SessionMachine>(new SessionMachine(
      std::move(file), std::move(document), std::move(kalbrix), language_, out, trace)));
  return machines_.back().get();
}

void HostSession::Remove(SessionMachine* machine) { Release(machine); }

Kalbrix HostSession::Release(SessionMachine* machine) {
  const auto held = std::find_if(machines_.begin(), machines_.end(),
                                 [machine](const auto& m) { return m.get() == machine; });
  if (held == machines_.end()) return {};
  Kalbrix kalbrix = std::move((*held)->kalbrix_);
  machines_.erase(held);
  return kalbrix;
}

SessionMachine* HostSession::Find(uint32_t index) const {
  for (const auto& machine : machines_)
    if (machine->index() == index) return machine.get();
  return nullptr;
}

HandshakeResult HostSession::Load() {
  if (plugin_) Unload();
  InstallHostRouter([this](int32_t index) -> HostService* {
    if (SessionMachine* machine = Find(static_cast<uint32_t>(index))) return &machine->service();
    // A host's questions that concern no machine of its own are answered by the first.
    return machines_.empty() ? &noneService_ : &machines_.front()->service();
  });
  if (!uiLog_) uiLog_ = std::make_unique<UiEventLog>();
  plugin_ = std::make_unique<LoadedPlugin>(pluginPath_);
  const auto [version, language] = plugin_->Handshake(0);
  // What the handshake made the plug-in ask and show is no step's.
  for (const auto& machine : machines_) machine->service_->TakeObservation();
  uiLog_->TakeNew();
  return {version, language};
}

void HostSession::Unload() {
  for (const auto& machine : machines_) machine->runner_.reset();
  plugin_.reset();
  exports_.reset();
  InstallHostRouter({});
}

void* HostSession::Symbol(const char* name) const {
  if (!plugin_) throw PluginError(std::string("the plug-in is not loaded: no ") + name);
  return plugin_->Symbol(name);
}

StepRunner& HostSession::Runner(SessionMachine& m) {
  if (m.runner_) return *m.runner_;
  if (!plugin_) throw PluginError("the plug-in is not loaded");
  if (!exports_) exports_ = plugin_->Exports();
  m.runner_ = std::make_unique<StepRunner>(m.kalbrix_, *m.service_, *uiLog_, *exports_, m.out_);
  m.runner_->onSeen = [&m](const Observation& seen) {
    NoteSeen(seen, *m.service_, &m.switched_, &m.tablesRewritten_);
  };
  return *m.runner_;
}

StepResult HostSession::Step(SessionMachine& m, const vantel::host::Step& step) {
  StepRunner& runner = Runner(m);
  Observation seen = runner.Run(step);
  if (step.kind == StepKind::kOpen) m.opened_ = true;
  if (step.kind == StepKind::kClose) m.opened_ = false;
  return {std::move(seen), runner.verdict()};
}

StepResult HostSession::Open(SessionMachine& m) {
  return Step(m, vantel::host::Step{StepKind::kOpen, m.kalbrix_.descriptor, 0, 0, false});
}

StepResult HostSession::Close(SessionMachine& m) {
  return Step(m, vantel::host::Step{StepKind::kClose, m.kalbrix_.descriptor, 0, 0, false});
}

ActionResult HostSession::Action(SessionMachine& m, HostAction action,
                                 const std::function<bool()>& over) {
  StepRunner& runner = Runner(m);
  const ActionOutcome outcome = PlayHostAction(runner, m.kalbrix_, StartOf(action), m.out_);
  ActionResult result{outcome.ended, outcome.wrote, false, runner.verdict()};
  if (over && over()) return result;
  result.checked = outcome.ended && outcome.wrote;
  CheckWrittenTables(runner, m.kalbrix_, outcome, m.out_);
  if (result.checked) m.opened_ = true;
  result.verdict = runner.verdict();
  return result;
}

// The plug-in's save first: the file is written only when it does not refuse.
SaveOutcome HostSession::Save(SessionMachine& m) {
  const StepResult saved =
      Step(m, vantel::host::Step{StepKind::kSave, m.kalbrix_.descriptor, 0, 0, false});
  if (!saved.seen.saveStatus.empty())
    return {SaveOutcome::Kind::kRefused, saved.seen.saveStatus.back(), 0, {}};
  return WriteBack(m);
}

// Through a temporary file, so that an interrupted write leaves the file as it was; what
// was written is then what the file holds, and the next write starts from there.
SaveOutcome HostSession::WriteBack(SessionMachine& m) {
  try {
    const size_t written =
        WriteChangedValues(m.file_, m.document_, m.saved_, m.kalbrix_, m.service_->WrittenItems());
    if (written == 0) return {SaveOutcome::Kind::kNothingToWrite, 0, 0, {}};
    m.document_ = ParseKalbrixText(ReadKalbrixFile(m.file_));
    m.saved_ = m.kalbrix_;
    return {SaveOutcome::Kind::kWritten, 0, written, {}};
  } catch (const KalbrixError& error) {
    return {SaveOutcome::Kind::kFailed, 0, 0, error.what()};
  }
}

WheelInput HostSession::Picture(const SessionMachine& m) const {
  WheelInput input = WheelInputOf(m.kalbrix_, *m.service_);
  input.verdict = VerdictName(m.verdict());
  input.reportRows = m.reportRows();
  input.reportFindings = m.reportFindings();
  input.language = HostLanguageOf(language_);
  return input;
}

bool HostSession::TakeShownReports(SessionMachine& m) {
  return m.runner_ && m.runner_->TakeShownReports();
}

}  // namespace vantel::host
