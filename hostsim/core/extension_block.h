// The take's extension block (take record offset 630): a memory block holding a first
// zero-terminated text and right behind it a second one, the extension text
//   <EXTENSION><POSTPROCESSING data="..."/></EXTENSION>
// whose data attribute carries a whole TAVORAAUTOPOST document with post-processing settings:
//   <TAVORAAUTOPOST><INI>content</INI></TAVORAAUTOPOST>
// escaped for the attribute. Escaping 1: & < > " become &amp; &lt; &gt; &quot;, so the parsed
// attribute is the document itself. Escaping 2: < > " first become &lt; &gt; &quot;, and that
// text is escaped as in 1, so the parsed attribute still reads &lt;... and it is radlyn's own
// replacement of &gt;, &lt; and &quot; that restores the document.
#pragma once

#include <string>
#include <string_view>

#include "platform/global_memory.h"

namespace hostsim {

std::string EscapeAttribute(std::string_view text);

// The extension text for `ini_content`, escaped once or twice (`escaping` 2; anything else 1).
std::string ExtensionText(std::string_view ini_content, int escaping);

// A new block: `first` and its terminator, then `second` and its terminator. 0 when memory runs
// out.
GmHandle MakeExtensionBlock(std::string_view first, std::string_view second);

}  // namespace hostsim
