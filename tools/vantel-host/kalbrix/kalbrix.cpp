#include "kalbrix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "vantel/host_abi.h"
#include "vantel/host_text.h"

namespace vantel::host {

namespace {

constexpr std::array kValueKeys = {"int", "words", "longs", "text"};
using namespace std::string_view_literals;
constexpr std::array kItemKeys = {"name"sv,       "id"sv,        "int"sv,      "words"sv,
                                  "longs"sv,      "text"sv,      "class"sv,    "state"sv,
                                  "present"sv,    "isMap"sv,     "lists"sv,    "label"sv,
                                  "attributes"sv, "errorCode"sv, "errorText"sv};
constexpr std::array kTopKeys = {"machine",   "name",         "hostVersion", "hostLevel",
                                 "userLevel", "connection",   "descriptor",  "userValues",
                                 "functions", "supervisions", "items",       "comment"};

struct AttributeKey {
  const char* suffix;
  int32_t code;
};

constexpr std::array<AttributeKey, 4> kAttributeKeys = {{
    {"10", REQ_ITEM_ATTR_10},
    {"20", REQ_ITEM_ATTR_20},
    {"23", REQ_ITEM_ATTR_23},
    {"24", REQ_ITEM_ATTR_24},
}};

std::optional<int32_t> AttributeCode(const std::string& suffix) {
  for (const AttributeKey& key : kAttributeKeys)
    if (suffix == key.suffix) return key.code;
  return std::nullopt;
}

template <class Key, size_t N>
bool OneOf(const std::string& key, const std::array<Key, N>& keys) {
  return std::any_of(keys.begin(), keys.end(), [&](const Key& k) { return key == k; });
}

/// A 32-bit integer: a JSON integer within int32 or uint32 (kept as its bit pattern), or a
/// string in decimal or 0x hexadecimal, as host developers write state bits.
std::optional<int32_t> AsInt32(const Json& value) {
  if (value.is_number_integer()) {
    if (value.is_number_unsigned()) {
      const uint64_t u = value.get<uint64_t>();
      if (u > 0xFFFFFFFFu) return std::nullopt;
      return static_cast<int32_t>(static_cast<uint32_t>(u));
    }
    const int64_t s = value.get<int64_t>();
    if (s < INT32_MIN || s > static_cast<int64_t>(UINT32_MAX)) return std::nullopt;
    return static_cast<int32_t>(static_cast<uint32_t>(s));
  }
  if (!value.is_string()) return std::nullopt;
  const std::string text = value.get<std::string>();
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || parsed < INT32_MIN ||
      parsed > static_cast<long long>(UINT32_MAX))
    return std::nullopt;
  return static_cast<int32_t>(static_cast<uint32_t>(parsed));
}

std::string CodePoint(char32_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
  return text;
}

/// An item's members by key, found in one walk over its keys: a file of many items asks
/// each for fifteen keys, and the object's own search compares every key for each.
class ItemFields {
 public:
  explicit ItemFields(const Json& item) {
    for (auto member = item.begin(); member != item.end(); ++member) {
      const auto known = std::find(kItemKeys.begin(), kItemKeys.end(), member.key());
      if (known == kItemKeys.end()) {
        if (!unknown_) unknown_ = &member.key();
        continue;
      }
      values_[static_cast<size_t>(known - kItemKeys.begin())] = &member.value();
    }
  }

  /// The value under `key`, one of kItemKeys; null when the item has none.
  const Json* operator[](std::string_view key) const {
    for (size_t i = 0; i < kItemKeys.size(); ++i)
      if (key == kItemKeys[i]) return values_[i];
    return nullptr;
  }
  /// The first key that is not an item's.
  const std::string* unknown() const { return unknown_; }

 private:
  std::array<const Json*, kItemKeys.size()> values_{};
  const std::string* unknown_ = nullptr;
};

class Checker {
 public:
  explicit Checker(std::string where) : where_(std::move(where)) {}
  /// Item `index`, and its name once read: the place is only written out by a failure, not
  /// for each of the many items that pass.
  Checker(size_t index, const std::string* name) : item_(index), name_(name) {}

  [[noreturn]] void Fail(const std::string& what) const {
    std::string where = where_;
    if (item_) where = "item " + std::to_string(*item_) + (name_ ? " (" + *name_ + ")" : "");
    throw KalbrixError(where.empty() ? what : where + ": " + what);
  }

  int32_t Int(const Json& object, const char* key, int32_t fallback) const {
    return Int(object.contains(key) ? &object.at(key) : nullptr, key, fallback);
  }

  int32_t Int(const Json* value, const char* key, int32_t fallback) const {
    if (!value) return fallback;
    const auto number = AsInt32(*value);
    if (!number) Fail(std::string("\"") + key + "\" must be a 32-bit integer");
    return *number;
  }

  /// A text the host hands to the plug-in: one its code page can hold.
  std::string Text(const Json& object, const char* key, bool required) const {
    return Text(object.contains(key) ? &object.at(key) : nullptr, key, required);
  }

  std::string Text(const Json* value, const char* key, bool required) const {
    std::string text = AnyText(value, key, required);
    HostText(key, text);
    return text;
  }

  std::string AnyText(const Json* value, const char* key, bool required) const {
    if (!value) {
      if (required) Fail(std::string("\"") + key + "\" is missing");
      return {};
    }
    if (!value->is_string()) Fail(std::string("\"") + key + "\" must be a text");
    std::string text = value->get<std::string>();
    if (text.find('\0') != std::string::npos) Fail(std::string("\"") + key + "\" holds a NUL");
    return text;
  }

  // Nothing may be lost on the way: a character the plug-in could not be given refuses the file.
  void HostText(const std::string& what, const std::string& text) const {
    if (const auto why = NotAHostText(text)) Fail("\"" + what + "\": " + *why);
  }

  std::vector<std::string> Names(const Json& object, const char* key) const {
    std::vector<std::string> names;
    if (!object.contains(key)) return names;
    const Json& list = object.at(key);
    if (!list.is_array()) Fail(std::string("\"") + key + "\" must be an array of names");
    for (const Json& entry : list) {
      if (!entry.is_string() || entry.get<std::string>().empty())
        Fail(std::string("\"") + key + "\" must be an array of names");
      HostText(key, entry.get<std::string>());
      names.push_back(entry.get<std::string>());
    }
    return names;
  }

 private:
  std::string where_;
  std::optional<size_t> item_;
  const std::string* name_ = nullptr;
};

ItemValue ReadValue(const ItemFields& fields, const Checker& check) {
  int found = 0;
  for (const char* key : kValueKeys) found += fields[key] ? 1 : 0;
  if (found > 1) check.Fail("holds more than one of \"int\", \"words\", \"longs\", \"text\"");
  if (const Json* n = fields["int"]) return check.Int(n, "int", 0);
  if (const Json* text = fields["text"]) return check.Text(text, "text", true);
  if (const Json* list = fields["words"]) {
    if (!list->is_array()) check.Fail("\"words\" must be an array of words (0 to 65535)");
    Words words;
    words.reserve(list->size());
    for (const Json& w : *list) {
      if (!w.is_number_integer() || w.get<int64_t>() < 0 || w.get<int64_t>() > 0xFFFF)
        check.Fail("\"words\" must be an array of words (0 to 65535)");
      words.push_back(static_cast<uint16_t>(w.get<int64_t>()));
    }
    return words;
  }
  if (const Json* list = fields["longs"]) {
    if (!list->is_array()) check.Fail("\"longs\" must be an array of 32-bit integers");
    Longs longs;
    longs.reserve(list->size());
    for (const Json& l : *list) {
      const auto value = AsInt32(l);
      if (!value || !l.is_number_integer())
        check.Fail("\"longs\" must be an array of 32-bit integers");
      longs.push_back(*value);
    }
    return longs;
  }
  return std::monostate{};
}

/// The item and its name.
std::pair<std::string, KalbrixItem> ReadItem(const Json& item, size_t index) {
  const Checker unnamed(index, nullptr);
  if (!item.is_object()) unnamed.Fail("must be an object");
  const ItemFields fields(item);
  const std::string name = unnamed.AnyText(fields["name"], "name", true);
  if (name.empty()) unnamed.Fail("\"name\" is empty");
  const Checker checker(index, &name);
  checker.HostText("name", name);
  if (const std::string* key = fields.unknown()) checker.Fail("unknown key \"" + *key + "\"");
  if (!fields["id"]) checker.Fail("\"id\" is missing");

  KalbrixItem out;
  out.id = checker.Int(fields["id"], "id", -1);
  out.value = ReadValue(fields, checker);
  out.cls = checker.Int(fields["class"], "class", 0);
  out.stateBits = checker.Int(fields["state"], "state", kUsableState);
  out.present = checker.Int(fields["present"], "present", 1);
  out.isMap = checker.Int(fields["isMap"], "isMap", 0);
  out.lists = checker.Int(fields["lists"], "lists", 0);
  out.label = checker.Text(fields["label"], "label", false);
  out.errorCode = checker.Int(fields["errorCode"], "errorCode", 0);
  out.errorText = checker.Text(fields["errorText"], "errorText", false);
  if (const Json* attributes = fields["attributes"]) {
    if (!attributes->is_object()) checker.Fail("\"attributes\" must be an object");
    for (const auto& [key, value] : attributes->items()) {
      const auto code = AttributeCode(key);
      if (!code) checker.Fail("unknown attribute \"" + key + "\" (10, 20, 23 or 24)");
      const auto number = AsInt32(value);
      if (!number) checker.Fail("attribute \"" + key + "\" must be a 32-bit integer");
      out.attributes[*code] = *number;
    }
  }
  return {name, std::move(out)};
}

}  // namespace

std::optional<std::string> NotAHostText(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    char32_t c = 0;
    const size_t length = DecodeUtf8(text, at, c);
    if (length == 0) return "not UTF-8";
    if (Cp1252Byte(c) < 0) {
      return "code page 1252, in which the plug-in reads host texts, has no \"" +
             std::string(text.substr(at, length)) + "\" (" + CodePoint(c) + ")";
    }
    at += length;
  }
  return std::nullopt;
}

namespace {

// The format needs five levels; anything far deeper is not a Kalbrix.
constexpr size_t kMaxNesting = 64;
// Past this many keys an object's repeated-key check keeps a set instead of scanning.
constexpr size_t kLinearKeyCheck = 32;

/// Builds the document from the parser's events in one pass, refusing a repeated key rather
/// than silently losing one of the two values, and bounding the nesting before a hostile
/// file can take the stack. Members are appended without the ordered map's own search, so an
/// object of many keys costs no more than an array of as many values.
class KalbrixBuilder {
 public:
  bool null() { return Place(Json(nullptr)); }
  bool boolean(bool value) { return Place(Json(value)); }
  bool number_integer(Json::number_integer_t value) { return Place(Json(value)); }
  bool number_unsigned(Json::number_unsigned_t value) { return Place(Json(value)); }
  bool number_float(Json::number_float_t value, const std::string&) { return Place(Json(value)); }
  bool string(std::string& value) { return Place(Json(std::move(value))); }
  bool binary(Json::binary_t& value) { return Place(Json::binary(std::move(value))); }

  bool start_object(size_t) { return Open(Json::object()); }
  bool start_array(size_t) { return Open(Json::array()); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }

  bool key(std::string& name) {
    Container& top = open_.back();
    auto& members = static_cast<Json::object_t::Container&>(top.value->get_ref<Json::object_t&>());
    bool repeated = false;
    if (members.size() < kLinearKeyCheck) {
      repeated = std::any_of(members.begin(), members.end(),
                             [&](const auto& member) { return member.first == name; });
    } else {
      if (top.keys.empty())
        for (const auto& member : members) top.keys.insert(member.first);
      repeated = !top.keys.insert(name).second;
    }
    if (repeated) return Fail("the key \"" + name + "\" appears twice in one object");
    members.emplace_back(std::move(name), nullptr);
    slot_ = &members.back().second;
    return true;
  }

  bool parse_error(size_t, const std::string&, const Json::exception& error) {
    // A syntax error, and also a number past any double (1e400), which the parser reports
    // as out of range: either way the host cannot read the file.
    std::string what = error.what();
    // nlohmann prefixes "[json.exception.parse_error.101] "; the rest says where and why.
    const auto bracket = what.find("] ");
    if (bracket != std::string::npos) what = what.substr(bracket + 2);
    std::replace(what.begin(), what.end(), '\n', ' ');
    return Fail("not JSON: " + what);
  }

  /// The document; KalbrixError with the first fault when the text is not one.
  Json Take(bool parsed) {
    if (!parsed) throw KalbrixError(error_.empty() ? "not JSON" : error_);
    return std::move(root_);
  }

 private:
  struct Container {
    Json* value;
    std::unordered_set<std::string> keys;  // only once the object is past kLinearKeyCheck
  };

  /// Where the next value goes: the root, the end of the open array, or the slot of the key
  /// just read. The open containers stay put: only the innermost one grows.
  Json* Put(Json value) {
    if (open_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Json& parent = *open_.back().value;
    if (parent.is_array()) {
      auto& elements = parent.get_ref<Json::array_t&>();
      elements.push_back(std::move(value));
      return &elements.back();
    }
    *slot_ = std::move(value);
    return slot_;
  }

  bool Place(Json value) {
    Put(std::move(value));
    return true;
  }

  bool Open(Json container) {
    if (open_.size() >= kMaxNesting)
      return Fail("nested deeper than " + std::to_string(kMaxNesting) + " levels");
    open_.push_back({Put(std::move(container)), {}});
    return true;
  }

  bool Close() {
    open_.pop_back();
    return true;
  }

  bool Fail(std::string error) {
    error_ = std::move(error);
    return false;
  }

  Json root_;
  std::vector<Container> open_;
  Json* slot_ = nullptr;
  std::string error_;
};

}  // namespace

Json ParseKalbrixText(const std::string& text) {
  KalbrixBuilder builder;
  const bool parsed = Json::sax_parse(text, &builder);
  return builder.Take(parsed);
}

Kalbrix KalbrixFromJson(const Json& document) {
  const Checker check("");
  if (!document.is_object()) check.Fail("the file must hold one JSON object");
  for (const auto& [key, unused] : document.items())
    if (!OneOf(key, kTopKeys)) check.Fail("unknown key \"" + key + "\"");

  Kalbrix kalbrix;
  if (!document.contains("machine")) check.Fail("\"machine\" is missing");
  kalbrix.machine = static_cast<uint32_t>(check.Int(document, "machine", 0));
  // A file without a name, or with an empty one, makes REQ_MACHINE_NAME fail.
  if (std::string name = check.Text(document, "name", false); !name.empty())
    kalbrix.machineName = std::move(name);
  kalbrix.hostVersion = check.Int(document, "hostVersion", 0x50000);
  kalbrix.hostLevel = check.Int(document, "hostLevel", 5);
  kalbrix.userLevel = check.Int(document, "userLevel", 1);
  kalbrix.connection = check.Int(document, "connection", 1);
  kalbrix.descriptor = check.Text(document, "descriptor", true);
  for (std::string& entry : check.Names(document, "functions"))
    kalbrix.knownFunctions.insert(std::move(entry));
  for (std::string& entry : check.Names(document, "supervisions"))
    kalbrix.knownSupervisions.insert(std::move(entry));
  if (document.contains("userValues")) {
    const Json& values = document.at("userValues");
    if (!values.is_object()) check.Fail("\"userValues\" must be an object");
    for (const auto& [key, value] : values.items()) {
      check.HostText("user value \"" + key + "\"", key);
      const auto number = AsInt32(value);
      if (!number) check.Fail("user value \"" + key + "\" must be a 32-bit integer");
      kalbrix.userValues.emplace(key, *number);
    }
  }
  if (!document.contains("items") || !document.at("items").is_array())
    check.Fail("\"items\" must be an array of items");
  const Json& items = document.at("items");
  std::unordered_set<int32_t> ids;
  ids.reserve(items.size());
  kalbrix.listOrder.reserve(items.size());
  size_t index = 0;
  for (const Json& item : items) {
    auto [name, read] = ReadItem(item, index++);
    const int32_t id = read.id;
    if (!kalbrix.items.try_emplace(name, std::move(read)).second)
      check.Fail("item \"" + name + "\" appears twice");
    if (id != -1 && !ids.insert(id).second)
      check.Fail("item \"" + name + "\" repeats the id " + std::to_string(id));
    kalbrix.listOrder.push_back(std::move(name));
  }
  return kalbrix;
}

std::string ReadKalbrixFile(const std::string& path) {
  if (std::filesystem::is_directory(path)) throw KalbrixError("is a folder, not a Kalbrix file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw KalbrixError(std::string("cannot open: ") + std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw KalbrixError("cannot read");
  return text.str();
}

Kalbrix LoadKalbrix(const std::string& path, Json* document) {
  try {
    Json parsed = ParseKalbrixText(ReadKalbrixFile(path));
    Kalbrix kalbrix = KalbrixFromJson(parsed);
    if (document) *document = std::move(parsed);
    return kalbrix;
  } catch (const KalbrixError& error) {
    throw KalbrixError(path + ": " + error.what());
  }
}

void StoreValue(Json& item, const ItemValue& value) {
  for (const char* key : kValueKeys) item.erase(key);
  if (const auto* i = std::get_if<int32_t>(&value)) item["int"] = *i;
  if (const auto* w = std::get_if<Words>(&value)) item["words"] = *w;
  if (const auto* l = std::get_if<Longs>(&value)) item["longs"] = *l;
  if (const auto* t = std::get_if<std::string>(&value)) item["text"] = *t;
}

Json PatchValues(Json document, const Kalbrix& kalbrix, const std::vector<std::string>& written) {
  for (Json& item : document["items"]) {
    const std::string name = item.value("name", "");
    if (std::find(written.begin(), written.end(), name) == written.end()) continue;
    const KalbrixItem* current = kalbrix.Find(name);
    if (!current) continue;
    // Keep the value's place among the item's keys: rebuild the object in order.
    Json rebuilt = Json::object();
    bool placed = false;
    for (auto& [key, value] : item.items()) {
      if (OneOf(key, kValueKeys)) {
        if (!placed) StoreValue(rebuilt, current->value);
        placed = true;
        continue;
      }
      rebuilt[key] = value;
    }
    if (!placed) StoreValue(rebuilt, current->value);
    item = std::move(rebuilt);
  }
  return document;
}

std::vector<std::string> ChangedItems(const Kalbrix& before, const Kalbrix& after,
                                      const std::vector<std::string>& written) {
  std::vector<std::string> changed;
  for (const std::string& name : written) {
    const KalbrixItem* was = before.Find(name);
    const KalbrixItem* now = after.Find(name);
    if (was && now && was->value != now->value) changed.push_back(name);
  }
  return changed;
}

size_t WriteChangedValues(const std::string& path, const Json& document, const Kalbrix& before,
                          const Kalbrix& after, const std::vector<std::string>& written) {
  const std::vector<std::string> changed = ChangedItems(before, after, written);
  if (!changed.empty())
    WriteFileAtomically(path, DumpKalbrix(PatchValues(document, after, changed)));
  return changed.size();
}

namespace {

bool IsFlat(const Json& value) {
  if (!value.is_array()) return false;
  return std::none_of(value.begin(), value.end(),
                      [](const Json& v) { return v.is_array() || v.is_object(); });
}

void Dump(const Json& value, int depth, std::string& out) {
  const std::string pad(static_cast<size_t>(depth) * 2, ' ');
  const std::string inner(static_cast<size_t>(depth + 1) * 2, ' ');
  if (value.is_object() && !value.empty()) {
    out += "{\n";
    size_t i = 0;
    for (const auto& [key, member] : value.items()) {
      out += inner + Json(key).dump() + ": ";
      Dump(member, depth + 1, out);
      out += ++i < value.size() ? ",\n" : "\n";
    }
    out += pad + "}";
    return;
  }
  if (value.is_array() && !value.empty() && !IsFlat(value)) {
    out += "[\n";
    for (size_t i = 0; i < value.size(); ++i) {
      out += inner;
      Dump(value[i], depth + 1, out);
      out += i + 1 < value.size() ? ",\n" : "\n";
    }
    out += pad + "]";
    return;
  }
  if (value.is_array()) {
    out += "[";
    for (size_t i = 0; i < value.size(); ++i) out += (i ? ", " : "") + value[i].dump();
    out += "]";
    return;
  }
  out += value.dump();
}

}  // namespace

std::string DumpKalbrix(const Json& document) {
  std::string out;
  try {
    Dump(document, 0, out);
  } catch (const Json::type_error&) {
    // Only a text the plug-in wrote can get here: the reader refuses a file that is not UTF-8,
    // and a file the next read would refuse must not be written.
    throw KalbrixError("a text is not UTF-8");
  }
  out += "\n";
  return out;
}

std::string ResolveLinks(const std::string& path) {
  namespace fs = std::filesystem;
  // The kernel's own bound on a chain of links (ELOOP).
  constexpr int kMaxLinks = 40;
  fs::path at = path;
  for (int hops = 0;; ++hops) {
    std::error_code failed;
    if (!fs::is_symlink(at, failed)) return at.string();
    if (hops == kMaxLinks) throw KalbrixError(path + ": too many levels of symbolic links");
    const fs::path target = fs::read_symlink(at, failed);
    if (failed) throw KalbrixError(path + ": cannot read the link: " + failed.message());
    at = target.is_absolute() ? target : at.parent_path() / target;
  }
}

AtomicFile::AtomicFile(const std::string& path) : path_(path), target_(ResolveLinks(path)) {
  const auto slash = target_.rfind('/');
  temp_ = (slash == std::string::npos ? std::string(".") : target_.substr(0, slash)) +
          "/.vantel-host-XXXXXX";
  fd_ = mkstemp(temp_.data());
  if (fd_ < 0)
    throw KalbrixError(path_ + ": cannot create a temporary file: " + std::strerror(errno));
  // mkstemp gives 0600; the file keeps the mode it had (a new one gets 0644).
  struct stat old {};
  fchmod(fd_, stat(target_.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) close(fd_);
  if (!committed_) unlink(temp_.c_str());
}

void AtomicFile::Write(std::string_view text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw KalbrixError(path_ + ": cannot write: " + std::strerror(errno));
    done += static_cast<size_t>(n);
  }
}

void AtomicFile::Commit() {
  // The rename must not expose a file whose blocks are not on disk yet.
  const int fd = std::exchange(fd_, -1);
  if (fsync(fd) != 0 || close(fd) != 0)
    throw KalbrixError(path_ + ": cannot write: " + std::strerror(errno));
  if (rename(temp_.c_str(), target_.c_str()) != 0)
    throw KalbrixError(path_ + ": cannot replace: " + std::strerror(errno));
  committed_ = true;
}

void WriteFileAtomically(const std::string& path, const std::string& text) {
  AtomicFile file(path);
  file.Write(text);
  file.Commit();
}

}  // namespace vantel::host
