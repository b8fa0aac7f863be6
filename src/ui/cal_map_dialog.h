#pragma once
// The scale data of one rail piloting map: the items giving its vertical and horizontal
// axes, chosen among those the ECU offers for the purpose, stored in the dialog model's
// engine record.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "ui/dialog_tables.h"

namespace vantel {

/// The engine-table words of the two maps' scale pairs: vertical id, then horizontal id.
inline constexpr int32_t kRail1ScaleWord = 30;
inline constexpr int32_t kRail2ScaleWord = 26;
/// By rail: its pair's first entry in EngineRecord::scaleReferences.
inline constexpr std::array<size_t, 2> kRailScaleReference = {
    (kRail1ScaleWord - kEngineScaleReferenceWord) / 2,
    (kRail2ScaleWord - kEngineScaleReferenceWord) / 2};

/// What the dialog needs to know of the host's items; the plug-in answers from the host.
class MapScaleItems {
 public:
  /// The items the ECU offers as scale data, in the host's order.
  virtual std::vector<std::string> Candidates() = 0;
  /// The text an entry shows for `name`; empty when the host gives none.
  virtual std::string Label(const std::string& name) = 0;
  /// The name of item `id`, or nullopt when the host knows none.
  virtual std::optional<std::string> Name(int32_t id) = 0;
  /// The identifier of `name`, or -1.
  virtual int32_t Id(const std::string& name) = 0;
  /// Whether the chosen item `name` may not be exchanged by this user: it is shown alone.
  virtual bool Fixed(const std::string& name) = 0;

 protected:
  ~MapScaleItems() = default;
};

class CSisCalMapDialog : public Dialog {
 public:
  /// Resolves the two scale references of rail `rail` (0 or 1) in `model`, where OK stores
  /// the choices. `items` and `model` are not owned; they must outlive the dialog.
  CSisCalMapDialog(Hwnd parent, MapScaleItems& items, std::string title, int rail,
                   DialogTables& model);

  int32_t verticalId() const { return sides_[0].id; }
  int32_t horizontalId() const { return sides_[1].id; }
  const std::vector<std::string>& candidates() const { return candidates_; }

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  bool OnMessage(const Message& message, intptr_t& result) override;

 private:
  struct Side {
    int32_t control;
    std::string name;
    int32_t id = -1;
    int32_t selection = -1;
    bool locked = false;  // the current item may not be exchanged: shown alone
  };

  /// Fills the side's combo for its current id; returns the entry to select.
  int32_t FillCombo(Side& side);
  void TakeChoice(Side& side);
  Side* SideOf(int32_t control);

  MapScaleItems* items_;
  std::string title_;
  size_t firstReference_;
  DialogTables& model_;
  std::array<Side, 2> sides_;
  std::vector<std::string> candidates_;
};

}  // namespace vantel
