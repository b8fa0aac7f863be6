#pragma once
// The Kalbrix of one machine as the reference host serves it, read from and written back to
// a JSON file (the format is described in docs/kalbrix-format.md).
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

namespace vantel::host {

using Json = nlohmann::ordered_json;

/// Bad input: the message is one line, ready for stderr.
class KalbrixError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using Words = std::vector<uint16_t>;
using Longs = std::vector<int32_t>;
/// No value, an integer, a word table, a long table or a text.
using ItemValue = std::variant<std::monostate, int32_t, Words, Longs, std::string>;

inline constexpr int32_t kUsableState = static_cast<int32_t>(0x80000000u);

struct KalbrixItem {
  std::string name;
  int32_t id = -1;
  ItemValue value;
  int32_t itemClass = 0;
  int32_t state = kUsableState;
  int32_t present = 1;
  int32_t isMap = 0;
  int32_t lists = 0;
  std::string label;
  /// REQ_ITEM_ATTR_10, _20, _23, _24 by their suffix "10", "20", "23", "24".
  std::map<std::string, int32_t> attributes;
  int32_t errorCode = 0;
  std::string errorText;

  int32_t Attribute(const std::string& suffix) const;
};

struct Kalbrix {
  uint32_t machine = 0;
  std::string name;
  int32_t hostVersion = 0x50000;
  int32_t hostLevel = 5;
  int32_t userLevel = 1;
  int32_t connection = 1;
  /// The item holding the machine data descriptor: the action key of the open.
  std::string descriptor;
  std::vector<std::pair<std::string, int32_t>> userValues;
  std::vector<std::string> functions;
  std::vector<std::string> supervisions;
  std::vector<KalbrixItem> items;

  KalbrixItem* Find(const std::string& itemName);
  const KalbrixItem* Find(const std::string& itemName) const;
  const KalbrixItem* FindId(int32_t id) const;
  std::optional<int32_t> UserValue(const std::string& valueName) const;
  bool KnowsFunction(const std::string& entry) const;
  bool KnowsSupervision(const std::string& entry) const;
};

/// The file's text parsed; KalbrixError when it is not JSON.
Json ParseKalbrixText(const std::string& text);

/// The document checked and turned into a Kalbrix; KalbrixError names the first bad field.
Kalbrix KalbrixFromJson(const Json& document);

/// A file read and checked; KalbrixError on a missing, unreadable or malformed file.
Kalbrix LoadKalbrix(const std::string& path, Json* document = nullptr);

/// `document` with the values of `written` items replaced by the Kalbrix's current values;
/// every other key stays as it was, in its place.
Json PatchValues(Json document, const Kalbrix& kalbrix, const std::vector<std::string>& written);

/// JSON text with objects indented and arrays of plain values on one line.
std::string DumpKalbrix(const Json& document);

/// Writes `text` to `path` through a temporary file in the same folder and a rename, so the
/// file is either the old one or the new one whole. KalbrixError on failure.
void WriteFileAtomically(const std::string& path, const std::string& text);

/// The JSON form of a value, keyed as the file holds it ("int", "words", "longs", "text").
void StoreValue(Json& item, const ItemValue& value);

}  // namespace vantel::host
