// The error report as a user and the host's flows see it, driven through the automation API.
#include "ui/sis_report.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <memory>
#include <string>
#include <vector>

#include "host/machine_context.h"
#include "platform/dialog_template.h"
#include "platform/module_state.h"
#include "platform/ui_test_support.h"
#include "platform/window.h"
#include "res/dialog_ids.h"
#include "support/fake_host.h"

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
    report_ = CreateReport(hosted_.context);
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
  auto report = CreateReport(unnamed.context);
  EXPECT_EQ(UiText(report->GetSafeHwnd()), "Engine configuration errors Machine");
}

TEST_F(SisReportTest, FillSplitsRowsAtLineFeeds) {
  struct Case {
    std::string text;
    std::vector<std::string> rows;
  };
  for (const Case& c : std::vector<Case>{{"A", {"A"}},
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
  EXPECT_EQ(log.Lines(),
            (std::vector<std::string>{
                R"({"event":"report","caption":"Engine configuration errors M12","rows":["A","\"B\""],"visible":true})",
                R"({"event":"report","caption":"Engine configuration errors M12","rows":[],"visible":false})",
                R"({"event":"report_show","caption":"Engine configuration errors M12","visible":false})",
                R"({"event":"report","caption":"Engine configuration errors M12","rows":["C"],"visible":true})",
                R"({"event":"report_show","caption":"Engine configuration errors M12","visible":true})",
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
  // 355 x 106 dialog units, a modal frame and a caption.
  EXPECT_NE(svg.find("width=\"539\" height=\"201\""), std::string::npos);
}

TEST(ReportTemplateTest, FrenchTemplateKeepsTheEnglishGeometry) {
  const std::string path = std::string(VANTEL_BUILD_DIR) + "/libvantelFRA.so";
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto module = reinterpret_cast<VantelResourceModuleFn>(
      dlsym(library, VANTEL_RESOURCE_MODULE_SYMBOL));
  ASSERT_NE(module, nullptr);
  ModuleState french{module(), library};
  const DialogTemplate* english = FindDialogTemplate(IDD_REPORT);
  const DialogTemplate* translated = nullptr;
  {
    ModuleStateGuard guard(french);
    translated = FindDialogTemplate(IDD_REPORT);
  }
  ASSERT_NE(english, nullptr);
  ASSERT_NE(translated, nullptr);
  ASSERT_NE(english, translated);
  EXPECT_STREQ(translated->controls[0].text, "Fermer");
  EXPECT_EQ(translated->width, english->width);
  EXPECT_EQ(translated->height, english->height);
  EXPECT_EQ(translated->styles, english->styles);
  ASSERT_EQ(translated->controlCount, english->controlCount);
  for (size_t i = 0; i < english->controlCount; ++i) {
    EXPECT_EQ(translated->controls[i].id, english->controls[i].id);
    EXPECT_EQ(translated->controls[i].styles, english->controls[i].styles);
  }
  dlclose(library);
}

}  // namespace
}  // namespace vantel
