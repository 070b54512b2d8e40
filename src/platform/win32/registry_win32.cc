// The class registration tree on Windows: HKEY_CLASSES_ROOT through the ANSI registry functions,
// opened for querying values only.
//
// Only REG_SZ counts as a string. A REG_EXPAND_SZ value is handed out as stored, unexpanded, with
// is_string false, like every other type: a registration that names its folder through
// environment variables is not taken for a folder.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform {
namespace {

class OpenKey {
 public:
  OpenKey(const std::string& path, REGSAM view) {
    const LONG status =
        ::RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE | view, &key_);
    if (status != ERROR_SUCCESS) {
      SetLastErrorCode(static_cast<std::uint32_t>(status));
      key_ = nullptr;
    }
  }
  ~OpenKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;

  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

class Win32Registry : public Registry {
 public:
  std::optional<RegistryValue> ReadClassesRootValue(std::string_view key_path,
                                                    std::string_view value_name) override {
    return Read(key_path, value_name, 0);
  }
  std::optional<RegistryValue> ReadClassesRootDefaultInView(std::string_view key_path,
                                                            RegistryView view) override {
    return Read(key_path, {}, view == RegistryView::k64Bit ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
  }

 private:
  // view: 0 for the program's own view, else KEY_WOW64_32KEY or KEY_WOW64_64KEY.
  static std::optional<RegistryValue> Read(std::string_view key_path, std::string_view value_name,
                                           REGSAM view) {
    if (key_path.find('\0') != std::string_view::npos ||
        value_name.find('\0') != std::string_view::npos) {
      return std::nullopt;
    }
    OpenKey key{std::string(key_path), view};
    if (key.get() == nullptr) return std::nullopt;
    const std::string name(value_name);

    DWORD type = REG_NONE;
    std::vector<BYTE> bytes(MAX_PATH);
    for (;;) {
      DWORD size = static_cast<DWORD>(bytes.size());
      // A null value name reads the key's default (unnamed) value.
      const LONG status = ::RegQueryValueExA(key.get(), name.empty() ? nullptr : name.c_str(),
                                             nullptr, &type, bytes.data(), &size);
      if (status == ERROR_SUCCESS) {
        bytes.resize(size);
        break;
      }
      if (status != ERROR_MORE_DATA) {
        SetLastErrorCode(static_cast<std::uint32_t>(status));
        return std::nullopt;
      }
      bytes.resize(size > bytes.size() ? size : bytes.size() * 2);
    }

    RegistryValue value;
    value.is_string = type == REG_SZ;
    value.data.assign(bytes.begin(), bytes.end());
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      // The stored size may or may not count a terminator; the text ends at the first zero.
      value.data.resize(value.data.find('\0') == std::string::npos ? value.data.size()
                                                                   : value.data.find('\0'));
    }
    return value;
  }
};

}  // namespace

Registry& Registry::Native() {
  static Win32Registry registry;
  return registry;
}

}  // namespace radlyn::platform
