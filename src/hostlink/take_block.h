// FreeTakeBlock: releases a TakeRecord block together with the two image blocks its record names
// (header at 546, pixels at 550; each only when not 0). A block that cannot be locked is freed
// alone. The extension block (630) belongs to the module that made it and is left alone.
#pragma once

#include "platform/global_memory.h"

namespace radlyn {

void FreeTakeBlock(GmHandle take_block);

}  // namespace radlyn
