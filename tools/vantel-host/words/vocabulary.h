#pragma once
// The words the host, its scripts, its server and its page share about the plug-in's
// windows: what a control is, what a user does to it, how a window scrolls, and what a line
// of the host's log tells. Each has one table of names; everything else parses or prints
// through it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "json.h"
#include "vantel/ui_automation.h"

namespace vantel::host {

/// What VantelUiGetKind names a window.
enum class ControlKind {
  kDialog,
  kPushButton,
  kDefaultButton,
  kGroupBox,
  kStatic,
  kEdit,
  kCheckBox,
  kRadioButton,
  kComboBox,
  kListView,
  kTabControl,
};
inline constexpr size_t kControlKindCount = 11;
static_assert(static_cast<size_t>(ControlKind::kTabControl) + 1 == kControlKindCount);

/// What a user does to a window or one of its controls: the events `serve` takes and the
/// steps of a script that act.
enum class UserAct {
  kClick,
  kChoose,
  kDismiss,
  kType,
  kTab,
  kOk,
  kCancel,
  kHelp,
  kResize,
  kScroll,
};
inline constexpr size_t kUserActCount = 10;
static_assert(static_cast<size_t>(UserAct::kScroll) + 1 == kUserActCount);

/// The requests of VantelUiScroll, numbered as the API numbers them.
enum class ScrollRequest : int32_t {
  kLineUp = VANTEL_UI_SCROLL_LINE_UP,
  kLineDown = VANTEL_UI_SCROLL_LINE_DOWN,
  kPageUp = VANTEL_UI_SCROLL_PAGE_UP,
  kPageDown = VANTEL_UI_SCROLL_PAGE_DOWN,
  kThumbPosition = VANTEL_UI_SCROLL_THUMB_POSITION,
  kThumbTrack = VANTEL_UI_SCROLL_THUMB_TRACK,
  kTop = VANTEL_UI_SCROLL_TOP,
  kBottom = VANTEL_UI_SCROLL_BOTTOM,
};
inline constexpr size_t kScrollRequestCount = 8;
static_assert(static_cast<size_t>(ScrollRequest::kBottom) + 1 == kScrollRequestCount);

/// What a line of the host's log is: a value sent to the plug-in, the start or end of a
/// request, or anything else the host notes.
enum class LogLineKind {
  kNote,
  kSend,
  kRequest,
};
inline constexpr size_t kLogLineKindCount = 3;
static_assert(static_cast<size_t>(LogLineKind::kRequest) + 1 == kLogLineKindCount);

std::string_view Name(ControlKind kind);
std::string_view Name(UserAct act);
std::string_view Name(ScrollRequest request);
std::string_view Name(LogLineKind kind);

std::optional<ControlKind> ParseControlKind(std::string_view name);
std::optional<UserAct> ParseUserAct(std::string_view name);
std::optional<ScrollRequest> ParseScrollRequest(std::string_view name);
std::optional<LogLineKind> ParseLogLineKind(std::string_view name);

/// A combo box, a list view or a tab control: it has entries.
bool ListsEntries(ControlKind kind);
/// A combo box or a tab control: a user reads its selected entry as its text.
bool ShowsSelection(ControlKind kind);
/// A check box or a radio button.
bool TakesCheck(ControlKind kind);

/// A line of the host's log, with its kind.
struct LogLine {
  LogLineKind kind = LogLineKind::kNote;
  std::string text;
};

/// How the step runner opens a line of `kind`: "== " a request ("== edit on machine 4"),
/// "send " a value sent ("send TAB_X (mode 1)"), nothing for a note. The runner prints these
/// and the log reads them back, so the two cannot disagree.
std::string_view LogLineOpening(LogLineKind kind);

/// The line as the step runner printed it, its kind read from its opening.
LogLine ClassifyLogLine(std::string text);

/// {"kind": ..., "text": ...}
Json LogLineJson(const LogLine& line);

/// Every name of the vocabulary for the page, keyed by the name in camel case:
/// {"controlKinds": {"comboBox": "combo box", ...}, "userActs": {...},
///  "scrollRequests": {"lineUp": 0, ...}, "logLineKinds": {...}}.
Json VocabularyJson();

}  // namespace vantel::host
