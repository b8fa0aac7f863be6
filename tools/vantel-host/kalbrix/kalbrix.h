#pragma once
// The Kalbrix of one machine as the reference host serves it, read from and written back to
// a JSON file (the format is described in docs/kalbrix-format.md).
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "item_store.h"
#include "json.h"

namespace vantel::host {

/// Bad input: the message is one line, ready for stderr.
class KalbrixError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using Words = hostcore::Words;
using Longs = hostcore::Longs;
using ItemValue = hostcore::ItemValue;
using KalbrixItem = hostcore::Item;

inline constexpr int32_t kUsableState = hostcore::kUsableState;

/// The store the host serves, with what only the file says: the machine index and the
/// descriptor item. Its items are listed in the file's order.
struct Kalbrix : hostcore::ItemStore {
  uint32_t machine = 0;
  /// The item holding the machine data descriptor: the action key of the open.
  std::string descriptor;
};

/// Why `text` (UTF-8) cannot cross to the plug-in, which reads host texts in code page 1252
/// ("code page 1252 ... has no \"→\" (U+2192)"); nothing when it can.
std::optional<std::string> NotAHostText(std::string_view text);

/// The file's text parsed; KalbrixError when it is not JSON.
Json ParseKalbrixText(const std::string& text);

/// The document checked and turned into a Kalbrix; KalbrixError names the first bad field.
Kalbrix KalbrixFromJson(const Json& document);

/// The text of a file; KalbrixError, without the path, when it cannot be read.
std::string ReadKalbrixFile(const std::string& path);

/// A file read and checked; KalbrixError on a missing, unreadable or malformed file.
Kalbrix LoadKalbrix(const std::string& path, Json* document = nullptr);

/// `document` with the values of `written` items replaced by the Kalbrix's current values;
/// every other key stays as it was, in its place.
Json PatchValues(Json document, const Kalbrix& kalbrix, const std::vector<std::string>& written);

/// The items among `written` whose values in `after` are not those of `before`: what a save
/// writes back, and what is unsaved until it does.
std::vector<std::string> ChangedItems(const Kalbrix& before, const Kalbrix& after,
                                      const std::vector<std::string>& written);

/// Writes into `path` (through an AtomicFile) the values among `written` that are not those
/// of `before`, the Kalbrix as read: `document` patched with them. Returns how many there
/// were; with none, the file is not touched.
size_t WriteChangedValues(const std::string& path, const Json& document, const Kalbrix& before,
                          const Kalbrix& after, const std::vector<std::string>& written);

/// The document in the host's one layout (docs/kalbrix-format.md): keys in their order, two
/// spaces a level, an array of plain values on one line. A file in that layout dumps to its
/// own bytes. KalbrixError for a text that is not UTF-8.
std::string DumpKalbrix(const Json& document);

/// The file `path` names, through any chain of symbolic links (`path` itself when it is no
/// link, or does not exist); KalbrixError for a loop or an unreadable link.
std::string ResolveLinks(const std::string& path);

/// A file replaced whole or not at all: the text goes to a temporary file beside the file
/// `path` names (through its links, so a link stays a link), which Commit renames over it with
/// its mode kept; dropped uncommitted, the temporary goes and the file is as it was.
/// KalbrixError on any failure.
class AtomicFile {
 public:
  explicit AtomicFile(const std::string& path);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(std::string_view text);
  void Commit();

 private:
  std::string path_;    // as given, for the messages
  std::string target_;  // the file replaced
  std::string temp_;
  int fd_ = -1;
  bool committed_ = false;
};

/// Writes `text` to `path` through an AtomicFile.
void WriteFileAtomically(const std::string& path, const std::string& text);

/// The JSON form of a value, keyed as the file holds it ("int", "words", "longs", "text").
void StoreValue(Json& item, const ItemValue& value);

}  // namespace vantel::host
