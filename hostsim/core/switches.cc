#include "switches.h"

#include <array>
#include <cstdlib>

#include "platform/profile.h"

namespace hostsim {

namespace {

constexpr std::size_t kTextLimit = 4095;

constexpr std::array kSwitchTable{
    // MoFileDB
    SwitchSpec{"MoFileDB", "RejectVersion", "0",
               "1: FDB_CheckVersion answers 0 (version rejected)"},
    SwitchSpec{"MoFileDB", "OpenStatus", "0",
               "nonzero: FDB_Open answers this host code (e.g. 3, 31, 99); 0: it checks the "
               "configuration database morlund.db (missing: 31, damaged: 5)"},
    // MoModCh
    SwitchSpec{"MoModCh", "RejectVersion", "0", "1: MC_CheckVersion answers 0"},
    SwitchSpec{"MoModCh", "TakeImageStatus", "0",
               "nonzero: MC_TakeImage answers this status and takes no image (1001 cancelled, "
               "1215 component in use, ...)"},
    SwitchSpec{"MoModCh", "DelayMs", "0",
               "MC_TakeImage waits this many ms first (a slow exposure)"},
    SwitchSpec{"MoModCh", "Width", "1300", "image width in pixels (1 to 8000)"},
    SwitchSpec{"MoModCh", "Height", "1700", "image height in pixels (1 to 8000)"},
    SwitchSpec{"MoModCh", "BitsPerPixel", "16",
               "16: 12-bit samples with a lookup table of 16-bit entries; 8: grey colour table"},
    SwitchSpec{"MoModCh", "LutEntries", "4096",
               "entries of the 16-bit lookup table (samples reach 4095; fewer entries leave "
               "samples beyond the table's end)"},
    SwitchSpec{"MoModCh", "Seed", "1", "seed of the synthetic image (same seed, same pixels)"},
    SwitchSpec{"MoModCh", "Hardware", "Morlund Intraoral Sensor S1 #40113",
               "hardware text (take record offset 11)"},
    SwitchSpec{"MoModCh", "ExposureParameters", "TXRay,120,kV,60,mA,7",
               "exposure-parameter text (take record offset 209)"},
    SwitchSpec{"MoModCh", "AutoCorrection", "", "auto-correction text (take record offset 113)"},
    SwitchSpec{"MoModCh", "Logo", "",
               "non-empty: the mark field already carries this logo (the host marked the image)"},
    SwitchSpec{"MoModCh", "LogoVersion", "", "version text written with Logo"},
    SwitchSpec{"MoModCh", "Extension", "0",
               "1: attach an extension block (take record offset 630)"},
    SwitchSpec{"MoModCh", "ExtensionFirstText", "MORLUND take extension",
               "first text of the extension block"},
    SwitchSpec{"MoModCh", "ExtensionIni",
               "<FILTERCLASS xmlns:dt=\"urn:schemas-microsoft-com:datatypes\" "
               "dt:dt=\"int\">1</FILTERCLASS>",
               "content of the INI element inside the escaped TAVORAAUTOPOST document"},
    SwitchSpec{"MoModCh", "ExtensionEscaping", "1",
               "1: the data attribute escapes & < > \" once (&lt;); 2: twice (&amp;lt;)"},
    SwitchSpec{"MoModCh", "ExtensionText", "",
               "non-empty: the whole extension text as given, replacing the generated one"},
    // MoGrfMan
    SwitchSpec{"MoGrfMan", "RejectVersion", "0", "1: MGM_CheckVersion answers 0"},
    SwitchSpec{"MoGrfMan", "FilterStatus", "0",
               "nonzero: MGM_FilterEx answers this status and leaves the image alone"},
    SwitchSpec{"MoGrfMan", "LRLetter", "auto",
               "letter MGM_LRMarker stamps: L, R, or auto (tooth quadrants 1, 4, 5, 8 and no "
               "tooth number: R; quadrants 2, 3, 6, 7: L)"},
    // MoUtil
    SwitchSpec{"MoUtil", "RejectVersion", "0", "1: UTL_CheckVersion answers 0"},
    // MoFileIO
    SwitchSpec{"MoFileIO", "RejectVersion", "0", "1: FIO_CheckVersion answers 0"},
    SwitchSpec{"MoFileIO", "CreateStatus", "0",
               "nonzero: FIO_CreateImageFile answers this status and writes nothing"},
    SwitchSpec{"MoFileIO", "ImportStatus", "0",
               "nonzero: FIO_ImportImageFile answers this status and reads nothing"},
};

const SwitchSpec* Find(std::string_view section, std::string_view key) {
  for (const SwitchSpec& spec : kSwitchTable) {
    if (section == spec.section && key == spec.key) return &spec;
  }
  return nullptr;
}

}  // namespace

std::span<const SwitchSpec> AllSwitches() { return kSwitchTable; }

Switches::Switches(std::string folder)
    : folder_(std::move(folder)), path_(folder_ + kSwitchFileName) {}

std::string Switches::Text(std::string_view section, std::string_view key) const {
  const SwitchSpec* spec = Find(section, key);
  if (spec == nullptr) return {};
  return radlyn::platform::GetProfile().ReadString(section, key, spec->fallback, kTextLimit, path_);
}

std::int32_t Switches::Int(std::string_view section, std::string_view key) const {
  const SwitchSpec* spec = Find(section, key);
  if (spec == nullptr) return 0;
  std::int32_t fallback = static_cast<std::int32_t>(std::strtol(spec->fallback, nullptr, 10));
  return radlyn::platform::GetProfile().ReadInt(section, key, fallback, path_);
}

}  // namespace hostsim
