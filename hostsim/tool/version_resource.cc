#include "version_resource.h"

#include <string>
#include <string_view>

namespace hostsim {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kBinary = 0;
constexpr std::uint16_t kText = 1;
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedStructureVersion = 0x00010000;
constexpr std::uint32_t kFlagsMask = 0x3F;
constexpr std::uint32_t kOsNtWindows32 = 0x00040004;
constexpr std::uint32_t kTypeApplication = 1;
constexpr std::uint16_t kLanguageUsEnglish = 0x0409;
constexpr std::uint16_t kCodePageUnicode = 1200;
constexpr const char* kStringTable = "040904B0";  // the two numbers above, as the key

void Put16(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& out, std::uint32_t value) {
  Put16(out, static_cast<std::uint16_t>(value));
  Put16(out, static_cast<std::uint16_t>(value >> 16));
}

// ASCII text as UTF-16LE with its terminator.
Bytes Wide(std::string_view text) {
  Bytes out;
  for (char c : text) Put16(out, static_cast<std::uint8_t>(c));
  Put16(out, 0);
  return out;
}

void AlignTo32Bits(Bytes& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

// One block of the resource: length, value length, type, key, value, then the children, each
// starting on a 32-bit boundary. The length leaves out padding after the last child.
Bytes Block(std::string_view key, std::uint16_t type, const Bytes& value,
            std::uint16_t value_length, const std::vector<Bytes>& children = {}) {
  Bytes out;
  Put16(out, 0);
  Put16(out, value_length);
  Put16(out, type);
  const Bytes wide_key = Wide(key);
  out.insert(out.end(), wide_key.begin(), wide_key.end());
  AlignTo32Bits(out);
  out.insert(out.end(), value.begin(), value.end());
  for (const Bytes& child : children) {
    AlignTo32Bits(out);
    out.insert(out.end(), child.begin(), child.end());
  }
  out[0] = static_cast<std::uint8_t>(out.size());
  out[1] = static_cast<std::uint8_t>(out.size() >> 8);
  return out;
}

Bytes String(std::string_view key, std::string_view text) {
  return Block(key, kText, Wide(text), static_cast<std::uint16_t>(text.size() + 1));
}

}  // namespace

std::vector<std::uint8_t> VersionResource(const radlyn::platform::ProductVersion& version) {
  const std::uint32_t most = std::uint32_t{version[0]} << 16 | version[1];
  const std::uint32_t least = std::uint32_t{version[2]} << 16 | version[3];
  const std::string dotted = std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
                             std::to_string(version[2]) + "." + std::to_string(version[3]);
  Bytes fixed;
  for (std::uint32_t value : {kFixedSignature, kFixedStructureVersion, most, least, most, least,
                              kFlagsMask, std::uint32_t{0}, kOsNtWindows32, kTypeApplication,
                              std::uint32_t{0}, std::uint32_t{0}, std::uint32_t{0}}) {
    Put32(fixed, value);
  }
  Bytes translation;
  Put16(translation, kLanguageUsEnglish);
  Put16(translation, kCodePageUnicode);

  const Bytes strings =
      Block("StringFileInfo", kText, {}, 0,
            {Block(kStringTable, kText, {}, 0,
                   {String("FileDescription", "Morlund (hostsim)"), String("FileVersion", dotted),
                    String("ProductName", "MORLUND"), String("ProductVersion", dotted)})});
  const Bytes variables = Block(
      "VarFileInfo", kText, {}, 0,
      {Block("Translation", kBinary, translation, static_cast<std::uint16_t>(translation.size()))});
  return Block("VS_VERSION_INFO", kBinary, fixed, static_cast<std::uint16_t>(fixed.size()),
               {strings, variables});
}

}  // namespace hostsim
