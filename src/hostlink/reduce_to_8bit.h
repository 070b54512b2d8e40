// ReduceTo8Bit: turns a 16-bit grey image, given by its header block (bitmap header followed by
// a lookup table of 16-bit entries indexed by pixel value) and its pixel block, into an 8-bit
// image in place.
//
// Each sample becomes the high byte of its table entry, or with `use_table` false the high byte
// of the sample itself. The pixel block shrinks to one byte per sample; the header block becomes
// the bitmap header with bit count 8, biClrUsed 256 (biClrImportant 0 when it counted more) and
// a 256-entry grey ramp (1,064 bytes). Nothing happens
// when a handle is 0, a block cannot be locked, the header block is shorter than a bitmap header
// or the image is not 16-bit. Reads stay inside both blocks: only the samples the pixel block
// holds are converted, and a sample beyond the end of the table takes the table's last entry
// (with no table at all, the sample's own high byte).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/global_memory.h"

namespace radlyn {

void ReduceTo8Bit(GmHandle header_block, GmHandle pixel_block, bool use_table);

// The sample loop on plain memory: converts `count` little-endian 16-bit samples at `pixels`
// into bytes written from `pixels` on. `table` holds `table_entries` 16-bit entries (may be
// 0 entries); without `use_table` it is not read.
void ReduceSamplesTo8Bit(std::uint8_t* pixels, std::size_t count, const std::uint8_t* table,
                         std::size_t table_entries, bool use_table);

}  // namespace radlyn
