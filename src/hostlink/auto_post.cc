// Auto-post-processing: the auto-post document built during the exposure, and the filters
// applied to the held image from it afterwards.
#include "hostlink/auto_post.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "hostlink/morlund_folder.h"
#include "hostlink/morlund_link.h"
#include "hostlink/status_maps.h"
#include "platform/clock.h"
#include "resources/string_table.h"
#include "support/error_numbers.h"
#include "support/event_log.h"
#include "support/text_number.h"
#include "xml/dom_document2.h"

namespace radlyn {
namespace {

namespace take = records::take;

constexpr char kSettingsFileName[] = "morlund.ini";
constexpr char kSettingsSection[] = "AutoPost";
constexpr std::uint32_t kWweBufferSize = 260;
// "FilterClass1", "FilterClass2", ... are read until the first 0. The bound keeps a settings
// source that never answers 0 from hanging the exposure; only the first two are ever applied.
constexpr std::uint32_t kMaxFurtherFilterClasses = 1000;

constexpr char kDocumentRoot[] = "TAVORAAUTOPOST";
constexpr char kDataTypes[] = "xmlns:dt=\"urn:schemas-microsoft-com:datatypes\"";
constexpr char kStringType[] = " dt:dt=\"string\"";
constexpr char kIntType[] = " dt:dt=\"int\"";
constexpr char kDateTimeType[] = " dt:dt=\"dateTime\"";

// The take's texts that describe it in the document, each left out when empty.
struct TakeText {
  const char* element;
  records::Field field;
};
constexpr TakeText kTakeTexts[] = {{"HW", take::kHardware},
                                   {"XRAYPARAM", take::kExposureParameters},
                                   {"AUTOCORR", take::kAutoCorrection}};

constexpr char kPostProcessingPath[] = "/EXTENSION/POSTPROCESSING";
constexpr char kPostProcessingAttribute[] = "data";
constexpr char kIniPath[] = "/TAVORAAUTOPOST/INI";
constexpr char kWwePath[] = "/TAVORAAUTOPOST/INI/WWE";
// The filter classes that are applied, in this order; higher numbers are never applied.
constexpr const char* kFilterClassPaths[] = {"/TAVORAAUTOPOST/INI/FILTERCLASS",
                                             "/TAVORAAUTOPOST/INI/FILTERCLASS1",
                                             "/TAVORAAUTOPOST/INI/FILTERCLASS2"};

// Escapes that the extension's "data" attribute may still carry, undone in this order.
constexpr std::pair<const char*, const char*> kDataUnescapes[] = {
    {"&gt;", ">"}, {"&lt;", "<"}, {"&quot;", "\""}};

constexpr char kFilterError[] = "Error during auto-post-processing";
// Written instead of the missing-settings warning when the workstation has no XML parser, which
// would otherwise send support looking for settings that are there.
constexpr char kNoParserBefore[] = "RADLYN - Couldn't create an XML parser (";
constexpr char kNoParserAfter[] = "). No auto post processing possible.";

struct FilterTableEntry {
  std::int32_t filter_class;
  FilterChoice choice;
};

constexpr FilterTableEntry kFilterTable[] = {
    {1, {7, false}},
    {2, {9, true}},
    {3, {4, false}},
};
constexpr FilterChoice kOtherFilter = {0, false};

// WWE values: index, replacement, upper limit (as unsigned); index 2 is replaced at 0 too.
struct WweLimit {
  std::size_t index;
  std::int32_t replacement;
  std::uint32_t limit;
};

constexpr WweLimit kWweLimits[] = {
    {2, 7000, 30000},
    {3, 0, 30000},
    {4, 1000, 30000},
    {5, 40, 1000},
};

// The predefined entities of XML.
constexpr const char* kPredefinedEntities[] = {"lt;", "gt;", "amp;", "quot;", "apos;"};

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

bool IsDigit(char c, bool hexadecimal) {
  if (c >= '0' && c <= '9') return true;
  return hexadecimal && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

// The length of the reference that starts with the "&" at the start of `text`, or 0 when it is
// no predefined or numeric character reference.
std::size_t ReferenceLength(std::string_view text) {
  const std::string_view rest = text.substr(1);
  for (std::string_view entity : kPredefinedEntities) {
    if (rest.starts_with(entity)) return 1 + entity.size();
  }
  if (!rest.starts_with('#')) return 0;
  const bool hexadecimal = rest.size() > 1 && rest[1] == 'x';
  std::size_t i = hexadecimal ? 2 : 1;
  const std::size_t first_digit = i;
  while (i < rest.size() && IsDigit(rest[i], hexadecimal)) ++i;
  if (i == first_digit || i >= rest.size() || rest[i] != ';') return 0;
  return 1 + i + 1;
}

bool IsCharacterData(std::string_view text) {
  if (text.find("]]>") != std::string_view::npos) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<') return false;
    if (text[i] == '&') {
      const std::size_t length = ReferenceLength(text.substr(i));
      if (length == 0) return false;
      i += length - 1;
    }
  }
  return true;
}

std::string Element(std::string_view name, std::string_view attributes, std::string_view text) {
  std::string element;
  element.append("<").append(name).append(attributes).append(">");
  element.append(AsDocumentText(text));
  element.append("</").append(name).append(">");
  return element;
}

std::string CreationTime() {
  const platform::LocalTime now = platform::GetClock().Now();
  char text[64];
  std::snprintf(text, sizeof text, "%4u-%02u-%02uT%02u:%02u:%02u", static_cast<unsigned>(now.year),
                static_cast<unsigned>(now.month), static_cast<unsigned>(now.day),
                static_cast<unsigned>(now.hour), static_cast<unsigned>(now.minute),
                static_cast<unsigned>(now.second));
  return text;
}

// The INI element carried by the take's extension text, or empty text when it has none.
std::string IniElementFromExtensionText(const std::string& extension, bool& parser_missing) {
  std::string data;
  {
    CDOMDocument2 document;
    if (document.LoadXML(extension) != 0) {
      parser_missing = document.ParserMissing();
      return {};
    }
    XmlNodeHandle node = document.selectSingleNode(kPostProcessingPath);
    if (node == nullptr) return {};
    if (!document.GetAttributeString(document.ToElement(node), kPostProcessingAttribute, data)) {
      return {};
    }
  }
  for (const auto& [from, to] : kDataUnescapes) ReplaceAll(data, from, to);

  CDOMDocument2 settings;
  if (settings.LoadXML(data) != 0) return {};
  XmlNodeHandle ini = settings.selectSingleNode(kIniPath);
  if (ini == nullptr) return {};
  return ini->Xml();
}

// The same, with an error of the XML parser counted as no INI element. The exposure has been
// taken when the document is built: a parser that fails here must not cost the job its image,
// only its auto-post-processing, as a text without the element does.
std::string IniElementFromExtension(const std::string& extension, bool& parser_missing) {
  try {
    return IniElementFromExtensionText(extension, parser_missing);
  } catch (const platform::XmlError&) {
    return {};
  }
}

// The INI element from the "AutoPost" section of morlund.ini, read for the take type.
std::string IniElementFromSettings(const ModuleTable& modules, const std::string& take_type) {
  const std::string settings = GetMorlundFolder() + kSettingsFileName;
  const auto read_int = [&](const std::string& key, std::int32_t fallback) {
    if (modules.UTL_GetPrivateProfileIntTakeType == nullptr) return fallback;
    return modules.UTL_GetPrivateProfileIntTakeType(kSettingsSection, key.c_str(),
                                                    take_type.c_str(), fallback, settings.c_str());
  };
  // Filter classes are written as unsigned numbers.
  const auto class_text = [](std::int32_t value) {
    return std::to_string(static_cast<std::uint32_t>(value));
  };

  if (read_int("AutoPost", 1) == 0) return {};
  std::string ini = "<INI>";
  const std::int32_t first_class = read_int("FilterClass", 0);
  if (first_class != 0) {
    const std::string int_type = std::string(" ") + kDataTypes + kIntType;
    ini.append(Element("FILTERCLASS", int_type, class_text(first_class)));
    for (std::uint32_t n = 1; n <= kMaxFurtherFilterClasses; ++n) {
      const std::int32_t value = read_int("FilterClass" + std::to_string(n), 0);
      if (value == 0) break;
      ini.append(Element("FILTERCLASS" + std::to_string(n), int_type, class_text(value)));
    }
    char wwe_text[kWweBufferSize] = {};
    if (modules.UTL_GetPrivateProfileStringTakeType != nullptr) {
      modules.UTL_GetPrivateProfileStringTakeType(kSettingsSection, "WWE", take_type.c_str(), "",
                                                  wwe_text, kWweBufferSize, settings.c_str());
      wwe_text[kWweBufferSize - 1] = '\0';
    }
    if (wwe_text[0] != '\0') {
      ini.append(Element("WWE", std::string(" ") + kDataTypes + kStringType, wwe_text));
    }
  }
  ini.append("</INI>");
  return ini;
}

}  // namespace

WweValues WweValuesFromText(std::string_view text) {
  WweValues values;
  values.fill(-1);
  std::size_t index = 1;
  while (index < wwe::kValueCount) {
    const std::size_t comma = text.find(',');
    values[index++] = ParseLeadingInt(text.substr(0, comma));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  values[0] = static_cast<std::int32_t>(wwe::kSize);
  values[1] = 1;
  if (values[2] == 0) values[2] = kWweLimits[0].replacement;
  for (const WweLimit& limit : kWweLimits) {
    if (static_cast<std::uint32_t>(values[limit.index]) > limit.limit) {
      values[limit.index] = limit.replacement;
    }
  }
  return values;
}

WweBlock::~WweBlock() { Release(); }

WweBlock::WweBlock(WweBlock&& other) noexcept
    : handle_(std::exchange(other.handle_, 0)), address_(std::exchange(other.address_, nullptr)) {}

WweBlock& WweBlock::operator=(WweBlock&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, 0);
    address_ = std::exchange(other.address_, nullptr);
  }
  return *this;
}

void WweBlock::Release() {
  if (handle_ == 0) return;
  auto& memory = platform::GetGlobalMemory();
  if (address_ != nullptr) memory.Unlock(handle_);
  memory.Free(handle_);
  handle_ = 0;
  address_ = nullptr;
}

WweBlock ParseWweValues(std::string_view text) {
  const WweValues values = WweValuesFromText(text);
  WweBlock block;
  auto& memory = platform::GetGlobalMemory();
  block.handle_ = memory.Alloc(wwe::kSize);
  if (block.handle_ == 0) return block;
  auto* bytes = static_cast<std::uint8_t*>(memory.Lock(block.handle_));
  if (bytes == nullptr) {
    block.Release();
    return block;
  }
  for (std::size_t i = 0; i < wwe::kValueCount; ++i) {
    records::WriteU32(bytes, wwe::ValueField(i), static_cast<std::uint32_t>(values[i]));
  }
  block.address_ = bytes;
  return block;
}

std::string GetTakeExtensionText(const std::uint8_t* take_record) {
  const GmHandle handle = records::ReadU32(take_record, take::kExtensionHandle);
  if (handle == 0) return {};
  auto& memory = platform::GetGlobalMemory();
  const auto* block = static_cast<const char*>(memory.Lock(handle));
  if (block == nullptr) return {};
  const std::size_t size = memory.Size(handle);
  const std::size_t first_length = strnlen(block, size);
  std::string text;
  if (size > first_length + 2) {
    const char* second = block + first_length + 1;
    text.assign(second, strnlen(second, size - first_length - 1));
  }
  memory.Unlock(handle);
  return text;
}

FilterChoice FilterForClass(std::int32_t filter_class) {
  for (const FilterTableEntry& entry : kFilterTable) {
    if (entry.filter_class == filter_class) return entry.choice;
  }
  return kOtherFilter;
}

std::string AsDocumentText(std::string_view text) {
  if (IsCharacterData(text)) return std::string(text);
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

void CMorlundLink::BuildAutoPostDocument(const std::uint8_t* take_record) {
  if (post_processed_ != 0) return;
  auto_post_document_.clear();

  std::string document;
  document.append("<").append(kDocumentRoot).append(">");
  document.append("<TAKE ").append(kDataTypes).append(">");
  document.append(Element("CREATED", kDateTimeType, CreationTime()));
  document.append(Element("TYPE", kStringType, GetImageType()));
  document.append(Element("REGIO", kStringType, GetRegio()));
  for (const TakeText& item : kTakeTexts) {
    const std::string_view text = records::ReadText(take_record, item.field);
    if (!text.empty()) document.append(Element(item.element, kStringType, text));
  }
  document.append("</TAKE>");

  const std::string extension = GetTakeExtensionText(take_record);
  if (extension.find(kDocumentRoot) != std::string::npos) {
    bool parser_missing = false;
    const std::string ini = IniElementFromExtension(extension, parser_missing);
    if (!ini.empty()) {
      document.append(ini);
    } else if (!parser_missing) {
      // Without a parser the settings may well be there; processing names the parser instead.
      WriteEventLog("Warning", LoadResourceString(kIdsNoAutoPostElement));
    }
  } else {
    document.append(IniElementFromSettings(modules_, take_type_));
  }
  document.append("</").append(kDocumentRoot).append(">");
  auto_post_document_ = std::move(document);
}

int CMorlundLink::ApplyFilterClass(std::int32_t filter_class, void* wwe_block) {
  const FilterChoice filter = FilterForClass(filter_class);
  if (filter.needs_wwe && wwe_block == nullptr) return 0;
  if (modules_.MGM_FilterEx == nullptr) {  // only with a graphics module that never loaded
    SetError(kErrorModule, kFilterError);
    return 0;
  }
  std::uint8_t zeroed[16] = {};
  const MorlundStatus status =
      modules_.MGM_FilterEx(filter.code, 1, 0, take_handle_, zeroed, wwe_block);
  const std::uint32_t number = MapFilterStatus(status);
  if (number != kErrorNone) {
    SetError(number, kFilterError);
    return 0;
  }
  return 1;
}

bool CMorlundLink::DoAutoPostProcessing() {
  if (!initialized_ || take_handle_ == 0 || GetImageType().empty()) {
    SetError(kErrorParameter, "DoAutoPostProcessing: Not yet callable");
    return false;
  }
  if (post_processed_ != 0) return true;
  if (auto_post_document_.empty()) return true;

  WweBlock wwe;
  int result = 0;
  try {
    CDOMDocument2 document;
    if (document.LoadXML(auto_post_document_) == 0) {
      std::string wwe_text;
      XmlNodeHandle wwe_node = document.selectSingleNode(kWwePath);
      if (wwe_node != nullptr && document.GetNodeValueString(wwe_node, wwe_text)) {
        wwe = ParseWweValues(wwe_text);
      }
      for (const char* path : kFilterClassPaths) {
        std::int32_t filter_class = 0;
        XmlNodeHandle node = document.selectSingleNode(path);
        if (node != nullptr && document.GetNodeValueInt(node, filter_class)) {
          result |= ApplyFilterClass(filter_class, wwe.address());
        }
      }
    } else if (document.ParserMissing()) {
      WriteEventLog("Error", kNoParserBefore + platform::GetXmlParser().Name() + kNoParserAfter);
    }
  } catch (...) {
    SetError(kErrorParameter, "DoAutoPostProcessing: Unknown exception occurred");
    return false;
  }
  post_processed_ = result;
  return true;
}

}  // namespace radlyn
