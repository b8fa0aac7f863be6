#pragma once
#include <functional>
#include <string>

#include "vantel/ui_controls.h"

namespace vantel {

// Styles and results with their Windows values: the UI log records them as numbers.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONWARNING = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = VANTEL_IDOK;
inline constexpr int IDCANCEL = VANTEL_IDCANCEL;
inline constexpr int IDYES = VANTEL_IDYES;
inline constexpr int IDNO = VANTEL_IDNO;

/// The caption of every message box: the module's name.
inline constexpr char kMessageBoxCaption[] = "VANTEL";

/// Shows a modal message box (UTF-8 text) and returns the button that closed it. Headless
/// (no UI hook installed) it answers the default button at once: IDOK, or IDYES for MB_YESNO.
/// With a hook it is a top-level window until the driver presses one of its buttons.
int ShowMessageBox(const std::string& text, unsigned type);

/// Sees every message box as it is shown (tests and the reference host record them).
using MessageBoxObserver = std::function<void(const std::string& text, unsigned type)>;
void SetMessageBoxObserver(MessageBoxObserver observer);

}  // namespace vantel
