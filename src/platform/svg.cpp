#include "platform/svg.h"

#include <algorithm>
#include <string_view>

#include "vantel/svg_text.h"

namespace vantel {
namespace {

constexpr std::string_view kFace = "#f0f0f0";
constexpr std::string_view kInk = "#000000";
constexpr std::string_view kGreyInk = "#a0a0a0";
constexpr std::string_view kLine = "#adadad";
constexpr int kFontSize = 11;     // 8 points at 96 DPI
constexpr int kTextBaseline = 4;  // from a line's middle down to its baseline

class Canvas {
 public:
  explicit Canvas(const Rect& origin) : dx_(-origin.left), dy_(-origin.top) {}

  void Box(const Rect& r, std::string_view fill, std::string_view stroke, int strokeWidth = 1) {
    out += "<rect x=\"" + X(r.left) + "\" y=\"" + Y(r.top) + "\" width=\"" +
           std::to_string(std::max(r.Width(), 0)) + "\" height=\"" +
           std::to_string(std::max(r.Height(), 0)) + "\" fill=\"" + std::string(fill) +
           "\" stroke=\"" + std::string(stroke) + "\" stroke-width=\"" +
           std::to_string(strokeWidth) + "\"/>\n";
  }

  void Line(int x1, int y1, int x2, int y2, std::string_view stroke) {
    out += "<line x1=\"" + X(x1) + "\" y1=\"" + Y(y1) + "\" x2=\"" + X(x2) + "\" y2=\"" + Y(y2) +
           "\" stroke=\"" + std::string(stroke) + "\"/>\n";
  }

  void Circle(int cx, int cy, int r, std::string_view fill, std::string_view stroke) {
    out += "<circle cx=\"" + X(cx) + "\" cy=\"" + Y(cy) + "\" r=\"" + std::to_string(r) +
           "\" fill=\"" + std::string(fill) + "\" stroke=\"" + std::string(stroke) + "\"/>\n";
  }

  /// One line of text whose vertical middle is at y.
  void Text(int x, int y, std::string_view text, std::string_view ink,
            std::string_view anchor = "start", bool bold = false) {
    if (text.empty()) return;
    out += "<text x=\"" + X(x) + "\" y=\"" + Y(y + kTextBaseline) + "\" fill=\"" +
           std::string(ink) + "\" text-anchor=\"" + std::string(anchor) + "\"" +
           (bold ? " font-weight=\"bold\"" : "") + ">" + SvgText(text) + "</text>\n";
  }

  /// Text broken at line feeds and wrapped to `width`, from the top of `r`.
  void Paragraph(const Rect& r, std::string_view text, std::string_view ink) {
    const size_t perLine = static_cast<size_t>(std::max(1, r.Width() / kBaseUnitX));
    int y = r.top + kBaseUnitY / 2;
    size_t start = 0;
    while (start <= text.size() && y < r.bottom) {
      const size_t end = std::min(text.find('\n', start), text.size());
      std::string_view line = text.substr(start, end - start);
      do {
        size_t take = std::min(line.size(), perLine);
        if (take < line.size()) {
          const size_t blank = line.substr(0, take).rfind(' ');
          if (blank != std::string_view::npos && blank > 0) take = blank + 1;
        }
        Text(r.left, y, line.substr(0, take), ink);
        line.remove_prefix(take);
        y += kBaseUnitY;
      } while (!line.empty() && y < r.bottom);
      start = end + 1;
    }
  }

  void OpenClip(const Rect& r) {
    const std::string id = "c" + std::to_string(++clips_);
    out += "<clipPath id=\"" + id + "\"><rect x=\"" + X(r.left) + "\" y=\"" + Y(r.top) +
           "\" width=\"" + std::to_string(std::max(r.Width(), 0)) + "\" height=\"" +
           std::to_string(std::max(r.Height(), 0)) + "\"/></clipPath>\n<g clip-path=\"url(#" + id +
           ")\">\n";
  }
  void CloseClip() { out += "</g>\n"; }

  void OpenGroup(const Window& window) {
    out += "<g data-id=\"" + std::to_string(window.id) + "\" data-class=\"" +
           SvgText(window.className) + "\"" + (window.enabled ? "" : " data-disabled=\"true\"") +
           ">\n";
  }
  void CloseGroup() { out += "</g>\n"; }

  std::string out;

 private:
  std::string X(int x) const { return std::to_string(x + dx_); }
  std::string Y(int y) const { return std::to_string(y + dy_); }
  int dx_, dy_;
  int clips_ = 0;
};

void DrawScrollBar(Canvas& canvas, const Rect& bar, const ScrollInfo& info) {
  canvas.Box(bar, "#e8e8e8", "#e8e8e8");
  const int range = std::max(1, info.max - info.min + 1);
  const int track = bar.Height() - 2 * kScrollBarWidth;
  const int thumb = std::max(8, track * std::max(info.page, 1) / range);
  const int offset = (track - thumb) * (info.pos - info.min) / std::max(1, range - info.page);
  const int top = bar.top + kScrollBarWidth + std::clamp(offset, 0, std::max(0, track - thumb));
  canvas.Box({bar.left + 2, top, bar.right - 2, top + thumb}, "#c1c1c1", "#c1c1c1");
}

void DrawList(Canvas& canvas, const Window& list, const Rect& r, std::string_view ink) {
  canvas.Box(r, "#ffffff", (list.style & WS_BORDER) ? "#828790" : "#ffffff");
  int y = r.top + ((list.style & WS_BORDER) ? 1 : 0);
  int columnsWidth = 0;
  for (const ListColumn& column : list.columns) columnsWidth += column.width;
  if (!(list.style & LVS_NOCOLUMNHEADER) && !list.columns.empty()) {
    int x = r.left;
    for (const ListColumn& column : list.columns) {
      canvas.Box({x, y, x + column.width, y + kListRowHeight}, "#ffffff", "#e5e5e5");
      canvas.Text(x + 6, y + kListRowHeight / 2, column.text, ink);
      x += column.width;
    }
    y += kListRowHeight;
  }
  canvas.OpenClip(r);
  const int rightEdge = std::min(r.right, r.left + std::max(columnsWidth, r.Width()));
  for (size_t row = static_cast<size_t>(std::max(list.topIndex, 0)); row < list.items.size();
       ++row, y += kListRowHeight) {
    if (y >= r.bottom) break;
    canvas.Text(r.left + 4, y + kListRowHeight / 2, list.items[row], ink);
    if (list.listExStyle & LVS_EX_GRIDLINES) {
      canvas.Line(r.left, y + kListRowHeight - 1, rightEdge, y + kListRowHeight - 1, "#f0f0f0");
    }
  }
  canvas.CloseClip();
}

void DrawTabs(Canvas& canvas, const Window& tab, const Rect& r, std::string_view ink) {
  canvas.Box({r.left, r.top + kTabHeaderHeight - 1, r.right, r.bottom}, "#ffffff", "#d9d9d9");
  int x = r.left;
  for (size_t i = 0; i < tab.items.size(); ++i) {
    const int width = static_cast<int>(tab.items[i].size()) * kBaseUnitX + 12;
    const bool current = static_cast<int32_t>(i) == tab.selection;
    const int top = current ? r.top : r.top + 2;
    canvas.Box({x, top, x + width, r.top + kTabHeaderHeight}, current ? "#ffffff" : kFace,
               "#d9d9d9");
    canvas.Text(x + width / 2, (top + r.top + kTabHeaderHeight) / 2, tab.items[i], ink, "middle",
                current);
    x += width;
  }
}

void DrawControl(Canvas& canvas, const Window& control, const Rect& r) {
  const std::string_view ink = control.enabled ? kInk : kGreyInk;
  const int middle = (r.top + r.bottom) / 2;
  switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
      const bool isDefault = control.kind == ControlKind::DefPushButton;
      canvas.Box(r, "#e1e1e1", isDefault && control.enabled ? "#0078d7" : kLine, isDefault ? 2 : 1);
      canvas.Text((r.left + r.right) / 2, middle, control.text, ink, "middle");
      break;
    }
    case ControlKind::GroupBox:
      canvas.Box({r.left, r.top + kBaseUnitY / 2, r.right, r.bottom}, "none", "#dcdcdc");
      if (!control.text.empty()) {
        const int width = static_cast<int>(control.text.size()) * kBaseUnitX;
        canvas.Box({r.left + 6, r.top, r.left + 10 + width, r.top + kBaseUnitY}, kFace, kFace);
        canvas.Text(r.left + 8, r.top + kBaseUnitY / 2, control.text, ink);
      }
      break;
    case ControlKind::Static:
      canvas.Paragraph(r, control.text, ink);
      break;
    case ControlKind::Edit:
      canvas.Box(r, control.enabled ? "#ffffff" : kFace, "#7a7a7a");
      canvas.Text(r.left + 3, middle, control.text, ink);
      break;
    case ControlKind::CheckBox:
      canvas.Box({r.left, middle - 6, r.left + 13, middle + 7}, "#ffffff", "#333333");
      if (control.checked) {
        canvas.Line(r.left + 3, middle, r.left + 5, middle + 3, ink);
        canvas.Line(r.left + 5, middle + 3, r.left + 10, middle - 3, ink);
      }
      canvas.Text(r.left + 17, middle, control.text, ink);
      break;
    case ControlKind::RadioButton:
      canvas.Circle(r.left + 6, middle, 6, "#ffffff", "#333333");
      if (control.checked) canvas.Circle(r.left + 6, middle, 3, ink, ink);
      canvas.Text(r.left + 17, middle, control.text, ink);
      break;
    case ControlKind::ComboBox: {
      canvas.Box(r, control.enabled ? "#ffffff" : kFace, "#7a7a7a");
      const bool chosen =
          control.selection >= 0 && static_cast<size_t>(control.selection) < control.items.size();
      if (chosen) {
        canvas.Text(r.left + 3, middle, control.items[static_cast<size_t>(control.selection)], ink);
      }
      canvas.Text(r.right - 8, middle, "\xE2\x96\xBE", ink, "middle");  // a small down arrow
      break;
    }
    case ControlKind::ListView:
      DrawList(canvas, control, r, ink);
      break;
    case ControlKind::TabControl:
      DrawTabs(canvas, control, r, ink);
      break;
  }
}

void DrawChildren(Canvas& canvas, const Window& parent);

void DrawDialogFrame(Canvas& canvas, const Window& dialog, const Rect& outer) {
  canvas.Box(outer, kFace, "#707070");
  int left, top, right, bottom;
  NonClientSize(dialog.style, left, top, right, bottom);
  if ((dialog.style & WS_CAPTION) == WS_CAPTION) {
    const Rect bar{outer.left + left, outer.top + left, outer.right - right, outer.top + top};
    canvas.Box(bar, "#ffffff", "#ffffff");
    canvas.Text(bar.left + 6, (bar.top + bar.bottom) / 2, dialog.text,
                dialog.enabled ? kInk : kGreyInk);
    if (dialog.style & WS_SYSMENU)
      canvas.Text(bar.right - 12, (bar.top + bar.bottom) / 2, "\xC3\x97", kInk,
                  "middle");  // the close box
  }
}

void DrawWindow(Canvas& canvas, const Window& window) {
  const Rect outer = GetWindowRect(window.handle);
  canvas.OpenGroup(window);
  if (window.isDialog) {
    if (window.parent == 0) DrawDialogFrame(canvas, window, outer);
    int x = 0, y = 0;
    ClientOrigin(window.handle, x, y);
    const Rect client = GetClientRect(window.handle);
    const Rect area{x, y, x + client.Width(), y + client.Height()};
    if ((window.style & WS_VSCROLL) && window.vscroll.Shown()) {
      DrawScrollBar(canvas, {area.right, area.top, area.right + kScrollBarWidth, area.bottom},
                    window.vscroll);
    }
    canvas.OpenClip(area);
    DrawChildren(canvas, window);
    canvas.CloseClip();
  } else if (window.className == "HelpPopup") {
    canvas.Box(outer, "#ffffe1", "#767676");
    canvas.Paragraph({outer.left + kBaseUnitX, outer.top + kBaseUnitY / 2, outer.right - kBaseUnitX,
                      outer.bottom},
                     window.text, kInk);
  } else {
    DrawControl(canvas, window, outer);
    DrawChildren(canvas, window);
  }
  canvas.CloseGroup();
}

void DrawChildren(Canvas& canvas, const Window& parent) {
  // Group boxes first: they sit behind the controls they frame.
  for (int pass = 0; pass < 2; ++pass) {
    for (Hwnd handle : parent.children) {
      const Window* child = GetWindow(handle);
      if (!child || !child->visible) continue;
      const bool behind = !child->isDialog && child->kind == ControlKind::GroupBox;
      if (behind == (pass == 0)) DrawWindow(canvas, *child);
    }
  }
}

}  // namespace

std::string RenderSvg(Hwnd handle) {
  const Window* window = GetWindow(handle);
  if (!window) return {};
  const Rect outer = GetWindowRect(handle);
  Canvas canvas(outer);
  DrawWindow(canvas, *window);
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(outer.Width()) +
         "\" height=\"" + std::to_string(outer.Height()) + "\" viewBox=\"0 0 " +
         std::to_string(outer.Width()) + " " + std::to_string(outer.Height()) +
         "\" font-family=\"sans-serif\" font-size=\"" + std::to_string(kFontSize) + "\">\n" +
         canvas.out + "</svg>\n";
}

}  // namespace vantel
