#include "cmdtable/command_tokenizer.h"

#include <array>

namespace vantel {
namespace {

enum class ByteClass : uint8_t { Separator, Quote, Punctuation, Word };

// The classes of the C locale: only ASCII letters and digits are word bytes, so bytes of 128
// and above separate whatever the host's code page makes of them.
constexpr std::array<ByteClass, 256> MakeByteClasses() {
  std::array<ByteClass, 256> classes{};
  for (int c = 'A'; c <= 'Z'; ++c) classes[c] = ByteClass::Word;
  for (int c = 'a'; c <= 'z'; ++c) classes[c] = ByteClass::Word;
  for (int c = '0'; c <= '9'; ++c) classes[c] = ByteClass::Word;
  for (unsigned char c : {'_', '&', '|'}) classes[c] = ByteClass::Word;
  for (unsigned char c : {'(', ')', ',', '=', '[', ']', '{', '}'})
    classes[c] = ByteClass::Punctuation;
  classes['"'] = ByteClass::Quote;
  return classes;
}

constexpr std::array<ByteClass, 256> kByteClasses = MakeByteClasses();

ByteClass ClassOf(char c) { return kByteClasses[static_cast<unsigned char>(c)]; }

}  // namespace

CommandTokenizer::CommandTokenizer(HostData text, uint32_t length)
    : ownsText_(text != nullptr),
      length_(text ? length : 0),
      base_(static_cast<const char*>(text.release())) {}

CommandTokenizer::CommandTokenizer(std::string_view text)
    : ownsText_(false), length_(static_cast<uint32_t>(text.size())), base_(text.data()) {}

CommandTokenizer::~CommandTokenizer() {
  if (ownsText_ && base_) HostFree(const_cast<char*>(base_));
}

bool CommandTokenizer::FindToken(size_t from, int32_t wanted, int32_t count, std::string& text) {
  size_t pos = from;
  if (count > wanted) {
    pos = 0;
    count = 0;
  }
  text.clear();
  const size_t end = length_;
  while (pos < end) {
    const size_t start = pos;
    switch (ClassOf(base_[pos])) {
      case ByteClass::Separator:
        ++pos;
        continue;
      case ByteClass::Quote: {
        ++pos;
        while (pos < end && base_[pos] != '"') ++pos;
        const bool closed = pos < end;
        if (count == wanted) {
          // An unclosed string runs to the end, but the host's terminating NUL is no part
          // of it.
          size_t stop = pos;
          if (!closed && stop > start + 1 && base_[stop - 1] == '\0') --stop;
          text.assign(base_ + start + 1, stop - start - 1);
        }
        ++pos;  // past the closing quote, or past the end when there is none
        break;
      }
      case ByteClass::Punctuation:
        if (count == wanted) text.assign(1, base_[pos]);
        ++pos;
        break;
      case ByteClass::Word:
        while (pos < end && ClassOf(base_[pos]) == ByteClass::Word) ++pos;
        if (count == wanted) text.assign(base_ + start, pos - start);
        break;
    }
    if (count == wanted) {
      tokenStart_ = start;
      tokenIndex_ = wanted;
      cursor_ = pos;
      nextIndex_ = count + 1;
      return true;
    }
    ++count;
    cursor_ = pos;
    nextIndex_ = count;
  }
  return false;
}

}  // namespace vantel
