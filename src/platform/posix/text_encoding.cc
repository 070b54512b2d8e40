#include "platform/posix/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

namespace radlyn::platform {
namespace {

constexpr const char* kIconvNames[] = {"WINDOWS-1252", "CP850", "UTF-8", "UTF-16LE"};
constexpr std::size_t kEncodingCount = std::size(kIconvNames);

bool IsAsciiCompatible(TextEncoding encoding) { return encoding != TextEncoding::kUtf16Le; }

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
      cd = iconv_open(kIconvNames[static_cast<int>(to)], kIconvNames[static_cast<int>(from)]);
    }
    return cd;
  }

 private:
  static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
  iconv_t descriptors_[kEncodingCount][kEncodingCount] = {{kNone, kNone, kNone, kNone},
                                                          {kNone, kNone, kNone, kNone},
                                                          {kNone, kNone, kNone, kNone},
                                                          {kNone, kNone, kNone, kNone}};
};

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
    default:
      return 1;
  }
}

void AppendReplacement(std::string& out, TextEncoding to) {
  out.push_back('?');
  if (to == TextEncoding::kUtf16Le) out.push_back('\0');
}

}  // namespace

std::string ConvertText(std::string_view bytes, TextEncoding from, TextEncoding to) {
  if (from == to) return std::string(bytes);
  if (IsAsciiCompatible(from) && IsAsciiCompatible(to) &&
      std::all_of(bytes.begin(), bytes.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return std::string(bytes);
  }

  thread_local IconvCache cache;
  iconv_t cd = cache.Get(from, to);
  std::string out;
  if (cd == reinterpret_cast<iconv_t>(-1)) {
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
  iconv(cd, nullptr, nullptr, nullptr, nullptr);

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
