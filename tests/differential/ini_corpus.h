// Deterministic INI texts and queries for comparing the profile service of the two platforms.
//
// Each text mixes the shapes a job file meets in the wild: blanks and quotes around names and
// values, duplicate sections and keys, comments, keys before any section, missing brackets,
// empty values, '=' inside values, long lines, every line end (LF, CRLF, lone CR, mixed) and
// the encodings ANSI, UTF-8 with and without a byte-order mark and UTF-16LE. Its queries read
// strings with several limits, read integers, and write keys (new, existing, in new sections).
// The same seed gives the same corpus on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace radlyn::differential {

// One query line: "str SECTION KEY FALLBACK LIMIT", "int SECTION KEY FALLBACK" or
// "write SECTION KEY VALUE", fields in the escaped form of probe_fields.h.
struct CorpusText {
  std::string name;   // file name, e.g. "017.ini"
  std::string bytes;  // the file's content
  std::vector<std::string> queries;
};

std::vector<CorpusText> GenerateIniCorpus(std::uint64_t seed, int count);

}  // namespace radlyn::differential
