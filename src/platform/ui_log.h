#pragma once
// The UI event log: when VANTEL_UI_LOG names a file, every UI event appends one JSON object
// on one line. Other tools read these keys; keep them fixed.
#include <string>
#include <string_view>
#include <vector>

namespace vantel {

/// `text` as a JSON string literal, quotes included (UTF-8 kept, controls escaped).
std::string JsonString(std::string_view text);

/// A JSON array of strings.
std::string JsonStringArray(const std::vector<std::string>& items);

/// Appends `jsonObject` and a line feed to the log file, if one is named.
void UiLog(std::string_view jsonObject);

}  // namespace vantel
