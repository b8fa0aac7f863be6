// The pictures of docs/dialogs.md are the dialog as it renders now: this test renders every
// page of the configuration dialog for the sample engine and compares it with the committed
// picture. After a deliberate change of the dialog, make them again with
//   VANTEL_UPDATE_PICTURES=1 ./build/tests/vantel_tests --gtest_filter='DialogPictures*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "host/requests.h"
#include "platform/dialog.h"
#include "platform/ui_test_support.h"
#include "res/dialog_ids.h"
#include "support/sample_machine.h"
#include "ui/cal_emg_dialog.h"
#include "ui/sis_report.h"

namespace vantel {
namespace {

namespace fs = std::filesystem;

const fs::path kPictures = fs::path(VANTEL_SOURCE_DIR) / "docs" / "dialogs";
constexpr const char* kPageFiles[] = {"engine.svg", "banks.svg", "phases.svg", "ignition.svg",
                                      "injection.svg"};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(DialogPictures, EveryPageRendersAsItsCommittedPicture) {
  test::FakeHost host;
  test::HostedContext hosted{host};
  MachineContext& context = hosted.context;
  const test::Config engine = test::ConfigBuilder().Build();
  engine.ApplyTo(context);
  for (int t = 0; t < kConfigTableCount; ++t) {
    context.itemNames[static_cast<size_t>(t)] = test::kSampleTableNames[t];
  }
  context.machineName = "M12";
  context.report = CreateReport(context, GetMachineName(context));

  const bool update = std::getenv("VANTEL_UPDATE_PICTURES") != nullptr;
  CSisCalEmgDialog dialog(0, context, "Engine management configuration M12");
  std::string rendered[std::size(kPageFiles)];
  test::UiDriver driver([&](VantelUiWindow modal) {
    const VantelUiWindow tabs = VantelUiGetControl(modal, IDC_MAIN_TABS);
    for (int page = 0; page < static_cast<int>(std::size(kPageFiles)); ++page) {
      EXPECT_EQ(VantelUiSelectTab(tabs, page), 1) << kPageFiles[page];
      char* svg = VantelUiRenderSvg(modal);
      rendered[page] = svg ? svg : "";
      std::free(svg);
    }
    return 0;  // gives up: the dialog ends with IDCANCEL
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);

  for (size_t page = 0; page < std::size(kPageFiles); ++page) {
    const fs::path file = kPictures / kPageFiles[page];
    ASSERT_FALSE(rendered[page].empty()) << file;
    if (update) {
      fs::create_directories(kPictures);
      std::ofstream(file, std::ios::binary) << rendered[page];
      continue;
    }
    EXPECT_EQ(rendered[page], ReadFile(file))
        << file << " is not what the dialog shows: make the pictures again (see the top of "
        << __FILE__ << ")";
  }
  context.report.reset();
}

}  // namespace
}  // namespace vantel
