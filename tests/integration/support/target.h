// The programs under test: the Linux build's, or with RADLYN_TARGET=win32 the Windows build's
// (RADLYN_WIN32_BUILD_DIR) run under Wine, in the prefix and on the display that WINEPREFIX and
// DISPLAY name. The same test sources then check both. Paths cross between the two forms here:
// an absolute path a test writes into a file for the program or passes as an argument becomes
// the path the Windows program sees ("/tmp/x" is "Z:\tmp\x"), and what the program writes back
// becomes a Linux path again, so a test compares one form. A path written back with a forward
// slash stays unconverted, so that it fails the comparison rather than pass unnoticed.
#pragma once

#include <string>
#include <string_view>

namespace radlyn::integration {

struct ProgramStart;

// True when the tests run the Windows build under Wine.
bool TargetIsWindows();
// The build folder of the programs under test.
std::string TargetBuildFolder();
// A program file's name on the target: "radlyn" or "radlyn.exe".
std::string TargetProgramName(std::string_view name);

// "/tmp/x/" as the program sees it: unchanged on Linux, "Z:\tmp\x\" under Wine (a relative path
// gets backslashes).
std::string ToTargetPath(std::string_view path);
// An argument for the program: an absolute path of two or more names (not a switch such as
// "/HELP"), or "key=" and one, in the target's form.
std::string ToTargetArgument(std::string_view argument);

// Text the program wrote (a value, an event-log line) with its Windows paths in Linux form.
std::string FromTargetText(std::string_view text);
// An INI value the program wrote: as FromTargetText, and a relative path ("images\x.tif") too.
std::string FromTargetValue(std::string_view value);
// The calls log with its platform parts in Linux form: quoted paths (backslashes doubled) and,
// under Wine, the kernel's handle values (memory blocks, windows), numbered 0x00000001, ... in
// order of first appearance as the Linux blocks are.
std::string FromTargetCallsLog(std::string_view log);

// The start of a program of the target: under Wine a Windows program runs through wine, its
// arguments in the target's form and Wine's own variables added to its environment.
ProgramStart ForTarget(const ProgramStart& start);
// Text a Windows program wrote to a standard stream, with its CR LF line ends made LF.
std::string FromTargetOutput(std::string_view text);

// Removes Morlund's registration as the automation server (Linux: an empty registry file; under
// Wine: the key in the prefix), so that a run finds no installation until the next install.
void ForgetMorlundRegistration(const std::string& registry_file);

// The newer generation's registration, which hostsim.exe install writes into the prefix: set
// aside after each install (into files of the installation `morlund`), so that jobs find no
// plug-in server, as Linux jobs without a session bus do; restored where a test starts the newer
// generation (PrivateBus), and forgotten again after it. Nothing on Linux.
void SetAsideNewerGeneration(const std::string& morlund);
void RestoreNewerGeneration(const std::string& morlund);
void ForgetNewerGeneration();
// Makes one class of the newer generation ("PluginServer", "OptionsManager") of the installation
// `morlund` unreachable: its bus service file (Linux) or its ProgID (Windows) goes.
void RemoveNewerGenerationClass(const std::string& morlund, const std::string& name);

// The temporary folder of the program under test: `linux_folder` (its TMPDIR) on Linux, the
// prefix's own under Wine, where Windows programs take it from the prefix's user profile.
std::string TargetTempFolder(const std::string& linux_folder);

}  // namespace radlyn::integration
