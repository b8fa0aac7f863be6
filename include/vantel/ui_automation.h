/* Driving the plug-in's windows from outside: tests, the reference host, scripts.
   Every call acts as a user would (a disabled or hidden control cannot be clicked) and sends
   the notifications the real control sends. Texts are UTF-8. Call on the thread that calls
   the plug-in's exports, typically from inside the UI hook. */
#ifndef VANTEL_UI_AUTOMATION_H
#define VANTEL_UI_AUTOMATION_H

#include <stdint.h>

#include "vantel/host_abi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A window handle; 0 is none. Handles are never reused. */
typedef uint32_t VantelUiWindow;

/* Called on every turn of a modal loop (a dialog or a message box) with the window that runs
   it. Return non-zero to keep the loop going; 0 gives up: a dialog then ends with IDCANCEL,
   a message box with its default button. The hook may call exports re-entrantly. */
typedef int (*VantelUiHookFn)(VantelUiWindow modal, void* user);

/* Installs the hook, or removes it with NULL. Without a hook the plug-in is headless:
   message boxes answer their default button and modal dialogs end with IDCANCEL at once. */
VANTEL_EXPORT void VantelUiSetHook(VantelUiHookFn hook, void* user);

/* The screen size in pixels (default 1920 x 1080). */
VANTEL_EXPORT void VantelUiSetScreenSize(int32_t width, int32_t height);

/* The newest visible top-level window with this exact caption (else the newest hidden one),
   or 0. Message boxes have the caption "VANTEL". */
VANTEL_EXPORT VantelUiWindow VantelUiFindWindow(const char* caption);
/* The control `id` of a dialog or of one of its pages (child dialogs, at any depth), or 0.
   A control of the dialog itself comes first; the pages are then searched depth first, in
   the order they were created. */
VANTEL_EXPORT VantelUiWindow VantelUiGetControl(VantelUiWindow dialog, int32_t id);

/* Reading back. Each returns -1 for a stale handle. */
/* Copies the window's text into buf (always terminated when size > 0) and returns its full
   length in bytes. */
VANTEL_EXPORT int32_t VantelUiGetText(VantelUiWindow window, char* buf, int32_t size);
VANTEL_EXPORT int32_t VantelUiIsVisible(VantelUiWindow window);
VANTEL_EXPORT int32_t VantelUiIsEnabled(VantelUiWindow window);
VANTEL_EXPORT int32_t VantelUiIsChecked(VantelUiWindow window);
/* Entries of a combo box, rows of a list view, tabs of a tab control. */
VANTEL_EXPORT int32_t VantelUiGetItemCount(VantelUiWindow control);
/* Like VantelUiGetText, for item `index`; -1 when out of range. */
VANTEL_EXPORT int32_t VantelUiGetItemText(VantelUiWindow control, int32_t index, char* buf,
                                          int32_t size);
/* The combo box selection or the current tab; -1 for none. */
VANTEL_EXPORT int32_t VantelUiGetSelection(VantelUiWindow control);
/* The window rectangle in screen pixels: left, top, right, bottom. Returns 0, or -1. */
VANTEL_EXPORT int32_t VantelUiGetRect(VantelUiWindow window, int32_t rect[4]);
/* The vertical scroll bar: min, max, page, position. Returns 0, or -1. */
VANTEL_EXPORT int32_t VantelUiGetScroll(VantelUiWindow window, int32_t info[4]);
/* The first list view row shown. */
VANTEL_EXPORT int32_t VantelUiGetTopRow(VantelUiWindow list);
/* How many times the window was repainted at once. */
VANTEL_EXPORT int32_t VantelUiGetPaintCount(VantelUiWindow window);
/* Walking a window as a screen reader does: child `index` in creation (tab) order, or 0
   past the last or for a stale handle. */
VANTEL_EXPORT VantelUiWindow VantelUiGetChild(VantelUiWindow window, int32_t index);
/* The control id (0 for a top-level window). */
VANTEL_EXPORT int32_t VantelUiGetId(VantelUiWindow window);
/* What VantelUiGetKind names a window: a host compares with these, never with its own
   spelling. A dialog is also a message box or a page. */
#define VANTEL_UI_KIND_DIALOG "dialog"
#define VANTEL_UI_KIND_PUSH_BUTTON "push button"
#define VANTEL_UI_KIND_DEFAULT_BUTTON "default button"
#define VANTEL_UI_KIND_GROUP_BOX "group box"
#define VANTEL_UI_KIND_STATIC "static"
#define VANTEL_UI_KIND_EDIT "edit"
#define VANTEL_UI_KIND_CHECK_BOX "check box"
#define VANTEL_UI_KIND_RADIO_BUTTON "radio button"
#define VANTEL_UI_KIND_COMBO_BOX "combo box"
#define VANTEL_UI_KIND_LIST_VIEW "list view"
#define VANTEL_UI_KIND_TAB_CONTROL "tab control"
/* Like VantelUiGetText, what the window is: one of the VANTEL_UI_KIND_ names. */
VANTEL_EXPORT int32_t VantelUiGetKind(VantelUiWindow window, char* buf, int32_t size);

/* Acting. Each returns 1 when done, 0 when a user could not do it. */
/* A click on a push button, check box or radio button. */
VANTEL_EXPORT int32_t VantelUiClick(VantelUiWindow control);
/* Chooses entry `index` of a drop-down list: selection accepted, then close-up. */
VANTEL_EXPORT int32_t VantelUiSelectComboItem(VantelUiWindow combo, int32_t index);
/* Moves to entry `index`, then closes the list without choosing: cancelled, then close-up. */
VANTEL_EXPORT int32_t VantelUiDismissComboAt(VantelUiWindow combo, int32_t index);
VANTEL_EXPORT int32_t VantelUiSetEditText(VantelUiWindow edit, const char* text);
/* Clicks tab `index`: changing (which the dialog may refuse: 0), then changed. */
VANTEL_EXPORT int32_t VantelUiSelectTab(VantelUiWindow tab, int32_t index);
/* The Enter key. */
VANTEL_EXPORT int32_t VantelUiPressOk(VantelUiWindow window);
/* The Escape key, or the close box. */
VANTEL_EXPORT int32_t VantelUiPressCancel(VantelUiWindow window);
/* F1 on a control: the help pop-up window shown (read its text), or 0. */
VANTEL_EXPORT VantelUiWindow VantelUiAskHelp(VantelUiWindow control);
/* Drags border `edge` (1 left, 2 right, 3 top, 4 top-left, 5 top-right, 6 bottom,
   7 bottom-left, 8 bottom-right) of a sizing window towards this outer size. */
VANTEL_EXPORT int32_t VantelUiResize(VantelUiWindow window, int32_t edge, int32_t width,
                                     int32_t height);
/* The requests of VantelUiScroll, as a scroll bar sends them. */
#define VANTEL_UI_SCROLL_LINE_UP 0
#define VANTEL_UI_SCROLL_LINE_DOWN 1
#define VANTEL_UI_SCROLL_PAGE_UP 2
#define VANTEL_UI_SCROLL_PAGE_DOWN 3
#define VANTEL_UI_SCROLL_THUMB_POSITION 4
#define VANTEL_UI_SCROLL_THUMB_TRACK 5
#define VANTEL_UI_SCROLL_TOP 6
#define VANTEL_UI_SCROLL_BOTTOM 7
/* A scroll request (a VANTEL_UI_SCROLL_ value) on a dialog's scroll bar or a list view. */
VANTEL_EXPORT int32_t VantelUiScroll(VantelUiWindow window, int32_t request, int32_t position);

/* Snapshots. */
/* The window as SVG, in a buffer to release with free(); NULL for a stale handle. */
VANTEL_EXPORT char* VantelUiRenderSvg(VantelUiWindow window);
/* The same written to a file; 1 when written. */
VANTEL_EXPORT int32_t VantelUiRenderSvgToFile(VantelUiWindow window, const char* path);

/* Findings. */
/* The findings behind the rows of an error report (the report window or its list), as a
   UTF-8 JSON array with one entry per row, in row order, in a buffer to release with free();
   NULL for a stale handle or a window that is no report. An entry is null for a row no rule
   made (the major error), else an object:
     "index"     the finding's rank in the report (a message of several lines fills as many
                 rows, each with the same finding)
     "rule"      the rule's stable name, e.g. "ignition-delay", "cylinder-count"
     "message", "number"  the string id of the row's text and the number written after it
     "words"     [{"table": "EngineTable", "item": "TAB_CNFENG_0", "word": 22}, ...]: the
                 table words the rule read ("item" when the plug-in knows it; the capability
                 tables are "CylinderCaps", "PhaseCaps", "IgnitionCaps", "InjectionCaps",
                 "RailMapList")
     "found", "unit"   the value found and what it counts: "count", "us", "tooth" (a tooth
                 index), "angle16" (1/65536 of the 720 degree cycle), "camshaft" (a code),
                 "phase-type", "flywheel-kind", "bank", "bits", "item" (an identifier), "word"
     "bound", "limit"  what the ECU allows: "at-most", "at-least", "exactly", "other-than",
                 "multiple-of" with a number; "between", "even-between" with [low, high];
                 "one-of" with the allowed values; "even", "different" (a camshaft of its own
                 for each phase), "present" (a sensor or an item) with []; "none"
     "cylinders", "teeth", "phases"  what it concerns: firing-order ranks from 1, tooth
                 indexes of the cycle, "main" or "aux1" to "aux3" */
VANTEL_EXPORT char* VantelUiGetReportFindings(VantelUiWindow report);

#ifdef __cplusplus
}
#endif

#endif
