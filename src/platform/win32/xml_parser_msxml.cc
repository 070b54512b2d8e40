// The XML parser on Windows: MSXML 4.0 (Msxml2.DOMDocument.4.0) through IXMLDOMDocument2, or
// MSXML 6.0 (Msxml2.DOMDocument.6.0), part of every Windows since Vista, where 4.0 is not
// installed (it is no part of Windows 10 and 11).
//
// Each document is created in-process and configured once, before its first parse: synchronous
// loading, no validation, no external resources (resolveExternals off, so no external DTD or
// entity is fetched), whitespace-only text nodes dropped (preserveWhiteSpace off) and XPath as
// the selection language. MSXML 6.0 refuses documents with a DTD unless told otherwise; it is
// told, so that both versions read the same documents (an internal DTD's attribute defaults
// included). Node handles hold a reference to their MSXML node, which keeps its document alive.
// Texts are converted between ANSI and BSTR at each call.
//
// A call that fails with an HRESULT is thrown as XmlError: the HRESULT, the system's text for
// it, and the source and description of the error object MSXML left. A parse that fails that
// way reports the parse error's code and reason instead. A text that is merely not well-formed
// makes LoadXml answer false.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/com_apartment.h"
#include "platform/win32/com_error.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/com_text.h"
#include "platform/win32/windows_api.h"
#include "platform/xml_parser.h"
// The MSXML declarations need the Win32 types above.
#include <msxml2.h>

namespace radlyn::platform {
namespace {

using win32::Bstr;
using win32::ComPtr;
using win32::Variant;

struct ParserVersion {
  const char* prog_id;
  bool prohibits_dtd;  // by default
};
// Tried in this order.
constexpr ParserVersion kParserVersions[] = {{"Msxml2.DOMDocument.4.0", false},
                                             {"Msxml2.DOMDocument.6.0", true}};
// IXMLDOMDocument2's interface id, which the import libraries do not carry.
constexpr IID kIidXmlDomDocument2 = {
    0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// The DOM node type numbers MSXML answers are those of XmlNodeType.
constexpr int kFirstNodeType = static_cast<int>(XmlNodeType::kElement);
constexpr int kLastNodeType = static_cast<int>(XmlNodeType::kNotation);

[[noreturn]] void Raise(HRESULT code, IUnknown* object, REFIID iid) {
  const win32::ComErrorDetails details = win32::TakeErrorDetails(object, iid);
  throw XmlError(static_cast<std::uint32_t>(code), win32::SystemMessage(code), details.source,
                 details.description);
}

void CheckCall(HRESULT code, IUnknown* object, REFIID iid) {
  if (FAILED(code)) Raise(code, object, iid);
}

class MsxmlNode final : public XmlNode {
 public:
  explicit MsxmlNode(ComPtr<IXMLDOMNode> node) : node_(std::move(node)) {}

  XmlNodeType Type() override {
    DOMNodeType type = NODE_INVALID;
    Check(node_->get_nodeType(&type));
    const int number = static_cast<int>(type);
    if (number < kFirstNodeType || number > kLastNodeType) return XmlNodeType::kOther;
    return static_cast<XmlNodeType>(number);
  }

  bool HasChildNodes() override {
    VARIANT_BOOL has_children = VARIANT_FALSE;
    Check(node_->hasChildNodes(&has_children));
    return has_children != VARIANT_FALSE;
  }

  std::vector<std::shared_ptr<XmlNode>> ChildNodes() override {
    ComPtr<IXMLDOMNodeList> list;
    Check(node_->get_childNodes(list.Receive()));
    std::vector<std::shared_ptr<XmlNode>> children;
    if (!list) return children;
    long length = 0;
    CheckCall(list->get_length(&length), list.get(), IID_IXMLDOMNodeList);
    for (long i = 0; i < length; ++i) {
      ComPtr<IXMLDOMNode> child;
      CheckCall(list->get_item(i, child.Receive()), list.get(), IID_IXMLDOMNodeList);
      if (child) children.push_back(std::make_shared<MsxmlNode>(std::move(child)));
    }
    return children;
  }

  std::string Text() override {
    Bstr text;
    Check(node_->get_text(text.Receive()));
    return text.ToAnsi();
  }

  std::optional<std::string> DataType() override {
    Variant type;
    Check(node_->get_dataType(type.get()));
    if (type->vt != VT_BSTR) return std::nullopt;  // VT_NULL: no declared type
    return win32::AnsiFromBstr(type->bstrVal);
  }

  std::string Xml() override {
    Bstr markup;
    Check(node_->get_xml(markup.Receive()));
    return markup.ToAnsi();
  }

  std::optional<std::string> GetAttribute(std::string_view name) override {
    ComPtr<IXMLDOMElement> element = node_.As<IXMLDOMElement>(IID_IXMLDOMElement);
    if (!element) return std::nullopt;
    const Bstr wanted(name);
    Variant value;
    CheckCall(element->getAttribute(wanted.get(), value.get()), element.get(), IID_IXMLDOMElement);
    if (value->vt != VT_BSTR) return std::nullopt;  // VT_NULL: no such attribute
    return win32::AnsiFromBstr(value->bstrVal);
  }

 private:
  void Check(HRESULT code) { CheckCall(code, node_.get(), IID_IXMLDOMNode); }

  ComPtr<IXMLDOMNode> node_;
};

class MsxmlDocument final : public XmlDocument {
 public:
  explicit MsxmlDocument(ComPtr<IXMLDOMDocument2> document) : document_(std::move(document)) {}

  // Raises the failure of a setting.
  void Configure(const ParserVersion& version) {
    Check(document_->put_async(VARIANT_FALSE));
    Check(document_->put_validateOnParse(VARIANT_FALSE));
    Check(document_->put_resolveExternals(VARIANT_FALSE));
    Check(document_->put_preserveWhiteSpace(VARIANT_FALSE));
    Variant language;
    language.get()->bstrVal = Bstr("XPath").Detach();
    language.get()->vt = VT_BSTR;
    SetProperty("SelectionLanguage", *language);
    if (version.prohibits_dtd) {
      Variant prohibit;
      prohibit.get()->boolVal = VARIANT_FALSE;
      prohibit.get()->vt = VT_BOOL;
      SetProperty("ProhibitDTD", *prohibit);
    }
  }

  bool LoadXml(std::string_view text) override {
    const Bstr markup(text);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    const HRESULT result = document_->loadXML(markup.get(), &loaded);
    if (FAILED(result)) RaiseLoadFailure(result);
    return result == S_OK && loaded != VARIANT_FALSE;
  }

  std::shared_ptr<XmlNode> SelectSingleNode(std::string_view xpath) override {
    const Bstr expression(xpath);
    ComPtr<IXMLDOMNode> node;
    Check(document_->selectSingleNode(expression.get(), node.Receive()));
    if (!node) return nullptr;
    return std::make_shared<MsxmlNode>(std::move(node));
  }

 private:
  void Check(HRESULT code) { CheckCall(code, document_.get(), kIidXmlDomDocument2); }

  void SetProperty(const char* name, const VARIANT& value) {
    const Bstr property(name);
    Check(document_->setProperty(property.get(), value));
  }

  [[noreturn]] void RaiseLoadFailure(HRESULT result) {
    const win32::ComErrorDetails details =
        win32::TakeErrorDetails(document_.get(), kIidXmlDomDocument2);
    ComPtr<IXMLDOMParseError> parse_error;
    long code = 0;
    Bstr reason;
    if (SUCCEEDED(document_->get_parseError(parse_error.Receive())) && parse_error &&
        SUCCEEDED(parse_error->get_errorCode(&code)) && code != 0) {
      parse_error->get_reason(reason.Receive());
      std::string meaning = reason.ToAnsi();
      while (!meaning.empty() && (meaning.back() == '\n' || meaning.back() == '\r')) {
        meaning.pop_back();
      }
      throw XmlError(static_cast<std::uint32_t>(code), meaning, details.source,
                     details.description);
    }
    throw XmlError(static_cast<std::uint32_t>(result), win32::SystemMessage(result), details.source,
                   details.description);
  }

  ComPtr<IXMLDOMDocument2> document_;
};

class MsxmlParser final : public XmlParser {
  static std::unique_ptr<XmlDocument> Create(const ParserVersion& version) {
    win32::EnsureComApartment();
    CLSID class_id;
    if (FAILED(::CLSIDFromProgID(win32::WideFromAnsi(version.prog_id).c_str(), &class_id))) {
      return nullptr;
    }
    ComPtr<IXMLDOMDocument2> document;
    if (FAILED(::CoCreateInstance(class_id, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument2,
                                  document.ReceiveVoid()))) {
      return nullptr;
    }
    auto configured = std::make_unique<MsxmlDocument>(std::move(document));
    configured->Configure(version);
    return configured;
  }

 public:
  std::unique_ptr<XmlDocument> CreateDocument() override {
    for (const ParserVersion& version : kParserVersions) {
      if (auto document = Create(version)) return document;
    }
    return nullptr;
  }
  std::unique_ptr<XmlDocument> CreateDocumentOf(std::string_view name) override {
    for (const ParserVersion& version : kParserVersions) {
      if (name == version.prog_id) return Create(version);
    }
    return nullptr;
  }
  // The versions tried, in order: "Msxml2.DOMDocument.4.0, Msxml2.DOMDocument.6.0".
  std::string Name() override {
    std::string names;
    for (const ParserVersion& version : kParserVersions) {
      names += (names.empty() ? "" : ", ") + std::string(version.prog_id);
    }
    return names;
  }
};

}  // namespace

XmlParser& XmlParser::Native() {
  static MsxmlParser parser;
  return parser;
}

}  // namespace radlyn::platform
