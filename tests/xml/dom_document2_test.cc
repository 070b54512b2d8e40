#include "xml/dom_document2.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "xml/recording_debug_output.h"

namespace radlyn {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// A parser that counts the documents it creates, or creates none at all.
class CountingParser : public platform::XmlParser {
 public:
  explicit CountingParser(bool can_create = true) : can_create_(can_create) {}
  std::unique_ptr<platform::XmlDocument> CreateDocument() override {
    ++created;
    if (!can_create_) return nullptr;
    return platform::XmlParser::Native().CreateDocument();
  }
  std::string Name() override { return platform::XmlParser::Native().Name(); }
  int created = 0;

 private:
  bool can_create_;
  platform::ScopedService<platform::XmlParser> installed_{*this};
};

std::string TextOf(const XmlNodeHandle& node) { return node == nullptr ? "<none>" : node->Text(); }

TEST(DomDocument2Test, SelectBeforeAnyLoadWarnsWithoutCreatingAParserDocument) {
  testing::RecordingDebugOutput debug;
  CountingParser parser;
  CDOMDocument2 document;
  EXPECT_EQ(document.selectSingleNode("/A"), nullptr);
  EXPECT_EQ(debug.text(),
            "   Warning: CDOMDocument2::selectSingleNode() document not initialized.\n");
  EXPECT_EQ(parser.created, 0);
}

TEST(DomDocument2Test, TextsThatAreNotWellFormedAreRejectedQuietly) {
  const char* const kTexts[] = {
      "",
      "not xml",
      "<A>",
      "<A></B>",
      "<A/><B/>",
      "<A>&undeclared;</A>",
      "<A>\x01</A>",
      "<A x='1' x='2'/>",
#ifndef _WIN32
      // Undeclared prefixes, which Windows' MSXML rejects as well and Wine's accepts.
      "<A dt:dt='int'/>",
      "<x:A/>",
#endif
  };
  for (const char* text : kTexts) {
    SCOPED_TRACE(text);
    testing::RecordingDebugOutput debug;
    CDOMDocument2 document;
    EXPECT_EQ(document.LoadXML(text), CDOMDocument2::kLoadFailed);
    EXPECT_FALSE(document.ParserMissing());
    EXPECT_EQ(document.selectSingleNode("/A"), nullptr);
    EXPECT_EQ(debug.text(), "");
  }
}

TEST(DomDocument2Test, ParserThatCannotBeCreatedFailsTheLoadSilently) {
  testing::RecordingDebugOutput debug;
  CountingParser parser(/*can_create=*/false);
  CDOMDocument2 document;
  EXPECT_FALSE(document.ParserMissing());
  EXPECT_EQ(document.LoadXML("<A/>"), static_cast<std::int32_t>(0x80004005));
  EXPECT_TRUE(document.ParserMissing());
  EXPECT_EQ(debug.text(), "");
}

TEST(DomDocument2Test, LaterLoadsReplaceTheContentOfTheSameParserDocument) {
  CountingParser parser;
  CDOMDocument2 document;
  ASSERT_EQ(document.LoadXML("<A><B>1</B></A>"), 0);
  ASSERT_EQ(document.LoadXML("<C>2</C>"), 0);
  EXPECT_EQ(document.selectSingleNode("/A/B"), nullptr);
  EXPECT_EQ(TextOf(document.selectSingleNode("/C")), "2");
  // A rejected text leaves no content behind.
  EXPECT_EQ(document.LoadXML("<C>"), CDOMDocument2::kLoadFailed);
  EXPECT_EQ(document.selectSingleNode("/C"), nullptr);
  EXPECT_EQ(parser.created, 1);
}

TEST(DomDocument2Test, SelectionTakesTheFirstNodeAndMatchesNamesExactly) {
  testing::RecordingDebugOutput debug;
  CDOMDocument2 document;
  ASSERT_EQ(document.LoadXML("<R><F>1</F><F1>2</F1><F>3</F><f>4</f></R>"), 0);
  EXPECT_EQ(TextOf(document.selectSingleNode("/R/F")), "1");
  EXPECT_EQ(TextOf(document.selectSingleNode("/R/F1")), "2");
  EXPECT_EQ(TextOf(document.selectSingleNode("/R/f")), "4");
  EXPECT_EQ(document.selectSingleNode("/R/F2"), nullptr);
  EXPECT_EQ(document.selectSingleNode("/F"), nullptr);
  EXPECT_EQ(debug.text(), "");
  // Results that are not nodes of the tree are errors, reported, and select nothing.
  EXPECT_EQ(document.selectSingleNode("count(/R/F)"), nullptr);
  EXPECT_THAT(debug.text(), StartsWith("Warning: COM Error caught\n\a\tCode = 0x80004005\n"));
  EXPECT_EQ(document.selectSingleNode("/R/namespace::*"), nullptr);
}

TEST(DomDocument2Test, InvalidExpressionIsReportedAndSelectsNothing) {
  testing::RecordingDebugOutput debug;
  CDOMDocument2 document;
  ASSERT_EQ(document.LoadXML("<R/>"), 0);
  EXPECT_EQ(document.selectSingleNode("/R/["), nullptr);
  EXPECT_THAT(debug.text(), StartsWith("Warning: COM Error caught\n\a\tCode = 0x"));
  EXPECT_THAT(debug.text(), HasSubstr("\a\tCode meaning = "));
#ifndef _WIN32
  EXPECT_THAT(debug.text(), HasSubstr("\a\tSource = libxml2\n"));
#endif
}

TEST(DomDocument2Test, WhitespaceOnlyTextNodesAreDropped) {
  CDOMDocument2 document;
  ASSERT_EQ(document.LoadXML("<A>\n  <B>x</B>\n  <C>  </C>\t<D xml:space=\"preserve\"> </D></A>"),
            0);
  XmlNodeHandle a = document.selectSingleNode("/A");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->ChildNodes().size(), 3u);
  EXPECT_FALSE(document.selectSingleNode("/A/C")->HasChildNodes());
  EXPECT_EQ(TextOf(document.selectSingleNode("/A/D")), " ");
  // As in MSXML, a text loses the blanks around it; an element's text joins what removed
  // whitespace separated with one blank; CDATA keeps its blanks.
  ASSERT_EQ(document.LoadXML("<A> x <B>y</B>\n <C> z </C><![CDATA[ c ]]></A>"), 0);
  EXPECT_EQ(TextOf(document.selectSingleNode("/A/text()")), "x");
  EXPECT_EQ(TextOf(document.selectSingleNode("/A")), "x y  z  c ");
}

TEST(DomDocument2Test, ToElementGivesAnEmptyHandleForOtherNodes) {
  CDOMDocument2 document;
  ASSERT_EQ(document.LoadXML("<A b=\"1\">t<!--c--></A>"), 0);
  EXPECT_TRUE(document.ToElement(document.selectSingleNode("/A")));
  EXPECT_FALSE(document.ToElement(document.selectSingleNode("/A/text()")));
  EXPECT_FALSE(document.ToElement(document.selectSingleNode("/A/comment()")));
  EXPECT_FALSE(document.ToElement(document.selectSingleNode("/A/@b")));
  EXPECT_FALSE(document.ToElement(nullptr));
}

TEST(DomDocument2Test, NodeHandlesStayUsableAfterTheDocumentIsGone) {
  XmlNodeHandle node;
  XmlNodeHandle earlier;
  {
    CDOMDocument2 document;
    ASSERT_EQ(document.LoadXML("<A><B>kept</B></A>"), 0);
    earlier = document.selectSingleNode("/A/B");
    ASSERT_EQ(document.LoadXML("<A><B>later</B></A>"), 0);
    node = document.selectSingleNode("/A/B");
  }
  EXPECT_EQ(TextOf(earlier), "kept");
  EXPECT_EQ(TextOf(node), "later");
  EXPECT_EQ(node->Xml(), "<B>later</B>");
}

TEST(DomDocument2Test, TextsCrossInTheAnsiCodePage) {
  CDOMDocument2 document;
  // "café" and "€" in Windows-1252; the declared encoding of the text does not matter.
  ASSERT_EQ(document.LoadXML("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
                             "<A b=\"\x80\">caf\xE9</A>"),
            0);
  XmlNodeHandle a = document.selectSingleNode("/A");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Text(), "caf\xE9");
  EXPECT_EQ(a->GetAttribute("b"), "\x80");
  EXPECT_EQ(a->Xml(), "<A b=\"\x80\">caf\xE9</A>");
  EXPECT_EQ(TextOf(document.selectSingleNode("/A[@b='\x80']")), "caf\xE9");
}

TEST(DomDocument2Test, SerialisationIsTheNodeMarkupAsMsxmlWritesIt) {
  const std::string ini =
      "<INI><FILTERCLASS xmlns:dt=\"urn:schemas-microsoft-com:datatypes\" dt:dt=\"int\">1"
      "</FILTERCLASS><WWE>1,2&amp;3 &lt;x&gt;</WWE></INI>";
  CDOMDocument2 document;
  ASSERT_EQ(document.LoadXML("<R>" + ini + "</R>"), 0);
  // Elements that hold only elements are indented with tabs, lines end in CR LF.
  EXPECT_EQ(document.selectSingleNode("/R/INI")->Xml(),
            "<INI>\r\n\t<FILTERCLASS xmlns:dt=\"urn:schemas-microsoft-com:datatypes\" "
            "dt:dt=\"int\">1</FILTERCLASS>\r\n\t<WWE>1,2&amp;3 &lt;x&gt;</WWE>\r\n</INI>");
  // A prefix declared on an ancestor is not declared again.
  ASSERT_EQ(document.LoadXML("<R xmlns:dt=\"urn:schemas-microsoft-com:datatypes\"><INI><A "
                             "dt:dt=\"int\">1</A><B>a\nb</B></INI></R>"),
            0);
  EXPECT_EQ(document.selectSingleNode("/R/INI")->Xml(),
            "<INI>\r\n\t<A dt:dt=\"int\">1</A>\r\n\t<B>a\r\nb</B>\r\n</INI>");
}

TEST(DomDocument2Test, AttributesDistinguishAbsentFromEmpty) {
  CDOMDocument2 document;
  ASSERT_EQ(document.LoadXML("<!DOCTYPE R [<!ATTLIST A d CDATA \"dflt\">]>"
                             "<R xmlns:r=\"urn:r\"><A xmlns:p=\"urn:x\" e=\"\" p:q=\"1\"/></R>"),
            0);
  XmlNodeHandle a = document.selectSingleNode("/R/A");
  EXPECT_EQ(a->GetAttribute("e"), "");
  EXPECT_FALSE(document.selectSingleNode("/R/A/@e")->HasChildNodes());
  EXPECT_EQ(a->GetAttribute("missing"), std::nullopt);
  EXPECT_EQ(a->GetAttribute("p:q"), "1");
  EXPECT_EQ(a->GetAttribute("q"), std::nullopt);
  EXPECT_EQ(a->GetAttribute("xmlns:p"), "urn:x");
  // As in MSXML: a declaration in scope and a default of the DTD read as attributes.
  EXPECT_EQ(a->GetAttribute("xmlns:r"), "urn:r");
  EXPECT_EQ(a->GetAttribute("d"), "dflt");
}

TEST(DomDocument2Test, ExternalEntitiesAreNeverRead) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "radlyn-xml-external-entity.txt";
  std::ofstream(path) << "SECRET";
  const std::string uri = "file://" + path.string();
  const std::string texts[] = {
      "<!DOCTYPE A [<!ENTITY e SYSTEM \"" + uri + "\">]><A>&e;</A>",
      "<!DOCTYPE A [<!ENTITY % p SYSTEM \"" + uri + "\"> %p;]><A>x</A>",
      "<!DOCTYPE A SYSTEM \"" + uri + "\"><A>x</A>",
      "<!DOCTYPE A [<!ENTITY e SYSTEM \"" + uri + "\">]><A b=\"&e;\"/>",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    CDOMDocument2 document;
    if (document.LoadXML(text) != 0) continue;
    XmlNodeHandle a = document.selectSingleNode("/A");
    ASSERT_NE(a, nullptr);
    EXPECT_THAT(a->Text(), Not(HasSubstr("SECRET")));
    EXPECT_THAT(a->Xml(), Not(HasSubstr("SECRET")));
    EXPECT_THAT(a->GetAttribute("b").value_or(""), Not(HasSubstr("SECRET")));
  }
  std::filesystem::remove(path);
}

TEST(DomDocument2Test, ExponentialEntitiesAreRejectedOrLeftUnexpanded) {
  std::string text = "<!DOCTYPE A [<!ENTITY e0 \"xxxxxxxxxx\">";
  for (int i = 1; i < 12; ++i) {
    std::string previous = "&e" + std::to_string(i - 1) + ";";
    std::string value;
    for (int k = 0; k < 10; ++k) value += previous;
    text += "<!ENTITY e" + std::to_string(i) + " \"" + value + "\">";
  }
  text += "]><A b=\"&e11;\">&e11;</A>";
  CDOMDocument2 document;
  if (document.LoadXML(text) != 0) return;
  XmlNodeHandle a = document.selectSingleNode("/A");
  ASSERT_NE(a, nullptr);
  EXPECT_LT(a->Xml().size(), 1000u);
  EXPECT_LT(a->GetAttribute("b").value_or("").size(), 1000u);
}

}  // namespace
}  // namespace radlyn
