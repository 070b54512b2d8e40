// A synthetic intraoral X-ray: a row of premolars and two-rooted molars (cusped crowns with an
// enamel cap, dentin, pulp chamber and canals, often a filling) standing in trabecular bone below
// the alveolar crest, with the periodontal space and lamina dura along every root; soft tissue and
// air above the crowns, soft edges, a heel-effect exposure gradient and sensor noise. Samples
// span 12 bits (0 to 4095, dense = bright); the display lookup table maps them onto the 16-bit
// display range through a gamma curve (0 entries: no table at all). The same seed always gives
// the same pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

namespace hostsim {

inline constexpr std::uint16_t kSampleMax = 4095;

// width * height samples, top row first.
std::vector<std::uint16_t> SyntheticXraySamples(std::uint32_t width, std::uint32_t height,
                                                std::uint32_t seed);

// The display lookup table: `entries` 16-bit values, a gamma curve over the 12-bit sample range;
// entries beyond 4095 are full white.
std::vector<std::uint16_t> DisplayLookupTable(std::uint32_t entries);

// The image an exposure delivers: 16-bit samples with the lookup table, or (bits 8) the display
// values with a linear grey colour table.
Image MakeExposureImage(std::uint32_t width, std::uint32_t height, unsigned bits,
                        std::uint32_t lut_entries, std::uint32_t seed);

}  // namespace hostsim
