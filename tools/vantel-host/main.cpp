// vantel-host: the reference host. Loads build/libvantel.so, exports ACTIONDLL, handshakes.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "vantel/host_abi.h"

namespace {

int32_t hostLanguage = 1033;

std::string PluginPath() {
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return "libvantel.so";
  exe[n] = '\0';
  std::string dir(exe);
  return dir.substr(0, dir.rfind('/') + 1) + "libvantel.so";
}

int32_t* NewInt(int32_t value) {
  auto* data = static_cast<int32_t*>(std::malloc(sizeof value));
  *data = value;
  return data;
}

int Usage() {
  std::fprintf(stderr, "usage: vantel-host version [--language LCID]\n");
  return 2;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t ACTIONDLL(int32_t, int32_t code,
                                                                    const char*, HostBuffer* buf) {
  switch (code) {
    case REQ_HOST_VERSION:
      buf->len = -1;
      buf->data = NewInt(0x50000);
      return HOST_OK;
    case REQ_HOST_LANGUAGE:
      buf->len = -1;
      buf->data = NewInt(hostLanguage);
      return HOST_OK;
    case REQ_REGISTER_MODULE:
      std::free(buf->data);
      buf->data = nullptr;
      return HOST_OK;
    default:
      return HOST_ACTION_ERROR;
  }
}

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "version") != 0) return Usage();
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--language") == 0 && i + 1 < argc) {
      hostLanguage = std::atoi(argv[++i]);
    } else {
      return Usage();
    }
  }
  const std::string path = PluginPath();
  void* plugin = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (plugin == nullptr) {
    std::fprintf(stderr, "vantel-host: cannot load %s: %s\n", path.c_str(), dlerror());
    return 2;
  }
  auto handshake = reinterpret_cast<void (*)(HostBuffer*)>(dlsym(plugin, "VANTEL100"));
  if (handshake == nullptr) {
    std::fprintf(stderr, "vantel-host: %s exports no VANTEL100\n", path.c_str());
    return 2;
  }
  HostBuffer record{0, nullptr};
  handshake(&record);
  int32_t answer[2] = {0, 0};
  if (record.len == 8 && record.data) std::memcpy(answer, record.data, sizeof answer);
  std::free(record.data);
  std::printf("plug-in version %d.%d, language %d\n", answer[0] >> 16, answer[0] & 0xFFFF, answer[1]);
  dlclose(plugin);
  return answer[0] > 0 ? 0 : 1;
}
