#include "platform/string_table.h"

#include <algorithm>

#include "platform/module_state.h"

namespace vantel {
namespace {

const char* Find(const ResourceModule& module, uint32_t id) {
  const StringEntry* begin = module.strings;
  const StringEntry* end = module.strings + module.stringCount;
  auto it = std::lower_bound(begin, end, id,
                             [](const StringEntry& e, uint32_t wanted) { return e.id < wanted; });
  return it != end && it->id == id ? it->text : nullptr;
}

}  // namespace

std::string LoadString(uint32_t id) {
  if (const char* text = Find(CurrentResources(), id)) return text;
  if (const char* text = Find(BuiltinResources(), id)) return text;
  return {};
}

}  // namespace vantel
