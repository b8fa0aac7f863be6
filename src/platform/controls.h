#pragma once
// What a user does to windows: each action sends the notifications the real control sends,
// and only reaches windows a user could reach (visible and enabled, up to the top).
#include <cstdint>
#include <string>

#include "platform/window.h"

namespace vantel::user {

/// A mouse click on a push button, check box or radio button. False for anything else.
bool Click(Hwnd control);
/// Picks entry `index` of a drop-down list: accepted (selection accepted, then close-up) or
/// left by closing the list without a choice (selection cancelled, then close-up).
bool SelectComboItem(Hwnd combo, int32_t index, bool accept);
bool SetEditText(Hwnd edit, const std::string& text);
/// Clicks tab `index`: "changing" may refuse, then "changed". False when refused.
bool SelectTab(Hwnd tab, int32_t index);
/// The Enter key on a dialog or message box (IDOK, or a message box's default button).
bool PressOk(Hwnd window);
/// The Escape key or the close box (IDCANCEL).
bool PressCancel(Hwnd window);
/// F1 on a control: the message climbs the parents until one handles it. Returns the help
/// pop-up then shown, or 0.
Hwnd AskHelp(Hwnd control);
/// Drags border `edge` of a sizing window towards the given outer size.
bool Resize(Hwnd window, int32_t edge, int32_t width, int32_t height);
/// A scroll bar request on a dialog (followed by end of scroll), or on a list view (which
/// then tells its parent that scrolling ended).
bool Scroll(Hwnd window, int32_t request, int32_t position);

}  // namespace vantel::user
