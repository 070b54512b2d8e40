#include "xml/dom_document2.h"

#include "platform/debug_output.h"
#include "xml/report_com_error.h"

namespace radlyn {

CDOMDocument2::~CDOMDocument2() { ResetDocument(); }

bool CDOMDocument2::InitDocument() {
  // The backend answers a document that is already synchronous, drops whitespace-only text
  // nodes and selects by XPath; configuration errors are raised by the backend itself.
  document_ = platform::GetXmlParser().CreateDocument();
  parser_missing_ = document_ == nullptr;
  return document_ != nullptr;
}

void CDOMDocument2::ResetDocument() { document_.reset(); }

std::int32_t CDOMDocument2::LoadXML(std::string_view text) {
  if (document_ == nullptr && !InitDocument()) return kLoadFailed;
  return document_->LoadXml(text) ? 0 : kLoadFailed;
}

XmlNodeHandle CDOMDocument2::selectSingleNode(std::string_view xpath) {
  if (document_ == nullptr) {
    platform::WriteDebugOutput(
        "   Warning: CDOMDocument2::selectSingleNode() document not initialized.\n");
    return nullptr;
  }
  try {
    return document_->SelectSingleNode(xpath);
  } catch (const platform::XmlError& error) {
    ReportComError(error);
    return nullptr;
  }
}

XmlElementHandle CDOMDocument2::ToElement(const XmlNodeHandle& node) {
  if (node == nullptr || node->Type() != platform::XmlNodeType::kElement) return {};
  return XmlElementHandle(node);
}

}  // namespace radlyn
