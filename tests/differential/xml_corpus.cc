#include "xml_corpus.h"

#include <initializer_list>

#include "probe_fields.h"

namespace radlyn::differential {
namespace {

constexpr char kDataTypes[] = " xmlns:dt=\"urn:schemas-microsoft-com:datatypes\"";

// The declared types CDOMDocument2 converts, "string", other spellings and names, and none.
const char* const kTypeNames[] = {"int",     "boolean", "dateTime", "string", "Int",
                                  "BOOLEAN", "i4",      "foo",      nullptr};

// Element contents, read under each declared type.
const char* const kContents[] = {
    "42",
    " 42 ",
    "-7",
    "+5",
    "0",
    "007",
    "12abc",
    "",
    " ",
    "2147483647",
    "2147483648",
    "-2147483648",
    "-2147483649",
    "1.5",
    "1e3",
    "0x10",
    "true",
    "false",
    "TRUE",
    "True",
    "1",
    "-1",
    "yes",
    "2013-05-06T10:20:30",
    "2013-05-06",
    "2013-05-06T10:20",
    "2012-02-29",
    "2013-02-29",
    "2013-05-06t10:20:30",
    "2013-05-06T10:20:30Z",
    "2013-05-06T10:20:30.5",
    "2013-05-06T10:20:30+02:00",
    "0001-01-01",
    "9999-12-31T23:59:59",
    " 2013-05-06 ",
    "x",
    " x ",
    "a  b",
    "a\r\n b",
    "a||n||b",
    "M\xFC"
    "ller \x80",
    "&lt;x&gt; &amp; &#65;&#x4E00;",
    "<![CDATA[5]]>",
    "<![CDATA[ 5 ]]>7",
    "<!--c-->5",
    "5<!--c-->6",
    "<B>5</B>",
    "4<B>5</B>6",
};

std::string Query(std::initializer_list<std::string> fields) {
  std::string line;
  for (const std::string& field : fields) {
    if (!line.empty()) line += ' ';
    line += EscapeField(field);
  }
  return line;
}

void AddTypedValues(std::vector<XmlCase>& corpus) {
  for (const char* type : kTypeNames) {
    for (const char* content : kContents) {
      std::string declaration = type ? std::string(" dt:dt=\"") + type + "\"" : std::string();
      // Under an ancestor that declares the prefix, and on the element itself.
      corpus.push_back(
          {std::string("<R") + kDataTypes + "><V" + declaration + ">" + content + "</V></R>",
           {Query({"/R/V", "dt:dt"}), Query({"/R/V/text()"})}});
    }
  }
  corpus.push_back({std::string("<V") + kDataTypes + " dt:dt=\"int\">42</V>", {Query({"/V"})}});
}

// Whitespace, markup and structure. Not here: a prefix without a declaration, "<p:A/>", which
// Wine's MSXML accepts and the Linux parser rejects as Windows' MSXML does.
const char* const kDocuments[] = {
    "<A>  x  </A>",
    "<A>\n  x\n</A>",
    "<A> </A>",
    "<A xml:space=\"preserve\"> </A>",
    "<A xml:space=\"preserve\"><B> </B> <C/></A>",
    "<A>\n  <B>5</B>\n  <C> 6 </C>\n</A>",
    "<A> a <B/> b </A>",
    "<A>a<B>b</B>c</A>",
    "<A>a\tb\r\nc\rd</A>",
    "<A><![CDATA[ x ]]></A>",
    "<A b=\"1\" c='2' d=\" x \n y \" e=\"&lt;&amp;&#10;\"/>",
    "<A b=\"\"></A>",
    "<R xmlns:p=\"urn:p\"><p:A p:b=\"1\">t</p:A></R>",
    "<R xmlns=\"urn:d\"><A>t</A></R>",
    "<R xmlns:dt=\"urn:schemas-microsoft-com:datatypes\"><A dt:dt=\"int\">5</A><B><C "
    "dt:dt=\"string\"> s </C></B></R>",
    "<R><A xmlns:dt=\"urn:schemas-microsoft-com:datatypes\" dt:dt=\"int\">5</A></R>",
    "<R xmlns:q=\"urn:schemas-microsoft-com:datatypes\"><A q:dt=\"int\">5</A></R>",
    "<R xmlns:dt=\"urn:other\"><A dt:dt=\"int\">5</A></R>",
    "<A>\xE4\xF6\xFC \x80 &#x4E00; &#x100;</A>",
    "<?xml version=\"1.0\"?><A>1</A>",
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><A>\xFC</A>",
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><A>\xFC</A>",
    "<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>\n<A>\x80</A>",
    "\n<?xml version=\"1.0\"?><A/>",
    "  <A/>  ",
    "<!--c--><A/><!--d-->",
    "<?pi data?><A><?pi2 x?>1</A>",
    "<!DOCTYPE A><A/>",
    "<!DOCTYPE A [<!ENTITY e \"ent\">]><A>&e;</A>",
    "<!DOCTYPE A [<!ENTITY e \"ent\">]><A>x&e;y</A>",
    "<!DOCTYPE A [<!ENTITY e \"<B>5</B>\">]><A>&e;</A>",
    "<!DOCTYPE A [<!ATTLIST A b CDATA \"dflt\" c CDATA #FIXED \"fix\">]><A/>",
    "<!DOCTYPE A [<!ELEMENT A (#PCDATA)>]><A> 1 </A>",
    "<!DOCTYPE A [<!ELEMENT A (B)*><!ELEMENT B (#PCDATA)>]><A>\n <B>1</B>\n</A>",
    "<!DOCTYPE A SYSTEM \"http://example.invalid/a.dtd\"><A>1</A>",
    "<!DOCTYPE A SYSTEM \"file:///etc/passwd\" [<!ENTITY x SYSTEM \"file:///etc/hostname\">]>"
    "<A>&x;</A>",
    "<!DOCTYPE A [<!ENTITY e \"1\">]><A b=\"&e;2\"/>",
    "<A>&undefined;</A>",
    "",
    "x",
    "<A>",
    "<A></B>",
    "<A/><B/>",
    "<A b=\"1\" b=\"2\"/>",
    "<A>&#0;</A>",
    "<A>\x01</A>",
};

}  // namespace

std::vector<XmlCase> XmlCorpus() {
  std::vector<XmlCase> corpus;
  AddTypedValues(corpus);
  const std::vector<std::string> kQueries = {
      Query({"/A", "b", "c", "d", "e", "xml:space"}),
      Query({"/A/text()"}),
      Query({"/A/B"}),
      Query({"/R/A", "p:b", "b", "xmlns", "xmlns:dt"}),
      Query({"/R/*"}),
      Query({"/R/B/C"}),
      Query({"/*/*[2]"}),
      Query({"/*"}),
  };
  for (const char* document : kDocuments) corpus.push_back({document, kQueries});
  // Selections the program does not make but a backend must survive.
  corpus.push_back(
      {"<A b=\" \" c=\" x \" d=\"\"/>", {Query({"/A/@b"}), Query({"/A/@c"}), Query({"/A/@d"})}});
  corpus.push_back(
      {"<A><B>1</B><B>2</B></A>",
       {Query({"/A/B[2]"}), Query({"//B"}), Query({"/A/B/text()"}), Query({"count(/A/B)"}),
        Query({"/A["}), Query({"/A/@missing"}), Query({"/"}), Query({"/A/B/.."})}});
  return corpus;
}

}  // namespace radlyn::differential
