#pragma once
// The one JSON type of the host: ordered, so that what it writes keeps the order it was built
// in (the Kalbrix files' items, the state's keys).
#include <nlohmann/json.hpp>

namespace vantel::host {

using Json = nlohmann::ordered_json;

}  // namespace vantel::host
