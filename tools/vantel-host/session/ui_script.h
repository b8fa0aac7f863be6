#pragma once
// The user's part of a host action: steps that a script or a person at a terminal plays on
// the plug-in's modal windows, through the automation API the plug-in exports.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "one_line.h"
#include "ui_api.h"
#include "vantel/ui_automation.h"
#include "vocabulary.h"

namespace vantel::host {

enum class UiStepKind {
  kTab,
  kClick,
  kChoose,
  kDismiss,
  kType,
  kOk,
  kCancel,
  kHelp,
  kAnswer,
  kSnapshot,
  kExpect,
  kShow,
};

enum class Expectation { kText, kChecked, kEnabled, kItems };

/// The control a step names that is the modal window itself ("window").
inline constexpr int32_t kModalWindow = -1;

struct UiStep {
  UiStepKind kind = UiStepKind::kShow;
  int line = 0;
  std::string source;  // the step as written, for the echo
  int32_t control = 0;
  /// tab, choose, dismiss: the entry; -1 when `text` names it. answer: the button id.
  int32_t index = -1;
  std::string text;  // an entry's text, what to type, a snapshot's name
  Expectation expectation = Expectation::kText;
  bool flag = false;                  // expect checked / enabled
  std::vector<std::string> expected;  // expect text (one) or items (all, in order)
};

/// One line: a step, or nullopt for a blank or comment line. A bad line throws nothing: it
/// gives nullopt and sets `error` (which the caller must clear before).
std::optional<UiStep> ParseUiStep(const std::string& line, int lineNumber, std::string* error);

/// A whole script; false with "SOURCE:LINE: ..." in `error` at the first bad line, `source`
/// naming the script as a user gave it.
bool ParseUiScript(const std::string& text, const std::string& source, std::vector<UiStep>* steps,
                   std::string* error);

/// The user's act a step plays, spelled as the act; nothing for the script's own steps.
std::optional<UserAct> UserActOf(UiStepKind kind);

/// Every step with its usage and what it does, for `help` at the prompt.
std::string UiStepList();

/// Plays `step` on the modal window; prints what it shows (help, the window) on `out`.
/// False with a one-line `error` when a user could not do it or an expectation failed.
/// Snapshots go to `snapshotDir` ("" for the current folder).
bool PlayUiStep(const UiApi& ui, VantelUiWindow modal, const UiStep& step,
                const std::string& snapshotDir, FILE* out, std::string* error);

/// The window as text, one line per control a user can see: id and name, kind, text or
/// selection and entries, check mark, "disabled". Pages are indented under their dialog.
std::string DescribeWindow(const UiApi& ui, VantelUiWindow window);

}  // namespace vantel::host
