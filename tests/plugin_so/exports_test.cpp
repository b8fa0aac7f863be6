// The plug-in as a host loads it: dlopen, the host's ACTIONDLL exported from this executable.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "vantel/host_abi.h"

namespace {

std::vector<int32_t> requests;  // codes the plug-in sent

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t ACTIONDLL(int32_t, int32_t code,
                                                                    const char*, HostBuffer* buf) {
  requests.push_back(code);
  if (code == REQ_HOST_VERSION || code == REQ_HOST_LANGUAGE || code == REQ_HOST_LEVEL) {
    auto* value = static_cast<int32_t*>(std::malloc(4));
    *value = code == REQ_HOST_VERSION ? 0x50000 : code == REQ_HOST_LANGUAGE ? 1033 : 3;
    buf->len = -1;
    buf->data = value;
    return 0;
  }
  if (code == REQ_REGISTER_MODULE) {
    std::free(buf->data);  // the host keeps it, then disposes of it
    buf->data = nullptr;
    return 0;
  }
  return 3;
}

namespace {

class LoadedPlugin : public ::testing::Test {
 protected:
  void SetUp() override {
    handle = dlopen(VANTEL_BUILD_DIR "/libvantel.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
  }
  void TearDown() override {
    if (handle) dlclose(handle);
  }
  template <typename Fn>
  Fn Get(const char* name) {
    return reinterpret_cast<Fn>(dlsym(handle, name));
  }
  void* handle = nullptr;
};

using MachineExport = void (*)(uint32_t, const char*);

TEST_F(LoadedPlugin, ExportsExactlyTheSixteenFunctionsAndTheAutomationApi) {
  std::unique_ptr<FILE, int (*)(FILE*)> nm(
      popen("nm -D --defined-only " VANTEL_BUILD_DIR "/libvantel.so", "r"), pclose);
  ASSERT_TRUE(nm);
  std::set<std::string> exported;
  char line[512];
  while (std::fgets(line, sizeof line, nm.get())) {
    char type;
    char name[400];
    if (std::sscanf(line, "%*s %c %399s", &type, name) == 2 && type == 'T') exported.insert(name);
  }
  const std::set<std::string> sixteen = {"VANTEL100", "RUNSETEMG", "CLSSETEMG", "SAVSETEMG",
                                         "VALSETEMG", "SENSETEMG", "CMDSETEMG", "DEBSETEMG",
                                         "RSTSETEMG", "FEMSETEMG", "ERRSETEMG", "RM0SETEMG",
                                         "RM1SETEMG", "TIMSETEMG", "DECSETEMG", "CONSETEMG"};
  for (const std::string& name : sixteen) EXPECT_TRUE(exported.count(name)) << name;
  for (const std::string& name : exported)
    EXPECT_TRUE(sixteen.count(name) || name.rfind("VantelUi", 0) == 0) << name << " leaks";
  EXPECT_EQ(dlsym(handle, "TIMSETEMG"), dlsym(handle, "DECSETEMG"));
}

TEST_F(LoadedPlugin, HandshakeReadsTheVersionRecordOfThePluginFile) {
  auto handshake = Get<void (*)(HostBuffer*)>("VANTEL100");
  HostBuffer record{0, nullptr};
  requests.clear();
  handshake(&record);
  ASSERT_EQ(record.len, 8);
  int32_t answer[2];
  std::memcpy(answer, record.data, 8);
  std::free(record.data);
  EXPECT_EQ(answer[0], 0x00010000);
  EXPECT_EQ(answer[1], 1033);
  EXPECT_EQ(requests,
            (std::vector<int32_t>{REQ_HOST_VERSION, REQ_REGISTER_MODULE, REQ_HOST_LANGUAGE}));
}

TEST_F(LoadedPlugin, ExportsForUnknownMachinesDoNothing) {
  requests.clear();
  for (const char* name :
       {"CLSSETEMG", "SAVSETEMG", "VALSETEMG", "SENSETEMG", "CMDSETEMG", "DEBSETEMG", "RSTSETEMG",
        "FEMSETEMG", "ERRSETEMG", "RM0SETEMG", "RM1SETEMG"}) {
    auto fn = Get<MachineExport>(name);
    ASSERT_NE(fn, nullptr) << name;
    fn(1024, "KEY");
    fn(7, "KEY");    // no context
    fn(7, nullptr);  // a null text is an empty one
  }
  Get<void (*)(uint32_t, int32_t)>("CONSETEMG")(1024, 0);
  Get<void (*)(int32_t, int32_t)>("TIMSETEMG")(1, 2);
  Get<void (*)(int32_t, int32_t)>("DECSETEMG")(-1, 0);
  EXPECT_TRUE(requests.empty());
}

}  // namespace
