#include "platform/registry.h"

#include <gtest/gtest.h>

#include "platform/posix/registry_file.h"
#include "platform_test_support.h"

namespace radlyn::platform {
namespace {

using testing::ReadFile;
using testing::ScopedVariable;
using testing::TempFolder;
using testing::WriteFile;

constexpr const char* kServerKey = "CLSID\\{5C3E9A41-72D0-4B8E-9F16-2A7D40C1E853}\\LocalServer32";

TEST(RegistryTest, WrittenDefaultValuesAreReadBackUnderAnySpellingOfTheKey) {
  TempFolder folder;
  ScopedVariable registry("RADLYN_REGISTRY", folder / "registry.ini");
  EXPECT_EQ(Registry::Native().ReadClassesRootDefault(kServerKey), std::nullopt);

  ASSERT_TRUE(WriteClassesRootDefault(kServerKey, "/opt/m\xC3\xB6rlund/morlund"));
  ASSERT_TRUE(WriteClassesRootDefault("Other\\Key", "x"));
  ASSERT_TRUE(WriteClassesRootDefault("clsid/{5c3e9a41-72d0-4b8e-9f16-2a7d40c1e853}/localserver32",
                                      "/opt/morlund/morlund"));
  EXPECT_EQ(
      ReadFile(folder / "registry.ini"),
      std::string("[") + kServerKey + "]\r\n@=/opt/morlund/morlund\r\n[Other\\Key]\r\n@=x\r\n");

  std::optional<RegistryValue> value = Registry::Native().ReadClassesRootDefault(
      "Clsid/{5C3E9A41-72D0-4B8E-9F16-2A7D40C1E853}/LOCALSERVER32");
  ASSERT_TRUE(value.has_value());
  EXPECT_TRUE(value->is_string);
  EXPECT_EQ(value->data, "/opt/morlund/morlund");
}

TEST(RegistryTest, ValuesAreHandedOutAsProgramTexts) {
  TempFolder folder;
  ScopedVariable registry("RADLYN_REGISTRY", folder / "registry.ini");
  WriteFile(folder / "registry.ini",
            "[Key]\n@=/opt/m\xC3\xB6rlund/morlund\nName=x\n[Empty]\nName=y\n");
  EXPECT_EQ(Registry::Native().ReadClassesRootDefault("Key")->data, "/opt/m\xF6rlund/morlund");
  EXPECT_EQ(Registry::Native().ReadClassesRootDefault("Empty"), std::nullopt);
}

TEST(RegistryTest, TheFileIsNeverCreatedInAMissingFolder) {
  TempFolder folder;
  ScopedVariable registry("RADLYN_REGISTRY", folder / "etc/radlyn/registry.ini");
  EXPECT_FALSE(WriteClassesRootDefault(kServerKey, "/opt/morlund/morlund"));
  EXPECT_EQ(Registry::Native().ReadClassesRootDefault(kServerKey), std::nullopt);
}

}  // namespace
}  // namespace radlyn::platform
