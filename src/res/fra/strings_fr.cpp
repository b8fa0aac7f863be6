#include "platform/resources.h"

namespace {
constexpr vantel::StringEntry kStrings[] = {
    {17000, "Action annulée\nErreur inconnue"},
};
const vantel::ResourceModule kModule{"fr", kStrings, 1, nullptr, 0};
}  // namespace

extern "C" __attribute__((visibility("default"))) const vantel::ResourceModule* VantelResourceModule() {
  return &kModule;
}
