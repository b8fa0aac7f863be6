#pragma once
// Dialogs from templates, modal loops and the UI hook that drives them.
#include <cstdint>
#include <string>

#include "platform/message_box.h"
#include "platform/window.h"

namespace vantel {

/// Called on every turn of a modal loop with the window that runs it. Returns non-zero to
/// keep the loop going; 0 means the driver has nothing more to do, and the loop gives up
/// (a dialog ends with IDCANCEL, a message box with its default button).
using UiHook = int (*)(Hwnd modal, void* user);

/// Installs (or, with null, removes) the UI hook. Without one the layer is headless.
void SetUiHook(UiHook hook, void* user);
bool UiHookInstalled();

/// Runs the modal loop of `window` until its modal end is set; `giveUp` is the result when
/// there is no hook, the hook gives up or the window disappears.
int32_t RunModalLoop(Hwnd window, int32_t giveUp);

/// Ends the modal loop (or, for a modeless dialog, hides it) with `result`.
void EndModal(Hwnd window, int32_t result);

/// Shows `text` in a help pop-up for control `controlId` at screen point x, y, replacing
/// any previous one, and logs it. The pop-up belongs to `owner` (the dialog that shows it)
/// and is destroyed with it. Returns the pop-up window.
Hwnd ShowHelpPopup(Hwnd owner, int32_t controlId, const std::string& text, int x, int y);
/// The help pop-up shown, or 0.
Hwnd CurrentHelpPopup();
void CloseHelpPopup();

/// A dialog built from a template: the framework's dialog class. Destroying the object
/// destroys its window.
class Dialog : public MessageTarget {
 public:
  Dialog(uint32_t templateId, Hwnd parent);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  /// Creates the window modeless (visible only when the template says so). With a null
  /// `parent` the parent given at construction is used. False when the template is unknown.
  bool Create(Hwnd parent = 0);
  /// Creates the window, runs it modally and destroys it; returns the end result, or -1
  /// when the window could not be created or was destroyed by its own initialisation. A
  /// dialog its initialisation ended returns that result without being shown.
  int32_t DoModal();
  void EndDialog(int32_t result);

  Hwnd GetSafeHwnd() const { return IsWindow(hwnd_) ? hwnd_ : 0; }
  Hwnd GetDlgItem(int32_t id) const { return vantel::GetDlgItem(GetSafeHwnd(), id); }
  uint32_t TemplateId() const { return templateId_; }

  bool HandleMessage(const Message& message, intptr_t& result) override;

 protected:
  virtual bool OnInitDialog() { return true; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  /// Every message before the default handling; true when handled.
  virtual bool OnMessage(const Message& /*message*/, intptr_t& /*result*/) { return false; }

 private:
  /// The window, 0 when it could not be created; after the initialisation it may be gone.
  Hwnd CreateWindowFromTemplate(Hwnd parent);

  uint32_t templateId_;
  Hwnd parent_;
  Hwnd hwnd_ = 0;
};

}  // namespace vantel
