#pragma once
#include <cstdint>
#include <string>

namespace vantel {

/// The text of string `id` from the resources in force (UTF-8). A string missing from a
/// resource library falls back to the built-in English text; an unknown id gives "".
std::string LoadString(uint32_t id);

}  // namespace vantel
