// Every suite looks texts and templates up as the plug-in does once its application object
// exists: with the English resources installed as the module's own. Linked into each test
// program that reaches the platform's look-ups.
#include <gtest/gtest.h>

#include "platform/resources.h"
#include "res/resources_en.h"

namespace vantel::test {
namespace {

class EnglishResourcesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { InstallBuiltinResources(EnglishResources()); }
};

[[maybe_unused]] ::testing::Environment* const kInstalled =
    ::testing::AddGlobalTestEnvironment(new EnglishResourcesEnvironment);

}  // namespace
}  // namespace vantel::test
