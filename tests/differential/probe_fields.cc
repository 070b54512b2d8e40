#include "probe_fields.h"

#include <fstream>
#include <sstream>

namespace radlyn::differential {

std::string EscapeField(const std::string& bytes) {
  if (bytes.empty()) return "%";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string field;
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    if (byte > ' ' && byte < 0x7F && byte != '%') {
      field.push_back(c);
    } else {
      field += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
    }
  }
  return field;
}

std::string UnescapeField(const std::string& field) {
  if (field == "%") return {};
  std::string bytes;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '%' && i + 2 < field.size()) {
      bytes.push_back(static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      bytes.push_back(field[i]);
    }
  }
  return bytes;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream split(line);
  for (std::string field; split >> field;) fields.push_back(field);
  return fields;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace radlyn::differential
