#include "plugin/vantel_app.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <elf.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "platform/dialog_template.h"
#include "platform/string_table.h"
#include "platform/version_info.h"
#include "res/dialog_ids.h"
#include "res/resources_en.h"
#include "res/string_ids.h"
#include "support/fake_host.h"
#include "support/host_checks.h"
#include "support/message_boxes.h"
#include "support/temp_dir.h"

namespace vantel {
namespace {

namespace fs = std::filesystem;
using test::FakeHost;

const fs::path kBuild = VANTEL_BUILD_DIR;

// A plug-in file laid out as a host installs it, with the build's file `french` (or none) as
// its French library.
struct InstalledPlugin {
  explicit InstalledPlugin(const char* french) {
    fs::copy_file(kBuild / "libvantel.so", dir.path() / "libvantel.so");
    if (french) fs::copy_file(kBuild / french, dir.path() / "libvantelFRA.so");
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
  InstalledPlugin plugin{"libvantelFRA.so"};
};

TEST_F(HandshakeTest, LanguageFollowsTheHostAndTheFrenchLibrary) {
  const struct {
    int32_t hostLanguage;
    const char* french;  // the file installed as the French library
    int32_t expected;
    bool frenchTexts;
  } cases[] = {
      {1033, "libvantelFRA.so", 1033, false}, {1031, "libvantelFRA.so", 1031, false},
      {1036, "libvantelFRA.so", 1036, true},  {1036, nullptr, 1033, false},
      {1036, "libvantel.so", 1033, false},  // a library of that name without resources
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
  test::ExpectNoLeak(host);
}

TEST_F(HandshakeTest, AModuleWithoutVersionRecordAnswersMinusOne) {
  // The French library carries strings but no version record.
  EXPECT_EQ(Run((kBuild / "libvantelFRA.so").string()), std::make_pair(-1, -1));
  EXPECT_EQ(host.Count(REQ_HOST_LANGUAGE), 0u);
}

template <typename T>
T Load(const std::string& image, size_t offset) {
  T value;
  std::memcpy(&value, image.data() + offset, sizeof value);
  return value;
}
template <typename T>
void Store(std::string& image, size_t offset, T value) {
  std::memcpy(image.data() + offset, &value, sizeof value);
}
size_t SectionHeaderAt(const std::string& image, size_t index) {
  return Load<Elf64_Ehdr>(image, 0).e_shoff + index * sizeof(Elf64_Shdr);
}
size_t NamesHeaderAt(const std::string& image) {
  return SectionHeaderAt(image, Load<Elf64_Ehdr>(image, 0).e_shstrndx);
}
size_t VersionHeaderAt(const std::string& image) {
  const auto names = Load<Elf64_Shdr>(image, NamesHeaderAt(image));
  for (size_t i = 0; i < Load<Elf64_Ehdr>(image, 0).e_shnum; ++i) {
    const auto section = Load<Elf64_Shdr>(image, SectionHeaderAt(image, i));
    if (image.c_str() + names.sh_offset + section.sh_name == std::string(kVersionSectionName))
      return SectionHeaderAt(image, i);
  }
  return 0;
}

// A plug-in file damaged in any one field of the way to its version record answers as a
// module without one: the handshake never reads past what the file holds.
TEST_F(HandshakeTest, ADamagedModuleFileAnswersAsOneWithoutVersionRecord) {
  std::string original;
  {
    std::ifstream in(kBuild / "libvantel.so", std::ios::binary);
    original.assign(std::istreambuf_iterator<char>(in), {});
  }
  ASSERT_NE(VersionHeaderAt(original), 0u);
  using Shdr = Elf64_Shdr;
  const struct {
    const char* what;
    std::function<void(std::string&, size_t version, size_t names)> damage;
    std::pair<int32_t, int32_t> answer;
  } cases[] = {
      {"undamaged", [](std::string&, size_t, size_t) {}, {0x00010000, 1033}},
      {"empty", [](std::string& f, size_t, size_t) { f.clear(); }, {-1, -1}},
      {"not ELF", [](std::string& f, size_t, size_t) { f[1] = 'X'; }, {-1, -1}},
      {"32-bit", [](std::string& f, size_t, size_t) { f[EI_CLASS] = ELFCLASS32; }, {-1, -1}},
      {"section headers of another size",
       [](std::string& f, size_t, size_t) {
         Store<uint16_t>(f, offsetof(Elf64_Ehdr, e_shentsize), 0);
       },
       {-1, -1}},
      {"name table past the section count",
       [](std::string& f, size_t, size_t) {
         Store(f, offsetof(Elf64_Ehdr, e_shstrndx), Load<Elf64_Ehdr>(f, 0).e_shnum);
       },
       {-1, -1}},
      {"section headers past the end",
       [](std::string& f, size_t, size_t) {
         Store<uint64_t>(f, offsetof(Elf64_Ehdr, e_shoff), f.size());
       },
       {-1, -1}},
      {"name table of 32 MB",
       [](std::string& f, size_t, size_t names) {
         Store<uint64_t>(f, names + offsetof(Shdr, sh_size), 1u << 25);
       },
       {-1, -1}},
      {"name table past the end",
       [](std::string& f, size_t, size_t names) {
         Store<uint64_t>(f, names + offsetof(Shdr, sh_offset), f.size());
       },
       {-1, -1}},
      {"record named past the name table",
       [](std::string& f, size_t version, size_t names) {
         Store<uint32_t>(f, version + offsetof(Shdr, sh_name),
                         static_cast<uint32_t>(Load<Shdr>(f, names).sh_size));
       },
       {-1, -1}},
      {"record without contents",
       [](std::string& f, size_t version, size_t) {
         Store<uint32_t>(f, version + offsetof(Shdr, sh_type), SHT_NOBITS);
       },
       {-1, -1}},
      {"record of 2 MB",
       [](std::string& f, size_t version, size_t) {
         Store<uint64_t>(f, version + offsetof(Shdr, sh_size), 1u << 21);
       },
       {-1, -1}},
      {"record past the end",
       [](std::string& f, size_t version, size_t) {
         Store<uint64_t>(f, version + offsetof(Shdr, sh_offset), f.size());
       },
       {-1, -1}},
      {"record shorter than a record",
       [](std::string& f, size_t version, size_t) {
         Store<uint64_t>(f, version + offsetof(Shdr, sh_size), 8);
       },
       {-1, -1}},
      {"record of another signature",
       [](std::string& f, size_t version, size_t) { f[Load<Shdr>(f, version).sh_offset] = 'X'; },
       {-1, -1}},
  };
  const test::TempDir dir;
  const std::string path = (dir.path() / "libvantel.so").string();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string image = original;
    c.damage(image, VersionHeaderAt(original), NamesHeaderAt(original));
    std::ofstream(path, std::ios::binary | std::ios::trunc) << image;
    EXPECT_EQ(Run(path), c.answer);
  }
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

TEST(AppResourcesTest, CreatingTheApplicationInstallsItsEnglishResources) {
  const ResourceModule none{"none", nullptr, 0, nullptr, 0};
  InstallBuiltinResources(none);
  EXPECT_EQ(LoadString(IDS_HOST_UNKNOWN_ERROR), "");
  ModuleState state;
  CVantelApp app(FakeHost::Entry(), "unused", &state);
  EXPECT_EQ(&BuiltinResources(), &EnglishResources());
  EXPECT_EQ(LoadString(IDS_HOST_UNKNOWN_ERROR), "Action canceled\nUnknown error");
  EXPECT_NE(FindDialogTemplate(IDD_MAIN_CONFIGURATION), nullptr);
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

TEST_F(RegistryTest, DeleteContextEmptiesOnlyItsSlotFromMachineZeroOn) {
  for (const int32_t index : {0, 1, 1023}) {
    SCOPED_TRACE(index);
    CreateContext(index, app);
    const int32_t neighbour = index == 1023 ? 1022 : index + 1;
    CreateContext(neighbour, app);
    MachineContext* const kept = FindContext(app, neighbour);
    ASSERT_NE(FindContext(app, index), nullptr);
    EXPECT_TRUE(DeleteContext(app, index));
    EXPECT_EQ(FindContext(app, index), nullptr);
    EXPECT_EQ(app.contexts[static_cast<size_t>(index)], nullptr);
    EXPECT_EQ(FindContext(app, neighbour), kept);
    EXPECT_FALSE(DeleteContext(app, index)) << "already empty";
    EXPECT_TRUE(DeleteContext(app, neighbour));
  }
  for (const int64_t index : {int64_t{-1}, int64_t{1024}, int64_t{1} << 32}) {
    EXPECT_FALSE(DeleteContext(app, index)) << index;
  }
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
