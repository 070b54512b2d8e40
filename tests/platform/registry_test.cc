#include "platform/registry.h"

#include <gtest/gtest.h>

#include "platform_test_support.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include "platform/posix/registry_file.h"
#endif

namespace radlyn::platform {
namespace {

#ifdef _WIN32

constexpr const char* kTestKey = "RadlynTest.Registry";

// A key tree below HKEY_CLASSES_ROOT of this Windows installation, removed at the end.
class ScopedClassesRootKeys {
 public:
  ScopedClassesRootKeys() { RegDeleteTreeA(HKEY_CLASSES_ROOT, kTestKey); }
  ~ScopedClassesRootKeys() { RegDeleteTreeA(HKEY_CLASSES_ROOT, kTestKey); }

  // Sets a value of the key `sub` below the test key (nullptr: the default value).
  bool Set(const std::string& sub, const char* name, DWORD type, const std::string& data) {
    HKEY key = nullptr;
    const std::string path = std::string(kTestKey) + "\\" + sub;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    const LONG status =
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }
};

TEST(RegistryTest, DefaultValuesOfTheClassesRootAndTheirTypes) {
  ScopedClassesRootKeys keys;
  const std::string server = "D:\\Apps\\M\xF6rlund\\morlund.exe /automation";
  ASSERT_TRUE(keys.Set("LocalServer32", nullptr, REG_SZ, server));
  ASSERT_TRUE(keys.Set("Expandable", nullptr, REG_EXPAND_SZ, "%ProgramFiles%\\m.exe"));
  ASSERT_TRUE(keys.Set("NamedOnly", "Name", REG_SZ, "x"));
  ASSERT_TRUE(keys.Set("Long", nullptr, REG_SZ, std::string(300, 'a')));
  Registry& registry = Registry::Native();

  std::optional<RegistryValue> value =
      registry.ReadClassesRootDefault("radlyntest.registry\\LOCALSERVER32");
  ASSERT_TRUE(value.has_value());
  EXPECT_TRUE(value->is_string);
  EXPECT_EQ(value->data, server);

  // Only REG_SZ is a string; an expandable one comes as stored.
  value = registry.ReadClassesRootDefault("RadlynTest.Registry\\Expandable");
  ASSERT_TRUE(value.has_value());
  EXPECT_FALSE(value->is_string);
  EXPECT_EQ(value->data, "%ProgramFiles%\\m.exe");

  EXPECT_EQ(registry.ReadClassesRootDefault("RadlynTest.Registry\\Long")->data.size(), 300u);
  EXPECT_EQ(registry.ReadClassesRootDefault("RadlynTest.Registry\\NamedOnly"), std::nullopt);
  EXPECT_EQ(registry.ReadClassesRootDefault("RadlynTest.Registry\\Absent"), std::nullopt);
}

#else

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

TEST(RegistryTest, AFileWithAUtf8ByteOrderMarkReadsAndEditsAsWithout) {
  TempFolder folder;
  ScopedVariable registry("RADLYN_REGISTRY", folder / "registry.ini");
  WriteFile(folder / "registry.ini", "\xEF\xBB\xBF[Key]\n@=/opt/m\xC3\xB6rlund/morlund\n");
  EXPECT_EQ(Registry::Native().ReadClassesRootDefault("Key")->data, "/opt/m\xF6rlund/morlund");

  ASSERT_TRUE(WriteClassesRootDefault("Key", "/srv/m\xC3\xB6rlund/morlund"));
  EXPECT_EQ(ReadFile(folder / "registry.ini"),
            "\xEF\xBB\xBF[Key]\n@=/srv/m\xC3\xB6rlund/morlund\n");
  EXPECT_EQ(Registry::Native().ReadClassesRootDefault("Key")->data, "/srv/m\xF6rlund/morlund");
}

TEST(RegistryTest, TheFileIsNeverCreatedInAMissingFolder) {
  TempFolder folder;
  ScopedVariable registry("RADLYN_REGISTRY", folder / "etc/radlyn/registry.ini");
  EXPECT_FALSE(WriteClassesRootDefault(kServerKey, "/opt/morlund/morlund"));
  EXPECT_EQ(Registry::Native().ReadClassesRootDefault(kServerKey), std::nullopt);
}

#endif

}  // namespace
}  // namespace radlyn::platform
