#pragma once
// Word tables: little-endian 16-bit words whose word 0 is the table's own byte count.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vantel {

using WordTable = std::vector<uint16_t>;

/// The word at `index`, or 0 past the end: no table word is ever read out of bounds.
constexpr uint16_t Word(std::span<const uint16_t> table, size_t index) {
  return index < table.size() ? table[index] : uint16_t{0};
}

/// A 32-bit value stored as two words, low word first.
constexpr uint32_t Long(std::span<const uint16_t> table, size_t lowIndex) {
  return uint32_t{Word(table, lowIndex)} | (uint32_t{Word(table, lowIndex + 1)} << 16);
}

/// Writes `value` at `index`, growing the table with zeros when needed.
inline void SetWord(WordTable& table, size_t index, uint16_t value) {
  if (index >= table.size()) table.resize(index + 1, 0);
  table[index] = value;
}

inline void SetLong(WordTable& table, size_t lowIndex, uint32_t value) {
  SetWord(table, lowIndex, static_cast<uint16_t>(value & 0xFFFF));
  SetWord(table, lowIndex + 1, static_cast<uint16_t>(value >> 16));
}

}  // namespace vantel
