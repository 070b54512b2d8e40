#include "switches.h"

#include <array>
#include <cstdlib>

#include "platform/profile.h"

namespace hostsim {

namespace {

constexpr std::size_t kTextLimit = 4095;

constexpr std::array kSwitchTable{
    // MoFileDB
    SwitchEntry{"MoFileDB", "RejectVersion", "0",
                "1: FDB_CheckVersion answers 0 (version rejected)"},
    SwitchEntry{"MoFileDB", "OpenStatus", "0",
                "nonzero: FDB_Open answers this host code (e.g. 3, 31, 99); 0: it checks the "
                "configuration database morlund.db (missing: 31, damaged: 5)"},
    SwitchEntry{"MoFileDB", "Crash", "0",
                "1: FDB_Close crashes the process (a segmentation fault) in the host's teardown, "
                "after logging the call"},
    SwitchEntry{"MoFileDB", "ReportResources", "0",
                "1: FDB_Close adds fds=N and peak_kb=N, the process's open file descriptors "
                "and its peak resident memory (Linux only)"},
    // MoModCh
    SwitchEntry{"MoModCh", "RejectVersion", "0", "1: MC_CheckVersion answers 0"},
    SwitchEntry{"MoModCh", "TakeImageStatus", "0",
                "nonzero: MC_TakeImage answers this status and takes no image (1001 cancelled, "
                "1215 component in use, ...)"},
    SwitchEntry{"MoModCh", "DelayMs", "0",
                "MC_TakeImage waits this many ms first (a slow exposure)"},
    SwitchEntry{"MoModCh", "Crash", "0",
                "MC_TakeImage crashes the process after logging the call: 1 a segmentation "
                "fault; 2 a stack overflow (a recursion without end); 3 a segmentation fault on "
                "two threads at once"},
    SwitchEntry{"MoModCh", "Hang", "0", "1: MC_TakeImage never returns, after logging the call"},
    SwitchEntry{"MoModCh", "Window", "0",
                "1: MC_TakeImage shows its acquisition window, owned by the window it was given, "
                "for DelayMs (Windows only)"},
    SwitchEntry{"MoModCh", "DirectionFlag", "0",
                "1: MC_TakeImage returns with the direction flag set (Windows only)"},
    SwitchEntry{"MoModCh", "FloatControl", "0",
                "1: MC_TakeImage returns with the x87 control word and MXCSR set to round towards "
                "zero (Windows only)"},
    SwitchEntry{"MoModCh", "WritePastParameters", "0",
                "N (up to 32): MC_TakeImage writes N words past its seven parameters, as a "
                "function declared with more would (Windows only)"},
    SwitchEntry{"MoModCh", "OwnFilter", "0",
                "1: MC_CheckVersion puts the module's own unhandled-exception filter in place, "
                "which ends the process with exit code 3 and no report (Windows only)"},
    SwitchEntry{"MoModCh", "Width", "1300", "image width in pixels (1 to 8000)"},
    SwitchEntry{"MoModCh", "Height", "1700", "image height in pixels (1 to 8000)"},
    SwitchEntry{"MoModCh", "BitsPerPixel", "16",
                "16: 12-bit samples with a lookup table of 16-bit entries; 8: grey colour table"},
    SwitchEntry{"MoModCh", "LutEntries", "4096",
                "entries of the 16-bit lookup table (samples reach 4095; fewer entries leave "
                "samples beyond the table's end)"},
    SwitchEntry{"MoModCh", "Seed", "1", "seed of the synthetic image (same seed, same pixels)"},
    SwitchEntry{"MoModCh", "Hardware", "Morlund Intraoral Sensor S1 #40113",
                "hardware text (take record offset 11)"},
    SwitchEntry{"MoModCh", "ExposureParameters", "TXRay,120,kV,60,mA,7",
                "exposure-parameter text (take record offset 209)"},
    SwitchEntry{"MoModCh", "AutoCorrection", "", "auto-correction text (take record offset 113)"},
    SwitchEntry{"MoModCh", "Logo", "",
                "non-empty: the mark field already carries this logo (the host marked the image)"},
    SwitchEntry{"MoModCh", "LogoVersion", "", "version text written with Logo"},
    SwitchEntry{"MoModCh", "Extension", "0",
                "1: attach an extension block (take record offset 630)"},
    SwitchEntry{"MoModCh", "ExtensionFirstText", "MORLUND take extension",
                "first text of the extension block"},
    SwitchEntry{"MoModCh", "ExtensionIni",
                "<FILTERCLASS xmlns:dt=\"urn:schemas-microsoft-com:datatypes\" "
                "dt:dt=\"int\">1</FILTERCLASS>",
                "content of the INI element inside the escaped TAVORAAUTOPOST document"},
    SwitchEntry{"MoModCh", "ExtensionEscaping", "1",
                "1: the data attribute escapes & < > \" once (&lt;); 2: twice (&amp;lt;)"},
    SwitchEntry{"MoModCh", "ExtensionText", "",
                "non-empty: the whole extension text as given, replacing the generated one"},
    // MoGrfMan
    SwitchEntry{"MoGrfMan", "RejectVersion", "0", "1: MGM_CheckVersion answers 0"},
    SwitchEntry{"MoGrfMan", "VersionFault", "0",
                "1: MGM_CheckVersion crashes the process (a segmentation fault); 2: it never "
                "returns (a module that breaks whoever probes it)"},
    SwitchEntry{"MoGrfMan", "FilterStatus", "0",
                "nonzero: MGM_FilterEx answers this status and leaves the image alone"},
    SwitchEntry{"MoGrfMan", "LRLetter", "auto",
                "letter MGM_LRMarker stamps: L, R, or auto (tooth quadrants 1, 4, 5, 8 and no "
                "tooth number: R; quadrants 2, 3, 6, 7: L)"},
    // MoUtil
    SwitchEntry{"MoUtil", "RejectVersion", "0", "1: UTL_CheckVersion answers 0"},
    // MoFileIO
    SwitchEntry{"MoFileIO", "RejectVersion", "0", "1: FIO_CheckVersion answers 0"},
    SwitchEntry{"MoFileIO", "CreateStatus", "0",
                "nonzero: FIO_CreateImageFile answers this status and writes nothing"},
    SwitchEntry{
        "MoFileIO", "Crash", "0",
        "1: FIO_CreateImageFile crashes the process (a segmentation fault) before it writes "
        "anything, after logging the call"},
    SwitchEntry{"MoFileIO", "Hang", "0",
                "1: FIO_CreateImageFile never returns and writes nothing, after logging the call"},
    SwitchEntry{"MoFileIO", "ImportStatus", "0",
                "nonzero: FIO_ImportImageFile answers this status and reads nothing"},
    SwitchEntry{"MoFileIO", "ImportBlocks", "leave",
                "what FIO_ImportImageFile does with the header and pixel blocks the record names: "
                "leave (to the caller; new blocks for the image), free (then new blocks), reuse "
                "(resized to hold the image, same handles)"},
};

}  // namespace

std::span<const SwitchEntry> AllSwitches() { return kSwitchTable; }

std::string SwitchDefaultFor(const SwitchEntry& entry, const std::string& folder) {
  std::string value = entry.fallback;
  constexpr std::string_view kDir = "{DIR}";
  for (std::size_t at = value.find(kDir); at != std::string::npos;
       at = value.find(kDir, at + folder.size())) {
    value.replace(at, kDir.size(), folder);
  }
  return value;
}

Switches::Switches(std::string folder, std::span<const SwitchEntry> table)
    : folder_(std::move(folder)), path_(folder_ + kSwitchFileName), table_(table) {}

const SwitchEntry* Switches::Find(std::string_view section, std::string_view key) const {
  for (const SwitchEntry& entry : table_) {
    if (section == entry.section && key == entry.key) return &entry;
  }
  return nullptr;
}

std::string Switches::Text(std::string_view section, std::string_view key) const {
  const SwitchEntry* entry = Find(section, key);
  if (entry == nullptr) return {};
  return radlyn::platform::GetProfile().ReadString(section, key, SwitchDefaultFor(*entry, folder_),
                                                   kTextLimit, path_);
}

std::int32_t Switches::Int(std::string_view section, std::string_view key) const {
  const SwitchEntry* entry = Find(section, key);
  if (entry == nullptr) return 0;
  std::int32_t fallback = static_cast<std::int32_t>(std::strtol(entry->fallback, nullptr, 10));
  return radlyn::platform::GetProfile().ReadInt(section, key, fallback, path_);
}

}  // namespace hostsim
