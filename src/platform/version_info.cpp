#include "platform/version_info.h"

#include <dlfcn.h>
#include <elf.h>

#include <cstring>
#include <fstream>

namespace vantel {
namespace {

bool ReadAt(std::ifstream& file, uint64_t offset, void* out, size_t size) {
  file.seekg(static_cast<std::streamoff>(offset));
  file.read(static_cast<char*>(out), static_cast<std::streamsize>(size));
  return static_cast<size_t>(file.gcount()) == size;
}

// The bytes of the named section of a 64-bit ELF file, if it has one.
std::optional<std::vector<char>> ReadSection(const std::string& path, const char* wanted) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  Elf64_Ehdr header;
  if (!ReadAt(file, 0, &header, sizeof header)) return std::nullopt;
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64)
    return std::nullopt;
  if (header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shstrndx >= header.e_shnum)
    return std::nullopt;
  std::vector<Elf64_Shdr> sections(header.e_shnum);
  if (!ReadAt(file, header.e_shoff, sections.data(), sections.size() * sizeof(Elf64_Shdr)))
    return std::nullopt;
  const Elf64_Shdr& names = sections[header.e_shstrndx];
  if (names.sh_size > (1u << 24)) return std::nullopt;
  std::vector<char> nameTable(names.sh_size + 1, '\0');
  if (!ReadAt(file, names.sh_offset, nameTable.data(), names.sh_size)) return std::nullopt;
  for (const Elf64_Shdr& section : sections) {
    if (section.sh_name >= names.sh_size) continue;
    if (std::strcmp(nameTable.data() + section.sh_name, wanted) != 0) continue;
    if (section.sh_type == SHT_NOBITS || section.sh_size > (1u << 20)) return std::nullopt;
    std::vector<char> bytes(section.sh_size);
    if (!ReadAt(file, section.sh_offset, bytes.data(), bytes.size())) return std::nullopt;
    return bytes;
  }
  return std::nullopt;
}

}  // namespace

std::optional<VersionInfo> ReadVersionInfo(const std::string& path) {
  const auto bytes = ReadSection(path, kVersionSectionName);
  if (!bytes || bytes->size() < sizeof(VersionRecord)) return std::nullopt;
  VersionRecord record;
  std::memcpy(&record, bytes->data(), sizeof record);
  if (std::strncmp(record.signature, "VS_VERSION_INFO", sizeof record.signature) != 0)
    return std::nullopt;
  VersionInfo info;
  info.productVersionMS = record.productVersionMS;
  info.productVersionLS = record.productVersionLS;
  info.fileVersionMS = record.fileVersionMS;
  info.fileVersionLS = record.fileVersionLS;
  info.fileType = record.fileType;
  const uint32_t count = std::min<uint32_t>(record.translationCount, 4);
  for (uint32_t i = 0; i < count; ++i)
    info.translations.emplace_back(record.translations[i][0], record.translations[i][1]);
  info.comment.assign(record.comment, strnlen(record.comment, sizeof record.comment));
  return info;
}

std::string ModulePathOf(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  return info.dli_fname;
}

}  // namespace vantel
