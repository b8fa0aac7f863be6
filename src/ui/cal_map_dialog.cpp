#include "ui/cal_map_dialog.h"

#include <utility>

#include "platform/string_table.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"

namespace vantel {
namespace {

std::string NoData() { return LoadString(IDS_NO_DATA); }

}  // namespace

CSisCalMapDialog::CSisCalMapDialog(Hwnd parent, MapScaleItems& items, std::string title, int rail,
                                   DialogTables& model)
    : Dialog(IDD_MAP_SCALE, parent),
      items_(&items),
      title_(std::move(title)),
      firstReference_(kRailScaleReference[static_cast<size_t>(rail)]),
      model_(model),
      sides_{{{.control = IDC_MAP_VERTICAL, .name = {}},
              {.control = IDC_MAP_HORIZONTAL, .name = {}}}} {
  for (size_t i = 0; i < sides_.size(); ++i) {
    Side& side = sides_[i];
    const auto id = static_cast<int32_t>(model_.engine.scaleReferences[firstReference_ + i]);
    const std::optional<std::string> name = items.Name(id);
    if (name) {
      side.name = *name;
      side.id = id;
    } else {
      side.name = NoData();
      side.id = -1;
    }
  }
}

bool CSisCalMapDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  SetWindowText(GetSafeHwnd(), title_);
  candidates_ = items_->Candidates();
  for (Side& side : sides_) side.selection = FillCombo(side);
  return true;
}

int32_t CSisCalMapDialog::FillCombo(Side& side) {
  const Hwnd combo = GetDlgItem(side.control);
  ResetItems(combo);
  side.locked = false;
  const std::string current = side.id == -1 ? std::string() : items_->Name(side.id).value_or("");

  const auto label = [&](const std::string& name) {
    const std::string text = items_->Label(name);
    return text.empty() ? NoData() : text;
  };

  if (!current.empty() && items_->Fixed(current)) {
    side.locked = true;
    AddItem(combo, label(current));
    SetSelection(combo, 0);
    return 0;
  }

  AddItem(combo, NoData());
  int32_t selection = 0;
  for (size_t i = 0; i < candidates_.size(); ++i) {
    AddItem(combo, label(candidates_[i]));
    if (candidates_[i] == current) selection = static_cast<int32_t>(i) + 1;
  }
  SetSelection(combo, selection);
  return selection;
}

void CSisCalMapDialog::TakeChoice(Side& side) {
  side.selection = GetSelection(GetDlgItem(side.control));
  // The only entry of a locked combo is the current item itself, not "NO DATA": choosing it
  // again keeps the scale reference.
  if (side.locked) return;
  const bool candidate =
      side.selection > 0 && static_cast<size_t>(side.selection) <= candidates_.size();
  if (!candidate) {
    side.name = NoData();
    side.id = -1;
    return;
  }
  side.name = candidates_[static_cast<size_t>(side.selection) - 1];
  side.id = items_->Id(side.name);
}

CSisCalMapDialog::Side* CSisCalMapDialog::SideOf(int32_t control) {
  for (Side& side : sides_) {
    if (side.control == control) return &side;
  }
  return nullptr;
}

bool CSisCalMapDialog::OnMessage(const Message& message, intptr_t& /*result*/) {
  if (message.kind != MessageKind::SelEndOk && message.kind != MessageKind::CloseUp) return false;
  Side* side = SideOf(message.controlId);
  if (!side) return false;
  if (message.kind == MessageKind::SelEndOk) {
    TakeChoice(*side);
  } else {
    // A list closed without a choice shows the last choice taken.
    SetSelection(message.from, side->selection);
  }
  return true;
}

void CSisCalMapDialog::OnOK() {
  EndDialog(IDOK);
  for (size_t i = 0; i < sides_.size(); ++i) {
    const int32_t id = sides_[i].id;
    model_.engine.scaleReferences[firstReference_ + i] =
        id == -1 ? kNoItemReference : static_cast<uint32_t>(id);
  }
}

}  // namespace vantel
