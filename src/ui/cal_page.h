#pragma once
// A page of the configuration dialog: a child dialog on its own template, laid on the
// control of the parent that marks its place. The page shows and takes back its working
// values only when its owner asks.
#include <cstdint>
#include <string>

#include "platform/dialog.h"

namespace vantel {

class CSisCalPage : public Dialog {
 public:
  explicit CSisCalPage(uint32_t templateId);

  /// Creates the page as a child of `parent` on the rectangle of the parent's control
  /// `placeholderId`, hidden unless its template says otherwise. False when the parent, the
  /// placeholder or a child template is missing, or the page already exists.
  bool Create(Hwnd parent, int32_t placeholderId);

  /// Writes the working values into the controls.
  virtual void FillPage() = 0;
  /// Reads the controls into the working values. A refused value shows its message and
  /// returns false with the working values untouched.
  virtual bool SavePage() = 0;

 protected:
  /// Shows why a value is refused; returns false, for `return Refuse(...)` in SavePage.
  static bool Refuse(const std::string& message);

  // Enter and Escape inside a page are the dialog's keys, not the page's: a page never ends
  // or hides itself.
  void OnOK() override;
  void OnCancel() override;

 private:
  Hwnd ParentDialog() const;
};

}  // namespace vantel
