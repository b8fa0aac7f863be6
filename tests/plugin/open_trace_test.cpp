// The whole request sequence of one successful open, against the trace checked in beside
// the tests: any change in order or content of what the host is asked fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/ui_test_support.h"
#include "plugin/handlers.h"
#include "plugin/vantel_app.h"
#include "res/dialog_ids.h"
#include "support/dialog_driver.h"
#include "support/message_boxes.h"
#include "support/sample_machine.h"

namespace vantel {
namespace {

std::string Line(const test::RequestRecord& r) {
  std::ostringstream out;
  out << r.machine << ' ' << hostcore::RequestName(r.code) << " \"" << r.item << '"';
  if (auto value = r.InInt()) {
    out << " int " << *value;
  } else if (r.inLen > 0) {
    out << " words";
    for (uint16_t w : r.InWords()) out << ' ' << w;
  }
  out << " -> " << r.result;
  return out.str();
}

/// Compares the host's log with the golden trace `name` (rewritten with VANTEL_UPDATE_GOLDEN).
void ExpectTrace(const test::FakeHost& host, const std::string& name) {
  std::string actual;
  for (const auto& r : host.log) actual += Line(r) + '\n';
  const std::string path = VANTEL_SOURCE_DIR "/tests/golden/" + name;
  if (std::getenv("VANTEL_UPDATE_GOLDEN")) std::ofstream(path) << actual;
  std::ifstream file(path);
  std::stringstream expected;
  expected << file.rdbuf();
  EXPECT_EQ(actual, expected.str());
}

/// The sample machine on a host of its own; each test ends the application itself, so that
/// what the end asks is in its trace.
class OpenTrace : public ::testing::Test {
 protected:
  OpenTrace() {
    test::InstallSampleMachine(host, test::ConfigBuilder().Build(), test::SampleGroupsText(),
                               test::SampleScaleText());
    app.InitInstance();
  }

  test::FakeHost host;
  test::MessageBoxes boxes;
  ModuleState state;
  CVantelApp app{test::FakeHost::Entry(), "unused", &state};
};

TEST_F(OpenTrace, ASuccessfulOpenAsksTheHostExactlyThis) {
  OpenConfiguration(12, app, test::kSampleKey);
  app.ExitInstance();
  ExpectTrace(host, "open_sample.trace");
  EXPECT_TRUE(boxes.shown.empty());
}

// One edit action: the dialog, three cylinders chosen on the Engine page, OK, the sends, the
// host's report of each sending and its end of the action.
TEST_F(OpenTrace, AnEditActionAsksTheHostExactlyThis) {
  OpenConfiguration(12, app, test::kSampleKey);
  MachineContext& context = *FindContext(app, 12);
  host.ClearLog();
  {
    bool acted = false;
    test::UiDriver user([&](VantelUiWindow modal) {
      const VantelUiWindow cylinders = VantelUiGetControl(modal, IDC_ENGINE_CYLINDERS);
      if (!cylinders || acted) return 0;
      acted = true;
      EXPECT_TRUE(test::ChooseEntry(cylinders, "03"));
      VantelUiPressOk(modal);
      return 1;
    });
    StartEditAction(context, "EMG_EDIT");
  }
  const std::vector<std::string> sent = host.RequestedItems(REQ_ITEM_SEND);
  for (const std::string& item : sent) OnItemSent(context, item);
  EndHostAction(context, "EMG_EDIT");
  app.ExitInstance();
  EXPECT_FALSE(sent.empty());
  ExpectTrace(host, "edit_action.trace");
  EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts()[0];
}

}  // namespace
}  // namespace vantel
