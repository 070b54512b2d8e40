// Loads XML documents through CDOMDocument2 over this platform's XML parser and prints what every
// selected node answers in one canonical form, so the outputs of the Linux and the Windows build
// can be compared line by line.
//
//   xml_probe generate FOLDER   writes the documents of xml_corpus.h and FOLDER/queries.txt
//   xml_probe run FOLDER        answers FOLDER/queries.txt on standard output
//
// A query line is "FILE XPATH [ATTRIBUTE...]". The first query of a file loads it ("FILE load =
// 0" or "failed"); each query's answer line repeats it and adds "= none" or the node's type,
// child types, text, declared data type, markup, typed value, string and integer forms and the
// attributes asked for.
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "probe_fields.h"
#include "xml/dom_document2.h"
#include "xml_corpus.h"

namespace {

using radlyn::CDOMDocument2;
using radlyn::TypedValue;
using radlyn::XmlNodeHandle;
using radlyn::differential::EscapeField;
using radlyn::differential::ReadBytes;
using radlyn::differential::UnescapeField;

int Generate(const std::string& folder) {
  std::ofstream queries(folder + "/queries.txt", std::ios::binary);
  int number = 0;
  for (const auto& xml_case : radlyn::differential::XmlCorpus()) {
    std::string digits = std::to_string(number++);
    std::string name = std::string(3 - std::min<std::size_t>(3, digits.size()), '0') + digits;
    name += ".xml";
    std::ofstream(folder + "/" + name, std::ios::binary) << xml_case.document;
    for (const std::string& query : xml_case.queries) queries << name << ' ' << query << '\n';
  }
  return queries ? 0 : 1;
}

// The answer of one call, or "raised" when it throws the parser's error.
std::string Answer(const std::function<std::string()>& call) {
  try {
    return call();
  } catch (const radlyn::platform::XmlError&) {
    return "raised";
  }
}

std::string Describe(const TypedValue& value) {
  static constexpr const char* kKinds[] = {"empty",   "null",    "text",
                                           "boolean", "integer", "dateTime"};
  return std::string(kKinds[static_cast<int>(value.kind())]) + ":" + EscapeField(value.TextForm());
}

std::string Describe(CDOMDocument2& document, const XmlNodeHandle& node,
                     const std::vector<std::string>& attributes) {
  if (node == nullptr) return "none";
  std::string answer =
      "type=" + Answer([&] { return std::to_string(static_cast<int>(node->Type())); });
  answer += " children=" + Answer([&] {
              std::string types;
              for (const XmlNodeHandle& child : node->ChildNodes()) {
                types +=
                    (types.empty() ? "" : ",") + std::to_string(static_cast<int>(child->Type()));
              }
              return types.empty() ? std::string("-") : types;
            });
  answer += " text=" + Answer([&] { return EscapeField(node->Text()); });
  answer += " dt=" + Answer([&] {
              std::optional<std::string> type = node->DataType();
              return type ? EscapeField(*type) : std::string("-");
            });
  answer += " xml=" + Answer([&] { return EscapeField(node->Xml()); });
  answer += " value=" + Answer([&] {
              TypedValue value;
              bool read = document.GetNodeValue(node, value);
              return std::string(read ? "" : "false/") + Describe(value);
            });
  answer +=
      " string=" + Answer([&] {
        std::string text;
        return document.GetNodeValueString(node, text) ? EscapeField(text) : std::string("false");
      });
  answer += " int=" + Answer([&] {
              std::int32_t number = 0;
              bool read = document.GetNodeValueInt(node, number);
              return std::string(read ? "" : "false/") + std::to_string(number);
            });
  for (const std::string& name : attributes) {
    answer += " @" + EscapeField(name) + "=" + Answer([&] {
                std::optional<std::string> value = node->GetAttribute(name);
                return value ? EscapeField(*value) : std::string("null");
              });
  }
  return answer;
}

int Run(const std::string& folder) {
  std::ifstream queries(folder + "/queries.txt", std::ios::binary);
  if (!queries) {
    std::cerr << "xml_probe: no queries.txt in " << folder << "\n";
    return 1;
  }
  std::string loaded_name;
  auto document = std::make_unique<CDOMDocument2>();
  std::string line;
  while (std::getline(queries, line)) {
    std::vector<std::string> fields = radlyn::differential::SplitFields(line);
    if (fields.size() < 2) continue;
    if (fields[0] != loaded_name) {
      loaded_name = fields[0];
      document = std::make_unique<CDOMDocument2>();
      std::string text = ReadBytes(folder + radlyn::platform::kPathSeparator + loaded_name);
      std::cout << loaded_name << " load = "
                << Answer([&] { return document->LoadXML(text) == 0 ? "0" : "failed"; }) << "\n";
    }
    std::vector<std::string> attributes;
    for (std::size_t i = 2; i < fields.size(); ++i) attributes.push_back(UnescapeField(fields[i]));
    std::cout << line << " = " << Answer([&] {
      return Describe(*document, document->selectSingleNode(UnescapeField(fields[1])), attributes);
    }) << "\n";
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "generate") return Generate(args[1]);
  if (args.size() == 2 && args[0] == "run") return Run(args[1]);
  std::cerr << "usage: xml_probe generate FOLDER | xml_probe run FOLDER\n";
  return 2;
}
