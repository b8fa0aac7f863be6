// The error report as a user and the host's flows see it, driven through the automation API.
#include "ui/sis_report.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "config/engine_record.h"
#include "host/requests.h"
#include "platform/dialog_template.h"
#include "platform/module_state.h"
#include "platform/ui_test_support.h"
#include "platform/window.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"
#include "support/fake_host.h"
#include "ui/machine_context.h"

namespace vantel {
namespace {

using test::UiItems;
using test::UiLogCapture;
using test::UiSvg;
using test::UiText;

constexpr char kCaption[] = "Engine configuration errors M12";

class SisReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    report_ = CreateReport(hosted_.context, GetMachineName(hosted_.context));
    ASSERT_NE(report_, nullptr);
    window_ = VantelUiFindWindow(kCaption);
    ASSERT_NE(window_, 0u);
  }

  VantelUiWindow List() const { return VantelUiGetControl(window_, IDC_REPORT_LIST); }

  test::FakeHost host_;
  test::HostedContext hosted_{host_};
  std::unique_ptr<CSisReport> report_;
  VantelUiWindow window_ = 0;
};

TEST_F(SisReportTest, IsCreatedHiddenDisabledAndTitledWithTheMachine) {
  EXPECT_EQ(report_->GetSafeHwnd(), window_);
  EXPECT_EQ(UiText(window_), kCaption);
  EXPECT_EQ(report_->title(), kCaption);
  EXPECT_EQ(VantelUiIsVisible(window_), 0);
  EXPECT_EQ(VantelUiIsEnabled(window_), 0);
  EXPECT_EQ(VantelUiGetItemCount(List()), 0);
  EXPECT_EQ(UiText(VantelUiGetControl(window_, 1)), "Close");
  const Window* list = GetWindow(List());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->listExStyle, 0x61u);
  ASSERT_EQ(list->columns.size(), 1u);
  EXPECT_EQ(list->columns[0].width, 1000);
  EXPECT_EQ(list->columns[0].text, "");
}

TEST_F(SisReportTest, MachineWithoutANameKeepsTheDefaultInTheCaption) {
  host_.machineName.reset();
  test::HostedContext unnamed{host_, 3};
  auto report = CreateReport(unnamed.context, GetMachineName(unnamed.context));
  EXPECT_EQ(UiText(report->GetSafeHwnd()), "Engine configuration errors Machine");
}

TEST_F(SisReportTest, FillSplitsRowsAtLineFeeds) {
  struct Case {
    std::string text;
    std::vector<std::string> rows;
  };
  for (const Case& c :
       std::vector<Case>{{"A", {"A"}},
                         {"A\nB", {"A", "B"}},
                         {"A\n\nB", {"A", "", "B"}},
                         {"A\n", {"A", ""}},
                         {"\n", {"", ""}},
                         {"Sync\ttable <1> & \"2\"", {"Sync\ttable <1> & \"2\""}}}) {
    FillReport(report_.get(), c.text);
    EXPECT_EQ(UiItems(List()), c.rows) << c.text;
    EXPECT_EQ(VantelUiIsVisible(window_), 1) << c.text;
    EXPECT_EQ(VantelUiIsEnabled(window_), 1) << c.text;
    EXPECT_EQ(report_->errorText(), c.text);
  }
}

TEST_F(SisReportTest, EmptyTextHidesAndReshowKeepsItHidden) {
  FillReport(report_.get(), "A\nB");
  FillReport(report_.get(), "");
  EXPECT_EQ(VantelUiGetItemCount(List()), 0);
  EXPECT_EQ(VantelUiIsVisible(window_), 0);
  ReshowReport(report_.get());
  EXPECT_EQ(VantelUiIsVisible(window_), 0);
  EXPECT_EQ(VantelUiGetItemCount(List()), 0);
}

TEST_F(SisReportTest, EveryWayOfClosingOnlyHidesAndReshowShowsTheSameRows) {
  struct Case {
    const char* how;
    int32_t (*close)(VantelUiWindow report);
  };
  const std::vector<Case> cases{
      {"Close button", [](VantelUiWindow w) { return VantelUiClick(VantelUiGetControl(w, 1)); }},
      {"Enter", [](VantelUiWindow w) { return VantelUiPressOk(w); }},
      {"Escape", [](VantelUiWindow w) { return VantelUiPressCancel(w); }},
  };
  for (const Case& c : cases) {
    FillReport(report_.get(), "Flywheel\nPhase");
    ASSERT_EQ(c.close(window_), 1) << c.how;
    EXPECT_EQ(VantelUiIsVisible(window_), 0) << c.how;
    EXPECT_TRUE(IsWindow(window_)) << c.how;
    EXPECT_EQ(UiItems(List()), (std::vector<std::string>{"Flywheel", "Phase"})) << c.how;
    ReshowReport(report_.get());
    EXPECT_EQ(VantelUiIsVisible(window_), 1) << c.how;
    EXPECT_EQ(VantelUiIsEnabled(window_), 1) << c.how;
    EXPECT_EQ(UiItems(List()), (std::vector<std::string>{"Flywheel", "Phase"})) << c.how;
  }
}

TEST_F(SisReportTest, HiddenOrDisabledReportTakesNoKeys) {
  EXPECT_EQ(VantelUiPressCancel(window_), 0);  // created hidden and disabled
  EXPECT_EQ(VantelUiClick(VantelUiGetControl(window_, 1)), 0);
}

TEST_F(SisReportTest, FillOfADestroyedWindowDoesNothingAndStoresNothing) {
  FillReport(report_.get(), "A");
  DestroyWindow(window_);
  UiLogCapture log;
  FillReport(report_.get(), "B\nC");
  EXPECT_EQ(report_->errorText(), "A");
  ReshowReport(report_.get());
  EXPECT_EQ(report_->GetSafeHwnd(), 0u);
  EXPECT_TRUE(log.Lines().empty());
  FillReport(nullptr, "A");  // no report at all
  ReshowReport(nullptr);
}

TEST_F(SisReportTest, DroppingTheReportDestroysItsWindow) {
  FillReport(report_.get(), "A");
  const VantelUiWindow list = List();
  hosted_.context.report = std::move(report_);
  hosted_.context.report.reset();
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_FALSE(IsWindow(list));
  EXPECT_EQ(VantelUiFindWindow(kCaption), 0u);
}

TEST_F(SisReportTest, EndOfScrollRepaintsTheListOnlyForOlderHostLevels) {
  FillReport(report_.get(), "1\n2\n3\n4\n5\n6\n7\n8");
  struct Case {
    int32_t hostLevel;
    int32_t repaints;
  };
  for (const Case& c : std::vector<Case>{{-1, 1}, {2, 1}, {3, 1}, {4, 0}, {7, 0}}) {
    hosted_.context.hostLevel = c.hostLevel;
    const int32_t before = VantelUiGetPaintCount(List());
    ASSERT_EQ(VantelUiScroll(List(), SB_LINEDOWN, 0), 1);
    EXPECT_EQ(VantelUiGetPaintCount(List()) - before, c.repaints) << c.hostLevel;
    EXPECT_EQ(VantelUiGetPaintCount(window_), 0);
  }
}

TEST_F(SisReportTest, FillAndReshowWriteTheirLogLines) {
  UiLogCapture log;
  FillReport(report_.get(), "A\n\"B\"");
  FillReport(report_.get(), "");
  ReshowReport(report_.get());
  FillReport(report_.get(), "C");
  VantelUiPressCancel(window_);
  ReshowReport(report_.get());
  // The handle names the window for the automation API, where captions may be alike.
  const std::string head =
      R"("caption":"Engine configuration errors M12","window":)" + std::to_string(window_);
  EXPECT_EQ(log.Lines(),
            (std::vector<std::string>{
                R"({"event":"report",)" + head + R"(,"rows":["A","\"B\""],"visible":true})",
                R"({"event":"report",)" + head + R"(,"rows":[],"visible":false})",
                R"({"event":"report_show",)" + head + R"(,"visible":false})",
                R"({"event":"report",)" + head + R"(,"rows":["C"],"visible":true})",
                R"({"event":"report_show",)" + head + R"(,"visible":true})",
            }));
}

TEST_F(SisReportTest, SnapshotShowsCaptionFrameAndRows) {
  FillReport(report_.get(), "Number of cylinders\nInjection <rail 1> & 2");
  const std::string svg = UiSvg(window_);
  for (const char* expected :
       {">Engine configuration errors M12</text>", ">Close</text>",
        ">Incompatible configurations have been found, please, tune again to cancel these "
        "errors</text>",
        ">Number of cylinders</text>", ">Injection &lt;rail 1&gt; &amp; 2</text>"}) {
    EXPECT_NE(svg.find(expected), std::string::npos) << expected;
  }
  // 369 x 106 dialog units, a modal frame and a caption: wide enough for the group box's text.
  EXPECT_NE(svg.find("width=\"560\" height=\"201\""), std::string::npos);
}

constexpr uint32_t kProductTemplates[] = {
    IDD_MAIN_CONFIGURATION, IDD_REPORT,         IDD_MAP_SCALE,  IDD_ENGINE_PAGE,
    IDD_IGNITION_PAGE,      IDD_INJECTION_PAGE, IDD_BANKS_PAGE, IDD_PHASES_PAGE};

TEST(DialogTemplatesTest, EveryControlLiesInsideItsDialogWithAUniqueId) {
  for (uint32_t id : kProductTemplates) {
    const DialogTemplate* dialog = FindDialogTemplate(id);
    ASSERT_NE(dialog, nullptr) << id;
    std::vector<int32_t> ids;
    for (size_t i = 0; i < dialog->controlCount; ++i) {
      const ControlTemplate& control = dialog->controls[i];
      EXPECT_GE(control.rect.x, 0) << id << "/" << control.id;
      EXPECT_GE(control.rect.y, 0) << id << "/" << control.id;
      EXPECT_LE(control.rect.x + control.rect.w, dialog->width) << id << "/" << control.id;
      // A drop-down list's height is its open list, which may pass the bottom.
      if (control.kind != ControlKind::ComboBox) {
        EXPECT_LE(control.rect.y + control.rect.h, dialog->height) << id << "/" << control.id;
      }
      EXPECT_EQ(std::count(ids.begin(), ids.end(), control.id), 0) << id << "/" << control.id;
      ids.push_back(control.id);
    }
  }
}

TEST(DialogTemplatesTest, FrenchTemplatesKeepTheEnglishGeometry) {
  const std::string path = std::string(VANTEL_BUILD_DIR) + "/libvantelFRA.so";
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto module =
      reinterpret_cast<VantelResourceModuleFn>(dlsym(library, VANTEL_RESOURCE_MODULE_SYMBOL));
  ASSERT_NE(module, nullptr);
  ModuleState french{module(), library};
  for (uint32_t id : kProductTemplates) {
    const DialogTemplate* english = FindDialogTemplate(id);
    const DialogTemplate* translated = nullptr;
    {
      ModuleStateGuard guard(french);
      translated = FindDialogTemplate(id);
    }
    ASSERT_NE(english, nullptr) << id;
    ASSERT_NE(translated, nullptr) << id;
    ASSERT_NE(english, translated) << id;
    EXPECT_EQ(translated->width, english->width) << id;
    EXPECT_EQ(translated->height, english->height) << id;
    EXPECT_EQ(translated->styles, english->styles) << id;
    ASSERT_EQ(translated->controlCount, english->controlCount) << id;
    for (size_t i = 0; i < english->controlCount; ++i) {
      const ControlTemplate& fr = translated->controls[i];
      const ControlTemplate& en = english->controls[i];
      EXPECT_EQ(fr.id, en.id) << id;
      EXPECT_EQ(fr.kind, en.kind) << id;
      EXPECT_EQ(fr.styles, en.styles) << id;
      EXPECT_EQ(fr.help, en.help) << id << "/" << en.id;
      EXPECT_EQ(fr.rect.x, en.rect.x) << id;
      EXPECT_EQ(fr.rect.y, en.rect.y) << id;
      EXPECT_EQ(fr.rect.w, en.rect.w) << id;
      EXPECT_EQ(fr.rect.h, en.rect.h) << id;
      EXPECT_EQ(std::string(fr.text).empty(), std::string(en.text).empty()) << id << "/" << en.id;
    }
  }
  {
    ModuleStateGuard guard(french);
    EXPECT_STREQ(FindDialogTemplate(IDD_REPORT)->controls[0].text, "Fermer");
  }
  dlclose(library);
}

// The findings behind the rows, as a host reads them: one entry per row, a row no rule made
// null, nothing at all from a window that is no report.
TEST_F(SisReportTest, FindingsComeOnePerRowFromTheReportOrItsList) {
  auto read = [](VantelUiWindow window) -> std::string {
    char* json = VantelUiGetReportFindings(window);
    if (!json) return "NULL";
    std::string text = json;
    std::free(json);
    return text;
  };
  EXPECT_EQ(read(window_), "[]");
  hosted_.context.itemNames[kNameEngineTable] = "TAB_CNFENG_0";

  const std::vector<Finding> findings = {
      Finding(IDS_IGNITION_DELAY_OUT_OF_LIMITS, "ignition-delay")
          .Word(RuleTable::kEngineTable, kEngineIgnitionDelayWord)
          .Found(150, Unit::kMicroseconds)
          .Limit(Bound::kAtMost, {100}),
      Finding(IDS_CYLINDERS_NUMBER_REFUSED, "cylinder-count").Found(7)};
  FillReport(report_.get(), findings[0].Text() + "\n" + findings[1].Text(), findings);
  const std::string json = read(window_);
  EXPECT_EQ(read(List()), json);
  EXPECT_TRUE(json.starts_with(R"([{"index":0,"rule":"ignition-delay","message":18123,)"
                               R"("words":[{"table":"EngineTable","item":"TAB_CNFENG_0",)"
                               R"("word":22}],"found":150,)"))
      << json;
  EXPECT_NE(json.find(R"(},{"index":1,"rule":"cylinder-count")"), std::string::npos) << json;

  // A text of its own, as the major error is shown: its rows have no finding.
  FillReport(report_.get(), "KALBRIX MAJOR ERROR\nThis Kalbrix cannot be used");
  EXPECT_EQ(read(window_), "[null,null]");

  const Hwnd plain = CreateWindowFrom({.className = "dialog", .isDialog = true});
  EXPECT_EQ(read(plain), "NULL");
  DestroyWindow(plain);
  const VantelUiWindow stale = window_;
  report_.reset();
  EXPECT_EQ(read(stale), "NULL");
}

}  // namespace
}  // namespace vantel
