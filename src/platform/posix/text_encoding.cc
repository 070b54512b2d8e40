#include "platform/posix/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <string>

namespace radlyn::platform {
namespace {

constexpr std::size_t kEncodingCount = 5;
constexpr unsigned kDefaultAnsiCodePage = 1252;
constexpr char kAnsiCodePageVariable[] = "RADLYN_ANSI_CODE_PAGE";
const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

std::string IconvNameOfCodePage(unsigned number) {
  return number == kDefaultAnsiCodePage ? "WINDOWS-1252" : "CP" + std::to_string(number);
}

// The configured code page when the conversion tables know it.
unsigned ConfiguredAnsiCodePage() {
  const char* text = std::getenv(kAnsiCodePageVariable);
  if (text == nullptr || *text == '\0') return kDefaultAnsiCodePage;
  char* end = nullptr;
  const unsigned long number = std::strtoul(text, &end, 10);
  if (*end != '\0' || number == 0 || number > 0xFFFF) return kDefaultAnsiCodePage;
  iconv_t probe = iconv_open("UTF-8", IconvNameOfCodePage(number).c_str());
  if (probe == kNoDescriptor) return kDefaultAnsiCodePage;
  iconv_close(probe);
  return static_cast<unsigned>(number);
}

const char* IconvName(TextEncoding encoding) {
  static const std::string ansi = IconvNameOfCodePage(AnsiCodePageNumber());
  switch (encoding) {
    case TextEncoding::kAnsi:
      return ansi.c_str();
    case TextEncoding::kOem:
      return "CP850";
    case TextEncoding::kUtf8:
      return "UTF-8";
    case TextEncoding::kUtf16Le:
      return "UTF-16LE";
    case TextEncoding::kUtf32Le:
      return "UTF-32LE";
  }
  return "";
}

bool IsAsciiCompatible(TextEncoding encoding) {
  return encoding != TextEncoding::kUtf16Le && encoding != TextEncoding::kUtf32Le;
}

// Conversion descriptors, opened once per thread and pair and kept for the thread's life.
class IconvCache {
 public:
  ~IconvCache() {
    for (auto& row : descriptors_) {
      for (iconv_t cd : row) {
        if (cd != kNone) iconv_close(cd);
      }
    }
  }
  iconv_t Get(TextEncoding from, TextEncoding to) {
    iconv_t& cd = descriptors_[static_cast<int>(from)][static_cast<int>(to)];
    if (cd == kNone) {
      cd = iconv_open(IconvName(to), IconvName(from));
    }
    return cd;
  }

 private:
  static inline const iconv_t kNone = kNoDescriptor;
  iconv_t descriptors_[kEncodingCount][kEncodingCount] = {{kNone, kNone, kNone, kNone, kNone},
                                                          {kNone, kNone, kNone, kNone, kNone},
                                                          {kNone, kNone, kNone, kNone, kNone},
                                                          {kNone, kNone, kNone, kNone, kNone},
                                                          {kNone, kNone, kNone, kNone, kNone}};
};

// Opened descriptors are used from the start of their state.
iconv_t Descriptor(TextEncoding from, TextEncoding to) {
  thread_local IconvCache cache;
  iconv_t cd = cache.Get(from, to);
  if (cd != kNoDescriptor) iconv(cd, nullptr, nullptr, nullptr, nullptr);
  return cd;
}

// How many input bytes make up the character that could not be converted.
std::size_t BadSequenceLength(const char* in, std::size_t left, TextEncoding from) {
  switch (from) {
    case TextEncoding::kUtf8: {
      std::size_t length = 1;
      while (length < left && (static_cast<unsigned char>(in[length]) & 0xC0) == 0x80) ++length;
      return length;
    }
    case TextEncoding::kUtf16Le: {
      if (left < 2) return left;
      auto unit = [in](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(in[at]) |
                                     static_cast<unsigned char>(in[at + 1]) << 8);
      };
      bool high_surrogate = unit(0) >= 0xD800 && unit(0) <= 0xDBFF;
      bool pair = high_surrogate && left >= 4 && unit(2) >= 0xDC00 && unit(2) <= 0xDFFF;
      return pair ? 4 : 2;
    }
    case TextEncoding::kUtf32Le:
      return std::min<std::size_t>(left, 4);
    default:
      return 1;
  }
}

void AppendReplacement(std::string& out, TextEncoding to) {
  out.push_back('?');
  if (to == TextEncoding::kUtf16Le) out.push_back('\0');
  if (to == TextEncoding::kUtf32Le) out.append(3, '\0');
}

}  // namespace

unsigned AnsiCodePageNumber() {
  static const unsigned number = ConfiguredAnsiCodePage();
  return number;
}

AnsiCharacter DecodeAnsiCharacter(std::string_view ansi) {
  iconv_t cd = Descriptor(TextEncoding::kAnsi, TextEncoding::kUtf32Le);
  if (cd == kNoDescriptor) return {};
  // A lead byte alone is an incomplete character: try it with the byte after it.
  for (std::size_t length = 1; length <= std::min<std::size_t>(ansi.size(), 2); ++length) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(ansi.data());
    std::size_t in_left = length;
    unsigned char unit[8];
    char* out = reinterpret_cast<char*>(unit);
    std::size_t out_left = sizeof unit;
    const std::size_t rc = iconv(cd, &in, &in_left, &out, &out_left);
    const int error = errno;
    if (rc == 0 && in_left == 0 && out_left == sizeof unit - 4) {
      return {length, static_cast<char32_t>(unit[0] | unit[1] << 8 | unit[2] << 16 |
                                            static_cast<char32_t>(unit[3]) << 24)};
    }
    if (rc != static_cast<std::size_t>(-1) || error != EINVAL) break;
  }
  return {};
}

std::string EncodeAnsiCharacter(char32_t code_point) {
  iconv_t cd = Descriptor(TextEncoding::kUtf32Le, TextEncoding::kAnsi);
  if (cd == kNoDescriptor) return {};
  char unit[4] = {static_cast<char>(code_point & 0xFF), static_cast<char>(code_point >> 8 & 0xFF),
                  static_cast<char>(code_point >> 16 & 0xFF),
                  static_cast<char>(code_point >> 24 & 0xFF)};
  char* in = unit;
  std::size_t in_left = sizeof unit;
  char bytes[8];
  char* out = bytes;
  std::size_t out_left = sizeof bytes;
  // A result above 0 counts substitutes, which are no form of the character.
  if (iconv(cd, &in, &in_left, &out, &out_left) != 0 || in_left != 0) return {};
  return std::string(bytes, sizeof bytes - out_left);
}

std::string ConvertText(std::string_view bytes, TextEncoding from, TextEncoding to) {
  if (from == to) return std::string(bytes);
  if (IsAsciiCompatible(from) && IsAsciiCompatible(to) &&
      std::all_of(bytes.begin(), bytes.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return std::string(bytes);
  }

  iconv_t cd = Descriptor(from, to);
  std::string out;
  if (cd == kNoDescriptor) {
    // Without the conversion tables every non-ASCII character is unrepresentable.
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) < 0x80) {
        out.push_back(c);
      } else {
        out.push_back('?');
      }
    }
    return out;
  }

  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  char buffer[1024];
  while (in_left > 0) {
    char* out_ptr = buffer;
    std::size_t out_left = sizeof buffer;
    std::size_t rc = iconv(cd, &in, &in_left, &out_ptr, &out_left);
    int error = errno;
    out.append(buffer, static_cast<std::size_t>(out_ptr - buffer));
    if (rc != static_cast<std::size_t>(-1)) break;
    if (error == E2BIG) continue;
    // An invalid or unrepresentable sequence (EILSEQ), or one cut off at the end (EINVAL).
    std::size_t skip = error == EINVAL ? in_left : BadSequenceLength(in, in_left, from);
    AppendReplacement(out, to);
    in += skip;
    in_left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace radlyn::platform
