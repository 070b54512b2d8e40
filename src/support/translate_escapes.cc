#include "support/translate_escapes.h"

namespace radlyn {
namespace {

struct EscapePair {
  std::string_view plain;
  std::string_view escaped;
};

constexpr EscapePair kEscapePairs[] = {
    {"\r\n", "||r|n||"},
    {"\n", "||n||"},
    {"'", "&#x27;"},
};

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string result;
  result.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t at = text.find(from); at != std::string_view::npos;
       at = text.find(from, start)) {
    result.append(text, start, at - start);
    result.append(to);
    start = at + from.size();
  }
  result.append(text, start, std::string_view::npos);
  return result;
}

}  // namespace

std::string TranslateEscapes(std::string_view text, bool encode) {
  std::string result(text);
  for (const EscapePair& pair : kEscapePairs) {
    result = encode ? ReplaceAll(result, pair.plain, pair.escaped)
                    : ReplaceAll(result, pair.escaped, pair.plain);
  }
  return result;
}

}  // namespace radlyn
