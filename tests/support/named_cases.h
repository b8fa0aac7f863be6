#pragma once
// Table-driven cases carry a `name`: it names the test, and gtest prints the case by it
// rather than as the bytes of its memory. In the test's namespace: `using test::PrintTo;`.
#include <gtest/gtest.h>

#include <concepts>
#include <ostream>
#include <string>

namespace vantel::test {

template <class Case>
concept NamedCase = requires(const Case& c) {
  { c.name } -> std::convertible_to<std::string>;
};

template <NamedCase Case>
void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

/// The name generator of INSTANTIATE_TEST_SUITE_P for named cases.
struct CaseName {
  template <NamedCase Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    return info.param.name;
  }
};

}  // namespace vantel::test
