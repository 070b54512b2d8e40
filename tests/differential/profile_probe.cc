// Runs INI queries through this platform's profile service and prints every answer in one
// canonical form, so the outputs of the Linux and the Windows build can be compared line by line.
//
//   profile_probe generate FOLDER [COUNT SEED] writes COUNT texts (300) of the seed (1) and
//                                              FOLDER/queries.txt
//   profile_probe run FOLDER                   answers FOLDER/queries.txt on standard output
//
// A query line is "FILE str|int|write FIELDS..." (see ini_corpus.h). Each answer line repeats the
// query and adds "= ANSWER"; after a write, a "FILE lines = ..." line shows the whole file.
#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "ini_corpus.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "probe_fields.h"

namespace {

using radlyn::differential::EscapeField;
using radlyn::differential::ReadBytes;
using radlyn::differential::UnescapeField;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A'; }

std::string Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// The file after a write, as every reader sees it: its encoding, then its non-blank lines without
// the blanks around them and around the first '=', a section header without what follows its ']'.
// The Windows service rewrites the whole file in this form, the Linux one keeps the bytes of the
// lines it does not change; readers get the same from both.
std::string Lines(const std::string& bytes) {
  std::string tag = "ansi";
  std::string text = bytes;
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
    tag = "utf-8";
    text = bytes.substr(3);
  } else if (bytes.rfind("\xFF\xFE", 0) == 0) {
    tag = "utf-16le";
    text.clear();  // ASCII as it is, every other code unit as <XXXX>
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      unsigned unit =
          static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
      if (unit < 0x80) {
        text.push_back(static_cast<char>(unit));
      } else {
        static constexpr char kHex[] = "0123456789ABCDEF";
        text += {'<',
                 kHex[unit >> 12],
                 kHex[(unit >> 8) & 0xF],
                 kHex[(unit >> 4) & 0xF],
                 kHex[unit & 0xF],
                 '>'};
      }
    }
  }
  std::string lines = tag;
  std::size_t begin = 0;
  while (begin <= text.size()) {
    std::size_t end = std::min(text.find_first_of("\r\n", begin), text.size());
    std::string line = Trimmed(std::string_view(text).substr(begin, end - begin));
    begin = end + 1;
    if (line.empty()) continue;
    std::size_t close = line.rfind(']');
    std::size_t equals = line.find('=');
    if (line.front() == '[' && close != std::string::npos && close != 0) {
      line = "[" + Trimmed(std::string_view(line).substr(1, close - 1)) + "]";
    } else if (equals != std::string::npos) {
      line = Trimmed(std::string_view(line).substr(0, equals)) + "=" +
             Trimmed(std::string_view(line).substr(equals + 1));
    }
    lines += "\n" + line;
  }
  return lines;
}

int Generate(const std::string& folder, int count, std::uint64_t seed) {
  std::ofstream queries(folder + "/queries.txt", std::ios::binary);
  for (const auto& text : radlyn::differential::GenerateIniCorpus(seed, count)) {
    std::ofstream(folder + "/" + text.name, std::ios::binary) << text.bytes;
    for (const std::string& query : text.queries) queries << text.name << ' ' << query << '\n';
  }
  return queries ? 0 : 1;
}

std::string Answer(const std::vector<std::string>& fields, const std::string& path) {
  radlyn::platform::Profile& profile = radlyn::platform::Profile::Native();
  const std::string& op = fields[1];
  if (op == "str" && fields.size() == 6) {
    return EscapeField(profile.ReadString(UnescapeField(fields[2]), UnescapeField(fields[3]),
                                          UnescapeField(fields[4]), std::stoul(fields[5]), path));
  }
  if (op == "int" && fields.size() == 5) {
    return std::to_string(profile.ReadInt(UnescapeField(fields[2]), UnescapeField(fields[3]),
                                          std::stoi(fields[4]), path));
  }
  if (op == "write" && fields.size() == 5) {
    bool written = profile.WriteString(UnescapeField(fields[2]), UnescapeField(fields[3]),
                                       UnescapeField(fields[4]), path);
    return std::string(written ? "ok" : "failed") + "\n" + fields[0] +
           " lines = " + EscapeField(Lines(ReadBytes(path)));
  }
  return "bad query";
}

int Run(const std::string& folder) {
  std::ifstream queries(folder + "/queries.txt", std::ios::binary);
  if (!queries) {
    std::cerr << "profile_probe: no queries.txt in " << folder << "\n";
    return 1;
  }
  std::string line;
  while (std::getline(queries, line)) {
    std::vector<std::string> fields = radlyn::differential::SplitFields(line);
    if (fields.size() < 2) continue;
    std::string path = folder + radlyn::platform::kPathSeparator + fields[0];
    std::cout << line << " = " << Answer(fields, path) << "\n";
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if ((args.size() == 2 || args.size() == 4) && args[0] == "generate") {
    return Generate(args[1], args.size() == 4 ? std::stoi(args[2]) : 300,
                    args.size() == 4 ? std::stoull(args[3]) : 1);
  }
  if (args.size() == 2 && args[0] == "run") return Run(args[1]);
  std::cerr << "usage: profile_probe generate FOLDER [COUNT SEED] | profile_probe run FOLDER\n";
  return 2;
}
