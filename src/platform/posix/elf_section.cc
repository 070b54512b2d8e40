#include "platform/posix/elf_section.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace radlyn::platform {
namespace {

// Offsets of the fields used, for the two ELF classes.
struct ElfLayout {
  std::size_t header_size;
  std::size_t shoff, shentsize, shnum, shstrndx;  // in the file header
  std::size_t section_header_size;
  std::size_t sh_name, sh_type, sh_offset, sh_size, sh_link;  // in a section header
  std::size_t word;                                           // width of offsets and sizes
};

constexpr ElfLayout kElf32 = {52, 0x20, 0x2E, 0x30, 0x32, 40, 0, 4, 16, 20, 24, 4};
constexpr ElfLayout kElf64 = {64, 0x28, 0x3A, 0x3C, 0x3E, 64, 0, 4, 24, 32, 40, 8};

constexpr unsigned char kElfMagic[4] = {0x7F, 'E', 'L', 'F'};
constexpr std::size_t kClassIndex = 4;
constexpr std::size_t kDataIndex = 5;
constexpr unsigned char kClass32 = 1, kClass64 = 2;
constexpr unsigned char kLittleEndian = 1, kBigEndian = 2;
constexpr std::uint32_t kSectionNoBits = 8;       // SHT_NOBITS: no bytes in the file
constexpr std::uint32_t kExtendedIndex = 0xFFFF;  // SHN_XINDEX

class ElfReader {
 public:
  ElfReader(const ElfByteReader& read, std::uint64_t file_size, const ElfLayout& layout,
            bool big_endian)
      : read_(read), file_size_(file_size), layout_(layout), big_endian_(big_endian) {}

  // An unsigned field of `width` bytes at `offset`.
  std::optional<std::uint64_t> Field(std::uint64_t offset, std::size_t width) const {
    if (!Inside(offset, width)) return std::nullopt;
    unsigned char bytes[8];
    if (!read_(offset, width, bytes)) return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
      std::size_t index = big_endian_ ? i : width - 1 - i;
      value = value << 8 | bytes[index];
    }
    return value;
  }

  bool Inside(std::uint64_t offset, std::uint64_t size) const {
    return offset <= file_size_ && size <= file_size_ - offset;
  }

  bool Equals(std::uint64_t offset, std::string_view text) const {
    if (!Inside(offset, text.size())) return false;
    std::vector<unsigned char> bytes(text.size());
    if (!text.empty() && !read_(offset, text.size(), bytes.data())) return false;
    return std::equal(text.begin(), text.end(), bytes.begin(),
                      [](char a, unsigned char b) { return static_cast<unsigned char>(a) == b; });
  }

  const ElfLayout& layout() const { return layout_; }

 private:
  const ElfByteReader& read_;
  std::uint64_t file_size_;
  const ElfLayout& layout_;
  bool big_endian_;
};

struct SectionHeader {
  std::uint64_t name = 0, type = 0, offset = 0, size = 0, link = 0;
};

std::optional<SectionHeader> ReadSectionHeader(const ElfReader& elf, std::uint64_t at) {
  const ElfLayout& l = elf.layout();
  auto name = elf.Field(at + l.sh_name, 4);
  auto type = elf.Field(at + l.sh_type, 4);
  auto offset = elf.Field(at + l.sh_offset, l.word);
  auto size = elf.Field(at + l.sh_size, l.word);
  auto link = elf.Field(at + l.sh_link, 4);
  if (!name || !type || !offset || !size || !link) return std::nullopt;
  return SectionHeader{*name, *type, *offset, *size, *link};
}

}  // namespace

std::optional<ElfSection> FindElfSection(const ElfByteReader& read, std::uint64_t file_size,
                                         std::string_view name) {
  unsigned char ident[16];
  if (file_size < sizeof ident || !read(0, sizeof ident, ident)) return std::nullopt;
  if (!std::equal(std::begin(kElfMagic), std::end(kElfMagic), ident)) return std::nullopt;
  const ElfLayout* layout = ident[kClassIndex] == kClass32   ? &kElf32
                            : ident[kClassIndex] == kClass64 ? &kElf64
                                                             : nullptr;
  if (layout == nullptr) return std::nullopt;
  if (ident[kDataIndex] != kLittleEndian && ident[kDataIndex] != kBigEndian) return std::nullopt;
  ElfReader elf(read, file_size, *layout, ident[kDataIndex] == kBigEndian);
  if (!elf.Inside(0, layout->header_size)) return std::nullopt;

  auto table = elf.Field(layout->shoff, layout->word);
  auto entry_size = elf.Field(layout->shentsize, 2);
  auto count = elf.Field(layout->shnum, 2);
  auto names_index = elf.Field(layout->shstrndx, 2);
  if (!table || !entry_size || !count || !names_index) return std::nullopt;
  if (*table == 0 || *entry_size < layout->section_header_size) return std::nullopt;

  // With many sections the real count and string-table index live in section header 0.
  std::optional<SectionHeader> first = ReadSectionHeader(elf, *table);
  if (!first) return std::nullopt;
  if (*count == 0) count = first->size;
  if (*names_index == kExtendedIndex) names_index = first->link;
  if (*count > file_size / *entry_size || *names_index >= *count) return std::nullopt;
  if (!elf.Inside(*table, *count * *entry_size)) return std::nullopt;

  std::optional<SectionHeader> names = ReadSectionHeader(elf, *table + *names_index * *entry_size);
  if (!names || names->type == kSectionNoBits || !elf.Inside(names->offset, names->size)) {
    return std::nullopt;
  }
  std::string wanted(name);
  wanted.push_back('\0');
  for (std::uint64_t i = 0; i < *count; ++i) {
    std::optional<SectionHeader> section = ReadSectionHeader(elf, *table + i * *entry_size);
    if (!section) return std::nullopt;
    if (section->name >= names->size || wanted.size() > names->size - section->name) continue;
    if (!elf.Equals(names->offset + section->name, wanted)) continue;
    if (section->type == kSectionNoBits || !elf.Inside(section->offset, section->size)) {
      return std::nullopt;
    }
    return ElfSection{section->offset, section->size};
  }
  return std::nullopt;
}

}  // namespace radlyn::platform
