// The XML parser on Linux: libxml2.
//
// Documents are parsed from UTF-8 (converted from ANSI here) with the encoding declaration
// ignored, without network access, without loading DTDs or external entities (the external
// entity loader refuses everything) and without substituting entities. Whitespace-only text
// nodes are removed after the parse: libxml2's own blank removal is a heuristic that keeps, for
// instance, the blanks of "<A>  </A>" and of mixed content. Parse errors are never printed.
//
// Nodes answer as MSXML's do: a text node's text without the blanks around it, an element's
// text with the places of removed whitespace joined by one blank and trimmed (CDATA content and
// xml:space="preserve" excepted); data types by MSXML's own spelling of the names it knows
// ("Int" is "int"; "string" and unknown names are no type), a text node's being its element's;
// markup indented with tabs where an element holds only elements, with CR LF line ends;
// attribute defaults of the internal DTD and namespace declarations in scope read as attributes.
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstring>

#include "platform/code_page.h"
#include "platform/windows_codes.h"
#include "platform/xml_parser.h"

namespace radlyn::platform {
namespace {

constexpr char kDataTypesNamespace[] = "urn:schemas-microsoft-com:datatypes";
constexpr char kDataTypeAttribute[] = "dt";
constexpr char kParserSource[] = "libxml2";

// Data-type names MSXML knows, as its dataType property spells them; any letter case of them
// in a document means them. "string" is the type of all undeclared text and answers no type.
constexpr const char* kKnownDataTypes[] = {
    "bin.base64", "bin.hex",  "boolean",     "char",       "date",   "dateTime", "dateTime.tz",
    "entity",     "entities", "enumeration", "fixed.14.4", "float",  "i1",       "i2",
    "i4",         "i8",       "id",          "idref",      "idrefs", "int",      "nmtoken",
    "nmtokens",   "notation", "number",      "r4",         "r8",     "time",     "time.tz",
    "ui1",        "ui2",      "ui4",         "ui8",        "uri",    "uuid"};

// Marks a node (in its `_private` field) after which the parse removed whitespace-only text.
const auto kFollowedByRemovedBlanks = reinterpret_cast<void*>(std::uintptr_t{1});

constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_IGNORE_ENC;

struct NodeTypeEntry {
  xmlElementType from;
  XmlNodeType to;
};

constexpr NodeTypeEntry kNodeTypes[] = {
    {XML_ELEMENT_NODE, XmlNodeType::kElement},
    {XML_ATTRIBUTE_NODE, XmlNodeType::kAttribute},
    {XML_TEXT_NODE, XmlNodeType::kText},
    {XML_CDATA_SECTION_NODE, XmlNodeType::kCData},
    {XML_ENTITY_REF_NODE, XmlNodeType::kEntityReference},
    {XML_ENTITY_NODE, XmlNodeType::kEntity},
    {XML_PI_NODE, XmlNodeType::kProcessingInstruction},
    {XML_COMMENT_NODE, XmlNodeType::kComment},
    {XML_DOCUMENT_NODE, XmlNodeType::kDocument},
    {XML_HTML_DOCUMENT_NODE, XmlNodeType::kDocument},
    {XML_DOCUMENT_TYPE_NODE, XmlNodeType::kDocumentType},
    {XML_DTD_NODE, XmlNodeType::kDocumentType},
    {XML_DOCUMENT_FRAG_NODE, XmlNodeType::kDocumentFragment},
    {XML_NOTATION_NODE, XmlNodeType::kNotation},
};

// Node kinds whose libxml2 `children` are real child nodes of the DOM. An entity reference's
// `children` point into the entity declaration instead, and declarations are not DOM nodes.
constexpr xmlElementType kParentTypes[] = {XML_ELEMENT_NODE, XML_ATTRIBUTE_NODE, XML_DOCUMENT_NODE,
                                           XML_DOCUMENT_FRAG_NODE};

using DocPtr = std::shared_ptr<xmlDoc>;

const xmlChar* AsXmlChars(const std::string& text) {
  return reinterpret_cast<const xmlChar*>(text.c_str());
}

std::string_view AsView(const xmlChar* text) {
  if (text == nullptr) return {};
  return reinterpret_cast<const char*>(text);
}

std::string ToAnsi(const xmlChar* utf8) { return GetCodePages().Utf8ToAnsi(AsView(utf8)); }

// ANSI text for libxml2, which takes zero-terminated UTF-8: an embedded zero cannot cross.
std::string ToUtf8(std::string_view ansi, const char* what) {
  if (ansi.find('\0') != std::string_view::npos) {
    throw XmlError(kWinInvalidArgument, std::string(what) + " holds a zero character",
                   kParserSource);
  }
  return GetCodePages().AnsiToUtf8(ansi);
}

// Takes ownership of a libxml2-allocated string and answers it as ANSI.
std::string TakeAnsi(xmlChar* utf8) {
  std::string text = ToAnsi(utf8);
  xmlFree(utf8);
  return text;
}

xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) {
  return nullptr;
}

void InitLibxml() {
  static const bool initialized = [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(RefuseExternalEntity);
    return true;
  }();
  (void)initialized;
}

bool HasRealChildren(xmlNodePtr node) {
  // An empty attribute value is no text child in the DOM.
  if (node->type == XML_ATTRIBUTE_NODE && node->children != nullptr &&
      node->children->next == nullptr && node->children->type == XML_TEXT_NODE &&
      (node->children->content == nullptr || node->children->content[0] == 0)) {
    return false;
  }
  for (xmlElementType type : kParentTypes) {
    if (node->type == type) return node->children != nullptr;
  }
  return false;
}

bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The blanks MSXML trims from texts: those of the C library's isspace.
bool IsTrimmedBlank(char c) { return IsXmlBlank(c) || c == '\v' || c == '\f'; }

bool IsWhitespaceOnly(const xmlChar* text) {
  for (const xmlChar* c = text; c != nullptr && *c != 0; ++c) {
    if (!IsXmlBlank(static_cast<char>(*c))) return false;
  }
  return true;
}

bool EqualsAsciiIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool PreservesSpace(xmlNodePtr element) { return xmlNodeGetSpacePreserve(element) == 1; }

// The text of a node with children, as MSXML puts it together: the text of the descendants in
// document order (CDATA and entity content included), one blank where whitespace-only text
// (removed by the parse, or met here outside xml:space="preserve") separated two pieces of it.
// With `trim`, blanks at both ends go, but none inside a CDATA section.
class JoinedText {
 public:
  JoinedText(xmlNodePtr node, bool trim) : preserve_(PreservesSpace(node)) {
    Collect(node);
    if (trim && !preserve_) Trim();
  }
  const std::string& utf8() const { return text_; }

 private:
  void Collect(xmlNodePtr parent) {
    for (xmlNodePtr child = parent->children; child != nullptr; child = child->next) {
      switch (child->type) {
        case XML_ELEMENT_NODE:
          Collect(child);
          break;
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_ENTITY_REF_NODE: {
          xmlChar* content = xmlNodeGetContent(child);
          if (child->type == XML_TEXT_NODE && !preserve_ && IsWhitespaceOnly(content)) {
            blank_pending_ = true;
          } else {
            Append(AsView(content), child->type == XML_CDATA_SECTION_NODE);
          }
          xmlFree(content);
          break;
        }
        default:
          break;
      }
      if (child->_private == kFollowedByRemovedBlanks) blank_pending_ = true;
    }
  }

  void Append(std::string_view piece, bool kept_whole) {
    if (piece.empty() && !kept_whole) return;
    if (blank_pending_ && !text_.empty()) text_.push_back(' ');
    blank_pending_ = false;
    if (kept_whole) kept_from_ = std::min(kept_from_, text_.size());
    text_.append(piece);
    if (kept_whole) kept_to_ = text_.size();
  }

  void Trim() {
    std::size_t begin = 0;
    while (begin < text_.size() && begin < kept_from_ && IsTrimmedBlank(text_[begin])) ++begin;
    std::size_t end = text_.size();
    while (end > begin && end > kept_to_ && IsTrimmedBlank(text_[end - 1])) --end;
    text_ = text_.substr(begin, end - begin);
  }

  bool preserve_;
  std::string text_;
  bool blank_pending_ = false;
  std::size_t kept_from_ = std::string::npos;  // CDATA content: [kept_from_, kept_to_)
  std::size_t kept_to_ = 0;
};

std::string TrimmedBlanks(std::string_view text) {
  while (!text.empty() && IsTrimmedBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsTrimmedBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// LF line ends as CR LF, as MSXML writes markup.
std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

// The next node in document order that is not a descendant of `node`, within `doc`.
xmlNodePtr NextSkippingChildren(xmlNodePtr node, xmlDocPtr doc) {
  while (node != nullptr && node->next == nullptr) {
    node = node->parent;
    if (node == reinterpret_cast<xmlNodePtr>(doc)) return nullptr;
  }
  return node != nullptr ? node->next : nullptr;
}

void DropWhitespaceTextNodes(xmlDocPtr doc) {
  xmlNodePtr node = doc->children;
  while (node != nullptr) {
    if (node->type == XML_TEXT_NODE && IsWhitespaceOnly(node->content) &&
        (node->parent == nullptr || !PreservesSpace(node->parent))) {
      xmlNodePtr next = NextSkippingChildren(node, doc);
      // An element's text joins what the whitespace separated with a blank.
      if (node->prev != nullptr) node->prev->_private = kFollowedByRemovedBlanks;
      xmlUnlinkNode(node);
      xmlFreeNode(node);
      node = next;
    } else if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
      node = node->children;
    } else {
      node = NextSkippingChildren(node, doc);
    }
  }
}

// The qualified name an attribute or namespace declaration is asked for by.
std::string QualifiedName(const xmlChar* prefix, const xmlChar* local) {
  std::string name;
  if (prefix != nullptr) {
    name.append(AsView(prefix));
    name.push_back(':');
  }
  name.append(AsView(local));
  return name;
}

// Collects the error libxml2 reports through its structured handler while an object of this
// class lives, instead of letting it print to standard error.
class ErrorCapture {
 public:
  ErrorCapture()
      : previous_handler_(xmlStructuredError), previous_context_(xmlStructuredErrorContext) {
    xmlSetStructuredErrorFunc(this, &ErrorCapture::Record);
  }
  ~ErrorCapture() { xmlSetStructuredErrorFunc(previous_context_, previous_handler_); }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  XmlError ToError(std::uint32_t fallback_code, const char* fallback_text) const {
    if (!seen_) return XmlError(fallback_code, fallback_text, kParserSource);
    return XmlError(static_cast<std::uint32_t>(code_), message_, kParserSource, message_);
  }

 private:
  static void Record(void* context, xmlErrorPtr error) {
    auto* self = static_cast<ErrorCapture*>(context);
    if (self->seen_ || error == nullptr) return;
    self->seen_ = true;
    self->code_ = error->code;
    self->message_ = error->message != nullptr ? error->message : "";
    while (!self->message_.empty() &&
           (self->message_.back() == '\n' || self->message_.back() == '\r')) {
      self->message_.pop_back();
    }
  }

  xmlStructuredErrorFunc previous_handler_;
  void* previous_context_;
  bool seen_ = false;
  int code_ = 0;
  std::string message_;
};

class LibxmlNode : public XmlNode {
 public:
  LibxmlNode(DocPtr doc, xmlNodePtr node) : doc_(std::move(doc)), node_(node) {}

  XmlNodeType Type() override {
    for (const NodeTypeEntry& entry : kNodeTypes) {
      if (entry.from == node_->type) return entry.to;
    }
    return XmlNodeType::kOther;
  }

  bool HasChildNodes() override { return HasRealChildren(node_); }

  std::vector<std::shared_ptr<XmlNode>> ChildNodes() override {
    std::vector<std::shared_ptr<XmlNode>> children;
    if (!HasRealChildren(node_)) return children;
    for (xmlNodePtr child = node_->children; child != nullptr; child = child->next) {
      children.push_back(std::make_shared<LibxmlNode>(doc_, child));
    }
    return children;
  }

  std::string Text() override {
    switch (node_->type) {
      case XML_ENTITY_REF_NODE:
        // Its text would be its expansion; the program never reads one, and not expanding
        // keeps a crafted entity from growing without bound.
        return {};
      case XML_TEXT_NODE:
        return GetCodePages().Utf8ToAnsi(TrimmedBlanks(AsView(node_->content)));
      case XML_ELEMENT_NODE:
      case XML_DOCUMENT_NODE:
        return GetCodePages().Utf8ToAnsi(JoinedText(node_, true).utf8());
      case XML_ATTRIBUTE_NODE:
        return GetCodePages().Utf8ToAnsi(JoinedText(node_, false).utf8());
      default:
        return TakeAnsi(xmlNodeGetContent(node_));
    }
  }

  std::optional<std::string> DataType() override {
    xmlNodePtr element = node_;
    if (node_->type == XML_TEXT_NODE) element = node_->parent;
    if (element == nullptr || element->type != XML_ELEMENT_NODE) return std::nullopt;
    for (xmlAttrPtr attribute = element->properties; attribute != nullptr;
         attribute = attribute->next) {
      if (attribute->ns != nullptr && AsView(attribute->ns->href) == kDataTypesNamespace &&
          AsView(attribute->name) == kDataTypeAttribute) {
        const std::string declared = AttributeValue(attribute);
        for (const char* known : kKnownDataTypes) {
          if (EqualsAsciiIgnoringCase(declared, known)) return known;
        }
        return std::nullopt;
      }
    }
    return std::nullopt;
  }

  std::string Xml() override {
    if (node_->type != XML_DOCUMENT_NODE) return WithCrLf(Markup(node_));
    // A document: its top-level nodes, each on a line of its own, without an XML declaration.
    std::string text;
    for (xmlNodePtr child = node_->children; child != nullptr; child = child->next) {
      if (child->type != XML_DTD_NODE) text += Markup(child) + "\n";
    }
    return WithCrLf(text);
  }

  // The markup of one node, elements that hold only elements indented with tabs.
  std::string Markup(xmlNodePtr node) {
    xmlBufferPtr buffer = xmlBufferCreate();
    if (buffer == nullptr) throw XmlError(kWinOutOfMemory, "out of memory", kParserSource);
    const char* indent = xmlTreeIndentString;
    xmlTreeIndentString = "\t";
    int written = xmlNodeDump(buffer, doc_.get(), node, 0, 1);
    xmlTreeIndentString = indent;
    std::string text = written < 0 ? std::string() : ToAnsi(xmlBufferContent(buffer));
    xmlBufferFree(buffer);
    // An attribute's markup comes with the blank that separates it from its element.
    if (!text.empty() && text.front() == ' ') text.erase(0, 1);
    return text;
  }

  std::optional<std::string> GetAttribute(std::string_view name) override {
    if (node_->type != XML_ELEMENT_NODE) return std::nullopt;
    const std::string wanted = GetCodePages().AnsiToUtf8(name);
    for (xmlAttrPtr attribute = node_->properties; attribute != nullptr;
         attribute = attribute->next) {
      const xmlChar* prefix = attribute->ns != nullptr ? attribute->ns->prefix : nullptr;
      if (QualifiedName(prefix, attribute->name) == wanted) return AttributeValue(attribute);
    }
    // Namespace declarations are attributes in the DOM; libxml2 keeps them apart. A prefix
    // declared on an ancestor reads as well.
    for (xmlNsPtr ns = node_->nsDef; ns != nullptr; ns = ns->next) {
      if (ns->prefix == nullptr && wanted == "xmlns") return ToAnsi(ns->href);
    }
    constexpr std::string_view kDeclarationPrefix = "xmlns:";
    if (wanted.starts_with(kDeclarationPrefix) && wanted.size() > kDeclarationPrefix.size()) {
      const std::string prefix = wanted.substr(kDeclarationPrefix.size());
      xmlNsPtr ns = xmlSearchNs(doc_.get(), node_, AsXmlChars(prefix));
      if (ns != nullptr) return ToAnsi(ns->href);
    }
    // A default or fixed value the internal DTD declares for the attribute.
    if (doc_->intSubset != nullptr) {
      const xmlChar* element_prefix = node_->ns != nullptr ? node_->ns->prefix : nullptr;
      xmlAttributePtr declaration =
          xmlGetDtdAttrDesc(doc_->intSubset, AsXmlChars(QualifiedName(element_prefix, node_->name)),
                            AsXmlChars(wanted));
      if (declaration != nullptr && declaration->defaultValue != nullptr) {
        return ToAnsi(declaration->defaultValue);
      }
    }
    return std::nullopt;
  }

 private:
  std::string AttributeValue(xmlAttrPtr attribute) {
    if (attribute->children == nullptr) return {};
    return TakeAnsi(xmlNodeListGetString(doc_.get(), attribute->children, 1));
  }

  DocPtr doc_;
  xmlNodePtr node_;
};

class LibxmlDocument : public XmlDocument {
 public:
  bool LoadXml(std::string_view text) override {
    doc_.reset();
    const std::string utf8 = GetCodePages().AnsiToUtf8(text);
    if (utf8.size() > static_cast<std::size_t>(INT_MAX)) {
      throw XmlError(kWinOutOfMemory, "document too large", kParserSource);
    }
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (context == nullptr) throw XmlError(kWinOutOfMemory, "out of memory", kParserSource);
    xmlDocPtr doc = xmlCtxtReadMemory(context, utf8.data(), static_cast<int>(utf8.size()), nullptr,
                                      "UTF-8", kParseOptions);
    // A prefix without a declaration is only a namespace error to libxml2; the document is not
    // namespace-well-formed, and data types are found by namespace, so it is rejected.
    const bool well_formed = context->wellFormed != 0 && context->nsWellFormed != 0;
    const bool out_of_memory = context->lastError.code == XML_ERR_NO_MEMORY;
    xmlFreeParserCtxt(context);
    if (doc != nullptr && !well_formed) {
      xmlFreeDoc(doc);
      doc = nullptr;
    }
    if (doc == nullptr) {
      if (out_of_memory) throw XmlError(kWinOutOfMemory, "out of memory", kParserSource);
      return false;
    }
    DropWhitespaceTextNodes(doc);
    doc_ = DocPtr(doc, xmlFreeDoc);
    return true;
  }

  std::shared_ptr<XmlNode> SelectSingleNode(std::string_view xpath) override {
    if (doc_ == nullptr) return nullptr;
    const std::string expression = ToUtf8(xpath, "XPath expression");
    ErrorCapture errors;
    xmlXPathContextPtr context = xmlXPathNewContext(doc_.get());
    if (context == nullptr) throw XmlError(kWinOutOfMemory, "out of memory", kParserSource);
    xmlXPathObjectPtr result = xmlXPathEvalExpression(AsXmlChars(expression), context);
    xmlXPathFreeContext(context);
    if (result == nullptr) throw errors.ToError(XML_XPATH_EXPR_ERROR, "Invalid expression");
    // A number, text or truth value is no node, and neither is a namespace node (in libxml2 a
    // copy that dies with the result): MSXML raises an error for both.
    const bool node_set = result->type == XPATH_NODESET;
    xmlNodePtr first = nullptr;
    if (node_set && result->nodesetval != nullptr && result->nodesetval->nodeNr > 0) {
      first = result->nodesetval->nodeTab[0];
    }
    const bool namespace_node = first != nullptr && first->type == XML_NAMESPACE_DECL;
    xmlXPathFreeObject(result);
    if (!node_set || namespace_node) {
      throw XmlError(kWinUnspecifiedFailure, "Expression does not return a DOM node",
                     kParserSource);
    }
    if (first == nullptr) return nullptr;
    return std::make_shared<LibxmlNode>(doc_, first);
  }

 private:
  DocPtr doc_;
};

class LibxmlParser : public XmlParser {
 public:
  std::unique_ptr<XmlDocument> CreateDocument() override {
    InitLibxml();
    return std::make_unique<LibxmlDocument>();
  }
  std::string Name() override { return "libxml2"; }
};

}  // namespace

XmlParser& XmlParser::Native() {
  static LibxmlParser parser;
  return parser;
}

}  // namespace radlyn::platform
