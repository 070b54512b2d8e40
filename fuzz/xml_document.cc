// Fuzzes XML document access: arbitrary text is loaded into a CDOMDocument2, nodes are selected
// with the program's expressions and a few generic ones, and every node, its children and its
// attributes go through the typed reads and the serialisation. Conversion errors are raised on
// purpose and caught here; anything else (a crash, a leak, an out-of-bounds read) is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/xml_parser.h"
#include "xml/dom_document2.h"

namespace {

using radlyn::CDOMDocument2;
using radlyn::TypedValue;
using radlyn::XmlNodeHandle;

constexpr std::string_view kExpressions[] = {"/EXTENSION/POSTPROCESSING",
                                             "/TAVORAAUTOPOST/INI",
                                             "/TAVORAAUTOPOST/INI/WWE",
                                             "/TAVORAAUTOPOST/INI/FILTERCLASS",
                                             "/*",
                                             "//*[last()]",
                                             "//text()",
                                             "//@*",
                                             "//comment()",
                                             "/",
                                             "//namespace::*",
                                             "//processing-instruction()"};
constexpr std::string_view kAttributes[] = {"data", "dt:dt", "xmlns:dt", ""};

void ReadNode(CDOMDocument2& document, const XmlNodeHandle& node) {
  try {
    TypedValue value;
    std::string text;
    std::int32_t number = 0;
    document.GetNodeValue(node, value);
    document.GetNodeValueString(node, text);
    document.GetNodeValueInt(node, number);
  } catch (const radlyn::platform::XmlError&) {
    // A declared int or boolean whose text does not convert.
  }
  node->Xml();
  node->DataType();
  radlyn::XmlElementHandle element = document.ToElement(node);
  for (std::string_view name : kAttributes) {
    TypedValue value;
    std::string text;
    document.GetAttribute(element, name, value);
    document.GetAttributeString(element, name, text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CDOMDocument2 document;
  if (document.LoadXML(text) != 0) return 0;
  for (std::string_view expression : kExpressions) {
    XmlNodeHandle node = document.selectSingleNode(expression);
    if (node == nullptr) continue;
    ReadNode(document, node);
    for (const XmlNodeHandle& child : node->ChildNodes()) ReadNode(document, child);
  }
  return 0;
}
