#pragma once
// The map scale dialog's questions about items, answered by the host of a machine.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/cal_map_dialog.h"
#include "ui/machine_context.h"

namespace vantel {

class HostMapScaleItems final : public MapScaleItems {
 public:
  /// `context` is not owned; it lives until the plug-in is unloaded.
  explicit HostMapScaleItems(MachineContext& context) : context_(context) {}

  /// Items of class 0, present, usable as scale data (attribute 10) and in the user's list;
  /// unless the user may choose widely, none of the lists whose items are fixed.
  std::vector<std::string> Candidates() override;
  std::string Label(const std::string& name) override;
  std::optional<std::string> Name(int32_t id) override;
  int32_t Id(const std::string& name) override;
  /// A present item in one of the fixed lists (or whose lists the host does not give), for a
  /// user who may not choose widely.
  bool Fixed(const std::string& name) override;

 private:
  bool TakesCandidate(const std::string& name);
  int32_t FixedLists() const;

  MachineContext& context_;
};

}  // namespace vantel
