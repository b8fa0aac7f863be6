// Every request of an open fails once, and the message box the failure raises calls every
// export again on the same machine, as a host may from its UI hook. The plug-in is loaded as
// a host loads it; ASan turns any use of what a re-entrant call freed into a failure, and a
// plain open after each storm must still tell the host what a clean open told it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host_service.h"
#include "kalbrix.h"
#include "steps.h"
#include "ui_events.h"
#include "vantel/host_abi.h"
#include "vantel/ui_automation.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;

using ConnectionFn = void (*)(uint32_t, int32_t);
using SetHookFn = void (*)(VantelUiHookFn, void*);

// What an export is given besides the machine.
enum class Argument { kKey, kEngineTable, kSensorTable, kStatusList, kNone };

struct Reentry {
  const char* name;
  Argument argument;
};

// Every export that acts on a machine. Those without a body yet are listed so that they are
// stormed the day they get one.
constexpr std::array<Reentry, 13> kReentries = {{
    {"CLSSETEMG", Argument::kKey},
    {"RUNSETEMG", Argument::kKey},
    {"SAVSETEMG", Argument::kKey},
    {"CONSETEMG", Argument::kNone},
    {"VALSETEMG", Argument::kEngineTable},
    {"SENSETEMG", Argument::kSensorTable},
    {"CMDSETEMG", Argument::kStatusList},
    {"DEBSETEMG", Argument::kKey},
    {"RM0SETEMG", Argument::kKey},
    {"RM1SETEMG", Argument::kKey},
    {"RSTSETEMG", Argument::kKey},
    {"FEMSETEMG", Argument::kEngineTable},
    {"ERRSETEMG", Argument::kEngineTable},
}};

// Taken in turn, so that each message the plug-in has for a host error gets shown.
constexpr std::array<int32_t, 6> kHostErrors = {HOST_DATA_ERROR,     HOST_TARGET_ERROR,
                                                HOST_ACTION_ERROR,   HOST_ACCESS_ERROR,
                                                HOST_TRANSFER_ERROR, HOST_INTERNAL_ERROR};

// The plug-in, loaded once per process as the reference host loads it.
class Plugin {
 public:
  static Plugin& Loaded() {
    static Plugin plugin;
    return plugin;
  }
  ~Plugin() {
    if (handle_) dlclose(handle_);
  }
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  void* Symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }
  const char* error() const { return error_.c_str(); }

 private:
  Plugin() : handle_(dlopen(VANTEL_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL)) {
    if (!handle_) error_ = dlerror();
  }

  void* handle_;
  std::string error_;
};

std::vector<std::string> ExampleFiles() {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(VANTEL_EXAMPLES_DIR)) {
    if (entry.path().extension() == ".json") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = fs::path(info.param).stem().string();
  std::replace_if(
      name.begin(), name.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
  return name;
}

class ReentryStressTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    ASSERT_NE(Plugin::Loaded().Symbol("VANTEL100"), nullptr) << Plugin::Loaded().error();
    pristine_ = LoadKalbrix(GetParam());
    kalbrix_ = pristine_;
    service_.failRequest = [this](int32_t code, const std::string& item) {
      if (++requests_ != failAt_) return int32_t{HOST_OK};
      const int32_t result = kHostErrors[failAt_ % kHostErrors.size()];
      failed_ = std::string(RequestName(code)) + " \"" + item + "\" -> " + std::to_string(result);
      return result;
    };
    InstallHostRouter([this](int32_t) { return &service_; });
    Handshake();
    exports_ = LoadExports([](const char* name) { return Plugin::Loaded().Symbol(name); });
    setHook_ = reinterpret_cast<SetHookFn>(Plugin::Loaded().Symbol("VantelUiSetHook"));
    ASSERT_NE(setHook_, nullptr);
    arguments_ = {kalbrix_.descriptor, service_.DescriptorItem(kEngineTableElement),
                  service_.DescriptorItem(kSensorTableElement),
                  service_.DescriptorItem(kStatusListElement), ""};
  }

  void TearDown() override {
    if (setHook_) setHook_(nullptr, nullptr);
    InstallHostRouter({});
  }

  void Handshake() {
    auto* index = static_cast<int32_t*>(std::malloc(sizeof(int32_t)));
    *index = 0;
    HostBuffer record{-1, index};
    reinterpret_cast<void (*)(HostBuffer*)>(Plugin::Loaded().Symbol("VANTEL100"))(&record);
    ASSERT_EQ(record.len, 8);
    if (record.data != index) std::free(record.data);
    std::free(index);
  }

  uint32_t machine() const { return kalbrix_.machine; }
  void Open() { exports_.run(machine(), kalbrix_.descriptor.c_str()); }
  void Close() { exports_.close(machine(), kalbrix_.descriptor.c_str()); }

  void Call(const Reentry& reentry) {
    void* symbol = Plugin::Loaded().Symbol(reentry.name);
    ASSERT_NE(symbol, nullptr) << reentry.name;
    if (reentry.argument == Argument::kNone) {
      reinterpret_cast<ConnectionFn>(symbol)(machine(), 0);
      return;
    }
    const std::string& text = arguments_[static_cast<size_t>(reentry.argument)];
    reinterpret_cast<KeyExport>(symbol)(machine(), text.c_str());
  }

  // The storm: every export once, each box starting with the next one. The boxes those calls
  // raise are answered at once, or the storm would feed itself.
  static int Storm(VantelUiWindow, void* user) {
    auto& test = *static_cast<ReentryStressTest*>(user);
    if (test.storming_) return 0;
    test.storming_ = true;
    const size_t first = test.boxes_++ % kReentries.size();
    for (size_t i = 0; i < kReentries.size(); ++i)
      test.Call(kReentries[(first + i) % kReentries.size()]);
    test.storming_ = false;
    return 0;  // the box ends with its default button
  }

  // What the host prints of a plain open of the file as it is on disk.
  std::string PlainOpen() {
    kalbrix_ = pristine_;
    service_.TakeObservation();  // what the storm did is not this open's
    UiEventLog uiLog;
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    {
      StepRunner runner(kalbrix_, service_, uiLog, exports_, out);
      runner.Run(Step{StepKind::kOpen, kalbrix_.descriptor, 0, 0, false});
      runner.PrintVerdict();
    }
    std::fclose(out);
    std::string printed(text, size);
    std::free(text);
    return printed;
  }

  Kalbrix pristine_;
  Kalbrix kalbrix_;
  HostService service_{kalbrix_, 1033, nullptr};
  PluginExports exports_{};
  SetHookFn setHook_ = nullptr;
  std::array<std::string, 5> arguments_;
  size_t requests_ = 0;
  size_t failAt_ = 0;  // 0: none
  std::string failed_;
  size_t boxes_ = 0;
  bool storming_ = false;
};

TEST_P(ReentryStressTest, EveryFailedRequestOfTheOpenSurvivesEveryExportFromItsMessageBox) {
  // The first open creates the machine's context; the reference is an open of an existing one,
  // as every storm is.
  Open();
  Close();
  requests_ = 0;
  const std::string reference = PlainOpen();
  const size_t count = requests_;
  Close();
  ASSERT_GT(count, 0u);

  // An open is a few hundred requests: each fails in turn, the whole sweep takes seconds.
  for (size_t k = 1; k <= count; ++k) {
    kalbrix_ = pristine_;
    requests_ = 0;
    failAt_ = k;
    failed_.clear();
    setHook_(&Storm, this);
    Open();
    setHook_(nullptr, nullptr);
    failAt_ = 0;
    Close();
    ASSERT_EQ(PlainOpen(), reference)
        << "after failing request " << k << " of " << count << ": " << failed_;
    Close();
  }
  // Each export came first in some message box.
  EXPECT_GE(boxes_, kReentries.size());
}

INSTANTIATE_TEST_SUITE_P(Examples, ReentryStressTest, ::testing::ValuesIn(ExampleFiles()),
                         TestName);

}  // namespace
}  // namespace vantel::host
