#pragma once
// The tokenizer of ECU command-table texts. The parser never scans characters itself: it
// asks for the token with a given index, continuing from where the previous one ended.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/host_data.h"

namespace vantel {

/// Tokens of an 8-bit text: quoted strings (quotes excluded, no escapes), the single
/// characters ( ) , = [ ] { }, and words (runs of ASCII letters, digits, _ & |). Every other
/// byte separates. The text is never modified.
class CommandTokenizer {
 public:
  /// Over a host buffer of `length` bytes (terminating NUL included); owns and frees it.
  CommandTokenizer(HostData text, uint32_t length);
  /// Over text that someone else keeps alive.
  explicit CommandTokenizer(std::string_view text);
  ~CommandTokenizer();
  CommandTokenizer(const CommandTokenizer&) = delete;
  CommandTokenizer& operator=(const CommandTokenizer&) = delete;

  /// Finds token `wanted`, scanning from offset `from` where the first token found has index
  /// `count`. A `count` beyond `wanted` rescans from the start. False, with `text` empty,
  /// when the text ends first.
  bool FindToken(size_t from, int32_t wanted, int32_t count, std::string& text);
  /// The next token after the one found last (token 0 at first).
  bool NextToken(std::string& text) { return FindToken(cursor_, nextIndex_, nextIndex_, text); }

  bool ownsText() const { return ownsText_; }
  uint32_t length() const { return length_; }
  const char* base() const { return base_; }
  /// Offset of the token found last (a quoted string's opening quote).
  size_t tokenStart() const { return tokenStart_; }
  int32_t tokenIndex() const { return tokenIndex_; }
  /// Offset just past the token found last; past the end after an unclosed quote.
  size_t cursor() const { return cursor_; }
  int32_t nextIndex() const { return nextIndex_; }

 private:
  bool ownsText_;
  uint32_t length_;
  const char* base_;
  size_t tokenStart_ = 0;
  int32_t tokenIndex_ = 0;
  size_t cursor_ = 0;
  int32_t nextIndex_ = 0;
};

}  // namespace vantel
