#include "extension_block.h"

#include <cstring>

namespace hostsim {

std::string EscapeAttribute(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string ExtensionText(std::string_view ini_content, int escaping) {
  std::string document =
      "<TAVORAAUTOPOST><INI>" + std::string(ini_content) + "</INI></TAVORAAUTOPOST>";
  std::string data;
  if (escaping == 2) {
    // First the markup as radlyn's reader turns it back (& stays, since it is not turned back),
    // then that text escaped for the attribute.
    std::string markup;
    for (char c : document) {
      if (c == '<') {
        markup += "&lt;";
      } else if (c == '>') {
        markup += "&gt;";
      } else if (c == '"') {
        markup += "&quot;";
      } else {
        markup.push_back(c);
      }
    }
    data = EscapeAttribute(markup);
  } else {
    data = EscapeAttribute(document);
  }
  return "<EXTENSION><POSTPROCESSING data=\"" + data + "\"/></EXTENSION>";
}

GmHandle MakeExtensionBlock(std::string_view first, std::string_view second) {
  std::size_t size = first.size() + 1 + second.size() + 1;
  if (size > 0xFFFFFFFFu) return 0;
  GmHandle block = GmAlloc(static_cast<std::uint32_t>(size));
  if (block == 0) return 0;
  auto* data = static_cast<char*>(GmLock(block));
  if (data == nullptr) {
    GmFree(block);
    return 0;
  }
  std::memcpy(data, first.data(), first.size());
  std::memcpy(data + first.size() + 1, second.data(), second.size());
  GmUnlock(block);
  return block;
}

}  // namespace hostsim
