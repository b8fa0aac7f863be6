#pragma once
// The Phases page: the main phase, on which the engine is synchronised, and three auxiliary
// phases that only measure a camshaft's position. Every list follows the ECU's capabilities,
// the flywheel and the other phases' choices: a camshaft serves one phase only.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "res/dialog_ids.h"
#include "ui/cal_page.h"

namespace vantel {

struct Flywheel;

class CSisCalPha : public CSisCalPage {
 public:
  explicit CSisCalPha(DialogTables& model);

  void FillPage() override;
  /// Stores the phase settings shown; never refuses. The mark tooth of a main phase on a
  /// camshaft is the model's, which follows the flywheel the Engine page stores.
  bool SavePage() override;

 protected:
  bool OnMessage(const Message& message, intptr_t& result) override;

 private:
  /// A phase's working values; index 0 is the main phase, 1 to 3 the auxiliary ones.
  struct Phase {
    int camshaft = -1;  // -1: no camshaft sensor
    int marks = 0;      // auxiliary: 0 = not used
    int startTooth = 0;
  };
  /// A combo's values in item order and its stored selection; for marks and start-tooth
  /// combos also the range it was last built for, so that an unchanged range keeps the list.
  struct Combo {
    std::vector<int32_t> values;
    int32_t selection = -1;
    std::optional<std::pair<int, int>> builtRange;
  };

  /// What a choice in a combo changes: its stored selection and the value it sets; a
  /// camshaft or the main type changes every list.
  struct ComboSlot {
    Combo* combo = nullptr;
    int* value = nullptr;
    bool rebuildsAll = false;
  };

  void ReadModel();
  void EnableAll();
  /// The thirteen combos in their order: for each phase its camshaft, (main) type, marks and
  /// start tooth.
  void BuildCombos();
  /// Stores the phases as shown, which a fill has brought within what the ECU allows.
  void StorePhases();
  void BuildCamshaft(size_t phase);
  void BuildMainType();
  void BuildMarks(size_t phase);
  void BuildStartTooth(size_t phase);
  /// Refills combo `id` with `values` shown as `texts` and selects the entry holding `wanted`,
  /// else the first. Returns the selected value; nullopt, and nothing selected, when empty.
  std::optional<int32_t> Refill(int32_t id, Combo& combo, std::vector<int32_t> values,
                                const std::vector<std::string>& texts, int wanted);
  ComboSlot SlotOf(int32_t id);
  /// The flywheel of the dialog's SyncTable, which the Engine page may have changed.
  Flywheel Wheel() const;

  std::array<Phase, kPhaseCount> phases_;
  int mainType_ = 0;
  int previousMainType_ = 0;           // the type the main marks list was last built for
  std::vector<int32_t> typeList_;      // types 1 to 7 the ECU allows, ascending
  std::vector<int32_t> camshaftList_;  // camshafts 0 to 3 with a sensor, ascending
  std::array<Combo, kPhaseCount> camshaftCombos_;
  Combo typeCombo_;
  std::array<Combo, kPhaseCount> marksCombos_;
  std::array<Combo, kPhaseCount> startCombos_;
};

}  // namespace vantel
