// Read access to the class registration tree (HKEY_CLASSES_ROOT on Windows). On Linux the tree
// is an INI file named by RADLYN_REGISTRY (default /etc/radlyn/registry.ini): a section per key
// path (backslash-separated, case-insensitive), `@` for the default value. Every value there is
// a plain string. On Windows only REG_SZ counts as a string: a REG_EXPAND_SZ value comes as
// stored, unexpanded, with is_string false.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/service.h"

namespace radlyn::platform {

// On 64-bit Windows the class registrations of 32-bit and 64-bit programs lie in two views; a
// 32-bit program (Radlyn) reads the 32-bit one unless it asks for the other. Elsewhere, and on
// 32-bit Windows, both name the one tree.
enum class RegistryView { k32Bit, k64Bit };

struct RegistryValue {
  bool is_string = false;  // REG_SZ
  std::string data;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // A value of a key below the class registration root, the default (unnamed) value when
  // `value_name` is empty; std::nullopt when the key or the value does not exist.
  virtual std::optional<RegistryValue> ReadClassesRootValue(std::string_view key_path,
                                                            std::string_view value_name) = 0;
  std::optional<RegistryValue> ReadClassesRootDefault(std::string_view key_path) {
    return ReadClassesRootValue(key_path, {});
  }
  // The default value, read in the given view.
  virtual std::optional<RegistryValue> ReadClassesRootDefaultInView(std::string_view key_path,
                                                                    RegistryView) {
    return ReadClassesRootDefault(key_path);
  }

  static Registry& Native();
};

inline Registry& GetRegistry() { return Service<Registry>::Get(); }

}  // namespace radlyn::platform
