// The platform's XML parser (MSXML 4.0, else MSXML 6.0, on Windows; libxml2 on Linux), reduced to
// what CDOMDocument2 needs: parse a text, pick the first node an XPath 1.0 expression selects,
// and look at nodes.
//
// Contract every backend keeps:
// - A document parses synchronously from a text, drops whitespace-only text nodes (outside
//   xml:space="preserve"), never touches the network, loads no DTD and expands no external
//   entity. A new parse replaces the earlier content; a rejected text leaves no content.
// - Node handles are reference-counted and keep their parsed tree alive, so handles and the
//   document may be released in any order.
// - All texts crossing this seam (XML text, XPath, names, values) are ANSI (Windows-1252);
//   backends convert to and from their own character form at each call.
// - Failures of the parser itself (as opposed to text that is not well-formed) are thrown as
//   XmlError carrying the parser's error code and, when it has one, its message.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/service.h"

namespace radlyn::platform {

// A parser error: numeric code, the parser's own text for it (empty when it has none), and the
// source and description the error came with (either may be empty).
class XmlError : public std::runtime_error {
 public:
  XmlError(std::uint32_t code, std::string meaning, std::string source = {},
           std::string description = {})
      : std::runtime_error(meaning.empty() ? "XML parser error" : meaning),
        code_(code),
        meaning_(std::move(meaning)),
        source_(std::move(source)),
        description_(std::move(description)) {}

  std::uint32_t code() const { return code_; }
  const std::string& meaning() const { return meaning_; }
  const std::string& source() const { return source_; }
  const std::string& description() const { return description_; }

 private:
  std::uint32_t code_;
  std::string meaning_;
  std::string source_;
  std::string description_;
};

// DOM node types, numbered as the DOM numbers them.
enum class XmlNodeType : int {
  kOther = 0,
  kElement = 1,
  kAttribute = 2,
  kText = 3,
  kCData = 4,
  kEntityReference = 5,
  kEntity = 6,
  kProcessingInstruction = 7,
  kComment = 8,
  kDocument = 9,
  kDocumentType = 10,
  kDocumentFragment = 11,
  kNotation = 12,
};

class XmlNode {
 public:
  virtual ~XmlNode() = default;
  virtual XmlNodeType Type() = 0;
  virtual bool HasChildNodes() = 0;
  // The child nodes in document order.
  virtual std::vector<std::shared_ptr<XmlNode>> ChildNodes() = 0;
  // The node's text as MSXML gives it: a text node's content without the blanks around it, the
  // content of other text-like nodes, the descendant text of elements and documents (pieces
  // that removed whitespace separated joined by one blank, the blanks at both ends dropped
  // except within CDATA or under xml:space="preserve").
  virtual std::string Text() = 0;
  // The data type declared by the `dt` attribute in the namespace
  // "urn:schemas-microsoft-com:datatypes" (found by URI, whatever its prefix) of the element, or
  // of a text node's element: MSXML's spelling of a type name it knows, in any letter case in
  // the document; none for "string", for names it does not know and without the attribute.
  virtual std::optional<std::string> DataType() = 0;
  // The node's markup as MSXML writes it: elements that hold only elements indented with tabs,
  // CR LF line ends; a document's top-level nodes without an XML declaration.
  virtual std::string Xml() = 0;
  // The value of the attribute with this qualified name (a default of the internal DTD, and for
  // "xmlns:p" a declaration in scope, included); std::nullopt when the node is no element or has
  // no such attribute (an attribute present but empty gives "").
  virtual std::optional<std::string> GetAttribute(std::string_view name) = 0;
};

class XmlDocument {
 public:
  virtual ~XmlDocument() = default;
  // Parses `text`, replacing any earlier content. False when the text is not well-formed XML.
  virtual bool LoadXml(std::string_view text) = 0;
  // The first node, in document order, that an XPath 1.0 expression selects; nullptr when it
  // selects nothing or nothing is loaded. Invalid expressions, and expressions whose result is
  // no node of the tree (a number, a text, a namespace node), throw XmlError.
  virtual std::shared_ptr<XmlNode> SelectSingleNode(std::string_view xpath) = 0;
};

class XmlParser {
 public:
  virtual ~XmlParser() = default;
  // A new, configured document without content; nullptr when none can be created.
  virtual std::unique_ptr<XmlDocument> CreateDocument() = 0;
  // The names of the parsers the backend creates its documents with, in the order it tries
  // them: what a workstation lacks when CreateDocument answers nullptr.
  virtual std::string Name() = 0;
  // A document of the one parser of that name (one of those Name() lists); nullptr when that
  // parser cannot be created.
  virtual std::unique_ptr<XmlDocument> CreateDocumentOf(std::string_view name) {
    return name == Name() ? CreateDocument() : nullptr;
  }

  static XmlParser& Native();
};

inline XmlParser& GetXmlParser() { return Service<XmlParser>::Get(); }

}  // namespace radlyn::platform
