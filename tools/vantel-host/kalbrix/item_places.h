#pragma once
// Where each item's entry stands in the text of a Kalbrix file, so that a code review can put
// a finding on the line of the item it is about.
#include <cstddef>
#include <string>
#include <unordered_map>

namespace vantel::host {

/// A place in a text: line and column from 1, the column in Unicode code points.
struct TextPlace {
  size_t line = 0;
  size_t column = 0;
  friend bool operator==(const TextPlace&, const TextPlace&) = default;
};

/// An entry from its opening brace to the character after its closing one.
struct TextSpan {
  TextPlace start;
  TextPlace end;
};

/// Each entry of "items", by the entry's "name"; the first entry of a name where a file
/// repeats it. Empty for a text that is not JSON.
std::unordered_map<std::string, TextSpan> ItemPlaces(const std::string& text);

}  // namespace vantel::host
