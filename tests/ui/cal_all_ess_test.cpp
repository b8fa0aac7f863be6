// The Ignition and Injection pages as a user sees them: created on the dialog's placeholder
// over a dialog's copies of the tables, driven through the automation API.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/engine_record.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "platform/ui_test_support.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"
#include "support/config_builder.h"
#include "support/fake_host.h"
#include "support/message_boxes.h"
#include "ui/cal_all.h"
#include "ui/cal_emg_dialog.h"
#include "ui/cal_ess.h"

namespace vantel {
namespace {

using test::ConfigBuilder;
using test::UiText;
using Radios = std::array<int32_t, 3>;

constexpr Radios kIgnitionRadios = {IDC_IGNITION_DISTRIBUTED, IDC_IGNITION_TWIN_SPARK,
                                    IDC_IGNITION_STATIC};
constexpr Radios kTypeRadios = {IDC_INJECTION_SEMI_SEQUENTIAL, IDC_INJECTION_SEQUENTIAL,
                                IDC_INJECTION_DIRECT};
constexpr Radios kRailsRadios = {IDC_INJECTION_ONE_RAIL, IDC_INJECTION_RAIL1_TO_RAIL2,
                                 IDC_INJECTION_RAIL1_TO_BOTH};

// InjectionCaps words 2 and 3, told apart by value.
constexpr int32_t kFreed = 8;
constexpr int32_t kShared = 2;
constexpr int32_t kUntouched = 99;

class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent_.Create());
    ShowWindow(parent_.GetSafeHwnd(), true);
  }

  /// Both pages over a dialog holding `config`, created on the placeholder (which fills
  /// them) and shown.
  void Open(const test::Config& config) {
    ignition_.reset();
    injection_.reset();
    dialog_.reset();
    config.ApplyTo(hosted_.context);
    dialog_ = std::make_unique<CSisCalEmgDialog>(0, hosted_.context, "M12");
    ignition_ = std::make_unique<CSisCalAll>(dialog_->tables());
    injection_ = std::make_unique<CSisCalEss>(dialog_->tables());
    for (CSisCalPage* page : {static_cast<CSisCalPage*>(ignition_.get()),
                              static_cast<CSisCalPage*>(injection_.get())}) {
      ASSERT_TRUE(page->Create(parent_.GetSafeHwnd(), IDC_MAIN_PAGE_PLACE));
      ShowWindow(page->GetSafeHwnd(), true);
    }
  }

  VantelUiWindow Control(int32_t id) const { return VantelUiGetControl(parent_.GetSafeHwnd(), id); }
  WordTable EngineCopy() { return dialog_->tables().Encode()[kEngineTable]; }
  /// Bit i set when radio i is enabled; for the ignition radios, the word 20 flags.
  uint16_t Enabled(const Radios& ids) const { return Mask(ids, &VantelUiIsEnabled); }
  uint16_t Checked(const Radios& ids) const { return Mask(ids, &VantelUiIsChecked); }
  uint16_t Mask(const Radios& ids, int32_t (*state)(VantelUiWindow)) const {
    uint16_t mask = 0;
    for (size_t i = 0; i < ids.size(); ++i) {
      if (state(Control(ids[i])) == 1) mask |= static_cast<uint16_t>(1u << i);
    }
    return mask;
  }

  test::FakeHost host_;
  test::HostedContext hosted_{host_};
  Dialog parent_{IDD_MAIN_CONFIGURATION, 0};
  std::unique_ptr<CSisCalEmgDialog> dialog_;
  std::unique_ptr<CSisCalAll> ignition_;
  std::unique_ptr<CSisCalEss> injection_;
  test::MessageBoxes boxes_;
};

class CalAllTest : public PagesTest {};
class CalEssTest : public PagesTest {};

constexpr uint16_t kDist = kIgnitionDistributed, kTwin = kIgnitionTwinSpark,
                   kStatic = kIgnitionStatic, kAllTypes = kDist | kTwin | kStatic;

/// Ignition caps: allowed types, channels, shared-output limit, pulses; a 100 µs maximum.
test::Config IgnitionMachine(uint16_t cylinders, uint16_t stored, uint16_t types = kAllTypes,
                             uint16_t channels = 4, uint16_t limit = 4, uint16_t pulses = 12) {
  return ConfigBuilder()
      .Cylinders(cylinders)
      .Ignition(stored)
      .IgnitionCaps(types, channels, limit, pulses, 100)
      .InjectionCaps(kInjectionAllTypes, kFreed, kShared)
      .Build();
}

// Saved without a click, the page stores the type it shows, distributed when none.
TEST_F(CalAllTest, FillShowsTheTypeTheCylindersAndEcuAllowAndSetsTheChannelCount) {
  struct Case {
    const char* what;
    test::Config machine;
    uint16_t enabled;
    uint16_t checked;
    int32_t channels;  // the dialog's injection channel count afterwards
  };
  const Case cases[] = {
      {"odd, stored twin spark", IgnitionMachine(3, kTwin), kDist | kStatic, kStatic, kFreed},
      {"8 on 4 pulses, stored distributed", IgnitionMachine(8, kDist, kAllTypes, 4, 4, 4),
       kTwin | kStatic, kStatic, kShared},
      {"twin spark over twice the channels", IgnitionMachine(10, kTwin), kDist | kStatic, kStatic,
       kShared},
      {"twin spark, one pulse", IgnitionMachine(4, kTwin, kAllTypes, 4, 4, 1), kStatic, kStatic,
       kFreed},
      {"twin spark up to twice the limit", IgnitionMachine(8, kTwin), kAllTypes, kTwin, kFreed},
      {"twin spark over twice the limit", IgnitionMachine(6, kTwin, kAllTypes, 4, 2), kAllTypes,
       kTwin, kShared},
      {"static up to the limit", IgnitionMachine(4, kStatic), kAllTypes, kStatic, kFreed},
      {"distributed", IgnitionMachine(8, kDist, kAllTypes, 4, 1), kAllTypes, kDist, kFreed},
      {"distributed and twin spark", IgnitionMachine(4, kDist | kTwin), kAllTypes, kStatic, kFreed},
      {"static the ECU refuses", IgnitionMachine(4, kStatic, kDist), kDist, kStatic, kFreed},
      {"nothing stored", IgnitionMachine(4, 0), kAllTypes, kDist, kFreed},
      {"nothing stored, no distributed", IgnitionMachine(6, 0, kTwin | kStatic, 4, 2),
       kTwin | kStatic, kTwin, kShared},
      {"nothing allowed", IgnitionMachine(4, 0x8, 0), 0, 0, kUntouched},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(c.machine);
    dialog_->tables().injectionChannelCount = kUntouched;
    ignition_->FillPage();
    EXPECT_EQ(Enabled(kIgnitionRadios), c.enabled);
    EXPECT_EQ(Checked(kIgnitionRadios), c.checked);
    EXPECT_EQ(dialog_->tables().injectionChannelCount, c.channels);
    ASSERT_TRUE(ignition_->SavePage());
    EXPECT_EQ(Word(EngineCopy(), kEngineIgnitionWord), c.checked ? c.checked : kDist);
  }
}

TEST_F(CalAllTest, DelayIsStoredUpToTheMaximumAndRefusedAboveOrWhenNotANumber) {
  struct Case {
    std::string typed;
    uint32_t refusal;  // 0: saved
    uint16_t stored;
  };
  const Case cases[] = {
      {"250", 0, 250},
      {"0xFA", 0, 250},
      {"0", 0, 0},
      {"251", IDS_IGNITION_DELAY_TOO_HIGH, 0},
      {"-1", IDS_IGNITION_DELAY_TOO_HIGH, 0},
      // Numbers, out of range: 32 bits would wrap them to 1, 0 and 250.
      {"-4294967295", IDS_IGNITION_DELAY_TOO_HIGH, 0},
      {"4294967296", IDS_IGNITION_DELAY_TOO_HIGH, 0},
      {"4294967546", IDS_IGNITION_DELAY_TOO_HIGH, 0},
      {"12a", IDS_IGNITION_DELAY_NOT_A_NUMBER, 0},
      {"abc", IDS_IGNITION_DELAY_NOT_A_NUMBER, 0},
      {"", IDS_IGNITION_DELAY_NOT_A_NUMBER, 0},
      {"1.5", IDS_IGNITION_DELAY_NOT_A_NUMBER, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Open(
        ConfigBuilder().Ignition(kStatic).IgnitionDelay(40).IgnitionCaps(7, 4, 4, 12, 250).Build());
    EXPECT_EQ(UiText(Control(IDC_IGNITION_DELAY_LABEL)),
              LoadString(IDS_IGNITION_DELAY_LABEL) + " ( 0 - 250 )");
    EXPECT_EQ(UiText(Control(IDC_IGNITION_DELAY)), "40");
    ASSERT_EQ(VantelUiClick(Control(IDC_IGNITION_TWIN_SPARK)), 1);
    const WordTable before = EngineCopy();
    boxes_.shown.clear();
    ASSERT_EQ(VantelUiSetEditText(Control(IDC_IGNITION_DELAY), c.typed.c_str()), 1);
    const bool saved = ignition_->SavePage();
    EXPECT_EQ(saved, c.refusal == 0);
    if (!saved) {
      ASSERT_EQ(boxes_.shown.size(), 1u);
      const bool tooHigh = c.refusal == IDS_IGNITION_DELAY_TOO_HIGH;
      EXPECT_EQ(boxes_.shown[0].text, LoadString(c.refusal) + (tooHigh ? "" : "250"));
      EXPECT_EQ(boxes_.shown[0].type, MB_OK | MB_ICONERROR);
      EXPECT_EQ(EngineCopy(), before);
      EXPECT_EQ(UiText(Control(IDC_IGNITION_DELAY)), c.typed);  // for the user to mend
      continue;
    }
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(Word(EngineCopy(), kEngineIgnitionDelayWord), c.stored);
    EXPECT_EQ(Word(EngineCopy(), kEngineIgnitionWord), kTwin);
    ignition_->FillPage();
    EXPECT_EQ(UiText(Control(IDC_IGNITION_DELAY)), std::to_string(c.stored));
  }
}

/// Injection caps word 1 `allowed` and word 21 `stored`.
test::Config InjectionMachine(uint16_t allowed, uint16_t stored) {
  return ConfigBuilder().Injection(stored).InjectionCaps(allowed, 4, 2).Build();
}

// Masks by row: semi-sequential, sequential, direct; one rail, rail 1 to rail 2, to rails 1+2.
TEST_F(CalEssTest, FillShowsTheStoredCombinationOrSequentialOnOneRail) {
  struct Case {
    const char* what;
    uint16_t allowed;
    std::vector<uint16_t> stored;  // each shows the same
    uint16_t typesEnabled, railsEnabled, type, rails;
  };
  const Case cases[] = {
      {"sequential on one rail only",
       0x002,
       {0x000, 0x001, 0x002, 0x004, 0x008, 0x100, 0xC010, 0x1FF},
       0b010,
       0b001,
       0b010,
       0b001},
      {"semi-sequential, rail 1 to rail 2", 0x009, {0x008}, 0b001, 0b011, 0b001, 0b010},
      {"direct, rail 1 to rails 1+2", 0x1FF, {0x100, 0x8100}, 0b111, 0b111, 0b100, 0b100},
      {"two combinations stored", 0x1FF, {0x108, 0x006}, 0b111, 0b111, 0b010, 0b001},
      {"nothing stored: the first one-rail", 0x0FC, {0x000}, 0b100, 0b011, 0b100, 0b001},
      {"no one-rail combination: nothing shown", 0x010, {0x000}, 0, 0b111, 0, 0},
  };
  for (const Case& c : cases) {
    for (uint16_t stored : c.stored) {
      SCOPED_TRACE(std::string(c.what) + ", stored " + std::to_string(stored));
      Open(InjectionMachine(c.allowed, stored));
      EXPECT_EQ(Enabled(kTypeRadios), c.typesEnabled);
      EXPECT_EQ(Enabled(kRailsRadios), c.railsEnabled);
      EXPECT_EQ(Checked(kTypeRadios), c.type);
      EXPECT_EQ(Checked(kRailsRadios), c.rails);
      EXPECT_EQ(VantelUiIsEnabled(Control(IDC_PEAK_AND_HOLD_ENABLED)), 0);
      EXPECT_EQ(VantelUiIsEnabled(Control(IDC_PEAK_AND_HOLD_COMMAND)), 0);
    }
  }
}

TEST_F(CalEssTest, SaveWritesTheChosenCombinationAloneAndNoPeakAndHold) {
  struct Case {
    const char* what;
    uint16_t allowed, stored;
    std::vector<int32_t> clicks;
    uint16_t rails;  // checked after the clicks
    uint16_t word21;
  };
  const Case cases[] = {
      {"peak-and-hold mode cleared", 0x1FF, 0xC002, {}, 0b001, 0x002},
      {"type then rails",
       0x1FF,
       0x002,
       {IDC_INJECTION_DIRECT, IDC_INJECTION_RAIL1_TO_BOTH},
       0b100,
       0x100},
      // The two-rail radio turns disabled yet stays chosen; the rules report it.
      {"rails kept by a type click", 0x00B, 0x008, {IDC_INJECTION_SEQUENTIAL}, 0b010, 0x010},
      {"no type: semi-sequential", 0x008, 0x000, {}, 0, 0x001},
      {"no type: semi-sequential of the rails",
       0x008,
       0x000,
       {IDC_INJECTION_RAIL1_TO_RAIL2},
       0b010,
       0x008},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::Config machine = InjectionMachine(c.allowed, c.stored);
    for (size_t i = 0; i < kPeakHoldTuningWords; ++i) {
      machine.tables[kEngineTable][kEnginePeakHoldTuningWord + i] = uint16_t(7 + i);
    }
    Open(machine);
    for (int32_t id : c.clicks) ASSERT_EQ(VantelUiClick(Control(id)), 1) << id;
    EXPECT_EQ(Checked(kRailsRadios), c.rails);
    WordTable expected = EngineCopy();
    ASSERT_TRUE(injection_->SavePage());
    expected[kEngineInjectionWord] = c.word21;
    for (size_t i = 0; i < kPeakHoldTuningWords; ++i) expected[kEnginePeakHoldTuningWord + i] = 0;
    EXPECT_EQ(EngineCopy(), expected);
  }
}

// Every stored combination under every allowed set: saved without a change it stays when
// the ECU allows it and becomes sequential on one rail otherwise, and shows the same again.
TEST_F(CalEssTest, EveryCombinationUnderEveryAllowedSetRoundTrips) {
  Open(InjectionMachine(kInjectionAllTypes, 0x001));
  DialogTables& tables = dialog_->tables();
  for (uint16_t allowed = 0; allowed <= kInjectionAllTypes; ++allowed) {
    for (int bit = 0; bit < 9; ++bit) {
      const auto combination = static_cast<uint16_t>(1u << bit);
      SCOPED_TRACE(std::to_string(allowed) + " allows, stored " + std::to_string(combination));
      tables.caps.injectionTypes = allowed;
      tables.engine.injection = combination;
      for (int fill = 0; fill < 2; ++fill) {  // as read, then as saved
        injection_->FillPage();
        const uint16_t expected = (allowed & combination) ? combination : InjectionBit(1, 0);
        const int shown = std::countr_zero(expected);
        ASSERT_EQ(Checked(kTypeRadios), 1u << (shown % 3));
        ASSERT_EQ(Checked(kRailsRadios), 1u << (shown / 3));
        ASSERT_TRUE(injection_->SavePage());
        ASSERT_EQ(Word(EngineCopy(), kEngineInjectionWord), expected);
      }
    }
  }
}

}  // namespace
}  // namespace vantel
