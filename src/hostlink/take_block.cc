#include "hostlink/take_block.h"

#include <cstdint>

#include "hostlink/modules/record_layout.h"

namespace radlyn {

void FreeTakeBlock(GmHandle take_block) {
  if (take_block == 0) return;
  auto& memory = platform::GetGlobalMemory();
  GmHandle header = 0;
  GmHandle pixels = 0;
  if (auto* record = static_cast<const std::uint8_t*>(memory.Lock(take_block))) {
    if (memory.Size(take_block) >= records::take::kSize) {
      header = records::ReadU32(record, records::take::kHeaderHandle);
      pixels = records::ReadU32(record, records::take::kPixelHandle);
    }
    memory.Unlock(take_block);
  }
  if (header != 0) memory.Free(header);
  if (pixels != 0) memory.Free(pixels);
  memory.Free(take_block);
}

}  // namespace radlyn
