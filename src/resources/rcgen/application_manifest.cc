#include "resources/rcgen/application_manifest.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace radlyn::rcgen {
namespace {

struct SupportedOs {
  std::string_view id;
  std::string_view name;
};

// The compatibility identifiers Windows defines for its versions, oldest first.
constexpr SupportedOs kSupportedOs[] = {
    {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "Windows 7"},
    {"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "Windows 8"},
    {"{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "Windows 8.1"},
    {"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "Windows 10 and 11"},
};

// The characters XML attribute values and texts cannot hold as they are.
constexpr std::pair<char, std::string_view> kEntities[] = {
    {'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}};

// An attribute or element text: ASCII only, with the XML specials escaped.
std::string Escaped(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F) {
      throw std::invalid_argument("manifest text must be printable ASCII: \"" + std::string(text) +
                                  "\"");
    }
    const auto entity = std::find_if(std::begin(kEntities), std::end(kEntities),
                                     [c](const auto& e) { return e.first == c; });
    if (entity != std::end(kEntities)) {
      escaped += entity->second;
    } else {
      escaped += c;
    }
  }
  return escaped;
}

}  // namespace

std::string WriteApplicationManifest(const ManifestInput& input) {
  const auto& v = input.version;
  const std::string version = std::to_string(v[0]) + "." + std::to_string(v[1]) + "." +
                              std::to_string(v[2]) + "." + std::to_string(v[3]);
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\r\n";
  text += "  <assemblyIdentity type=\"win32\" name=\"" + Escaped(input.name) + "\" version=\"" +
          version + "\" processorArchitecture=\"x86\"/>\r\n";
  text += "  <description>" + Escaped(input.description) + "</description>\r\n";
  // No trustInfo/requestedExecutionLevel: a manifest with one switches UAC file and registry
  // virtualization off, and Morlund's modules in this process would then read Morlund's
  // original settings under Program Files instead of the VirtualStore copies Morlund itself uses.
  text +=
      "  <compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">\r\n"
      "    <application>\r\n";
  for (const SupportedOs& os : kSupportedOs) {
    text += "      <!-- " + std::string(os.name) + " -->\r\n";
    text += "      <supportedOS Id=\"" + std::string(os.id) + "\"/>\r\n";
  }
  text +=
      "    </application>\r\n"
      "  </compatibility>\r\n"
      "  <application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\r\n"
      "    <windowsSettings>\r\n"
      "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true"
      "</dpiAware>\r\n"
      "    </windowsSettings>\r\n"
      "  </application>\r\n"
      "  <dependency>\r\n"
      "    <dependentAssembly>\r\n"
      "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
      "version=\"6.0.0.0\" processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" "
      "language=\"*\"/>\r\n"
      "    </dependentAssembly>\r\n"
      "  </dependency>\r\n"
      "</assembly>\r\n";
  return text;
}

}  // namespace radlyn::rcgen
