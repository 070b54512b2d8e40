// Letters burnt into an image: a 5 x 7 pixel font (digits, capital letters, blank and . - # /;
// small letters print as capitals, anything else as a hollow box), scaled up, drawn at the
// image's brightest displayable value with a dark outline so it shows on bone and on air alike.
// Positions are in image coordinates, top row 0; parts falling outside the image are cut.
#pragma once

#include <cstdint>
#include <string_view>

#include "image.h"

namespace hostsim {

// Draws `text` with its top left corner at (x, y), each font pixel `scale` x `scale` large.
void StampText(Image& image, std::string_view text, std::int64_t x, std::int64_t y, int scale);

// Width and height in pixels of `text` drawn at `scale`.
std::int64_t StampWidth(std::string_view text, int scale);
std::int64_t StampHeight(int scale);

// The left/right label: the letter, large, in the top left corner.
void StampSideLetter(Image& image, char letter);

// The host mark: `text` (the logo and version of the mark field, or "*" when the mark field
// is empty), small, in the bottom right corner.
void StampHostMark(Image& image, std::string_view text);

}  // namespace hostsim
