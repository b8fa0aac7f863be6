#pragma once
// Data exchange between a page's controls and its working values. Nothing here notifies:
// a page writes what it shows, and reads back what the user left, when it chooses to.
#include <cstdint>
#include <optional>
#include <span>

#include "platform/window.h"

namespace vantel {

/// Checks radio `checkedId` of `group` and clears the others of the group; an id outside the
/// group (a value no radio stands for) leaves the whole group clear.
void CheckRadio(Hwnd dialog, std::span<const int32_t> group, int32_t checkedId);
/// The id of the checked radio of `group`, or nullopt when none is.
std::optional<int32_t> CheckedRadio(Hwnd dialog, std::span<const int32_t> group);

/// Shows `value` in decimal in edit `id`.
void SetEditInt(Hwnd dialog, int32_t id, int32_t value);
/// Edit `id` read as ParseTypedNumber reads it (decimal, or hexadecimal after "0x", never
/// wrapped): the one reader of every number a page takes. nullopt when its text is not a
/// number, an empty one included; the page checks the range.
std::optional<int64_t> GetEditInt(Hwnd dialog, int32_t id);

/// Empties drop-down list `id` and appends one entry per value, in the order given, its text
/// `format` (printf, one integer conversion such as "%.2u") applied to the value. Nothing is
/// selected afterwards.
void FillCombo(Hwnd dialog, int32_t id, std::span<const int32_t> values, const char* format);
/// Selects the first entry holding `value`; false, and nothing selected, when none does.
bool SelectComboValue(Hwnd dialog, int32_t id, int32_t value);
/// The value of the selected entry, or nullopt when nothing is selected.
std::optional<int32_t> SelectedComboValue(Hwnd dialog, int32_t id);

}  // namespace vantel
