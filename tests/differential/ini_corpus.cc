#include "ini_corpus.h"

#include <array>
#include <string_view>

#include "probe_fields.h"

namespace radlyn::differential {
namespace {

// SplitMix64: small, and the same sequence on every compiler (the standard distributions are not).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 <= result < bound
  std::size_t Below(std::size_t bound) { return static_cast<std::size_t>(Next() % bound); }
  bool Percent(unsigned chance) { return Below(100) < chance; }
  template <typename T, std::size_t N>
  const T& Pick(const std::array<T, N>& items) {
    return items[Below(N)];
  }

 private:
  std::uint64_t state_;
};

// Texts are built as Unicode and encoded at the end, so one text can be written in any encoding.
using Text = std::u32string;

// Code points of Windows-1252's bytes 0x80 to 0x9F (0 where the code page has none).
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ToAnsi(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (unsigned i = 0; i < 32; ++i) {
    if (kCp1252High[i] == c && c != 0) return static_cast<char>(0x80 + i);
  }
  return '?';
}

std::string EncodeAnsi(const Text& text) {
  std::string bytes;
  for (char32_t c : text) bytes.push_back(ToAnsi(c));
  return bytes;
}

std::string EncodeUtf8(const Text& text) {
  std::string bytes;
  for (char32_t c : text) {
    if (c < 0x80) {
      bytes.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      bytes.push_back(static_cast<char>(0xC0 | (c >> 6)));
      bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      bytes.push_back(static_cast<char>(0xE0 | (c >> 12)));
      bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return bytes;
}

std::string EncodeUtf16Le(const Text& text) {
  std::string bytes;
  for (char32_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return bytes;
}

enum class Encoding { kAnsi, kUtf8, kUtf8Bom, kUtf16LeBom, kUtf16Le };

std::string Encode(const Text& text, Encoding encoding) {
  switch (encoding) {
    case Encoding::kAnsi:
      return EncodeAnsi(text);
    case Encoding::kUtf8:
      return EncodeUtf8(text);
    case Encoding::kUtf8Bom:
      return "\xEF\xBB\xBF" + EncodeUtf8(text);
    case Encoding::kUtf16LeBom:
      return EncodeUtf16Le(U"\uFEFF" + text);
    case Encoding::kUtf16Le:
      return EncodeUtf16Le(text);
  }
  return {};
}

// Names of sections. No empty one: the Windows service under Wine reads the lines before the
// first header as the section "" and drops a "[]" header when it rewrites a file, where Windows
// and the Linux service keep "[]" as a section of its own.
const std::array<Text, 13> kSectionNames = {
    U"Info", U"Config",  U"Patient",   U"Logon",     U"A",   U"b",           U"\u00C4rzte",
    U"INFO", U"patient", U"Two Words", U"\u20ACuro", U"x=y", U"\u4E00\u4E8C"};
const std::array<Text, 16> kKeyNames = {
    U"Type",    U"Regio",      U"LastName", U"ID", U"fAssure8Bit", U"ImageDataPath",
    U"ErrorNr", U"Birthdate",  U"K",        U"k",  U"TYPE",        U"Two Words",
    U"\u00D6l", U"\u0160ifra", U"Key;x",    U"#K"};
const std::array<Text, 24> kValues = {U"XI",
                                      U"M\u00FCller",
                                      U"",
                                      U" ",
                                      U"a=b",
                                      U"\"quoted\"",
                                      U"'single'",
                                      U"\"unbalanced",
                                      U"\" spaced \"",
                                      U"'mixed\"",
                                      U"\"\"",
                                      U"x ; not a comment",
                                      U"C:\\Data\\Images\\",
                                      U"%APPDATA%\\Tavora",
                                      U"\u20AC 12,50",
                                      U"\u4E00\u4E8C\u4E09",
                                      U"tab\there",
                                      U"1",
                                      U"0",
                                      U"-5",
                                      U"0x1F",
                                      U"  7  ",
                                      U"99999999999",
                                      U"\u0100\u0101 \u0141\u00F3d\u017A \uFF21\u2500"};
// Only written: line breaks must not start lines of their own.
const Text kValueWithLineBreaks = U"x\r\n[Info]\r\nErrorNr=0";
const std::array<Text, 20> kIntValues = {U"1",           U"0",     U"-5",    U"+3",         U"0x1F",
                                         U"0X10",        U"012",   U"  7",   U"1e3",        U"abc",
                                         U"99999999999", U"-",     U"\"5\"", U"4294967297", U"08",
                                         U"0b101",       U"-0x10", U"0o17",  U"2147483648", U" -0"};
const std::array<std::size_t, 12> kLimits = {0, 1, 2, 3, 4, 10, 16, 128, 255, 256, 259, 40000};
const std::array<Text, 6> kFallbacks = {U"", U"dflt", U"dflt  ", U" d ", U"\"q\"", U"tif"};

// The name as a query spells it: often with other ASCII letter cases. Accented letters keep their
// case: Wine folds only ASCII letters, where Windows and the Linux service fold all letters of
// the code page.
Text QueryName(Random& random, const Text& name) {
  Text asked = name;
  if (random.Percent(30)) {
    for (char32_t& c : asked) {
      if (c >= U'a' && c <= U'z')
        c -= 0x20;
      else if (c >= U'A' && c <= U'Z')
        c += 0x20;
    }
  }
  return asked;
}

Text LongValue(Random& random) {
  static constexpr std::array<std::size_t, 6> kLengths = {254, 255, 256, 1100, 32767, 40000};
  std::size_t length = random.Pick(kLengths);
  Text value;
  for (std::size_t i = 0; i < length; ++i) value.push_back(U'a' + static_cast<char32_t>(i % 26));
  return value;
}

class TextBuilder {
 public:
  TextBuilder(Random& random) : random_(random) {}

  Text Build() {
    line_end_style_ = random_.Below(5);  // 0 LF, 1 CRLF, 2 CR, 3 mixed, 4 CRLF with a CR line
    if (random_.Percent(15)) AddKeyLines(1 + random_.Below(2));  // keys before any section
    std::size_t section_count = random_.Below(5);
    for (std::size_t s = 0; s < section_count; ++s) {
      AddSectionLine();
      AddKeyLines(random_.Below(6));
    }
    if (!text_.empty() && random_.Percent(20)) text_.resize(text_.size() - last_end_size_);
    return text_;
  }

  std::vector<Text> sections;
  std::vector<Text> keys;

 private:
  void EndLine() {
    static constexpr std::array<std::u32string_view, 3> kEnds = {U"\n", U"\r\n", U"\r"};
    std::size_t style = line_end_style_;
    if (style == 3) style = random_.Below(3);
    if (style == 4) style = random_.Percent(10) ? 2 : 1;
    text_ += kEnds[style];
    last_end_size_ = kEnds[style].size();
  }

  void AddLine(const Text& line) {
    unnamed_before_ = !line.empty() && line[0] == U'=';
    text_ += line;
    EndLine();
    if (random_.Percent(8)) {
      text_ += random_.Percent(50) ? U"" : U"  \t";
      EndLine();
    }
    if (random_.Percent(6)) {
      unnamed_before_ = false;
      text_ += random_.Percent(50) ? U"; a comment" : U"# K=hash";
      EndLine();
    }
  }

  void AddSectionLine() {
    const Text& name = random_.Pick(kSectionNames);
    sections.push_back(name);
    switch (random_.Below(12)) {
      case 0:
        return AddLine(U"  [" + name + U"]  ");
      case 1:
        return AddLine(U"[ " + name + U" ]");
      case 2:
        return AddLine(U"[" + name);  // no closing bracket
      case 3:
        return AddLine(U"[" + name + U"] ; comment");
      case 4:
        return AddLine(U"[" + name + U"]trailing");
      case 5:
        return AddLine(U"\t[" + name + U"]");
      default:
        return AddLine(U"[" + name + U"]");
    }
  }

  void AddKeyLines(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      const Text& key = random_.Pick(kKeyNames);
      keys.push_back(key);
      Text value = random_.Percent(4)    ? LongValue(random_)
                   : random_.Percent(25) ? random_.Pick(kIntValues)
                                         : random_.Pick(kValues);
      std::size_t shape = random_.Below(14);
      // The Windows service drops the second of two adjacent lines without a name when it
      // rewrites the file.
      if (shape == 4 && unnamed_before_) shape = 0;
      switch (shape) {
        case 0:
          AddLine(key + U" = " + value);
          break;
        case 1:
          AddLine(U" " + key + U"\t=\t" + value + U" ");
          break;
        case 2:
          AddLine(key + U"=");
          break;
        case 3:
          AddLine(key);  // no '='
          break;
        case 4:
          AddLine(U"=" + value);
          break;
        case 5:
          AddLine(U";" + key + U"=" + value);
          break;
        case 6:
          AddLine(U"#" + key + U"=" + value);
          break;
        case 7:
          AddLine(key + U"==" + value);
          break;
        default:
          AddLine(key + U"=" + value);
      }
    }
  }

  Random& random_;
  bool unnamed_before_ = false;
  std::size_t line_end_style_ = 0;
  std::size_t last_end_size_ = 0;
  Text text_;
};

std::string Line(std::initializer_list<std::string> fields) {
  std::string line;
  for (const std::string& field : fields) {
    if (!line.empty()) line += ' ';
    line += field;
  }
  return line;
}

std::string Field(const Text& text) { return EscapeField(EncodeAnsi(text)); }

void AddQueries(Random& random, const TextBuilder& built, bool writable, CorpusText& out) {
  auto section = [&]() -> Text {
    if (built.sections.empty() || random.Percent(10)) return random.Pick(kSectionNames);
    return QueryName(random, built.sections[random.Below(built.sections.size())]);
  };
  auto key = [&]() -> Text {
    if (built.keys.empty() || random.Percent(15)) return random.Pick(kKeyNames);
    return QueryName(random, built.keys[random.Below(built.keys.size())]);
  };
  for (std::size_t i = 0, n = 4 + random.Below(6); i < n; ++i) {
    out.queries.push_back(
        Line({"str", Field(section()), Field(key()), Field(random.Pick(kFallbacks)),
              std::to_string(random.Pick(kLimits))}));
  }
  for (std::size_t i = 0, n = 1 + random.Below(3); i < n; ++i) {
    out.queries.push_back(Line({"int", Field(section()), Field(key()), "-9"}));
  }
  for (std::size_t i = 0, n = writable ? random.Below(3) : 0; i < n; ++i) {
    Text written_section = section();
    Text written_key = random.Percent(30) ? Text(U"New") : key();
    Text value = random.Percent(5)    ? kValueWithLineBreaks
                 : random.Percent(20) ? random.Pick(kIntValues)
                                      : random.Pick(kValues);
    out.queries.push_back(
        Line({"write", Field(written_section), Field(written_key), Field(value)}));
    out.queries.push_back(Line({"str", Field(written_section), Field(written_key), "%", "259"}));
  }
}

}  // namespace

std::vector<CorpusText> GenerateIniCorpus(std::uint64_t seed, int count) {
  static constexpr std::array<Encoding, 20> kEncodings = {
      Encoding::kAnsi,       Encoding::kAnsi,       Encoding::kAnsi,       Encoding::kAnsi,
      Encoding::kAnsi,       Encoding::kAnsi,       Encoding::kAnsi,       Encoding::kAnsi,
      Encoding::kAnsi,       Encoding::kAnsi,       Encoding::kUtf8,       Encoding::kUtf8,
      Encoding::kUtf8Bom,    Encoding::kUtf8Bom,    Encoding::kUtf8Bom,    Encoding::kUtf16LeBom,
      Encoding::kUtf16LeBom, Encoding::kUtf16LeBom, Encoding::kUtf16LeBom, Encoding::kUtf16Le};
  Random random(seed);
  std::vector<CorpusText> corpus;
  for (int i = 0; i < count; ++i) {
    CorpusText text;
    std::string number = std::to_string(i);
    text.name = std::string(3 - std::min<std::size_t>(3, number.size()), '0') + number + ".ini";
    TextBuilder builder(random);
    Text content = builder.Build();
    Encoding encoding = random.Pick(kEncodings);
    text.bytes = Encode(content, encoding);
    // Without a byte-order mark, UTF-16 reads as ANSI text full of NULs; the Windows service
    // would rewrite it as lines of "=", so such texts are only read.
    AddQueries(random, builder, encoding != Encoding::kUtf16Le, text);
    corpus.push_back(std::move(text));
  }
  return corpus;
}

}  // namespace radlyn::differential
