#pragma once
// What every test against the fake host checks the same way.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/string_table.h"
#include "support/fake_host.h"

namespace vantel::test {

/// Every block that crossed between the plug-in and `host` was freed, and exactly once.
inline void ExpectNoLeak(FakeHost& host) {
  EXPECT_EQ(host.ledger().LiveBlocks(), 0u);
  EXPECT_EQ(host.ledger().BadFrees(), 0u);
}

/// A host failure's message as machine "M12" shows it.
inline std::string HostMessage(uint32_t id) { return "M12\n" + LoadString(id); }

}  // namespace vantel::test
