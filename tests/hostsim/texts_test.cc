// Texts other components read back: the calls log's quoting and the extension text's escaping.
#include <gtest/gtest.h>

#include <string>

#include "core/call_log.h"
#include "core/extension_block.h"

namespace hostsim {
namespace {

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// What an XML parser makes of an attribute value holding only these five references.
std::string ParseAttribute(std::string text) {
  text = ReplaceAll(text, "&lt;", "<");
  text = ReplaceAll(text, "&gt;", ">");
  text = ReplaceAll(text, "&quot;", "\"");
  return ReplaceAll(text, "&amp;", "&");
}

// The data attribute of an extension text.
std::string DataAttribute(const std::string& extension) {
  const std::string open = "<EXTENSION><POSTPROCESSING data=\"";
  const std::string close = "\"/></EXTENSION>";
  EXPECT_EQ(extension.rfind(open, 0), 0u);
  EXPECT_EQ(extension.substr(extension.size() - close.size()), close);
  return extension.substr(open.size(), extension.size() - open.size() - close.size());
}

TEST(CallLogTexts, QuotingKeepsEveryByteReadable) {
  struct Case {
    std::string text;
    const char* quoted;
  };
  const Case cases[] = {
      {"Miller", R"("Miller")"},
      {R"(say "hi")", R"("say \"hi\"")"},
      {R"(C:\x)", R"("C:\\x")"},
      {"M\xFCller", R"("M\xFCller")"},
      {std::string("a\0b", 3), R"("a\x00b")"},
      {"line\r\n", R"("line\x0D\x0A")"},
  };
  for (const Case& c : cases) EXPECT_EQ(Quoted(c.text), c.quoted);
  EXPECT_EQ(QuotedOrNull(nullptr), "null");
  EXPECT_EQ(Hex32(0x201), "0x00000201");
  const unsigned char area[4] = {0, 0, 0x1A, 0};
  EXPECT_EQ(Bytes(area, 2), "zero2");
  EXPECT_EQ(Bytes(area, 4), "00001A00");
  // Parts given in any order still make NAME(ARGS) = RESULT DETAILS.
  EXPECT_EQ(LogLine("F").Detail("k", 1).Result(0).Arg(2).Arg(R"("x")").Text(),
            R"(F(2, "x") = 0 k=1)");
}

TEST(ExtensionTexts, TheReaderRestoresTheDocumentFromEitherEscaping) {
  const std::string ini =
      R"(<FILTERCLASS xmlns:dt="urn:schemas-microsoft-com:datatypes" dt:dt="int">1</FILTERCLASS>)"
      R"(<WWE dt:dt="string">a&amp;b</WWE>)";
  const std::string document = "<TAVORAAUTOPOST><INI>" + ini + "</INI></TAVORAAUTOPOST>";
  for (int escaping : {1, 2}) {
    std::string data = DataAttribute(ExtensionText(ini, escaping));
    EXPECT_EQ(data.find_first_of("<>\""), std::string::npos) << escaping;
    // The parser decodes the attribute once; radlyn then turns &gt;, &lt;, &quot; back.
    std::string read = ParseAttribute(data);
    if (escaping == 2) {
      EXPECT_EQ(read.find('<'), std::string::npos);
    }
    read = ReplaceAll(ReplaceAll(ReplaceAll(read, "&gt;", ">"), "&lt;", "<"), "&quot;", "\"");
    EXPECT_EQ(read, document) << escaping;
  }
}

}  // namespace
}  // namespace hostsim
