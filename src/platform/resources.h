#pragma once
// A resource module: what a Windows module's resource section held (strings, dialog
// templates). The plug-in carries the English one; libvantelFRA.so exports a French one.
#include <cstddef>
#include <cstdint>

namespace vantel {

struct StringEntry {
  uint32_t id;
  const char* text;  // UTF-8
};

struct DialogTemplate;  // src/platform/dialog_template.h

struct ResourceModule {
  const char* name;            // "en" or "fr": for diagnostics only
  const StringEntry* strings;  // sorted by id
  size_t stringCount;
  const DialogTemplate* const* dialogs;
  size_t dialogCount;
};

/// Installs the module's own resources, the ones every look-up falls back to. The platform
/// does not know them: the application installs them when it starts, before it looks up any
/// string or template.
void InstallBuiltinResources(const ResourceModule& module);
/// The resources installed as the module's own; empty until some are installed.
const ResourceModule& BuiltinResources();

}  // namespace vantel

/// Exported by a resource library (the French one): its resource module.
extern "C" typedef const vantel::ResourceModule* (*VantelResourceModuleFn)();
#define VANTEL_RESOURCE_MODULE_SYMBOL "VantelResourceModule"
