#include "ui/cal_page.h"

#include "platform/controls.h"
#include "platform/message_box.h"

namespace vantel {

CSisCalPage::CSisCalPage(uint32_t templateId, DialogTables& model)
    : Dialog(templateId, 0), model_(model) {}

bool CSisCalPage::OnInitDialog() {
  FillPage();
  return true;
}

bool CSisCalPage::Create(Hwnd parent, int32_t placeholderId) {
  const Hwnd placeholder = vantel::GetDlgItem(parent, placeholderId);
  const DialogTemplate* page = FindDialogTemplate(TemplateId());
  if (placeholder == 0 || !page || !(page->styles & WS_CHILD)) return false;
  if (!Dialog::Create(parent)) return false;
  MoveWindowOnto(GetSafeHwnd(), placeholder);
  return true;
}

bool CSisCalPage::Refuse(const std::string& message) {
  ShowMessageBox(message, MB_OK | MB_ICONERROR);
  return false;
}

void CSisCalPage::OnOK() { user::PressOk(ParentDialog()); }

void CSisCalPage::OnCancel() { user::PressCancel(ParentDialog()); }

Hwnd CSisCalPage::ParentDialog() const {
  const Window* page = GetWindow(GetSafeHwnd());
  return page ? page->parent : 0;
}

}  // namespace vantel
