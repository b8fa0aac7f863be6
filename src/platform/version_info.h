#pragma once
// The version record a module file carries (what a Windows version resource held). It lives
// in the ELF section ".vantel.version" of the module and is read back from the file itself.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantel {

inline constexpr const char* kVersionSectionName = ".vantel.version";
inline constexpr uint32_t kFileTypeDll = 2;

/// The on-disk layout of the record.
struct VersionRecord {
  char signature[16];  // "VS_VERSION_INFO"
  uint32_t fileVersionMS;
  uint32_t fileVersionLS;
  uint32_t productVersionMS;
  uint32_t productVersionLS;
  uint32_t fileType;
  uint32_t translationCount;    // 0: no translation entry
  uint16_t translations[4][2];  // language id, code page
  char comment[64];
};

struct VersionInfo {
  uint32_t productVersionMS = 0;
  uint32_t productVersionLS = 0;
  uint32_t fileVersionMS = 0;
  uint32_t fileVersionLS = 0;
  uint32_t fileType = 0;
  std::vector<std::pair<uint16_t, uint16_t>> translations;  // language id, code page
  std::string comment;
};

/// The version record of the module file at `path`; nothing when it has none.
std::optional<VersionInfo> ReadVersionInfo(const std::string& path);

/// The file name of the loaded module that contains `address`.
std::string ModulePathOf(const void* address);

}  // namespace vantel
