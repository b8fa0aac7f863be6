#pragma once
// Texts the host prints on one line of its own.
#include <string>
#include <vector>

namespace vantel::host {

/// A text on one line: line feeds shown as '|', as the host prints message boxes.
std::string OneLine(std::string text);

/// "TEXT", on one line.
std::string OneLineQuoted(const std::string& text);

/// [A | B | C]: a control's entries, each on one line.
std::string OneLineList(const std::vector<std::string>& items);

}  // namespace vantel::host
