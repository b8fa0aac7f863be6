#include "one_line.h"

namespace vantel::host {

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n') c = '|';
  return text;
}

std::string OneLineQuoted(const std::string& text) { return "\"" + OneLine(text) + "\""; }

std::string OneLineList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? " | " : "") + OneLine(items[i]);
  return out + "]";
}

}  // namespace vantel::host
