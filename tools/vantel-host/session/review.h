#pragma once
// What changed between two Kalbrix files of one ECU, as the plug-in reads them: the settings of
// the configuration tables in the words a calibration engineer uses, the flywheel description
// tables regenerated or not, what was switched, any other item by name and value, and what
// became of the verdict and the report. `vantel-host diff` formats it; a page can too.
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host_service.h"
#include "json.h"
#include "kalbrix.h"
#include "result.h"
#include "steps.h"
#include "wheel.h"
#include "words.h"

namespace vantel::host {

class HostSession;
class SessionMachine;

/// What a change is about, in the order a review lists them.
enum class ReviewGroup {
  kCylinders,
  kFlywheel,
  kIgnition,
  kInjection,
  kPhases,
  kRailMaps,
  kSwitches,
  kItems,
};
inline constexpr size_t kReviewGroups = 8;

/// The group's key for tools ("cylinders", "flywheel", ...) and its heading in words.
std::string_view GroupKey(ReviewGroup group);
HostWord GroupWord(ReviewGroup group);

struct Change {
  ReviewGroup group = ReviewGroup::kItems;
  /// The same in every language and once in a review: "tdc/3", "function/FNC_X", "item/VAL_X".
  std::string key;
  std::string subject;  // in words: "TDC of cylinder 3"
  /// The Kalbrix items it concerns; for a switch, the entry switched.
  std::vector<std::string> items;
  std::string before;  // in words; empty for a change that has no value of its own
  std::string after;   // (the flywheel description tables regenerated)
  /// Why the value is not the one asked for, when the host knows it.
  std::string note;
};

/// One line for a person: "cylinders 5 → 6", "flywheel description tables: regenerated".
std::string ChangeLine(const Change& change);

/// One file as the plug-in left it after its open.
struct ReviewSide {
  std::string file;
  Kalbrix kalbrix;
  /// The item of each element of the machine data descriptor, by element ("" for none).
  std::vector<std::string> elements;
  Verdict verdict = Verdict::kNotChecked;
  std::vector<std::string> reportRows;
  /// The findings behind the report's rows, as the plug-in gave them: what it found the ECU
  /// does not allow, which the dialog shows replaced.
  Json findings = Json::array();
  std::vector<Enable> switched;
};

/// The side `machine` is now, after its steps.
ReviewSide SideOf(const SessionMachine& machine);

struct Review {
  std::vector<Change> changes;  // by group, then in the files' order
  std::vector<std::string> rowsAppeared;
  std::vector<std::string> rowsGone;
};

/// Why two files cannot be compared (they describe different ECUs), or nothing. One ECU is
/// one descriptor item whose command tables, capabilities and rail map list (descriptor
/// elements 1, 2 and 7 to 11) are the same items holding the same values.
std::optional<std::string> DifferentEcus(const ReviewSide& before, const ReviewSide& after);

/// What changed from `before` to `after`, each changed value named once.
Review Compare(const ReviewSide& before, const ReviewSide& after, HostLanguage language);

/// The changes as tools read them: each `group`, `key`, `subject`, `items`, `before`,
/// `after`, `text` (the change in one line) and, when there is one, `note`.
Json ChangesJson(const Review& review);

/// What a save of `machine` would write now, against the file as the machine holds it.
Review ReviewUnsaved(const SessionMachine& machine, HostLanguage language);

/// What the changes concern on the wheel of `after`, for its picture.
WheelChanges ChangesOnWheel(const Review& review);

/// Both files opened by the plug-in as machines of `session`, one after the other on a freshly
/// loaded plug-in each (each gets the verdict it gets alone), their runs printed to `out`.
/// `picture`, when not null, receives the picture's input of `newFile`. Failure for bad input
/// or a plug-in that refuses the host.
Result<std::array<ReviewSide, 2>> OpenBoth(HostSession& session, const std::string& oldFile,
                                           const std::string& newFile, FILE* out,
                                           WheelInput* picture = nullptr);

}  // namespace vantel::host
