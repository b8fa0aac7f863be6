#include <dlfcn.h>

#include <cstring>

#include "host/host_data.h"
#include "host/reply_forms.h"
#include "host/requests.h"
#include "platform/locale_names.h"
#include "platform/version_info.h"
#include "plugin/vantel_app.h"

namespace vantel {
namespace {

constexpr int32_t kMinimumHostVersion = 0x50000;

// An integer request of the handshake: silent, the reply freed whatever its form.
bool AskHandshakeInt(ActionDllFn entry, int32_t hostIndex, int32_t code, int32_t& value) {
  ReplyBuffer reply;
  if (CallHost(entry, hostIndex, code, "", reply.get()) != HOST_OK) return false;
  return ReadIntReply(reply.len(), reply.data(), value);
}

void RegisterModule(ActionDllFn entry, int32_t hostIndex) {
  // An unregistered module still works for the host that loaded it; the handshake answers.
  static_cast<void>(
      CallHostWithInput(entry, hostIndex, REQ_REGISTER_MODULE, "VANTEL", -1, AllocInt(1)));
}

// Loads the French resource library named after the plug-in file; true when in force.
bool LoadFrenchResources(CVantelApp& app, size_t lastDot) {
  std::string abbreviation;
  if (AbbreviatedLanguageName(kLangFrench, abbreviation, 4) != 4) return false;
  std::string path = app.modulePath();
  path.insert(lastDot, abbreviation);
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return false;
  auto resourcesOf =
      reinterpret_cast<VantelResourceModuleFn>(dlsym(library, VANTEL_RESOURCE_MODULE_SYMBOL));
  const ResourceModule* resources = resourcesOf ? resourcesOf() : nullptr;
  if (resources == nullptr) {
    dlclose(library);
    return false;
  }
  ModuleState& state = app.moduleState();
  state.resources = resources;
  state.resourceLibrary = library;
  return true;
}

void Answer(HostBuffer* record, int32_t version, int32_t language) {
  auto* answer = static_cast<int32_t*>(HostAlloc(2 * sizeof(int32_t)));
  answer[0] = version;
  answer[1] = language;
  record->len = 2 * sizeof(int32_t);
  record->data = answer;
}

}  // namespace

void Handshake(CVantelApp& app, HostBuffer* record) {
  if (record == nullptr) return;
  int32_t hostIndex = 0;
  if (record->len == -1 && record->data != nullptr) std::memcpy(&hostIndex, record->data, 4);
  ActionDllFn entry = app.hostEntry;

  int32_t hostVersion = 0;
  if (entry == nullptr || !AskHandshakeInt(entry, hostIndex, REQ_HOST_VERSION, hostVersion) ||
      hostVersion < kMinimumHostVersion) {
    Answer(record, 0, 0);
    return;
  }
  RegisterModule(entry, hostIndex);

  int32_t version = -1;
  int32_t language = -1;
  const auto info = ReadVersionInfo(app.modulePath());
  if (!info) {
    Answer(record, version, language);
    return;
  }
  version = static_cast<int32_t>(info->productVersionMS);
  if (info->translations.empty()) {
    Answer(record, version, language);
    return;
  }
  const int32_t moduleLanguage = info->translations.front().first;
  language = moduleLanguage;

  int32_t hostLanguage = 0;
  if (AskHandshakeInt(entry, hostIndex, REQ_HOST_LANGUAGE, hostLanguage) &&
      hostLanguage != moduleLanguage) {
    const size_t lastDot = app.modulePath().rfind('.');
    if (lastDot != std::string::npos) {
      if (hostLanguage != kLangFrench) {
        app.moduleState().resources = nullptr;
        language = hostLanguage;
      } else if (LoadFrenchResources(app, lastDot)) {
        language = kLangFrench;
      }
    }
  }
  Answer(record, version, language);
}

}  // namespace vantel
