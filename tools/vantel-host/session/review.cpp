#include "review.h"

#include <algorithm>
#include <exception>
#include <map>
#include <set>
#include <thread>
#include <unordered_map>
#include <utility>
#include <variant>

#include "findings.h"
#include "session.h"

namespace vantel::host {

namespace {

struct GroupName {
  ReviewGroup group;
  std::string_view key;
  HostWord word;
};

constexpr std::array<GroupName, kReviewGroups> kGroups = {{
    {ReviewGroup::kCylinders, "cylinders", HostWord::kReviewGroupCylinders},
    {ReviewGroup::kFlywheel, "flywheel", HostWord::kReviewGroupFlywheel},
    {ReviewGroup::kIgnition, "ignition", HostWord::kReviewGroupIgnition},
    {ReviewGroup::kInjection, "injection", HostWord::kReviewGroupInjection},
    {ReviewGroup::kPhases, "phases", HostWord::kReviewGroupPhases},
    {ReviewGroup::kRailMaps, "rail-maps", HostWord::kReviewGroupRailMaps},
    {ReviewGroup::kSwitches, "switches", HostWord::kReviewGroupSwitches},
    {ReviewGroup::kItems, "items", HostWord::kReviewGroupItems},
}};

constexpr std::array<ReviewGroup, 6> kSettingGroups = {
    ReviewGroup::kCylinders, ReviewGroup::kFlywheel, ReviewGroup::kIgnition,
    ReviewGroup::kInjection, ReviewGroup::kPhases,   ReviewGroup::kRailMaps};

/// The elements that make an ECU what it is: command tables 1 and 2, capabilities 7 to 10
/// and the rail map list 11. The others hold the machine's configuration.
constexpr std::array<int, 7> kEcuElements = {1, 2, 7, 8, 9, 10, 11};

constexpr int kSyncTableElement = kFirstConfigTableElement + 1;
/// Shown whole up to this many entries; a longer table by the entries that changed.
constexpr size_t kShownEntries = 16;

const std::string& Element(const ReviewSide& side, int element) {
  static const std::string kNoItem;
  const auto at = static_cast<size_t>(element);
  return at < side.elements.size() ? side.elements[at] : kNoItem;
}

const ItemValue* ValueOf(const ReviewSide& side, const std::string& name) {
  if (name.empty()) return nullptr;
  const KalbrixItem* item = side.kalbrix.Find(name);
  return item ? &item->value : nullptr;
}

template <class T>
std::string Entries(const std::vector<T>& values, size_t from, size_t to) {
  std::string out = from > 0 ? "[…, " : "[";
  for (size_t i = from; i < to && i < values.size(); ++i)
    out += (i == from ? "" : ", ") + std::to_string(values[i]);
  return out + (to < values.size() ? ", …]" : "]");
}

/// The span of entries where two tables differ, so that a long table shows what changed.
template <class T>
std::pair<size_t, size_t> DifferingSpan(const std::vector<T>& a, const std::vector<T>& b) {
  const size_t longest = std::max(a.size(), b.size());
  if (longest <= kShownEntries) return {0, longest};
  size_t first = 0;
  while (first < a.size() && first < b.size() && a[first] == b[first]) ++first;
  size_t last = longest;
  while (last > first && last <= a.size() && last <= b.size() && a[last - 1] == b[last - 1]) --last;
  return {first, std::min(last, first + kShownEntries)};
}

std::string ValueText(const ItemValue* value, const ItemValue* other, HostLanguage language) {
  if (!value || std::holds_alternative<std::monostate>(*value))
    return std::string(In(HostWord::kReviewNoValue, language));
  if (const auto* n = std::get_if<int32_t>(value)) return std::to_string(*n);
  if (const auto* text = std::get_if<std::string>(value)) return "\"" + *text + "\"";
  const auto table = [&](const auto& values) {
    using Table = std::decay_t<decltype(values)>;
    const auto* twin = other ? std::get_if<Table>(other) : nullptr;
    const auto [from, to] = DifferingSpan(values, twin ? *twin : values);
    return Entries(values, twin ? from : 0, twin ? to : std::min(values.size(), kShownEntries));
  };
  if (const auto* words = std::get_if<Words>(value)) return table(*words);
  return table(std::get<Longs>(*value));
}

uint32_t WordAt(const Words* table, size_t word) {
  return table && word < table->size() ? (*table)[word] : 0;
}

const Words* WordsOf(const ItemValue* value) { return value ? std::get_if<Words>(value) : nullptr; }

std::array<std::vector<uint16_t>, kWheelTables> TablesOf(const ReviewSide& side) {
  std::array<std::vector<uint16_t>, kWheelTables> tables;
  for (size_t t = 0; t < kWheelTables; ++t)
    if (const Words* words =
            WordsOf(ValueOf(side, Element(side, kFirstConfigTableElement + static_cast<int>(t)))))
      tables[t] = *words;
  return tables;
}

std::vector<TableSetting> SettingsOf(const ReviewSide& side, HostLanguage language) {
  const auto name = [&side](int32_t id) {
    const std::string* found = side.kalbrix.NameOf(id);
    return found ? *found : std::string();
  };
  return DecodeSettings(TablesOf(side), name, language);
}

/// A rule of the plug-in whose stored value the dialog shows replaced, and the setting it
/// concerns; an auxiliary phase's setting is "aux/N/<key>", N from the finding's phase "auxN".
struct ReplacingRule {
  std::string_view rule;
  std::string_view key;
  bool ofAuxPhase = false;
};

constexpr std::array<ReplacingRule, 3> kReplacingRules = {{
    {"twin-spark-cylinders", "ignition"},
    {"main-phase-camshaft", "main-phase/camshaft"},
    {"aux-phase-camshaft", "camshaft", true},
}};

/// The setting keys the plug-in's `findings` say hold a value the ECU does not allow, each with
/// the first such finding in words.
std::map<std::string, std::string> ReplacedSettings(const Json& findings, HostLanguage language) {
  std::map<std::string, std::string> replaced;
  if (!findings.is_array()) return replaced;
  for (const Json& finding : findings) {
    if (!finding.is_object()) continue;
    const std::string rule = finding.value("rule", "");
    const auto found = std::find_if(kReplacingRules.begin(), kReplacingRules.end(),
                                    [&](const ReplacingRule& r) { return r.rule == rule; });
    if (found == kReplacingRules.end()) continue;
    std::vector<std::string> keys;
    if (!found->ofAuxPhase) keys.emplace_back(found->key);
    const auto phases = finding.find("phases");
    if (found->ofAuxPhase && phases != finding.end() && phases->is_array())
      for (const Json& phase : *phases) {
        const std::string name = phase.is_string() ? phase.get<std::string>() : "";
        if (name.size() > 3 && name.starts_with("aux"))
          keys.push_back("aux/" + name.substr(3) + "/" + std::string(found->key));
      }
    for (const std::string& key : keys)
      replaced.try_emplace(key, FindingInWords(finding, language));
  }
  return replaced;
}

/// Names `name` once in `items`, keeping the order first named.
void Name(std::vector<std::string>& items, const std::string& name) {
  if (!name.empty() && std::find(items.begin(), items.end(), name) == items.end())
    items.push_back(name);
}

class Comparer {
 public:
  Comparer(const ReviewSide& before, const ReviewSide& after, HostLanguage language)
      : before_(before),
        after_(after),
        language_(language),
        replaced_(ReplacedSettings(before.findings, language)) {}

  Review Run() {
    Settings();
    FlywheelTables();
    Switches();
    Items();
    Review review;
    for (const GroupName& group : kGroups)
      for (Change& change : byGroup_[group.group]) review.changes.push_back(std::move(change));
    Rows(review);
    return review;
  }

 private:
  std::string None() const { return std::string(In(HostWord::kReviewNoValue, language_)); }

  void Add(Change change) { byGroup_[change.group].push_back(std::move(change)); }

  std::vector<std::string> TableItems(int element) const {
    std::vector<std::string> items;
    Name(items, Element(after_, element));
    Name(items, Element(before_, element));
    return items;
  }

  bool TableDiffers(int element) const {
    const ItemValue* a = ValueOf(before_, Element(before_, element));
    const ItemValue* b = ValueOf(after_, Element(after_, element));
    return (a == nullptr) != (b == nullptr) || (a && b && *a != *b);
  }

  /// The settings of EngineTable and SyncTable that differ, by the rules' decoding; their
  /// words no setting reads by name, item and word.
  void Settings() {
    const std::vector<TableSetting> old = SettingsOf(before_, language_);
    const std::vector<TableSetting> now = SettingsOf(after_, language_);
    std::map<std::string, const TableSetting*> oldByKey;
    for (const TableSetting& s : old) oldByKey[s.key] = &s;
    std::set<std::string> seen;
    std::array<size_t, 2> changedSettings{};
    const auto add = [&](const TableSetting& s, const TableSetting* was, const std::string& is) {
      const std::string before = was ? was->value : None();
      if (before == is) return;
      ++changedSettings[s.table];
      // The older value the plug-in found the ECU does not allow: the dialog showed another.
      std::string note;
      const auto replaced = replaced_.find(s.key);
      if (was && replaced != replaced_.end())
        note = Say(HostWord::kReviewReplaced, language_, {replaced->second});
      Add({kSettingGroups[static_cast<size_t>(s.group)], s.key, s.subject,
           TableItems(kFirstConfigTableElement + static_cast<int>(s.table)), before, is,
           std::move(note)});
    };
    for (const TableSetting& s : now) {
      seen.insert(s.key);
      const auto was = oldByKey.find(s.key);
      add(s, was == oldByKey.end() ? nullptr : was->second, s.value);
    }
    for (const TableSetting& s : old)
      if (!seen.contains(s.key)) add(s, &s, None());
    for (size_t table = 0; table < 2; ++table) TableWords(table, changedSettings[table] == 0);
  }

  void TableWords(size_t table, bool settingsUnchanged) {
    const int element = kFirstConfigTableElement + static_cast<int>(table);
    if (!TableDiffers(element)) return;
    const Words* a = WordsOf(ValueOf(before_, Element(before_, element)));
    const Words* b = WordsOf(ValueOf(after_, Element(after_, element)));
    const size_t words = std::max(a ? a->size() : 0, b ? b->size() : 0);
    const std::string item =
        Element(after_, element).empty() ? Element(before_, element) : Element(after_, element);
    for (size_t w = 0; w < words; ++w) {
      const WordRole role = RoleOfWord(table, w);
      // The generator's words go with the flywheel tables; a setting's, with the setting,
      // unless no setting tells the difference.
      if (role == WordRole::kGenerator || (role == WordRole::kSetting && !settingsUnchanged))
        continue;
      const bool inA = a && w < a->size();
      const bool inB = b && w < b->size();
      if (inA && inB && (*a)[w] == (*b)[w]) continue;
      Add({ReviewGroup::kItems,
           "word/" + item + "/" + std::to_string(w),
           Say(HostWord::kReviewTableWord, language_, {item, std::to_string(w)}),
           TableItems(element),
           inA ? std::to_string((*a)[w]) : None(),
           inB ? std::to_string((*b)[w]) : None(),
           {}});
    }
  }

  /// Tables 3 to 6 and the generator's words of SyncTable: told as one regeneration.
  void FlywheelTables() {
    std::vector<std::string> items;
    for (int e = kFirstConfigTableElement + 2; e <= kLastConfigTableElement; ++e)
      if (TableDiffers(e))
        for (const std::string& item : TableItems(e)) Name(items, item);
    const Words* a = WordsOf(ValueOf(before_, Element(before_, kSyncTableElement)));
    const Words* b = WordsOf(ValueOf(after_, Element(after_, kSyncTableElement)));
    const size_t words = std::max(a ? a->size() : 0, b ? b->size() : 0);
    for (size_t w = 0; w < words; ++w)
      if (RoleOfWord(1, w) == WordRole::kGenerator && WordAt(a, w) != WordAt(b, w)) {
        for (const std::string& item : TableItems(kSyncTableElement)) Name(items, item);
        break;
      }
    // A flywheel changed over tables left as they were: the ECU would count the old teeth.
    const auto& flywheel = byGroup_[ReviewGroup::kFlywheel];
    const bool wheelChanged = std::any_of(flywheel.begin(), flywheel.end(), [](const Change& c) {
      return c.key == "flywheel" || c.key.starts_with("flywheel/");
    });
    if (items.empty() && !wheelChanged) return;
    Add({ReviewGroup::kFlywheel,
         "flywheel-tables",
         Say(HostWord::kReviewFlywheelTables, language_),
         items,
         {},
         Say(items.empty() ? HostWord::kReviewNotRegenerated : HostWord::kReviewRegenerated,
             language_),
         {}});
  }

  std::string SwitchValue(const Enable* e) const {
    if (!e) return std::string(In(HostWord::kReviewNotSent, language_));
    return std::string(In(e->value ? HostWord::kReviewOn : HostWord::kReviewOff, language_));
  }

  void Switches() {
    const auto find = [](const std::vector<Enable>& list, const Enable& e) -> const Enable* {
      for (const Enable& each : list)
        if (each.kind == e.kind && each.name == e.name) return &each;
      return nullptr;
    };
    std::vector<Enable> all = after_.switched;
    for (const Enable& e : before_.switched)
      if (!find(all, e)) all.push_back(e);
    for (const Enable& e : all) {
      const Enable* was = find(before_.switched, e);
      const Enable* is = find(after_.switched, e);
      const std::string before = SwitchValue(was), after = SwitchValue(is);
      if (before == after) continue;
      const HostWord subject = e.kind == 'F'   ? HostWord::kReviewFunction
                               : e.kind == 'S' ? HostWord::kReviewSupervision
                                               : HostWord::kReviewDataItem;
      Add({ReviewGroup::kSwitches,
           std::string(1, e.kind) + "/" + e.name,
           Say(subject, language_, {e.name}),
           {e.name},
           before,
           after,
           {}});
    }
  }

  bool IsTable(const std::string& name) const {
    for (int e = kFirstConfigTableElement; e <= kLastConfigTableElement; ++e)
      if (name == Element(before_, e) || name == Element(after_, e)) return true;
    return false;
  }

  /// Every other item by name and value, in the order of the newer file.
  void Items() {
    for (const std::string& name : after_.kalbrix.ListedNames())
      Item(name, before_.kalbrix.Find(name), after_.kalbrix.Find(name));
    for (const std::string& name : before_.kalbrix.ListedNames())
      if (!after_.kalbrix.Find(name)) Item(name, before_.kalbrix.Find(name), nullptr);
  }

  void Item(const std::string& name, const KalbrixItem* before, const KalbrixItem* after) {
    const ItemValue* a = before ? &before->value : nullptr;
    const ItemValue* b = after ? &after->value : nullptr;
    if ((a && b && *a == *b) || IsTable(name)) return;
    Add({ReviewGroup::kItems,
         "item/" + name,
         name,
         {name},
         ValueText(a, b, language_),
         ValueText(b, a, language_),
         {}});
  }

  void Rows(Review& review) const {
    const auto missing = [](const std::vector<std::string>& rows, const std::string& row) {
      return std::find(rows.begin(), rows.end(), row) == rows.end();
    };
    for (const std::string& row : after_.reportRows)
      if (missing(before_.reportRows, row)) review.rowsAppeared.push_back(row);
    for (const std::string& row : before_.reportRows)
      if (missing(after_.reportRows, row)) review.rowsGone.push_back(row);
  }

  const ReviewSide& before_;
  const ReviewSide& after_;
  HostLanguage language_;
  std::map<std::string, std::string> replaced_;
  std::map<ReviewGroup, std::vector<Change>> byGroup_;
};

int NumberAfter(const std::string& key, std::string_view prefix) {
  if (!key.starts_with(prefix)) return 0;
  const std::string rest = key.substr(prefix.size());
  int n = 0;
  for (char c : rest) {
    if (c < '0' || c > '9') break;
    n = n * 10 + (c - '0');
  }
  return n;
}

/// The side `machine` is, but for its Kalbrix and what is named from it.
ReviewSide RunSide(const SessionMachine& machine) {
  ReviewSide side;
  side.file = machine.file();
  side.verdict = machine.verdict();
  side.reportRows = machine.reportRows();
  side.findings = machine.reportFindings();
  side.switched = machine.switched();
  return side;
}

/// The item of each element of the descriptor, named in one walk over the items, not one walk
/// each; of items sharing an identifier, the first by name.
std::vector<std::string> ElementsOf(const Kalbrix& kalbrix) {
  std::vector<std::string> elements(kLastConfigTableElement + 1);
  const KalbrixItem* descriptor = kalbrix.Find(kalbrix.descriptor);
  const auto* ids = descriptor ? std::get_if<Longs>(&descriptor->value) : nullptr;
  std::unordered_map<int32_t, std::vector<size_t>> wanted;
  for (size_t e = 1; ids && e < elements.size() && e < ids->size(); ++e)
    wanted[(*ids)[e]].push_back(e);
  for (const auto& [name, item] : kalbrix.items) {
    if (wanted.empty()) break;
    const auto found = wanted.find(item.id);
    if (found == wanted.end()) continue;
    for (const size_t e : found->second) elements[e] = name;
    wanted.erase(found);
  }
  return elements;
}

}  // namespace

std::string_view GroupKey(ReviewGroup group) { return kGroups[static_cast<size_t>(group)].key; }

HostWord GroupWord(ReviewGroup group) { return kGroups[static_cast<size_t>(group)].word; }

std::string ChangeLine(const Change& change) {
  if (change.before.empty()) return change.subject + ": " + change.after;
  return change.subject + " " + change.before + " → " + change.after;
}

ReviewSide SideOf(const SessionMachine& machine) {
  ReviewSide side = RunSide(machine);
  side.kalbrix = machine.kalbrix();
  side.elements = ElementsOf(side.kalbrix);
  return side;
}

std::optional<std::string> DifferentEcus(const ReviewSide& before, const ReviewSide& after) {
  const auto refuse = [&](const std::string& why) {
    return before.file + " and " + after.file + " describe different ECUs: " + why;
  };
  if (before.kalbrix.descriptor != after.kalbrix.descriptor)
    return refuse("descriptor \"" + before.kalbrix.descriptor + "\" against \"" +
                  after.kalbrix.descriptor + "\"");
  for (int e : kEcuElements) {
    const std::string& a = Element(before, e);
    const std::string& b = Element(after, e);
    if (a != b)
      return refuse("element " + std::to_string(e) + " of the descriptor is \"" + a +
                    "\" against \"" + b + "\"");
    const ItemValue* va = ValueOf(before, a);
    const ItemValue* vb = ValueOf(after, b);
    if ((va == nullptr) != (vb == nullptr) || (va && vb && *va != *vb))
      return refuse(a + " holds other values");
  }
  return std::nullopt;
}

Review Compare(const ReviewSide& before, const ReviewSide& after, HostLanguage language) {
  return Comparer(before, after, language).Run();
}

Json ChangesJson(const Review& review) {
  Json changes = Json::array();
  for (const Change& c : review.changes) {
    Json change = {{"group", GroupKey(c.group)}, {"key", c.key},       {"subject", c.subject},
                   {"items", c.items},           {"before", c.before}, {"after", c.after},
                   {"text", ChangeLine(c)}};
    if (!c.note.empty()) change["note"] = c.note;
    changes.push_back(std::move(change));
  }
  return changes;
}

Review ReviewUnsaved(const SessionMachine& machine, HostLanguage language) {
  ReviewSide before = RunSide(machine);
  before.kalbrix = machine.saved();
  before.elements = ElementsOf(machine.kalbrix());
  ReviewSide after = before;
  for (const std::string& name : machine.Unsaved())
    if (const KalbrixItem* item = machine.kalbrix().Find(name))
      after.kalbrix.Replace(name, item->value);
  // The switches and the report are the run's, not the file's: what a save writes is values.
  // The findings stay with `before`: the machine's last check names what the dialog replaced.
  before.switched = after.switched = {};
  before.reportRows = after.reportRows = {};
  return Compare(before, after, language);
}

WheelChanges ChangesOnWheel(const Review& review) {
  WheelChanges marks;
  const auto mark = [](std::vector<int>& list, int n) {
    if (n > 0 && std::find(list.begin(), list.end(), n) == list.end()) list.push_back(n);
  };
  for (const Change& change : review.changes) {
    const std::string& key = change.key;
    if (key.starts_with("flywheel")) marks.flywheel = true;
    mark(marks.cylinders, NumberAfter(key, "tdc/"));
    mark(marks.cylinders, NumberAfter(key, "bank/"));
    if (key.starts_with("main-phase")) marks.phases.push_back(0);
    mark(marks.phases, NumberAfter(key, "aux/"));
  }
  std::sort(marks.phases.begin(), marks.phases.end());
  marks.phases.erase(std::unique(marks.phases.begin(), marks.phases.end()), marks.phases.end());
  return marks;
}

Result<std::array<ReviewSide, 2>> OpenBoth(HostSession& session, const std::string& oldFile,
                                           const std::string& newFile, FILE* out,
                                           WheelInput* picture) {
  std::array<ReviewSide, 2> sides;
  const std::array<const std::string*, 2> files = {&oldFile, &newFile};
  // Read both before the plug-in sees either: bad input stops before anything is run. The
  // two reads share nothing, so NEW is read on a thread of its own while OLD is read here.
  std::array<std::pair<Json, Kalbrix>, 2> read;
  std::array<std::exception_ptr, 2> thrown;
  const auto load = [&](size_t i) {
    try {
      read[i].second = LoadKalbrix(*files[i], &read[i].first);
    } catch (...) {
      thrown[i] = std::current_exception();
    }
  };
  {
    std::jthread other(load, 1);
    load(0);
  }
  for (const std::exception_ptr& fault : thrown) {
    if (!fault) continue;
    try {
      std::rethrow_exception(fault);
    } catch (const KalbrixError& error) {
      return Failure{error.what()};
    }
  }
  for (size_t i = 0; i < 2; ++i) {
    SessionMachine* machine =
        session.Add(*files[i], std::move(read[i].first), std::move(read[i].second), out);
    struct Removed {
      HostSession& session;
      SessionMachine* machine;
      ~Removed() {
        if (machine) session.Remove(machine);
      }
    } removed{session, machine};
    // A fresh plug-in each: what it learns of a host and a machine once is learnt again.
    if (!session.Load().accepted())
      return Failure{"the plug-in refused the host (handshake answered 0)"};
    session.Open(*machine);
    sides[i] = RunSide(*machine);
    if (i == 1 && picture) *picture = session.Picture(*machine);
    session.Close(*machine);
    // Closing asks nothing of the host: the Kalbrix is as the open left it, taken, not copied.
    sides[i].kalbrix = session.Release(machine);
    removed.machine = nullptr;
    sides[i].elements = ElementsOf(sides[i].kalbrix);
  }
  return sides;
}

}  // namespace vantel::host
