#include "item_places.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

#include "json.h"

namespace vantel::host {
namespace {

// The text as the JSON parser reads it, one character at a time, counting what it has taken:
// when the parser reports an opening brace, the brace is the last character taken.
class CountingReader {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  CountingReader(const char* at, size_t* taken) : at_(at), taken_(taken) {}
  reference operator*() const { return *at_; }
  CountingReader& operator++() {
    ++at_;
    ++*taken_;
    return *this;
  }
  CountingReader operator++(int) {
    CountingReader before = *this;
    ++*this;
    return before;
  }
  bool operator==(const CountingReader& other) const { return at_ == other.at_; }

 private:
  const char* at_;
  size_t* taken_;
};

// Follows the document's nesting and keeps the offset of each entry of the top "items" array
// with the name the entry gives itself.
class EntryFinder {
 public:
  explicit EntryFinder(const size_t* taken) : taken_(taken) {}

  bool null() { return Value(); }
  bool boolean(bool) { return Value(); }
  bool number_integer(Json::number_integer_t) { return Value(); }
  bool number_unsigned(Json::number_unsigned_t) { return Value(); }
  bool number_float(Json::number_float_t, const std::string&) { return Value(); }
  bool binary(Json::binary_t&) { return Value(); }
  bool string(std::string& value) {
    if (InEntry() && key_ == "name" && !named_) {
      named_ = true;
      entries_.push_back({std::move(value), entryStart_, 0});
    }
    return Value();
  }

  bool start_object(size_t) {
    if (open_.size() == 2 && inItems_) {
      entryStart_ = *taken_ - 1;
      named_ = false;
    }
    return Open(false);
  }
  bool start_array(size_t) {
    if (open_.size() == 1) inItems_ = key_ == "items";
    return Open(true);
  }
  bool end_object() {
    if (InEntry() && named_) entries_.back().end = *taken_;
    return Close();
  }
  bool end_array() { return Close(); }
  bool key(std::string& name) {
    key_ = open_.size() <= 3 ? std::move(name) : std::string();
    return true;
  }
  bool parse_error(size_t, const std::string&, const Json::exception&) { return false; }

  struct Entry {
    std::string name;
    size_t start;  // offsets in the text
    size_t end;
  };
  std::vector<Entry>& entries() { return entries_; }

 private:
  bool InEntry() const { return open_.size() == 3 && inItems_ && !open_.back(); }
  bool Value() {
    if (!open_.empty() && !open_.back()) key_.clear();
    return true;
  }
  bool Open(bool array) {
    open_.push_back(array);
    key_.clear();
    return true;
  }
  bool Close() {
    open_.pop_back();
    if (open_.size() == 1) inItems_ = false;
    key_.clear();
    return true;
  }

  const size_t* taken_;
  std::vector<bool> open_;  // true for an array
  std::string key_;         // the key of the value about to come, in the first three levels
  bool inItems_ = false;    // the top "items" array is open
  size_t entryStart_ = 0;
  bool named_ = false;
  std::vector<Entry> entries_;
};

bool ContinuesCodePoint(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::unordered_map<std::string, TextSpan> ItemPlaces(const std::string& text) {
  size_t taken = 0;
  EntryFinder finder(&taken);
  const CountingReader first(text.data(), &taken);
  const CountingReader last(text.data() + text.size(), &taken);
  if (!Json::sax_parse(first, last, &finder)) return {};

  // The entries come in the text's order, each ending before the next begins: one walk turns
  // their offsets into places.
  std::unordered_map<std::string, TextSpan> places;
  size_t at = 0;
  TextPlace place{1, 1};
  const auto walkTo = [&](size_t offset) {
    for (; at < offset; ++at) {
      if (text[at] == '\n') {
        ++place.line;
        place.column = 1;
      } else if (!ContinuesCodePoint(text[at])) {
        ++place.column;
      }
    }
    return place;
  };
  for (auto& entry : finder.entries()) {
    const TextPlace start = walkTo(entry.start);
    places.emplace(std::move(entry.name), TextSpan{start, walkTo(entry.end)});
  }
  return places;
}

}  // namespace vantel::host
