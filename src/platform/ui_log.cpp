#include "platform/ui_log.h"

#include <cstdio>
#include <cstdlib>

namespace vantel {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
  return out;
}

std::string JsonStringArray(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += ',';
    out += JsonString(items[i]);
  }
  out += ']';
  return out;
}

void UiLog(std::string_view jsonObject) {
  const char* path = std::getenv("VANTEL_UI_LOG");
  if (!path || !*path) return;
  FILE* file = std::fopen(path, "a");
  if (!file) return;
  std::fwrite(jsonObject.data(), 1, jsonObject.size(), file);
  std::fputc('\n', file);
  std::fclose(file);
}

}  // namespace vantel
