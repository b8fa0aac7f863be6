#include "platform/ddx.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace vantel {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsFlag(char c) { return std::string_view("-+ #0").find(c) != std::string_view::npos; }

// The conversion letter of a format holding exactly one integer conversion that takes no
// other argument (no '*'), else '\0': anything else would read an argument never passed.
char IntegerConversion(std::string_view format) {
  char conversion = '\0';
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (++i < format.size() && format[i] == '%') continue;
    while (i < format.size() && IsFlag(format[i])) ++i;
    while (i < format.size() && IsDigit(format[i])) ++i;
    if (i < format.size() && format[i] == '.') {
      ++i;
      while (i < format.size() && IsDigit(format[i])) ++i;
    }
    if (i >= format.size() || conversion != '\0') return '\0';
    if (std::string_view("diouxX").find(format[i]) == std::string_view::npos) return '\0';
    conversion = format[i];
  }
  return conversion;
}

template <typename Value>
std::string Format(const char* format, Value value) {
  const int length = std::snprintf(nullptr, 0, format, value);
  if (length < 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, value);
  text.resize(static_cast<size_t>(length));
  return text;
}

std::string FormatValue(const char* format, int32_t value) {
  const char conversion = IntegerConversion(format ? format : "");
  assert(conversion != '\0' && "a combo format takes exactly one integer");
  if (conversion == '\0') return std::to_string(value);
  if (conversion == 'd' || conversion == 'i') return Format(format, static_cast<int>(value));
  return Format(format, static_cast<unsigned>(value));
}

}  // namespace

void CheckRadio(Hwnd dialog, std::span<const int32_t> group, int32_t checkedId) {
  for (int32_t id : group) SetChecked(GetDlgItem(dialog, id), id == checkedId);
}

std::optional<int32_t> CheckedRadio(Hwnd dialog, std::span<const int32_t> group) {
  for (int32_t id : group) {
    const Window* radio = GetWindow(GetDlgItem(dialog, id));
    if (radio && radio->checked) return id;
  }
  return std::nullopt;
}

void SetEditInt(Hwnd dialog, int32_t id, int32_t value) {
  SetWindowText(GetDlgItem(dialog, id), std::to_string(value));
}

std::optional<int64_t> GetEditInt(Hwnd dialog, int32_t id) {
  const Hwnd edit = GetDlgItem(dialog, id);
  if (edit == 0) return std::nullopt;
  return ParseTypedNumber(GetWindowText(edit));
}

void FillCombo(Hwnd dialog, int32_t id, std::span<const int32_t> values, const char* format) {
  const Hwnd combo = GetDlgItem(dialog, id);
  ResetItems(combo);
  for (int32_t value : values) AddItem(combo, FormatValue(format, value), value);
}

bool SelectComboValue(Hwnd dialog, int32_t id, int32_t value) {
  const Hwnd combo = GetDlgItem(dialog, id);
  const Window* window = GetWindow(combo);
  if (!window) return false;
  const auto found = std::find(window->itemData.begin(), window->itemData.end(), value);
  const bool present = found != window->itemData.end();
  SetSelection(combo, present ? static_cast<int32_t>(found - window->itemData.begin()) : -1);
  return present;
}

std::optional<int32_t> SelectedComboValue(Hwnd dialog, int32_t id) {
  const Window* window = GetWindow(GetDlgItem(dialog, id));
  if (!window || window->selection < 0) return std::nullopt;
  const auto at = static_cast<size_t>(window->selection);
  if (at >= window->itemData.size()) return std::nullopt;
  return window->itemData[at];
}

}  // namespace vantel
