// What every TIFF file hostsim writes carries besides the image and the private tags, shared by
// its two writers (libtiff's in tiff_file.cc, its own in baseline_tiff.cc) so both write the
// same files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hostsim {

inline constexpr const char* kTiffSoftware = "Morlund (hostsim)";
// Pixels per centimetre: intraoral sensors have pixels of about 20 micrometres.
inline constexpr std::uint32_t kTiffPixelsPerCentimetre = 500;

// Rows per strip for an image `width` pixels wide: strips of at most 64 KiB of 16-bit rows.
std::uint32_t TiffRowsPerStrip(std::uint32_t width);

// The record's acquisition time as a TIFF DateTime ("YYYY:MM:DD hh:mm:ss"), or empty when the
// record has none.
std::string TiffDateTime(const std::vector<std::uint8_t>& record);

}  // namespace hostsim
