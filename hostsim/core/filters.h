// The image filters of the simulated graphics module, on 8- and 16-bit images alike. Results
// are clamped to the image's displayable range (0 to Image::MaxSample()).
//   code 7: sharpen (unsharp mask, amount 1)
//   code 4: smooth / noise reduction (two passes of a 3 x 3 binomial blur)
//   code 9: window, gamma and enhancement from the WWE block (needs one)
//   code 0: a mild contrast stretch (half way towards the 1st..99th percentile spread)
#pragma once

#include <array>
#include <cstdint>

#include "image.h"

namespace hostsim {

// The six 32-bit values of a WWE block: 24, 1, window width and window start in 1/10000 of the
// sample range, gamma in 1/1000, enhancement (unsharp amount) in percent.
using WweBlock = std::array<std::int32_t, 6>;

void Sharpen(Image& image, double amount);
void Smooth(Image& image);
void ApplyWindow(Image& image, const WweBlock& wwe);
void StretchContrast(Image& image);

// Filter code to filter; false (image untouched) for an unknown code, or for code 9 without a
// WWE block.
bool ApplyFilterCode(Image& image, std::uint32_t code, const WweBlock* wwe);

}  // namespace hostsim
