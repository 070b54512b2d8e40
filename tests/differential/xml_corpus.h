// XML documents and node queries for comparing the XML parser backends of the two platforms.
//
// The documents exercise what CDOMDocument2 relies on: values under every declared data type it
// converts ("int", "boolean", "dateTime", "string") and under none or another one, with blanks,
// signs, ranges, boolean words and date forms; whitespace around and between text; the markup of
// an element whose namespace prefix is declared on an ancestor; CDATA, comments, character and
// entity references; documents with an internal or external DTD; texts that are not
// well-formed; and attributes read by name.
#pragma once

#include <string>
#include <vector>

namespace radlyn::differential {

struct XmlCase {
  std::string document;              // ANSI text, as LoadXML takes it
  std::vector<std::string> queries;  // "XPATH [ATTRIBUTE...]", fields escaped (probe_fields.h)
};

std::vector<XmlCase> XmlCorpus();

}  // namespace radlyn::differential
