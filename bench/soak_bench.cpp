// A long day of one host: every machine opened, then a seeded random stream of what a host
// does (notifications, saves, closes and reopens, connections, edit and map-scale actions
// with their sendings and ends) under the allocation ledger. It fails when a host buffer is
// left live or freed twice, or when the heap grows after the first pass: a plug-in that
// lives for weeks inside a host must not creep.
#include <malloc.h>

#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "config/engine_record.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "plugin/handlers.h"
#include "plugin/vantel_app.h"
#include "support/sample_machine.h"
#include "ui/cal_emg_dialog.h"

namespace vantel {
namespace {

constexpr int kMachines = 1024;

enum class Op {
  kValue,
  kSensors,
  kStatus,
  kSave,
  kCloseReopen,
  kConnection,
  kEditConfirmed,
  kEditCancelled,
  kMapScale,
  kSent,
  kSendError,
  kHostEnd,
  kCount
};

constexpr const char* kOpNames[] = {"value",      "sensors",    "status",   "save",
                                    "close+open", "connection", "edit ok",  "edit cancel",
                                    "map scale",  "item sent",  "send err", "host end"};
static_assert(std::size(kOpNames) == static_cast<size_t>(Op::kCount));

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

size_t HeapInUse() { return mallinfo2().uordblks; }

/// Confirms the main dialog with a changed ignition delay, or cancels it; every other
/// modal window (a message box) takes its default answer.
struct User {
  bool confirm = true;
  MachineContext* context = nullptr;
  static int Turn(Hwnd modal, void* self) {
    auto& user = *static_cast<User*>(self);
    CSisCalEmgDialog* dialog = user.context ? user.context->mainDialog : nullptr;
    if (!dialog || dialog->GetSafeHwnd() != modal) return 0;
    if (!user.confirm) {
      dialog->EndDialog(IDCANCEL);
      return 1;
    }
    uint16_t& delay = dialog->tables().engine.ignitionDelayUs;
    delay = static_cast<uint16_t>(delay == 10 ? 11 : 10);
    user::PressOk(modal);
    return 1;
  }
};

int Run(int operations, unsigned seed) {
  test::FakeHost host;
  host.recordLog = false;
  test::InstallSampleMachine(host, test::ConfigBuilder().Build(), test::SampleGroupsText(),
                             test::SampleScaleText());
  host.items[test::kSampleTableNames[0]].errorCode = 3;
  host.items[test::kSampleTableNames[0]].errorText = "Refused";
  ModuleState state;
  CVantelApp app(test::FakeHost::Entry(), "unused", &state);
  app.InitInstance();
  User user;
  SetUiHook(&User::Turn, &user);

  for (int m = 0; m < kMachines; ++m) OpenConfiguration(m, app, test::kSampleKey);

  std::mt19937 random(seed);
  std::vector<double> seconds(static_cast<size_t>(Op::kCount), 0.0);
  std::vector<size_t> counts(static_cast<size_t>(Op::kCount), 0);
  size_t heapAfterFirstPass = 0;
  int failures = 0;
  const std::string engineTable = test::kSampleTableNames[0];
  for (int i = 0; i < operations; ++i) {
    const int machine = static_cast<int>(random() % kMachines);
    const auto op = static_cast<Op>(random() % static_cast<unsigned>(Op::kCount));
    MachineContext* context = FindContext(app, machine);
    if (!context) continue;
    user.context = context;
    const double start = CpuSeconds();
    switch (op) {
      case Op::kValue:
        OnValueChanged(*context, engineTable);
        break;
      case Op::kSensors:
        OnSensorsChanged(*context, context->ItemName(kNameSensorTable));
        break;
      case Op::kStatus:
        OnCommandStatusChanged(*context, context->ItemName(kNameFlywheelStatusList));
        break;
      case Op::kSave:
        SaveCheck(*context, test::kSampleKey);
        break;
      case Op::kCloseReopen:
        CloseConfiguration(*context, test::kSampleKey);
        OpenConfiguration(machine, app, test::kSampleKey);
        break;
      case Op::kConnection:
        ConnectionUp(*context);
        break;
      case Op::kEditConfirmed:
      case Op::kEditCancelled:
        user.confirm = op == Op::kEditConfirmed;
        StartEditAction(*context, "EDIT");
        break;
      case Op::kMapScale:
        StartMapAction(*context, "EDIT", static_cast<int>(random() % 2));
        break;
      case Op::kSent:
        OnItemSent(*context, engineTable);
        break;
      case Op::kSendError:
        OnItemSendError(*context, engineTable);
        break;
      case Op::kHostEnd:
      case Op::kCount:
        EndHostAction(*context, "EDIT");
        break;
    }
    seconds[static_cast<size_t>(op)] += CpuSeconds() - start;
    ++counts[static_cast<size_t>(op)];
    if (host.ledger().LiveBlocks() != 0 || host.ledger().BadFrees() != 0) {
      std::fprintf(stderr, "operation %d (%s): %zu host blocks live, %zu bad frees\n", i,
                   kOpNames[static_cast<size_t>(op)], host.ledger().LiveBlocks(),
                   host.ledger().BadFrees());
      ++failures;
      host.ledger().FreeAll();
    }
    if (i + 1 == kMachines * 4) heapAfterFirstPass = HeapInUse();
  }
  const size_t heapAtEnd = HeapInUse();
  SetUiHook(nullptr, nullptr);
  app.ExitInstance();

  for (size_t op = 0; op < seconds.size(); ++op) {
    if (counts[op] == 0) continue;
    std::printf("%-12s %8zu runs  %8.2f us each\n", kOpNames[op], counts[op],
                1e6 * seconds[op] / static_cast<double>(counts[op]));
  }
  const double growth =
      heapAfterFirstPass == 0
          ? 0.0
          : 100.0 * (static_cast<double>(heapAtEnd) - static_cast<double>(heapAfterFirstPass)) /
                static_cast<double>(heapAfterFirstPass);
  std::printf("heap after the first pass %zu KiB, at the end %zu KiB (%+.2f %%), %zu requests\n",
              heapAfterFirstPass / 1024, heapAtEnd / 1024, growth, host.requestCount);
  if (growth > 1.0) {
    std::fprintf(stderr, "the heap grew by more than 1 %% after the first pass\n");
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace vantel

int main(int argc, char** argv) {
  const int operations = argc > 1 ? std::stoi(argv[1]) : 100000;
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::stoul(argv[2])) : 1u;
  return vantel::Run(operations, seed);
}
