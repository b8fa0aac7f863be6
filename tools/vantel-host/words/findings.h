#pragma once
// The findings behind the error report's rows, as the plug-in gives them (JSON, one entry
// per row), told in the host's own words.
#include <cstdint>
#include <string>
#include <vector>

#include "json.h"
#include "words.h"

namespace vantel::host {

/// One finding in words: what the rule looked at, the value found, what the ECU allows and
/// the table words, e.g. "ignition delay: 150 µs, the ECU allows at most 100 µs (EngineTable
/// TAB_CNFENG_0 word 22; IgnitionCaps word 5)". Empty for a null entry.
std::string FindingInWords(const Json& finding, HostLanguage language = HostLanguage::kEnglish);

/// The findings of report row `row` as JSON values for a machine-readable report: an array
/// holding the row's finding with its words in `language` under "text", or empty for a row no
/// rule made.
Json RowFindingsJson(const Json& findings, size_t row,
                     HostLanguage language = HostLanguage::kEnglish);

/// Whether `row` is the last of the rows its finding fills: the words go under that one.
bool LastRowOfItsFinding(const Json& findings, size_t row);

}  // namespace vantel::host
