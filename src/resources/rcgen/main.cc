// radlyn_rcgen: writes the Windows resource script, the icon file and the application manifest
// from the program's resource tables (string table, dialogs, icon drawing, version), so that the
// Windows program and the Linux program show the same texts, layouts and icon.
//
// Usage: radlyn_rcgen VERSION SCRIPT.rc ICON.ico MANIFEST
//   VERSION  the four-part product version, such as 1.0.0.1
// The script names the icon and manifest files by their file names only; the resource compiler
// is pointed at the folder of all three. Exit code 0 on success; otherwise 1 with the reason on
// standard error.
#include <charconv>
#include <cstdio>
#include <exception>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "resources/dialog_templates.h"
#include "resources/program_icon.h"
#include "resources/rcgen/application_manifest.h"
#include "resources/rcgen/ico_file.h"
#include "resources/rcgen/icon_rasterizer.h"
#include "resources/rcgen/resource_script.h"
#include "resources/string_table.h"

namespace radlyn::rcgen {
namespace {

// Exactly four dot-separated decimal numbers of at most 65535.
std::optional<std::array<std::uint16_t, 4>> ParseVersion(std::string_view text) {
  std::array<std::uint16_t, 4> parts{};
  const char* position = text.data();
  const char* const end = text.data() + text.size();
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) {
      if (position == end || *position != '.') return std::nullopt;
      ++position;
    }
    const auto [next, error] = std::from_chars(position, end, parts[i]);
    if (error != std::errc() || next == position) return std::nullopt;
    position = next;
  }
  if (position != end) return std::nullopt;
  return parts;
}

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) throw std::runtime_error("cannot write " + path);
}

int Run(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: radlyn_rcgen VERSION SCRIPT.rc ICON.ico MANIFEST\n");
    return 1;
  }
  const auto version = ParseVersion(argv[1]);
  if (!version) {
    std::fprintf(stderr, "radlyn_rcgen: \"%s\" is not a four-part version such as 1.0.0.1\n",
                 argv[1]);
    return 1;
  }
  const std::string script_path = argv[2], icon_path = argv[3], manifest_path = argv[4];

  std::vector<RgbaImage> images;
  for (const int size : resources::kProgramIconSizes) {
    images.push_back(RasterizeIcon(resources::kProgramIconSteps, size));
  }

  ResourceScriptInput input;
  input.strings = ResourceStrings();
  input.dialogs = {&GetAboutDialogTemplate(), &GetParentDialogTemplate()};
  input.icon_id = resources::kProgramIconId;
  input.icon_file = FileName(icon_path);
  input.manifest_file = FileName(manifest_path);
  input.version_info = {*version, std::string(LoadResourceString(kIdsProgramName)),
                        "RADLYN X-ray image acquisition", std::string(kLegalNotice), "radlyn.exe"};

  WriteFile(icon_path, EncodeIcoFile(images));
  WriteFile(manifest_path,
            WriteApplicationManifest({"Radlyn", *version, input.version_info.file_description}));
  WriteFile(script_path, WriteResourceScript(input));
  return 0;
}

}  // namespace
}  // namespace radlyn::rcgen

int main(int argc, char** argv) {
  try {
    return radlyn::rcgen::Run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "radlyn_rcgen: %s\n", error.what());
    return 1;
  }
}
