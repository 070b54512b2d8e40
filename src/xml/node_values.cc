// The typed reads of CDOMDocument2: node and attribute values by their declared data type.
#include <optional>

#include "platform/debug_output.h"
#include "support/text_number.h"
#include "support/translate_escapes.h"
#include "xml/dom_document2.h"
#include "xml/parse_date_time.h"
#include "xml/report_com_error.h"
#include "xml/value_conversion.h"

namespace radlyn {
namespace {

using platform::XmlNodeType;

// The debug text when the declared data type cannot be read. The two placeholders name the
// document's and its schema's source locations, which a document parsed from text has not.
constexpr char kDataTypeFailure[] =
    "CDOMDocument2::GetNodeValue() catched exception!\nXML: \nXSD: \n";

enum class Conversion { kBoolean, kInteger, kDateTime };

struct DeclaredType {
  const char* name;  // compared exactly, letter case included
  Conversion conversion;
};

constexpr DeclaredType kDeclaredTypes[] = {
    {"boolean", Conversion::kBoolean},
    {"int", Conversion::kInteger},
    {"dateTime", Conversion::kDateTime},
};

std::string DecodeEscapes(const std::string& text) { return TranslateEscapes(text, false); }

}  // namespace

bool CDOMDocument2::ReadNodeText(const XmlNodeHandle& node, TypedValue& value) {
  try {
    if (node->HasChildNodes()) {
      // The last text child wins; CDATA sections and other children are skipped.
      for (const XmlNodeHandle& child : node->ChildNodes()) {
        if (child->Type() == XmlNodeType::kText) value = TypedValue::Text(child->Text());
      }
    } else {
      value = TypedValue::Text(node->Text());
    }
    return true;
  } catch (const platform::XmlError& error) {
    ReportComError(error);
    return false;
  }
}

bool CDOMDocument2::GetNodeValue(const XmlNodeHandle& node, TypedValue& value) {
  if (node == nullptr) return false;
  if (!ReadNodeText(node, value)) return false;
  if (node->Type() == XmlNodeType::kText) return true;

  std::optional<std::string> data_type;
  try {
    data_type = node->DataType();
  } catch (const platform::XmlError& error) {
    platform::WriteDebugOutput(kDataTypeFailure);
    ReportComError(error);
    return false;
  }
  if (!data_type) return true;

  for (const DeclaredType& declared : kDeclaredTypes) {
    if (*data_type != declared.name) continue;
    switch (declared.conversion) {
      case Conversion::kBoolean:
        value = ConvertToBoolean(value);
        break;
      case Conversion::kInteger:
        value = ConvertToInteger(value);
        break;
      case Conversion::kDateTime:
        if (!ParseDateTime(value.TextForm(), value)) return false;
        break;
    }
    break;
  }
  return true;
}

bool CDOMDocument2::GetNodeValueString(const XmlNodeHandle& node, std::string& text) {
  TypedValue value;
  if (!GetNodeValue(node, value)) return false;
  text = DecodeEscapes(value.TextForm());
  return true;
}

bool CDOMDocument2::GetNodeValueInt(const XmlNodeHandle& node, std::int32_t& number) {
  number = 0;
  TypedValue value;
  if (!GetNodeValue(node, value)) return false;
  switch (value.kind()) {
    case TypedValue::Kind::kInteger:
      number = value.integer();
      return true;
    case TypedValue::Kind::kText:
    case TypedValue::Kind::kBoolean:
      number = ParseLeadingInt(value.TextForm());
      return true;
    default:
      return false;
  }
}

bool CDOMDocument2::GetAttribute(const XmlElementHandle& element, std::string_view name,
                                 TypedValue& value) {
  if (!element) return false;
  try {
    std::optional<std::string> attribute = element.node()->GetAttribute(name);
    if (!attribute) {
      value = TypedValue::Null();
      return false;
    }
    value = TypedValue::Text(DecodeEscapes(*attribute));
    return true;
  } catch (const platform::XmlError&) {
    return false;
  }
}

bool CDOMDocument2::GetAttributeString(const XmlElementHandle& element, std::string_view name,
                                       std::string& text) {
  TypedValue value;
  if (!GetAttribute(element, name, value)) return false;
  text = DecodeEscapes(value.TextForm());
  return true;
}

}  // namespace radlyn
