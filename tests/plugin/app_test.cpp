#include "plugin/vantel_app.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <filesystem>

#include "platform/string_table.h"
#include "support/fake_host.h"
#include "support/message_boxes.h"
#include "support/temp_dir.h"

namespace vantel {
namespace {

namespace fs = std::filesystem;
using test::FakeHost;

const fs::path kBuild = VANTEL_BUILD_DIR;

// A plug-in file laid out as a host installs it, with or without the French library.
struct InstalledPlugin {
  explicit InstalledPlugin(bool withFrench) {
    fs::copy_file(kBuild / "libvantel.so", dir.path() / "libvantel.so");
    if (withFrench) fs::copy_file(kBuild / "libvantelFRA.so", dir.path() / "libvantelFRA.so");
  }
  std::string path() const { return (dir.path() / "libvantel.so").string(); }
  test::TempDir dir;
};

class HandshakeTest : public ::testing::Test {
 protected:
  ~HandshakeTest() override {
    if (state.resourceLibrary) dlclose(state.resourceLibrary);
  }

  // Runs the handshake; returns {version, language}.
  std::pair<int32_t, int32_t> Run(const std::string& modulePath, HostBuffer record = {0, nullptr}) {
    app = std::make_unique<CVantelApp>(FakeHost::Entry(), modulePath, &state);
    app->InitInstance();
    Handshake(*app, &record);
    EXPECT_EQ(record.len, 8);
    int32_t answer[2] = {0, 0};
    if (record.data) std::memcpy(answer, record.data, sizeof answer);
    HostFree(record.data);  // the host owns the answer
    return {answer[0], answer[1]};
  }

  FakeHost host;
  ModuleState state;
  std::unique_ptr<CVantelApp> app;
  InstalledPlugin plugin{true};
};

TEST_F(HandshakeTest, LanguageFollowsTheHostAndTheFrenchLibrary) {
  const struct {
    int32_t hostLanguage;
    bool french;
    int32_t expected;
    bool frenchTexts;
  } cases[] = {
      {1033, true, 1033, false},
      {1031, true, 1031, false},
      {1036, true, 1036, true},
      {1036, false, 1033, false},
  };
  for (const auto& c : cases) {
    state = ModuleState{};
    InstalledPlugin installed(c.french);
    host.hostLanguage = c.hostLanguage;
    EXPECT_EQ(Run(installed.path()), std::make_pair(0x00010000, c.expected)) << c.hostLanguage;
    ModuleStateGuard guard(state);
    const std::string text = LoadString(17000);
    EXPECT_EQ(text == "Action canceled\nUnknown error", !c.frenchTexts) << c.hostLanguage;
    if (state.resourceLibrary) dlclose(state.resourceLibrary);
    state = ModuleState{};
  }
}

TEST_F(HandshakeTest, HostVersionBelow0x50000IsRefusedWithoutRegistering) {
  host.hostVersion = 0x50000;
  EXPECT_EQ(Run(plugin.path()).first, 0x00010000);
  EXPECT_EQ(host.Count(REQ_REGISTER_MODULE), 1u);
  EXPECT_EQ(host.Requests(REQ_REGISTER_MODULE)[0].item, "VANTEL");
  EXPECT_EQ(host.Requests(REQ_REGISTER_MODULE)[0].InInt(), 1);

  host.ClearLog();
  host.hostVersion = 0x4FFFF;
  EXPECT_EQ(Run(plugin.path()), std::make_pair(0, 0));
  EXPECT_EQ(host.Count(REQ_REGISTER_MODULE), 0u);
  EXPECT_EQ(host.log.size(), 1u);

  host.ClearLog();
  host.Program(REQ_HOST_VERSION, "", test::TextReply("5.0"));
  EXPECT_EQ(Run(plugin.path()), std::make_pair(0, 0));
  EXPECT_EQ(host.ledger().LiveBlocks(), 0u);
}

TEST_F(HandshakeTest, RecordLenOtherThanMinusOneMeansHostIndexZero) {
  int32_t hostIndex = 77;
  Run(plugin.path(), HostBuffer{-1, &hostIndex});
  ASSERT_EQ(host.log.size(), 3u);
  for (const auto& r : host.log) EXPECT_EQ(r.machine, 77);

  host.ClearLog();
  Run(plugin.path(), HostBuffer{4, &hostIndex});
  ASSERT_EQ(host.log.size(), 3u);
  for (const auto& r : host.log) EXPECT_EQ(r.machine, 0);
  EXPECT_EQ(host.ledger().LiveBlocks(), 0u);  // the registration integer went to the host
  EXPECT_EQ(host.ledger().BadFrees(), 0u);
}

TEST_F(HandshakeTest, FailingRegistrationAndLanguageRequestsAreSilent) {
  test::MessageBoxes boxes;
  host.Fail(REQ_REGISTER_MODULE, "VANTEL", 3);
  host.Fail(REQ_HOST_LANGUAGE, "", 3);
  EXPECT_EQ(Run(plugin.path()), std::make_pair(0x00010000, 1033));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(host.ledger().LiveBlocks(), 0u);  // the failed registration's integer was freed
}

TEST_F(HandshakeTest, AFailedRegistrationFreesItsIntegerAndTheHostsReply) {
  // A host that fails the registration and leaves a reply of its own in the record.
  static ActionDllFn fake = nullptr;
  fake = FakeHost::Entry();
  const ActionDllFn leavesReply = [](int32_t machine, int32_t code, const char* item,
                                     HostBuffer* record) -> int32_t {
    if (code != REQ_REGISTER_MODULE) return fake(machine, code, item, record);
    record->data = HostAlloc(4);  // the plug-in's integer is still the plug-in's
    record->len = 4;
    return HOST_ACTION_ERROR;
  };
  app = std::make_unique<CVantelApp>(leavesReply, plugin.path(), &state);
  app->InitInstance();
  HostBuffer record{0, nullptr};
  Handshake(*app, &record);
  HostFree(record.data);
  EXPECT_EQ(host.Count(REQ_HOST_VERSION), 1u);
  EXPECT_EQ(host.ledger().LiveBlocks(), 0u);
  EXPECT_EQ(host.ledger().BadFrees(), 0u);
}

TEST_F(HandshakeTest, AModuleWithoutVersionRecordAnswersMinusOne) {
  // The French library carries strings but no version record.
  EXPECT_EQ(Run((kBuild / "libvantelFRA.so").string()), std::make_pair(-1, -1));
  EXPECT_EQ(host.Count(REQ_HOST_LANGUAGE), 0u);
}

TEST_F(HandshakeTest, NoHostEntryAnswersZeroAndCallsNothing) {
  app = std::make_unique<CVantelApp>(ActionDllFn{nullptr}, plugin.path(), &state);
  app->InitInstance();
  HostBuffer record{0, nullptr};
  Handshake(*app, &record);
  ASSERT_EQ(record.len, 8);
  int32_t answer[2];
  std::memcpy(answer, record.data, 8);
  HostFree(record.data);
  EXPECT_EQ(answer[0], 0);
  EXPECT_EQ(answer[1], 0);
  EXPECT_TRUE(host.log.empty());
}

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() { app.InitInstance(); }
  FakeHost host;
  CVantelApp app{FakeHost::Entry(), "unused", &state};
  ModuleState state;
  test::MessageBoxes boxes;
};

TEST_F(RegistryTest, InitInstanceMakes1024EmptySlots) {
  EXPECT_EQ(app.contexts.size(), 1024u);
  for (int64_t i : {0, 1023}) EXPECT_EQ(FindContext(app, i), nullptr);
  EXPECT_EQ(FindContext(app, 1024), nullptr);
  EXPECT_EQ(FindContext(app, -1), nullptr);
}

TEST_F(RegistryTest, CreateContextKeepsOnlyNamedMachinesAboveLevelTwo) {
  EXPECT_TRUE(CreateContext(12, app));
  MachineContext* context = FindContext(app, 12);
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(context->machineName, "M12");
  EXPECT_EQ(context->hostLevel, 3);
  EXPECT_EQ(context->ConfigState, -2);
  EXPECT_EQ(context->InjectionFlags, -1);
  EXPECT_EQ(context->flywheelTableFlag, 1);
  EXPECT_EQ(context->phaseItemId, -1);
  ASSERT_EQ(host.log.size(), 2u);
  EXPECT_EQ(host.log[0].code, REQ_HOST_LEVEL);
  EXPECT_EQ(host.log[1].code, REQ_MACHINE_NAME);

  // The slot is taken: nothing happens to the existing context, and the host is not asked.
  host.ClearLog();
  EXPECT_FALSE(CreateContext(12, app));
  EXPECT_EQ(FindContext(app, 12), context);
  EXPECT_TRUE(host.log.empty());

  host.hostLevel = 2;
  EXPECT_FALSE(CreateContext(13, app));
  ASSERT_NE(FindContext(app, 13), nullptr);  // the caller deletes it
  EXPECT_EQ(FindContext(app, 13)->machineName, "M12");
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(DeleteContext(app, 13));
  EXPECT_FALSE(DeleteContext(app, 13));
  EXPECT_FALSE(DeleteContext(app, 1024));

  host.hostLevel = 3;
  host.machineName.reset();
  EXPECT_FALSE(CreateContext(14, app));
  EXPECT_EQ(FindContext(app, 14)->machineName, "Machine");
  EXPECT_EQ(boxes.Texts().back(), "Machine\nAction canceled\nDll data error");

  EXPECT_FALSE(CreateContext(1024, app));
}

TEST_F(RegistryTest, ExitInstanceDestroysEveryContext) {
  CreateContext(0, app);
  CreateContext(1023, app);
  app.ExitInstance();
  EXPECT_EQ(app.contexts[0], nullptr);
  EXPECT_EQ(app.contexts[1023], nullptr);
}

}  // namespace
}  // namespace vantel
