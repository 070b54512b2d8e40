#include "pluginserver/parse_version.h"

#include "support/text_number.h"

namespace radlyn {

void ParseVersion(std::string_view text, std::int32_t& major, std::int32_t& minor,
                  std::int32_t* build, std::int32_t* revision) {
  std::int32_t* const parts[] = {&major, &minor, build, revision};
  for (std::int32_t* part : parts) {
    if (part != nullptr) *part = 0;
  }
  std::string_view rest = text;
  bool more = true;
  for (std::int32_t* part : parts) {
    if (!more) break;
    const std::size_t dot = rest.find('.');
    if (part != nullptr) *part = ParseLeadingInt(rest.substr(0, dot));
    more = dot != std::string_view::npos;
    if (more) rest.remove_prefix(dot + 1);
  }
}

}  // namespace radlyn
