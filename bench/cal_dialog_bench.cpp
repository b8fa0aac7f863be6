// Opens the configuration dialog of the sample machine with its five pages, switches through
// the tabs, moves an auxiliary phase from camshaft to camshaft and confirms with the
// write-back, and reports the time of each: the dialog must be instant for a person even on a
// slow host (open under 2 ms, a tab switch or a phases-page rebuild under 0.2 ms).
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <numeric>
#include <string>
#include <vector>

#include "config/engine_record.h"
#include "host/requests.h"
#include "platform/controls.h"
#include "plugin/handlers.h"
#include "res/dialog_ids.h"
#include "res/resources_en.h"
#include "support/sample_machine.h"
#include "ui/cal_emg_dialog.h"
#include "ui/sis_report.h"

namespace vantel {
namespace {

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

void Print(const char* what, std::vector<double> seconds, double goalMs) {
  std::sort(seconds.begin(), seconds.end());
  const double mean =
      std::accumulate(seconds.begin(), seconds.end(), 0.0) / static_cast<double>(seconds.size());
  const double median = seconds[seconds.size() / 2];
  const double worst = seconds.back();
  std::printf("%-22s median %8.4f ms  mean %8.4f ms  worst %8.4f ms  (%zu runs)%s\n", what,
              1e3 * median, 1e3 * mean, 1e3 * worst, seconds.size(),
              goalMs > 0 && 1e3 * median > goalMs ? "  OVER GOAL" : "");
}

int Run(int rounds) {
  test::FakeHost host;
  host.recordLog = false;
  const test::Config config = test::ConfigBuilder().Build();
  test::InstallSampleMachine(host, config, test::SampleGroupsText(), test::SampleScaleText());
  test::HostedContext hosted(host);
  MachineContext& context = hosted.context;
  config.ApplyTo(context);
  for (int t = 0; t < kConfigTableCount; ++t) {
    context.itemNames[static_cast<size_t>(t)] = test::kSampleTableNames[t];
  }
  context.machineName = "M12";
  context.report = CreateReport(context, GetMachineName(context));

  std::vector<double> open, tab, phases, ok;
  int failures = 0;
  for (int round = 0; round < rounds; ++round) {
    context.Opened();
    context.SetActionRunning(true);
    context.actionKey = "EMG_EDIT";

    double start = CpuSeconds();
    CSisCalEmgDialog dialog(0, context, "Engine management configuration M12");
    if (!dialog.Create()) return 1;
    open.push_back(CpuSeconds() - start);

    const Hwnd window = dialog.GetSafeHwnd();
    ShowWindow(window, true);
    const Hwnd tabs = dialog.GetDlgItem(IDC_MAIN_TABS);
    for (int index : {1, 2, 3, 4, 0}) {
      start = CpuSeconds();
      if (!user::SelectTab(tabs, index)) ++failures;
      tab.push_back(CpuSeconds() - start);
    }

    // Auxiliary phase 1 on and off a camshaft: the thirteen combos rebuilt, its start-tooth
    // list between one entry and 116 on the sample's 60-2 wheel.
    if (!user::SelectTab(tabs, CSisCalEmgDialog::kPhasesPage)) ++failures;
    const Hwnd auxCamshaft = FindDescendant(window, IDC_PHASE_CAMSHAFTS[1]);
    for (int toggle = 0; toggle < 10; ++toggle) {
      start = CpuSeconds();
      if (!user::SelectComboItem(auxCamshaft, (toggle + 1) % 2, true)) ++failures;
      phases.push_back(CpuSeconds() - start);
    }

    // One changed table each time: the host keeps the last, the machine's copy the first.
    dialog.tables().engine.ignitionDelayUs = static_cast<uint16_t>(1 + round % 50);
    start = CpuSeconds();
    user::PressOk(window);
    PublishEdits(context, context.actionSerial, dialog.edited());
    ok.push_back(CpuSeconds() - start);
    if (context.tablesDone != 0x1F || GetWindow(window)->visible) ++failures;
  }
  Print("open (five pages)", open, 2.0);
  Print("tab switch", tab, 0.2);
  Print("phases rebuild", phases, 0.2);
  Print("OK with write-back", ok, 0);
  if (failures > 0) std::fprintf(stderr, "%d rounds did not behave\n", failures);
  return failures > 0 ? 1 : 0;
}

}  // namespace
}  // namespace vantel

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
  vantel::InstallBuiltinResources(vantel::EnglishResources());
  return vantel::Run(quick ? 50 : 1000);
}
