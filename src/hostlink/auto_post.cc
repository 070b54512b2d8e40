// Auto-post-processing: the document built during the exposure and the filters applied from it.
// Until the XML layer exists, no document is built and nothing is applied.
#include "hostlink/morlund_link.h"

namespace radlyn {

void CMorlundLink::BuildAutoPostDocument(const std::uint8_t* /*take_record*/) {}

int CMorlundLink::ApplyFilterClass(std::int32_t /*filter_class*/, void* /*wwe_block*/) { return 0; }

bool CMorlundLink::DoAutoPostProcessing() {
  if (!initialized_ || take_handle_ == 0 || GetImageType().empty()) {
    SetError(2, "DoAutoPostProcessing: Not yet callable");
    return false;
  }
  return true;
}

}  // namespace radlyn
