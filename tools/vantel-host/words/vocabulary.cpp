#include "vocabulary.h"

#include <array>
#include <cctype>

namespace vantel::host {

namespace {

template <typename Value>
struct Named {
  Value value;
  std::string_view name;
};

struct KindTraits {
  ControlKind kind;
  std::string_view name;
  bool entries;
  bool selectionShown;
  bool check;
};

constexpr std::array<KindTraits, kControlKindCount> kKinds = {{
    {ControlKind::kDialog, VANTEL_UI_KIND_DIALOG, false, false, false},
    {ControlKind::kPushButton, VANTEL_UI_KIND_PUSH_BUTTON, false, false, false},
    {ControlKind::kDefaultButton, VANTEL_UI_KIND_DEFAULT_BUTTON, false, false, false},
    {ControlKind::kGroupBox, VANTEL_UI_KIND_GROUP_BOX, false, false, false},
    {ControlKind::kStatic, VANTEL_UI_KIND_STATIC, false, false, false},
    {ControlKind::kEdit, VANTEL_UI_KIND_EDIT, false, false, false},
    {ControlKind::kCheckBox, VANTEL_UI_KIND_CHECK_BOX, false, false, true},
    {ControlKind::kRadioButton, VANTEL_UI_KIND_RADIO_BUTTON, false, false, true},
    {ControlKind::kComboBox, VANTEL_UI_KIND_COMBO_BOX, true, true, false},
    {ControlKind::kListView, VANTEL_UI_KIND_LIST_VIEW, true, false, false},
    {ControlKind::kTabControl, VANTEL_UI_KIND_TAB_CONTROL, true, true, false},
}};

constexpr std::array<Named<UserAct>, kUserActCount> kActs = {{
    {UserAct::kClick, "click"},
    {UserAct::kChoose, "choose"},
    {UserAct::kDismiss, "dismiss"},
    {UserAct::kType, "type"},
    {UserAct::kTab, "tab"},
    {UserAct::kOk, "ok"},
    {UserAct::kCancel, "cancel"},
    {UserAct::kHelp, "help"},
    {UserAct::kResize, "resize"},
    {UserAct::kScroll, "scroll"},
}};

constexpr std::array<Named<ScrollRequest>, kScrollRequestCount> kScrollRequests = {{
    {ScrollRequest::kLineUp, "line up"},
    {ScrollRequest::kLineDown, "line down"},
    {ScrollRequest::kPageUp, "page up"},
    {ScrollRequest::kPageDown, "page down"},
    {ScrollRequest::kThumbPosition, "thumb position"},
    {ScrollRequest::kThumbTrack, "thumb track"},
    {ScrollRequest::kTop, "top"},
    {ScrollRequest::kBottom, "bottom"},
}};

constexpr std::array<Named<LogLineKind>, kLogLineKindCount> kLogLineKinds = {{
    {LogLineKind::kNote, "note"},
    {LogLineKind::kSend, "send"},
    {LogLineKind::kRequest, "request"},
}};

// Each table is in its enum's order, so that a value is its own row.
template <typename Table>
constexpr bool InEnumOrder(const Table& table) {
  for (size_t i = 0; i < table.size(); ++i) {
    if constexpr (requires { table[i].kind; }) {
      if (static_cast<size_t>(table[i].kind) != i) return false;
    } else {
      if (static_cast<size_t>(table[i].value) != i) return false;
    }
  }
  return true;
}
static_assert(InEnumOrder(kKinds) && InEnumOrder(kActs) && InEnumOrder(kScrollRequests) &&
              InEnumOrder(kLogLineKinds));

template <typename Table, typename Value>
const auto& Row(const Table& table, Value value) {
  return table.at(static_cast<size_t>(value));
}

template <typename Value, size_t N>
std::optional<Value> Parse(const std::array<Named<Value>, N>& table, std::string_view name) {
  for (const Named<Value>& row : table)
    if (row.name == name) return row.value;
  return std::nullopt;
}

// "combo box" -> "comboBox": a name the page can write as a property.
std::string CamelCase(std::string_view name) {
  std::string out;
  bool upper = false;
  for (const char c : name) {
    if (c == ' ') {
      upper = true;
      continue;
    }
    out += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
    upper = false;
  }
  return out;
}

template <typename Table>
Json NamesJson(const Table& table) {
  Json names = Json::object();
  for (const auto& row : table) names[CamelCase(row.name)] = std::string(row.name);
  return names;
}

constexpr std::string_view kRequestOpening = "== ";
constexpr std::string_view kSendOpening = "send ";

}  // namespace

std::string_view LogLineOpening(LogLineKind kind) {
  switch (kind) {
    case LogLineKind::kRequest:
      return kRequestOpening;
    case LogLineKind::kSend:
      return kSendOpening;
    case LogLineKind::kNote:
      break;
  }
  return "";
}

std::string_view Name(ControlKind kind) { return Row(kKinds, kind).name; }
std::string_view Name(UserAct act) { return Row(kActs, act).name; }
std::string_view Name(ScrollRequest request) { return Row(kScrollRequests, request).name; }
std::string_view Name(LogLineKind kind) { return Row(kLogLineKinds, kind).name; }

std::optional<ControlKind> ParseControlKind(std::string_view name) {
  for (const KindTraits& row : kKinds)
    if (row.name == name) return row.kind;
  return std::nullopt;
}

std::optional<UserAct> ParseUserAct(std::string_view name) { return Parse(kActs, name); }

std::optional<ScrollRequest> ParseScrollRequest(std::string_view name) {
  return Parse(kScrollRequests, name);
}

std::optional<LogLineKind> ParseLogLineKind(std::string_view name) {
  return Parse(kLogLineKinds, name);
}

bool ListsEntries(ControlKind kind) { return Row(kKinds, kind).entries; }
bool ShowsSelection(ControlKind kind) { return Row(kKinds, kind).selectionShown; }
bool TakesCheck(ControlKind kind) { return Row(kKinds, kind).check; }

LogLine ClassifyLogLine(std::string text) {
  const std::string_view line = text;
  const LogLineKind kind = line.starts_with(kSendOpening)      ? LogLineKind::kSend
                           : line.starts_with(kRequestOpening) ? LogLineKind::kRequest
                                                               : LogLineKind::kNote;
  return {kind, std::move(text)};
}

Json LogLineJson(const LogLine& line) {
  return Json{{"kind", std::string(Name(line.kind))}, {"text", line.text}};
}

Json VocabularyJson() {
  Json scrollRequests = Json::object();
  for (const Named<ScrollRequest>& row : kScrollRequests)
    scrollRequests[CamelCase(row.name)] = static_cast<int32_t>(row.value);
  Json vocabulary = Json::object();
  vocabulary["controlKinds"] = NamesJson(kKinds);
  vocabulary["userActs"] = NamesJson(kActs);
  vocabulary["scrollRequests"] = std::move(scrollRequests);
  vocabulary["logLineKinds"] = NamesJson(kLogLineKinds);
  return vocabulary;
}

}  // namespace vantel::host
