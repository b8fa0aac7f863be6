/* Text in SVG, the way the plug-in's snapshots (VantelUiRenderSvg) write it, for a host that
   draws pictures of its own with the plug-in's texts in them. C++17, header only: unlike the
   C headers it is no part of the plug-in's binary interface. */
#ifndef VANTEL_SVG_TEXT_H
#define VANTEL_SVG_TEXT_H

#include <string>
#include <string_view>

namespace vantel {

/* `text` (UTF-8) as SVG character data or a quoted attribute value: the markup characters as
   entities, and the control characters, which XML 1.0 cannot hold, as blanks. */
inline std::string SvgText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
  }
  return out;
}

}  // namespace vantel

#endif
