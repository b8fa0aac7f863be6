#pragma once
// A page of the configuration dialog: a child dialog on its own template, laid on the
// control of the parent that marks its place, over the dialog's model. The page shows and
// takes back its working values only when its owner asks, and knows no other page.
#include <cstdint>
#include <string>

#include "platform/dialog.h"
#include "ui/dialog_tables.h"

namespace vantel {

class CSisCalPage : public Dialog {
 public:
  CSisCalPage(uint32_t templateId, DialogTables& model);

  /// Creates the page as a child of `parent` on the rectangle of the parent's control
  /// `placeholderId`, hidden unless its template says otherwise. False when the parent, the
  /// placeholder or a child template is missing, or the page already exists.
  bool Create(Hwnd parent, int32_t placeholderId);

  /// Writes the working values into the controls.
  virtual void FillPage() = 0;
  /// Reads the controls into the working values and the model. A refused value shows its
  /// message and returns false with the model untouched.
  virtual bool SavePage() = 0;

 protected:
  /// A page shows the model as soon as it exists.
  bool OnInitDialog() override;

  /// Shows why a value is refused; returns false, for `return Refuse(...)` in SavePage.
  static bool Refuse(const std::string& message);

  // Enter and Escape inside a page are the dialog's keys, not the page's: a page never ends
  // or hides itself.
  void OnOK() override;
  void OnCancel() override;

  DialogTables& model_;

 private:
  Hwnd ParentDialog() const;
};

}  // namespace vantel
