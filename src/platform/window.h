#pragma once
// Windows in memory: what the plug-in's dialogs need of a windowing system, observable the
// way a user (or the automation API) sees it. Everything runs on the host's UI thread.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialog_template.h"

namespace vantel {

/// A window handle; 0 is none. Handles are never reused, so a stale one stays invalid.
using Hwnd = uint32_t;

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// The one font metric: the 8-point dialog font at 96 DPI, base units 6 x 13 pixels.
inline constexpr int kBaseUnitX = 6;
inline constexpr int kBaseUnitY = 13;
int DuToPixelsX(int du);  // round(du * 6 / 4)
int DuToPixelsY(int du);  // round(du * 13 / 8)

// Non-client sizes, in pixels, at the same 96 DPI.
inline constexpr int kCaptionHeight = 23;
inline constexpr int kFixedFrame = 3;   // modal frame or caption without sizing border
inline constexpr int kSizingFrame = 8;  // sizing border
inline constexpr int kScrollBarWidth = 17;
inline constexpr int kComboClosedHeight = 21;  // a template's combo height is its dropped list
inline constexpr int kListRowHeight = 17;
inline constexpr int kTabHeaderHeight = 21;

// Edges of a border drag, as the sizing message numbers them.
enum SizingEdge : int32_t {
  WMSZ_LEFT = 1,
  WMSZ_RIGHT = 2,
  WMSZ_TOP = 3,
  WMSZ_TOPLEFT = 4,
  WMSZ_TOPRIGHT = 5,
  WMSZ_BOTTOM = 6,
  WMSZ_BOTTOMLEFT = 7,
  WMSZ_BOTTOMRIGHT = 8,
};

// Vertical scroll requests.
enum ScrollRequest : int32_t {
  SB_LINEUP = 0,
  SB_LINEDOWN = 1,
  SB_PAGEUP = 2,
  SB_PAGEDOWN = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_TOP = 6,
  SB_BOTTOM = 7,
  SB_ENDSCROLL = 8,
};

enum class MessageKind : uint8_t {
  Clicked,       // a button (or the Enter / Escape keys as IDOK / IDCANCEL)
  SelEndOk,      // a combo box choice accepted
  SelEndCancel,  // a combo box list closed without a choice
  CloseUp,       // a combo box list closed
  TabChanging,   // result non-zero refuses the change
  TabChanged,
  EndScroll,  // a list view finished scrolling
  Help,       // F1 on a control
  Sizing,     // a border is being dragged: `rect` may be adjusted
  Size,       // new client size in x, y
  VScroll,    // request in code, thumb position in x
  GetMinMaxInfo,
  GetObjectText,  // a window's own data for automation, as text in `text`; unhandled: none
};

struct MinMaxInfo {
  int maxWidth = 0, maxHeight = 0;            // maximized size
  int maxTrackWidth = 0, maxTrackHeight = 0;  // largest size by dragging
  int minTrackWidth = 0, minTrackHeight = 0;
};

struct Message {
  MessageKind kind = MessageKind::Clicked;
  int32_t controlId = 0;  // the sender's control id
  Hwnd from = 0;          // the sender
  int32_t code = 0;       // Sizing: the edge; VScroll: the request
  int32_t x = 0, y = 0;   // Size: client size; VScroll: thumb position; Help: mouse position
  Rect* rect = nullptr;   // Sizing: the proposed window rectangle, in screen pixels
  MinMaxInfo* minMax = nullptr;
  std::string* text = nullptr;  // GetObjectText: the answer
};

/// Whatever handles a window's messages (a dialog object). Returns true when handled.
class MessageTarget {
 public:
  virtual bool HandleMessage(const Message& message, intptr_t& result) = 0;

 protected:
  ~MessageTarget() = default;
};

struct ScrollInfo {
  int min = 0, max = 0, page = 0, pos = 0;
  /// A bar is shown only when its range is larger than a page.
  bool Shown() const { return max > min && max - min + 1 > page; }
};

struct ListColumn {
  std::string text;
  int width = 0;
};

struct Window {
  Hwnd handle = 0;
  std::string className;
  ControlKind kind = ControlKind::Static;  // meaningful for controls only
  bool isDialog = false;
  std::string text;
  Rect rect;  // pixels: in the parent's client area, or on the screen for a top-level window
  bool visible = false;
  bool enabled = true;
  bool checked = false;
  Hwnd parent = 0;
  std::vector<Hwnd> children;  // in creation (tab) order
  Hwnd owner = 0;              // a pop-up goes with the window that owns it
  std::vector<Hwnd> owned;
  int32_t id = 0;
  uint32_t style = 0;
  uint32_t listExStyle = 0;
  std::vector<std::string> items;  // combo entries, list view rows, tab texts
  std::vector<int32_t> itemData;   // per item: the value a combo entry stands for, or 0
  int32_t selection = -1;          // combo selection, current tab
  std::vector<ListColumn> columns;
  int32_t topIndex = 0;  // first list view row shown
  ScrollInfo vscroll;
  int32_t paintCount = 0;  // immediate repaints asked for
  MessageTarget* target = nullptr;
  uint32_t templateId = 0;
  uint32_t help = 0;  // string id of the control's help text, from its template; 0: none
  bool modalEnded = false;
  int32_t modalResult = 0;
};

struct WindowInit {
  std::string className = {};
  ControlKind kind = ControlKind::Static;
  bool isDialog = false;
  std::string text = {};
  Rect rect = {};
  uint32_t style = 0;
  Hwnd parent = 0;
  Hwnd owner = 0;
  int32_t id = 0;
  MessageTarget* target = nullptr;
  uint32_t templateId = 0;
  uint32_t help = 0;
};

/// Creates a window (visible when `style` has WS_VISIBLE, disabled with WS_DISABLED).
Hwnd CreateWindowFrom(const WindowInit& init);
/// Destroys a window, its children and the windows it owns; a stale or null handle is ignored.
void DestroyWindow(Hwnd window);
/// Destroys every window left, as the unload of the module does.
void DestroyAllWindows();
bool IsWindow(Hwnd window);
/// The window record, or null for a stale handle. Valid until the next create or destroy.
Window* GetWindow(Hwnd window);

void ShowWindow(Hwnd window, bool show);
void EnableWindow(Hwnd window, bool enable);
void SetWindowText(Hwnd window, std::string text);
std::string GetWindowText(Hwnd window);
Hwnd GetDlgItem(Hwnd dialog, int32_t id);
/// A direct child with this id, else the first found among the children's descendants, depth
/// first in creation order: a dialog reaches the controls of its pages.
Hwnd FindDescendant(Hwnd window, int32_t id);
/// Visible and enabled, and so are all its ancestors: a user can reach it.
bool IsReachable(Hwnd window);

/// Top-level windows in creation order.
std::vector<Hwnd> TopLevelWindows();
/// The newest visible top-level window with this caption, else the newest hidden one.
Hwnd FindTopLevelWindow(const std::string& caption);

/// The window rectangle in screen pixels.
Rect GetWindowRect(Hwnd window);
/// The client rectangle: origin 0, 0 and the client size.
Rect GetClientRect(Hwnd window);
/// Screen position of the client area's origin.
void ClientOrigin(Hwnd window, int& x, int& y);
/// Screen pixels to the window's client coordinates, and back.
Rect ScreenToClient(Hwnd window, const Rect& rect);
Rect ClientToScreen(Hwnd window, const Rect& rect);
/// Frame and caption sizes that `style` adds around the client area.
void NonClientSize(uint32_t style, int& left, int& top, int& right, int& bottom);
/// Moves a window (rectangle in the parent's client area or on the screen) and tells it its
/// new client size when that changed.
void MoveWindow(Hwnd window, const Rect& rect);
/// Moves a window onto the screen rectangle of `placeholder`, wherever that one lives (a page
/// on the control that marks its place).
void MoveWindowOnto(Hwnd window, Hwnd placeholder);

void SetScrollInfo(Hwnd window, const ScrollInfo& info);
ScrollInfo GetScrollInfo(Hwnd window);
/// Moves every child of the window by dy pixels.
void ScrollWindow(Hwnd window, int dy);
/// Invalidates the window with background erase and repaints it at once.
void RedrawNow(Hwnd window);

/// Sends a message to the window's handler; false when nothing handled it.
bool SendMessage(Hwnd window, const Message& message, intptr_t& result);
/// A control tells its parent: the message carries its id and handle.
intptr_t NotifyParent(Hwnd control, MessageKind kind);

// The desktop.
void SetScreenSize(int width, int height);
int ScreenWidth();
int ScreenHeight();

// Control contents, as the plug-in's code sets them.
void ResetItems(Hwnd control);  // combo entries, list rows, tabs
int32_t AddItem(Hwnd control, std::string text, int32_t data = 0);  // data: its value
void InsertItem(Hwnd control, int32_t index, std::string text);
void SetSelection(Hwnd control, int32_t index);  // -1 or out of range: none
int32_t GetSelection(Hwnd control);
void SetListExStyle(Hwnd list, uint32_t mask, uint32_t value);  // mask 0: all bits
void InsertListColumn(Hwnd list, int32_t index, std::string text, int width);
void SetChecked(Hwnd button, bool checked);

}  // namespace vantel
