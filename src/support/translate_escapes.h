// The escape convention of values inside the auto-post XML documents: line breaks and
// apostrophes travel as "||r|n||" (CR LF), "||n||" (LF alone) and "&#x27;" (apostrophe). A lone
// carriage return has no escaped form and is never changed.
//
// TranslateEscapes answers a converted copy: encode false turns escaped forms into plain text,
// encode true the reverse. The pairs are applied in that fixed order in both directions, each
// replacing every occurrence left to right without re-scanning its own replacement, so CR LF
// encodes as "||r|n||" and not as CR followed by "||n||".
#pragma once

#include <string>
#include <string_view>

namespace radlyn {

std::string TranslateEscapes(std::string_view text, bool encode);

}  // namespace radlyn
