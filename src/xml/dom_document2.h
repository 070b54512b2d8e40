// CDOMDocument2: one parsed XML text, with node selection by XPath and typed reading of values.
//
// The object holds no parser document until the first LoadXML creates one; each later LoadXML
// parses into the same document, replacing its content. Node handles are shared references
// that keep their parsed tree alive, so they may outlive the object. All texts are ANSI.
//
// Errors: LoadXML answers 0 or kLoadFailed for a parser that cannot be created or a text that is
// not well-formed; a failing parser call is raised (platform::XmlError). selectSingleNode
// reports a parser error with ReportComError and answers no node. The value reads are described
// with each operation below.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/windows_codes.h"
#include "platform/xml_parser.h"
#include "xml/typed_value.h"

namespace radlyn {

using XmlNodeHandle = std::shared_ptr<platform::XmlNode>;

// A node handle that can only refer to an element (or to nothing).
class XmlElementHandle {
 public:
  XmlElementHandle() = default;
  explicit operator bool() const { return node_ != nullptr; }
  const XmlNodeHandle& node() const { return node_; }

 private:
  friend class CDOMDocument2;
  explicit XmlElementHandle(XmlNodeHandle node) : node_(std::move(node)) {}

  XmlNodeHandle node_;
};

class CDOMDocument2 {
 public:
  static constexpr std::int32_t kLoadFailed =
      static_cast<std::int32_t>(platform::kWinUnspecifiedFailure);

  CDOMDocument2() = default;
  ~CDOMDocument2();
  CDOMDocument2(const CDOMDocument2&) = delete;
  CDOMDocument2& operator=(const CDOMDocument2&) = delete;

  // 0 when the text was parsed, kLoadFailed otherwise.
  std::int32_t LoadXML(std::string_view text);
  // The first node the XPath expression selects, or none. Without a parser document it writes
  // a "not initialized" warning to the debug output.
  XmlNodeHandle selectSingleNode(std::string_view xpath);
  // The node as an element; an empty handle for no node or a node of another type.
  XmlElementHandle ToElement(const XmlNodeHandle& node);
  // True after a LoadXML that failed because the platform has no XML parser to create a
  // document with (platform::XmlParser::Name says which it looked for).
  bool ParserMissing() const { return parser_missing_; }

  // Typed reads (node_values.cc). All answer false for an empty handle.
  //
  // GetNodeValue: the node's text (the last text child, or the node's own text when it has no
  // children), converted by its declared data type "int", "boolean" or "dateTime"; other or no
  // declarations keep the text, and a text node's value is always its text. A malformed
  // date-time answers false; text that cannot be converted to int or boolean is raised.
  bool GetNodeValue(const XmlNodeHandle& node, TypedValue& value);
  // The value's text form with escapes decoded.
  bool GetNodeValueString(const XmlNodeHandle& node, std::string& text);
  // The value as integer: integers as they are, text and booleans by their leading decimal
  // number; false (and 0) for empty and date-time values.
  bool GetNodeValueInt(const XmlNodeHandle& node, std::int32_t& number);
  // The attribute's value with escapes decoded; false when the attribute is absent. Parser
  // errors answer false silently.
  bool GetAttribute(const XmlElementHandle& element, std::string_view name, TypedValue& value);
  // The attribute's text form, decoded once more than GetAttribute decodes it.
  bool GetAttributeString(const XmlElementHandle& element, std::string_view name,
                          std::string& text);

 private:
  bool InitDocument();
  void ResetDocument();
  bool ReadNodeText(const XmlNodeHandle& node, TypedValue& value);

  std::unique_ptr<platform::XmlDocument> document_;
  bool parser_missing_ = false;
};

}  // namespace radlyn
