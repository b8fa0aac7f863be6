// Opens every machine of one host, each with a large command table, and reports opens per
// second, requests per open and peak memory; the two sweeps show how the cost grows with
// the number of machines and with the size of the command table.
#include <sys/resource.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "plugin/handlers.h"
#include "plugin/vantel_app.h"
#include "support/sample_machine.h"

namespace vantel {
namespace {

std::string GroupsText(int groups) {
  std::string text;
  for (int i = 0; i < groups; ++i) {
    const std::string n = std::to_string(i);
    text += "CN0=0x007 CN1=0x1FF CN2=" + std::to_string(1 << (i % 3)) + " FNC=FNC_" + n +
            " SUP=SUP_" + n + " DAT=DAT_" + n + "\n";
  }
  return text;
}

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

struct Result {
  double seconds;
  size_t requests;
};

Result OpenAll(int machines, int groups) {
  test::FakeHost host;
  host.recordLog = false;
  test::InstallSampleMachine(host, test::ConfigBuilder().Build(), GroupsText(groups),
                             test::SampleScaleText());
  for (int i = 0; i < groups; ++i) {
    const std::string n = std::to_string(i);
    host.knownFunctions.insert("FNC_" + n);
    host.knownSupervisions.insert("SUP_" + n);
    host.AddItem("DAT_" + n, 0x10000 + i, 0);
  }
  ModuleState state;
  CVantelApp app(test::FakeHost::Entry(), "unused", &state);
  app.InitInstance();
  // CPU time of this process: other work on the machine does not count.
  const double start = CpuSeconds();
  for (int m = 0; m < machines; ++m) OpenConfiguration(m, app, test::kSampleKey);
  const double elapsed = CpuSeconds() - start;
  for (int m = 0; m < machines; ++m) {
    if (!FindContext(app, m) || FindContext(app, m)->ConfigState != kConfigCoherent) {
      std::fprintf(stderr, "machine %d did not open coherent\n", m);
    }
  }
  app.ExitInstance();
  return {elapsed, host.requestCount};
}

void Report(int machines, int groups) {
  const Result r = OpenAll(machines, groups);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "%5d machines x %5d groups: %8.1f opens/s  %7.1f us/open  %6zu requests/open"
      "  %6.1f ns/request  peak %ld MiB\n",
      machines, groups, machines / r.seconds, 1e6 * r.seconds / machines, r.requests / machines,
      1e9 * r.seconds / static_cast<double>(r.requests), usage.ru_maxrss / 1024);
}

}  // namespace
}  // namespace vantel

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
  const int full = quick ? 128 : 1024;
  std::printf("cost against the number of machines (2000 groups each)\n");
  for (int machines : {full / 4, full / 2, full}) vantel::Report(machines, 2000);
  std::printf("cost against the size of the command table (%d machines)\n", full / 4);
  for (int groups : {500, 1000, 2000}) vantel::Report(full / 4, groups);
  return 0;
}
