#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "xml/dom_document2.h"
#include "xml/recording_debug_output.h"

namespace radlyn {
namespace {

constexpr char kDt[] = " xmlns:dt=\"urn:schemas-microsoft-com:datatypes\"";

std::string Typed(const std::string& type, const std::string& content) {
  return std::string("<A") + kDt + " dt:dt=\"" + type + "\">" + content + "</A>";
}

struct IntResult {
  bool ok;
  std::int32_t number;
};

struct NodeCase {
  const char* name;
  std::string document;
  const char* xpath;
  std::optional<TypedValue> value;  // std::nullopt: GetNodeValue answers false
  std::optional<std::string> text;  // std::nullopt: GetNodeValueString answers false
  IntResult integer;
};

TEST(NodeValuesTest, ReadsNodesByTheirDeclaredType) {
  const XmlDateTime may6{2013, 5, 6, 10, 20, 30};
  const XmlDateTime may6_midnight{2013, 5, 6, 0, 0, 0};
  const NodeCase kCases[] = {
      {"int", Typed("int", "42"), "/A", TypedValue::Integer(42), "42", {true, 42}},
      {"int with blanks and sign",
       Typed("int", " -42\n"),
       "/A",
       TypedValue::Integer(-42),
       "-42",
       {true, -42}},
      {"untyped number and text",
       "<A>12abc</A>",
       "/A",
       TypedValue::Text("12abc"),
       "12abc",
       {true, 12}},
      {"untyped text", "<A>abc</A>", "/A", TypedValue::Text("abc"), "abc", {true, 0}},
      {"untyped negative", "<A>-7</A>", "/A", TypedValue::Text("-7"), "-7", {true, -7}},
      {"string", Typed("string", "5,6"), "/A", TypedValue::Text("5,6"), "5,6", {true, 5}},
      {"unknown type name", Typed("integer", "x"), "/A", TypedValue::Text("x"), "x", {true, 0}},
      // The parser names the types it knows in its own spelling, whatever the document's.
      {"type name in other letters",
       Typed("Int", "42"),
       "/A",
       TypedValue::Integer(42),
       "42",
       {true, 42}},
      {"string keeps no surrounding blanks",
       Typed("string", " 5,6\n"),
       "/A",
       TypedValue::Text("5,6"),
       "5,6",
       {true, 5}},
      {"dateTime",
       Typed("dateTime", "2013-05-06T10:20:30"),
       "/A",
       TypedValue::DateTime(may6),
       "2013-05-06T10:20:30",
       {false, 0}},
      {"date only",
       Typed("dateTime", "2013-05-06"),
       "/A",
       TypedValue::DateTime(may6_midnight),
       "2013-05-06T00:00:00",
       {false, 0}},
      {"malformed dateTime",
       Typed("dateTime", "2013-13-01"),
       "/A",
       std::nullopt,
       std::nullopt,
       {false, 0}},
      {"empty dateTime", Typed("dateTime", ""), "/A", std::nullopt, std::nullopt, {false, 0}},
      {"boolean", Typed("boolean", "true"), "/A", TypedValue::Boolean(true), "1", {true, 1}},
      {"boolean number", Typed("boolean", "0"), "/A", TypedValue::Boolean(false), "0", {true, 0}},
      {"last text child wins",
       "<A>12<!--c-->34</A>",
       "/A",
       TypedValue::Text("34"),
       "34",
       {true, 34}},
      {"CDATA only", "<A><![CDATA[5]]></A>", "/A", TypedValue(), "", {false, 0}},
      {"CDATA only, int",
       Typed("int", "<![CDATA[5]]>"),
       "/A",
       TypedValue::Integer(0),
       "0",
       {true, 0}},
      {"text beside CDATA", "<A>7<![CDATA[5]]></A>", "/A", TypedValue::Text("7"), "7", {true, 7}},
      {"only an element child", "<A><B>5</B></A>", "/A", TypedValue(), "", {false, 0}},
      {"empty element", "<A/>", "/A", TypedValue::Text(""), "", {true, 0}},
      {"escapes decoded in text form",
       "<A>a||n||b&#x27;</A>",
       "/A",
       TypedValue::Text("a||n||b'"),
       "a\nb'",
       {true, 0}},
      {"escape sequence kept by GetNodeValue",
       "<A>x||r|n||y</A>",
       "/A",
       TypedValue::Text("x||r|n||y"),
       "x\r\ny",
       {true, 0}},
      {"text node ignores the declaration",
       Typed("int", "abc"),
       "/A/text()",
       TypedValue::Text("abc"),
       "abc",
       {true, 0}},
      {"attribute node", "<A b=\"9\"/>", "/A/@b", TypedValue::Text("9"), "9", {true, 9}},
  };
  for (const NodeCase& c : kCases) {
    SCOPED_TRACE(c.name);
    CDOMDocument2 document;
    ASSERT_EQ(document.LoadXML(c.document), 0);
    XmlNodeHandle node = document.selectSingleNode(c.xpath);
    ASSERT_NE(node, nullptr);

    TypedValue value;
    EXPECT_EQ(document.GetNodeValue(node, value), c.value.has_value());
    if (c.value) {
      EXPECT_EQ(value, *c.value);
    }

    std::string text = "untouched";
    EXPECT_EQ(document.GetNodeValueString(node, text), c.text.has_value());
    EXPECT_EQ(text, c.text.value_or("untouched"));

    std::int32_t number = -99;
    EXPECT_EQ(document.GetNodeValueInt(node, number), c.integer.ok);
    EXPECT_EQ(number, c.integer.number);
  }
}

TEST(NodeValuesTest, MalformedDateTimeKeepsItsText) {
  CDOMDocument2 document;
  ASSERT_EQ(document.LoadXML(Typed("dateTime", "2013-02-29")), 0);
  TypedValue value;
  EXPECT_FALSE(document.GetNodeValue(document.selectSingleNode("/A"), value));
  EXPECT_EQ(value, TypedValue::Text("2013-02-29"));
}

TEST(NodeValuesTest, UnconvertibleIntAndBooleanTextIsRaised) {
  const std::string kDocuments[] = {
      Typed("int", "12abc"),   Typed("int", ""),           Typed("int", "1 2"),
      Typed("int", "+"),       Typed("int", "2147483648"), Typed("int", "-99999999999"),
      Typed("boolean", "yes"), Typed("boolean", ""),
  };
  for (const std::string& text : kDocuments) {
    SCOPED_TRACE(text);
    CDOMDocument2 document;
    ASSERT_EQ(document.LoadXML(text), 0);
    XmlNodeHandle node = document.selectSingleNode("/A");
    TypedValue value;
    std::string string_value;
    std::int32_t number = 0;
    EXPECT_THROW(document.GetNodeValue(node, value), platform::XmlError);
    EXPECT_THROW(document.GetNodeValueString(node, string_value), platform::XmlError);
    EXPECT_THROW(document.GetNodeValueInt(node, number), platform::XmlError);
  }
}

TEST(NodeValuesTest, Int32LimitsConvert) {
  CDOMDocument2 document;
  std::int32_t number = 0;
  ASSERT_EQ(document.LoadXML(Typed("int", "-2147483648")), 0);
  EXPECT_TRUE(document.GetNodeValueInt(document.selectSingleNode("/A"), number));
  EXPECT_EQ(number, INT32_MIN);
  ASSERT_EQ(document.LoadXML(Typed("int", "2147483647")), 0);
  EXPECT_TRUE(document.GetNodeValueInt(document.selectSingleNode("/A"), number));
  EXPECT_EQ(number, INT32_MAX);
}

TEST(NodeValuesTest, EmptyHandlesAnswerFalseAndLeaveOutputsAlone) {
  testing::RecordingDebugOutput debug;
  CDOMDocument2 document;
  TypedValue value = TypedValue::Text("kept");
  std::string text = "kept";
  std::int32_t number = 5;
  EXPECT_FALSE(document.GetNodeValue(nullptr, value));
  EXPECT_FALSE(document.GetNodeValueString(nullptr, text));
  EXPECT_FALSE(document.GetNodeValueInt(nullptr, number));
  EXPECT_FALSE(document.GetAttribute(XmlElementHandle(), "a", value));
  EXPECT_FALSE(document.GetAttributeString(XmlElementHandle(), "a", text));
  EXPECT_EQ(value, TypedValue::Text("kept"));
  EXPECT_EQ(text, "kept");
  EXPECT_EQ(number, 0);
  EXPECT_EQ(debug.text(), "");
}

TEST(NodeValuesTest, AttributesAreReadAsDecodedText) {
  testing::RecordingDebugOutput debug;
  CDOMDocument2 document;
  ASSERT_EQ(document.LoadXML(std::string("<A") + kDt +
                             " data=\"a||n||b\" empty=\"\" dt:dt=\"int\" quote=\"&lt;x&gt;\"/>"),
            0);
  XmlElementHandle a = document.ToElement(document.selectSingleNode("/A"));
  ASSERT_TRUE(a);

  TypedValue value;
  EXPECT_TRUE(document.GetAttribute(a, "data", value));
  EXPECT_EQ(value, TypedValue::Text("a\nb"));

  std::string text;
  EXPECT_TRUE(document.GetAttributeString(a, "data", text));
  EXPECT_EQ(text, "a\nb");
  EXPECT_TRUE(document.GetAttributeString(a, "empty", text));
  EXPECT_EQ(text, "");
  EXPECT_TRUE(document.GetAttributeString(a, "dt:dt", text));
  EXPECT_EQ(text, "int");
  EXPECT_TRUE(document.GetAttributeString(a, "quote", text));
  EXPECT_EQ(text, "<x>");

  text = "untouched";
  EXPECT_FALSE(document.GetAttribute(a, "missing", value));
  EXPECT_EQ(value.kind(), TypedValue::Kind::kNull);
  EXPECT_FALSE(document.GetAttributeString(a, "missing", text));
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(debug.text(), "");
}

}  // namespace
}  // namespace radlyn
