// The XML parser on Linux: libxml2.
//
// Documents are parsed from UTF-8 (converted from ANSI here) with the encoding declaration
// ignored, without network access, without loading DTDs or external entities (the external
// entity loader refuses everything) and without substituting entities. Whitespace-only text
// nodes are removed after the parse: libxml2's own blank removal is a heuristic that keeps, for
// instance, the blanks of "<A>  </A>" and of mixed content. Parse errors are never printed.
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>

#include <climits>
#include <cstring>

#include "platform/code_page.h"
#include "platform/xml_parser.h"

namespace radlyn::platform {
namespace {

constexpr std::uint32_t kOutOfMemory = 0x8007000E;
constexpr std::uint32_t kInvalidArgument = 0x80070057;
constexpr char kDataTypesNamespace[] = "urn:schemas-microsoft-com:datatypes";
constexpr char kDataTypeAttribute[] = "dt";
constexpr char kParserSource[] = "libxml2";

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
    throw XmlError(kInvalidArgument, std::string(what) + " holds a zero character", kParserSource);
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
  for (xmlElementType type : kParentTypes) {
    if (node->type == type) return node->children != nullptr;
  }
  return false;
}

bool IsWhitespaceOnly(const xmlChar* text) {
  for (const xmlChar* c = text; c != nullptr && *c != 0; ++c) {
    if (*c != ' ' && *c != '\t' && *c != '\r' && *c != '\n') return false;
  }
  return true;
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
        (node->parent == nullptr || xmlNodeGetSpacePreserve(node->parent) != 1)) {
      xmlNodePtr next = NextSkippingChildren(node, doc);
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
    // An entity reference's text would be its expansion; the program never reads one, and
    // not expanding keeps a crafted entity from growing without bound.
    if (node_->type == XML_ENTITY_REF_NODE) return {};
    return TakeAnsi(xmlNodeGetContent(node_));
  }

  std::optional<std::string> DataType() override {
    if (node_->type != XML_ELEMENT_NODE) return std::nullopt;
    for (xmlAttrPtr attribute = node_->properties; attribute != nullptr;
         attribute = attribute->next) {
      if (attribute->ns != nullptr && AsView(attribute->ns->href) == kDataTypesNamespace &&
          AsView(attribute->name) == kDataTypeAttribute) {
        return AttributeValue(attribute);
      }
    }
    return std::nullopt;
  }

  std::string Xml() override {
    xmlBufferPtr buffer = xmlBufferCreate();
    if (buffer == nullptr) throw XmlError(kOutOfMemory, "out of memory", kParserSource);
    int written = xmlNodeDump(buffer, doc_.get(), node_, 0, 0);
    std::string text = written < 0 ? std::string() : ToAnsi(xmlBufferContent(buffer));
    xmlBufferFree(buffer);
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
    // Namespace declarations are attributes in the DOM; libxml2 keeps them apart.
    for (xmlNsPtr ns = node_->nsDef; ns != nullptr; ns = ns->next) {
      const std::string declared =
          ns->prefix != nullptr ? QualifiedName(BAD_CAST "xmlns", ns->prefix) : "xmlns";
      if (declared == wanted) return ToAnsi(ns->href);
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
      throw XmlError(kOutOfMemory, "document too large", kParserSource);
    }
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (context == nullptr) throw XmlError(kOutOfMemory, "out of memory", kParserSource);
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
      if (out_of_memory) throw XmlError(kOutOfMemory, "out of memory", kParserSource);
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
    if (context == nullptr) throw XmlError(kOutOfMemory, "out of memory", kParserSource);
    xmlXPathObjectPtr result = xmlXPathEvalExpression(AsXmlChars(expression), context);
    xmlXPathFreeContext(context);
    if (result == nullptr) throw errors.ToError(XML_XPATH_EXPR_ERROR, "Invalid expression");
    xmlNodePtr first = nullptr;
    if (result->type == XPATH_NODESET && result->nodesetval != nullptr &&
        result->nodesetval->nodeNr > 0) {
      first = result->nodesetval->nodeTab[0];
      // Namespace nodes in an XPath result are copies that die with the result, not nodes of
      // the tree.
      if (first->type == XML_NAMESPACE_DECL) first = nullptr;
    }
    xmlXPathFreeObject(result);
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
};

}  // namespace

XmlParser& XmlParser::Native() {
  static LibxmlParser parser;
  return parser;
}

}  // namespace radlyn::platform
