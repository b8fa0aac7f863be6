// minimal-host: the least a host does to use the Vantel plug-in. It loads the plug-in with
// dlopen, answers its requests through ACTIONDLL from a Kalbrix JSON file (the items and the
// machine's answers of docs/kalbrix-format.md), shakes hands and opens the engine
// configuration, headless. Exit status 0 when the configuration opened coherent, 1 when the
// plug-in refused the host or found the configuration not coherent, 2 on bad input. The file's
// texts are UTF-8 and the plug-in's code page 1252: the host converts at ACTIONDLL.
//
//   minimal-host [KALBRIX.json [PLUGIN]]   (built with CMake: the installed example and plug-in)
//   minimal-host KALBRIX.json PLUGIN       (built with the pkg-config flags alone)
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "vantel/host_abi.h"
#include "vantel/host_text.h"

namespace {

using Json = nlohmann::json;
using Words = std::vector<uint16_t>;
using Longs = std::vector<int32_t>;
/// An item's value has a form the ECU fixes: none, an integer, a word or long table, a text.
using Value = std::variant<std::monostate, int32_t, Words, Longs, std::string>;

struct Item {
  int32_t id = -1;
  Value value;
  int32_t cls = 0;
  int32_t state = static_cast<int32_t>(0x80000000u);  // usable, takes a mark
  int32_t present = 1;
  int32_t isMap = 0;
  int32_t lists = 0;
  std::string label;
  std::map<int32_t, int32_t> attributes;  // by request code
};

struct Kalbrix {
  int32_t machine = 0;
  std::string descriptor;
  std::optional<std::string> name;
  int32_t hostVersion = 0x50000;
  int32_t hostLevel = 5;
  int32_t userLevel = 1;
  int32_t connection = 1;
  std::map<std::string, int32_t> userValues;
  std::set<std::string> functions;
  std::set<std::string> supervisions;
  std::vector<std::string> order;  // REQ_ITEM_LIST gives the items in the file's order
  std::map<std::string, Item> items;
};

constexpr int32_t kEnglish = 1033;
constexpr size_t kEngineTableElement = 12;  // of the descriptor's long table

Kalbrix kalbrix;
std::map<std::string, int32_t> marks;  // REQ_ITEM_MARK, the last value per item

// 32-bit integers: JSON numbers up to 4294967295 keep their bit pattern; texts are decimal or
// 0x hexadecimal ("0x80000000").
int32_t Int(const Json& value) {
  if (value.is_string())
    return static_cast<int32_t>(std::stoll(value.get<std::string>(), nullptr, 0));
  if (value.is_number_unsigned()) return static_cast<int32_t>(value.get<uint32_t>());
  return value.get<int32_t>();
}

void Take(const Json& object, const char* key, int32_t& field) {
  if (object.contains(key)) field = Int(object.at(key));
}

Item LoadItem(const Json& in) {
  Item item;
  item.id = Int(in.at("id"));
  if (in.contains("int")) item.value = Int(in.at("int"));
  if (in.contains("words")) item.value = in.at("words").get<Words>();
  if (in.contains("longs")) {
    Longs longs;
    for (const Json& element : in.at("longs")) longs.push_back(Int(element));
    item.value = longs;
  }
  if (in.contains("text")) item.value = in.at("text").get<std::string>();
  Take(in, "class", item.cls);
  Take(in, "state", item.state);
  Take(in, "present", item.present);
  Take(in, "isMap", item.isMap);
  Take(in, "lists", item.lists);
  item.label = in.value("label", std::string());
  if (in.contains("attributes"))
    for (const auto& [code, value] : in.at("attributes").items())
      item.attributes[0x40000 + std::stoi(code, nullptr, 16)] = Int(value);
  return item;
}

Kalbrix Load(const char* path) {
  std::ifstream file(path);
  if (!file) throw std::runtime_error("cannot read the file");
  const Json in = Json::parse(file);
  Kalbrix k;
  k.machine = Int(in.at("machine"));
  k.descriptor = in.at("descriptor").get<std::string>();
  if (in.contains("name")) k.name = in.at("name").get<std::string>();
  Take(in, "hostVersion", k.hostVersion);
  Take(in, "hostLevel", k.hostLevel);
  Take(in, "userLevel", k.userLevel);
  Take(in, "connection", k.connection);
  if (in.contains("userValues"))
    for (const auto& [name, value] : in.at("userValues").items()) k.userValues[name] = Int(value);
  if (in.contains("functions")) k.functions = in.at("functions").get<std::set<std::string>>();
  if (in.contains("supervisions"))
    k.supervisions = in.at("supervisions").get<std::set<std::string>>();
  for (const Json& item : in.at("items")) {
    const auto name = item.at("name").get<std::string>();
    k.order.push_back(name);
    k.items[name] = LoadItem(item);
  }
  return k;
}

const std::string* NameOf(int32_t id) {
  if (id == -1) return nullptr;
  for (const auto& [name, item] : kalbrix.items)
    if (item.id == id) return &name;
  return nullptr;
}

std::string DescriptorElement(size_t element) {
  const auto found = kalbrix.items.find(kalbrix.descriptor);
  if (found == kalbrix.items.end()) return {};
  const auto* longs = std::get_if<Longs>(&found->second.value);
  if (!longs || element >= longs->size()) return {};
  const std::string* name = NameOf((*longs)[element]);
  return name ? *name : std::string();
}

/// A host's answer: a result and, on success, the bytes the record gets (len as the record
/// gives it: -1 for one int32).
struct Reply {
  int32_t result = HOST_OK;
  int32_t len = 0;
  std::string bytes;
};

Reply IntReply(int32_t value) {
  return {HOST_OK, -1, std::string(reinterpret_cast<char*>(&value), 4)};
}
Reply BytesReply(const void* data, size_t count) {
  return {HOST_OK, static_cast<int32_t>(count), std::string(static_cast<const char*>(data), count)};
}
Reply Failed(int32_t result) { return {result, 0, {}}; }
// A text the code page cannot hold is refused rather than handed over short of a character.
Reply TextReply(const std::string& text) {
  const auto wire = vantel::Utf8ToCp1252(text);
  return wire ? BytesReply(wire->c_str(), wire->size() + 1) : Failed(HOST_DATA_ERROR);
}
Reply Done() { return {}; }

std::optional<int32_t> SentInt(const HostBuffer* buf) {
  if (buf->len != -1 || buf->data == nullptr) return std::nullopt;
  int32_t value;
  std::memcpy(&value, buf->data, sizeof value);
  return value;
}

Reply ValueReply(const Value& value) {
  if (const auto* i = std::get_if<int32_t>(&value)) return IntReply(*i);
  if (const auto* w = std::get_if<Words>(&value); w && !w->empty())
    return BytesReply(w->data(), w->size() * sizeof(uint16_t));
  if (const auto* l = std::get_if<Longs>(&value); l && !l->empty())
    return BytesReply(l->data(), l->size() * sizeof(int32_t));
  if (const auto* t = std::get_if<std::string>(&value)) return TextReply(*t);
  return Failed(HOST_DATA_ERROR);
}

// The wire does not tell a word table from a long table or a text: the item's form says how
// the payload reads, and a write never changes that form.
Reply Write(Item& item, const HostBuffer* buf) {
  if (std::holds_alternative<int32_t>(item.value)) {
    const auto sent = SentInt(buf);
    if (!sent) return Failed(HOST_DATA_ERROR);
    item.value = *sent;
    return Done();
  }
  if (buf->data == nullptr || buf->len <= 0) return Failed(HOST_DATA_ERROR);
  const auto* bytes = static_cast<const char*>(buf->data);
  const auto count = static_cast<size_t>(buf->len);
  if (std::holds_alternative<Words>(item.value) && count % 2 == 0) {
    Words words(count / 2);
    std::memcpy(words.data(), bytes, count);
    item.value = words;
    return Done();
  }
  if (std::holds_alternative<Longs>(item.value) && count % 4 == 0) {
    Longs longs(count / 4);
    std::memcpy(longs.data(), bytes, count);
    item.value = longs;
    return Done();
  }
  if (std::holds_alternative<std::string>(item.value) && bytes[count - 1] == '\0') {
    bool whole = false;
    std::string text = vantel::Cp1252ToUtf8(bytes, &whole);
    if (!whole) return Failed(HOST_DATA_ERROR);  // a byte the code page leaves unassigned
    item.value = std::move(text);
    return Done();
  }
  return Failed(HOST_DATA_ERROR);
}

Reply AnswerAboutItem(int32_t code, const std::string& name, const HostBuffer* buf) {
  const auto found = kalbrix.items.find(name);
  if (found == kalbrix.items.end()) return Failed(HOST_TARGET_ERROR);
  Item& item = found->second;
  switch (code) {
    case REQ_ITEM_ID:
      return item.id == -1 ? Failed(HOST_TARGET_ERROR) : IntReply(item.id);
    case REQ_ITEM_CLASS:
      return IntReply(item.cls);
    case REQ_ITEM_STATE:
      return IntReply(item.state);
    case REQ_ITEM_PRESENT:
      return IntReply(item.present);
    case REQ_ITEM_IS_MAP:
      return IntReply(item.isMap);
    case REQ_ITEM_LISTS:
      return IntReply(item.lists);
    case REQ_ITEM_LABEL:
      return TextReply(item.label.empty() ? name : item.label);
    case REQ_ITEM_VALUE:
      return ValueReply(item.value);
    case REQ_ITEM_WRITE:
      return Write(item, buf);
    case REQ_ITEM_ATTR_10:
    case REQ_ITEM_ATTR_20:
    case REQ_ITEM_ATTR_23:
    case REQ_ITEM_ATTR_24: {
      // 10 and 20 default to 1 (may be chosen, notifications count), the refresh guards to 0.
      const auto set = item.attributes.find(code);
      if (set != item.attributes.end()) return IntReply(set->second);
      return IntReply(code == REQ_ITEM_ATTR_10 || code == REQ_ITEM_ATTR_20 ? 1 : 0);
    }
    case REQ_ITEM_MARK:
      if (const auto sent = SentInt(buf)) marks[name] = *sent;
      return Done();
    // What the plug-in asks of the machine: a real host sends the item, enables the data,
    // takes the map's scales; this one only agrees.
    case REQ_ITEM_SEND:
    case REQ_DAT_ENABLE:
    case REQ_ITEM_VSCALE:
    case REQ_ITEM_HSCALE:
      return Done();
    default:
      return Failed(HOST_ACTION_ERROR);
  }
}

Reply Answer(int32_t code, const std::string& name, const HostBuffer* buf) {
  switch (code) {
    case REQ_HOST_VERSION:
      return IntReply(kalbrix.hostVersion);
    case REQ_HOST_LANGUAGE:
      return IntReply(kEnglish);
    case REQ_HOST_LEVEL:
      return IntReply(kalbrix.hostLevel);
    case REQ_USER_LEVEL:
      return IntReply(kalbrix.userLevel);
    case REQ_MACHINE_CONNECTION:
      return IntReply(kalbrix.connection);
    case REQ_MACHINE_NAME:
      return kalbrix.name ? TextReply(*kalbrix.name) : Failed(HOST_DATA_ERROR);
    case REQ_ITEM_LIST: {
      std::string list;
      for (const std::string& item : kalbrix.order) {
        const auto wire = vantel::Utf8ToCp1252(item);
        if (!wire) return Failed(HOST_DATA_ERROR);
        list += *wire + '\0';
      }
      return BytesReply(list.data(), list.size());
    }
    case REQ_ITEM_NAME: {
      const auto id = SentInt(buf);
      const std::string* found = id ? NameOf(*id) : nullptr;
      return found ? TextReply(*found) : Failed(HOST_TARGET_ERROR);
    }
    case REQ_USER_VALUE: {
      const auto found = kalbrix.userValues.find(name);
      return found == kalbrix.userValues.end() ? Failed(HOST_TARGET_ERROR)
                                               : IntReply(found->second);
    }
    case REQ_FNC_QUERY:
      return IntReply(kalbrix.functions.count(name) ? 1 : 0);
    case REQ_SUP_QUERY:
      return IntReply(kalbrix.supervisions.count(name) ? 1 : 0);
    // An entry the ECU does not have cannot be switched.
    case REQ_FNC_ENABLE:
      return kalbrix.functions.count(name) ? Done() : Failed(HOST_TARGET_ERROR);
    case REQ_SUP_ENABLE:
      return kalbrix.supervisions.count(name) ? Done() : Failed(HOST_TARGET_ERROR);
    case REQ_REGISTER_MODULE:
    case REQ_SAVE_STATUS:
    case REQ_END_ACTION:
      return Done();
    default:
      return AnswerAboutItem(code, name, buf);
  }
}

// Who owns the record: a failure leaves it as the plug-in filled it. A success frees the
// plug-in's input and puts a fresh malloc'd reply in its place, for the plug-in to free;
// a send (an input that is not REQ_USER_LEVEL's or REQ_ITEM_NAME's) gets its result alone.
int32_t Deliver(HostBuffer* buf, int32_t code, const Reply& reply) {
  if (reply.result != HOST_OK) return reply.result;
  const bool sent = buf->data != nullptr;
  std::free(buf->data);
  buf->data = nullptr;
  buf->len = 0;
  if (sent && code != REQ_USER_LEVEL && code != REQ_ITEM_NAME) return HOST_OK;
  buf->len = reply.len;
  if (reply.bytes.empty()) return HOST_OK;
  buf->data = std::malloc(reply.bytes.size());
  std::memcpy(buf->data, reply.bytes.data(), reply.bytes.size());
  return HOST_OK;
}

}  // namespace

// Exported from the executable (ENABLE_EXPORTS): the plug-in finds it with dlsym when it loads.
// This host serves one machine, whatever index the plug-in names.
extern "C" int32_t ACTIONDLL(int32_t, int32_t code, const char* item, HostBuffer* buf) {
  if (buf == nullptr) return HOST_DATA_ERROR;
  try {
    bool whole = false;
    const std::string name = vantel::Cp1252ToUtf8(item ? item : "", &whole);
    if (!whole) return HOST_TARGET_ERROR;  // no item is named with an unassigned byte
    return Deliver(buf, code, Answer(code, name, buf));
  } catch (...) {
    return HOST_INTERNAL_ERROR;  // nothing may unwind into the plug-in
  }
}

// The CMake build knows where the installed example and plug-in are; a build with the
// pkg-config flags alone is told at run time (pkg-config --variable=plugin vantel).
#ifndef VANTEL_EXAMPLE_PATH
#define VANTEL_EXAMPLE_PATH nullptr
#endif
#ifndef VANTEL_PLUGIN_PATH
#define VANTEL_PLUGIN_PATH nullptr
#endif

int main(int argc, char** argv) {
  const char* file = argc > 1 ? argv[1] : VANTEL_EXAMPLE_PATH;
  const char* pluginPath = argc > 2 ? argv[2] : VANTEL_PLUGIN_PATH;
  if (file == nullptr || pluginPath == nullptr) {
    std::fprintf(stderr, "usage: minimal-host KALBRIX.json PLUGIN\n");
    return 2;
  }
  try {
    kalbrix = Load(file);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "minimal-host: %s: %s\n", file, error.what());
    return 2;
  }

  // The action key crosses in code page 1252 too.
  const auto key = vantel::Utf8ToCp1252(kalbrix.descriptor);
  if (!key) {
    std::fprintf(stderr, "minimal-host: %s: the descriptor is not in code page 1252\n", file);
    return 2;
  }

  void* plugin = dlopen(pluginPath, RTLD_NOW | RTLD_LOCAL);
  if (plugin == nullptr) {
    std::fprintf(stderr, "minimal-host: %s\n", dlerror());
    return 2;
  }
  auto handshake = reinterpret_cast<void (*)(HostBuffer*)>(dlsym(plugin, "VANTEL100"));
  auto open = reinterpret_cast<void (*)(uint32_t, const char*)>(dlsym(plugin, "RUNSETEMG"));
  if (handshake == nullptr || open == nullptr) {
    std::fprintf(stderr, "minimal-host: %s is not the Vantel plug-in\n", pluginPath);
    dlclose(plugin);
    return 2;
  }

  // The host's index goes in; {version, language} comes back in a block of the plug-in's.
  // Both blocks are the host's to free.
  auto* index = static_cast<int32_t*>(std::malloc(sizeof(int32_t)));
  *index = 0;
  HostBuffer record{-1, index};
  handshake(&record);
  int32_t answer[2] = {0, 0};
  if (record.len == sizeof answer && record.data != nullptr)
    std::memcpy(answer, record.data, sizeof answer);
  if (record.data != index) std::free(record.data);
  std::free(index);
  std::printf("handshake: plug-in version %d.%d, language %d\n", answer[0] >> 16,
              answer[0] & 0xFFFF, answer[1]);
  if (answer[0] <= 0) {
    std::fprintf(stderr, "minimal-host: the plug-in refused the host\n");
    dlclose(plugin);
    return 1;
  }

  // The open checks the configuration; a coherent one marks the EngineTable item 0.
  open(static_cast<uint32_t>(kalbrix.machine), key->c_str());
  const auto mark = marks.find(DescriptorElement(kEngineTableElement));
  const bool coherent = mark != marks.end() && mark->second == 0;
  std::printf("open of %s: %s\n", file, coherent ? "coherent" : "not coherent");
  dlclose(plugin);  // the plug-in ends its instance here
  return coherent ? 0 : 1;
}
