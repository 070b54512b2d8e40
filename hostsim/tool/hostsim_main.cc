// The hostsim command: lays out simulated Morlund installations and makes or inspects image
// files in Morlund's format. `hostsim help` lists the commands; hostsim/README.md explains them.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "image_commands.h"
#include "installation.h"
#include "platform/file_system.h"
#include "platform/paths.h"

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  hostsim install DIR [--version A.B.C.D] [--no-morlund] [--without MODULE]...\n"
    "                      [--lacking EXPORT]... [--cdecl MODULE|all]... [--no-register]\n"
    "  hostsim make-image FILE [--width N] [--height N] [--bits 8|16] [--lut N] [--seed N]\n"
    "                          [--take-type TEXT] [--extension-ini TEXT]\n"
    "  hostsim inspect FILE\n";

int Usage(const std::string& problem) {
  if (!problem.empty()) std::fprintf(stderr, "hostsim: %s\n", problem.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

// The folder of modules and program the build laid out beside bin/.
std::string FilesFolder() {
  if (const char* override_folder = std::getenv("HOSTSIM_FILES")) return override_folder;
  const std::string program =
      radlyn::platform::ToNativePath(radlyn::platform::GetFileSystem().ProgramFilePath());
  if (program.empty()) return "hostsim-files";
  return (std::filesystem::path(program).parent_path().parent_path() / "hostsim-files").string();
}

bool ParseVersion(std::string_view text, radlyn::platform::ProductVersion* version) {
  radlyn::platform::ProductVersion parts{};
  std::size_t part = 0;
  std::size_t start = 0;
  while (part < 4) {
    std::size_t end = text.find('.', start);
    std::string_view piece = text.substr(start, end == std::string_view::npos ? end : end - start);
    if (piece.empty() || piece.size() > 5) return false;
    unsigned long value = 0;
    for (char c : piece) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    if (value > 65535) return false;
    parts[part++] = static_cast<std::uint16_t>(value);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (part != 4) return false;
  *version = parts;
  return true;
}

bool ParseNumber(const std::string& text, std::uint32_t* number) {
  if (text.empty() || text.size() > 9 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  *number = static_cast<std::uint32_t>(std::stoul(text));
  return true;
}

int RunInstall(const std::vector<std::string>& args) {
  hostsim::InstallOptions options;
  options.files_folder = FilesFolder();
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    bool has_value = i + 1 < args.size();
    if (arg == "--version" && has_value) {
      radlyn::platform::ProductVersion version{};
      if (!ParseVersion(args[++i], &version)) return Usage("a version reads A.B.C.D");
      options.version = version;
    } else if (arg == "--no-morlund") {
      options.with_morlund = false;
    } else if (arg == "--without" && has_value) {
      options.without_modules.push_back(args[++i]);
    } else if (arg == "--lacking" && has_value) {
      options.lacking_exports.push_back(args[++i]);
    } else if (arg == "--cdecl" && has_value) {
      options.cdecl_modules.push_back(args[++i]);
    } else if (arg == "--no-register") {
      options.register_folder = false;
    } else if (!arg.empty() && arg[0] != '-' && options.folder.empty()) {
      options.folder = arg;
    } else {
      return Usage("unexpected argument " + arg);
    }
  }
  if (options.folder.empty()) return Usage("install needs a folder");
  std::string error;
  if (!hostsim::Install(options, &error)) {
    std::fprintf(stderr, "hostsim: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

int RunMakeImage(const std::vector<std::string>& args) {
  hostsim::MakeImageOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    bool has_value = i + 1 < args.size();
    std::uint32_t number = 0;
    if (arg == "--take-type" && has_value) {
      options.take_type = args[++i];
    } else if (arg == "--extension-ini" && has_value) {
      options.extension_ini = args[++i];
    } else if ((arg == "--width" || arg == "--height" || arg == "--bits" || arg == "--lut" ||
                arg == "--seed") &&
               has_value) {
      if (!ParseNumber(args[++i], &number)) return Usage(arg + " needs a number");
      if (arg == "--width") options.width = number;
      if (arg == "--height") options.height = number;
      if (arg == "--bits") options.bits = number;
      if (arg == "--lut") options.lut_entries = number;
      if (arg == "--seed") options.seed = number;
    } else if (!arg.empty() && arg[0] != '-' && options.file.empty()) {
      options.file = arg;
    } else {
      return Usage("unexpected argument " + arg);
    }
  }
  if (options.file.empty()) return Usage("make-image needs a file name");
  if (options.width < 1 || options.width > 8000 || options.height < 1 || options.height > 8000) {
    return Usage("width and height run from 1 to 8000");
  }
  if (options.bits != 8 && options.bits != 16) return Usage("--bits is 8 or 16");
  if (options.lut_entries > 65536) return Usage("--lut is at most 65536");
  return hostsim::MakeImage(options);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage("");
  std::string command = args[0];
  args.erase(args.begin());
  if (command == "install") return RunInstall(args);
  if (command == "make-image") return RunMakeImage(args);
  if (command == "inspect" && args.size() == 1) return hostsim::Inspect(args[0]);
  if (command == "help" || command == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return Usage("unknown command " + command);
}
