#include "platform/program_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform_test_support.h"

#ifdef _WIN32

namespace radlyn::platform {
namespace {

using testing::TempFolder;
using testing::WriteFile;

TEST(ProductVersionTest, ReadsTheVersionResourceOfAProgramFileAndNothingElse) {
  // Every Windows system library carries a version resource; its product version is at least
  // that of Windows 2000 (5.0).
  std::optional<ProductVersion> system =
      ProgramFiles::Native().ReadProductVersion("C:\\windows\\system32\\kernel32.dll");
  ASSERT_TRUE(system.has_value());
  EXPECT_GE((*system)[0], 5u);
  EXPECT_LT((*system)[0], 100u);

  TempFolder folder;
  WriteFile(folder / "morlund.exe", "not a program");
  for (const std::string& path :
       {folder / "morlund.exe", folder / "absent.exe", folder.path().string()}) {
    EXPECT_EQ(ProgramFiles::Native().ReadProductVersion(path), std::nullopt) << path;
  }
}

}  // namespace
}  // namespace radlyn::platform

#else

#include "platform/posix/elf_section.h"
#include "platform/posix/product_version_file.h"
#include "platform/posix/product_version_stamp.h"

// This test program carries a stamp of its own, read back from /proc/self/exe.
RADLYN_PRODUCT_VERSION_STAMP(1, 2, 3, 4);

namespace radlyn::platform {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// A minimal ELF image: file header, section-name table, one data section and three section
// headers (null, names, data), in either class and byte order.
struct ElfImage {
  std::string bytes;
  std::size_t table = 0;        // offset of the section headers
  std::size_t header_size = 0;  // of one section header
  bool elf64 = true;
  bool big_endian = false;

  void Put(std::size_t offset, std::uint64_t value, std::size_t width) {
    if (bytes.size() < offset + width) bytes.resize(offset + width);
    for (std::size_t i = 0; i < width; ++i) {
      std::size_t shift = big_endian ? (width - 1 - i) * 8 : i * 8;
      bytes[offset + i] = static_cast<char>(value >> shift & 0xFF);
    }
  }
  // Sets a field of section header `index`: which = 0 name, 1 type, 2 offset, 3 size, 4 link.
  void Section(std::size_t index, int which, std::uint64_t value) {
    static constexpr std::size_t k64[] = {0, 4, 24, 32, 40};
    static constexpr std::size_t k32[] = {0, 4, 16, 20, 24};
    std::size_t word = which == 2 || which == 3 ? (elf64 ? 8 : 4) : 4;
    Put(table + index * header_size + (elf64 ? k64 : k32)[which], value, word);
  }
};

ElfImage MakeElf(bool elf64, bool big_endian, std::string_view payload) {
  ElfImage elf;
  elf.elf64 = elf64;
  elf.big_endian = big_endian;
  elf.header_size = elf64 ? 64 : 40;
  const std::string names = std::string("\0.shstrtab\0.radlyn_version\0", 27);
  std::size_t names_at = 64, data_at = names_at + names.size();
  elf.table = (data_at + payload.size() + 7) / 8 * 8;
  elf.bytes.assign(elf.table + 3 * elf.header_size, '\0');
  elf.bytes.replace(0, 4,
                    "\x7F"
                    "ELF");
  elf.bytes[4] = elf64 ? 2 : 1;
  elf.bytes[5] = big_endian ? 2 : 1;
  elf.bytes.replace(names_at, names.size(), names);
  elf.bytes.replace(data_at, payload.size(), payload);
  if (elf64) {
    elf.Put(0x28, elf.table, 8);
    elf.Put(0x3A, elf.header_size, 2);
    elf.Put(0x3C, 3, 2);
    elf.Put(0x3E, 1, 2);
  } else {
    elf.Put(0x20, elf.table, 4);
    elf.Put(0x2E, elf.header_size, 2);
    elf.Put(0x30, 3, 2);
    elf.Put(0x32, 1, 2);
  }
  elf.Section(1, 0, 1);  // ".shstrtab"
  elf.Section(1, 1, 3);
  elf.Section(1, 2, names_at);
  elf.Section(1, 3, names.size());
  elf.Section(2, 0, 11);  // ".radlyn_version"
  elf.Section(2, 1, 1);
  elf.Section(2, 2, data_at);
  elf.Section(2, 3, payload.size());
  return elf;
}

std::optional<ElfSection> FindIn(const std::string& bytes) {
  ElfByteReader read = [&bytes](std::uint64_t offset, std::size_t size, unsigned char* out) {
    if (offset > bytes.size() || size > bytes.size() - offset) return false;
    std::memcpy(out, bytes.data() + offset, size);
    return true;
  };
  return FindElfSection(read, bytes.size(), kProductVersionSection);
}

const std::string kStamp("RDLNVER\0\x07\0\x00\0\x01\0\x02\0", 16);

TEST(ElfSectionTest, FindsTheSectionInEveryClassAndByteOrder) {
  for (bool elf64 : {false, true}) {
    for (bool big_endian : {false, true}) {
      ElfImage elf = MakeElf(elf64, big_endian, kStamp);
      std::optional<ElfSection> section = FindIn(elf.bytes);
      ASSERT_TRUE(section.has_value()) << elf64 << big_endian;
      EXPECT_EQ(elf.bytes.substr(section->offset, section->size), kStamp);
    }
  }
}

TEST(ElfSectionTest, MalformedFilesAnswerNothing) {
  struct Case {
    const char* name;
    void (*corrupt)(ElfImage&);
  } cases[] = {
      {"bad magic", [](ElfImage& e) { e.bytes[1] = 'X'; }},
      {"bad class", [](ElfImage& e) { e.bytes[4] = 3; }},
      {"bad byte order", [](ElfImage& e) { e.bytes[5] = 0; }},
      {"no section table", [](ElfImage& e) { e.Put(0x28, 0, 8); }},
      {"table beyond the end", [](ElfImage& e) { e.Put(0x28, 1ull << 62, 8); }},
      {"huge section count", [](ElfImage& e) { e.Put(0x3C, 0xFFFE, 2); }},
      {"small entry size", [](ElfImage& e) { e.Put(0x3A, 8, 2); }},
      {"names index out of range", [](ElfImage& e) { e.Put(0x3E, 7, 2); }},
      {"extended count in an empty header 0", [](ElfImage& e) { e.Put(0x3C, 0, 2); }},
      {"names beyond the end", [](ElfImage& e) { e.Section(1, 2, 1ull << 40); }},
      {"names size overflows", [](ElfImage& e) { e.Section(1, 3, ~0ull); }},
      {"name offset beyond the names", [](ElfImage& e) { e.Section(2, 0, 1000); }},
      {"name cut by the table end", [](ElfImage& e) { e.Section(1, 3, 20); }},
      {"data beyond the end", [](ElfImage& e) { e.Section(2, 2, ~0ull - 4); }},
      {"data without bytes", [](ElfImage& e) { e.Section(2, 1, 8); }},
      {"truncated header", [](ElfImage& e) { e.bytes.resize(40); }},
      {"truncated table", [](ElfImage& e) { e.bytes.resize(e.bytes.size() - 1); }},
      {"empty", [](ElfImage& e) { e.bytes.clear(); }},
  };
  for (const Case& c : cases) {
    ElfImage elf = MakeElf(true, false, kStamp);
    c.corrupt(elf);
    EXPECT_EQ(FindIn(elf.bytes), std::nullopt) << c.name;
  }
}

TEST(ProductVersionTest, ReadsTheStampOfARealProgramFile) {
  EXPECT_EQ(ProgramFiles::Native().ReadProductVersion("/proc/self/exe"),
            (ProductVersion{1, 2, 3, 4}));
  EXPECT_EQ(ProgramFiles::Native().ReadProductVersion("/nonexistent/morlund"), std::nullopt);
}

TEST(ProductVersionTest, FilesWithoutAStampOrTruncatedOrGarbageAnswerNothing) {
  TempFolder folder;
  std::string self = ReadFile("/proc/self/exe");
  std::optional<ElfSection> stamp = FindIn(self);
  ASSERT_TRUE(stamp.has_value());
  std::string wrong_magic = self;
  wrong_magic[stamp->offset] = 'X';

  // The section-name table of this (64-bit, little-endian) program, to rename the section.
  auto field = [&self](std::size_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;)
      value = value << 8 | static_cast<unsigned char>(self[at + i]);
    return value;
  };
  std::uint64_t names_header = field(0x28, 8) + field(0x3E, 2) * 64;
  std::size_t names_at = field(names_header + 24, 8);
  std::size_t name = self.find(std::string(".radlyn_version\0", 16), names_at);
  ASSERT_NE(name, std::string::npos);
  std::string renamed = self;
  renamed[name + 14] = 'X';  // the section is there under another name
  std::string garbage(4096, '\x7F');
  garbage.replace(0, 4,
                  "\x7F"
                  "ELF");
  for (const auto& [label, bytes] : std::initializer_list<std::pair<const char*, std::string> >{
           {"renamed", renamed},
           {"wrong magic", wrong_magic},
           {"garbage", garbage},
           {"header only", self.substr(0, 64)},
           {"half", self.substr(0, self.size() / 2)},
           {"one byte short", self.substr(0, self.size() - 1)},
           {"empty", ""}}) {
    std::string path = folder / "morlund";
    WriteFile(path, bytes);
    EXPECT_EQ(ProgramFiles::Native().ReadProductVersion(path), std::nullopt) << label;
  }
  EXPECT_EQ(ProgramFiles::Native().ReadProductVersion(folder.path().string()), std::nullopt);
}

TEST(ProductVersionTest, WriteProductVersionPatchesACopyInPlace) {
  TempFolder folder;
  std::string copy = folder / "morlund";
  std::filesystem::copy_file("/proc/self/exe", copy);
  std::uintmax_t size = std::filesystem::file_size(copy);
  ASSERT_TRUE(WriteProductVersion(copy, {7, 0, 65535, 258}));
  EXPECT_EQ(ReadProductVersionFile(copy), (ProductVersion{7, 0, 65535, 258}));
  EXPECT_EQ(std::filesystem::file_size(copy), size);

  std::string plain = folder / "plain";
  WriteFile(plain, "not a program");
  EXPECT_FALSE(WriteProductVersion(plain, {7, 0, 0, 0}));
  EXPECT_EQ(ReadFile(plain), "not a program");
  EXPECT_FALSE(WriteProductVersion(folder / "absent", {7, 0, 0, 0}));
}

}  // namespace
}  // namespace radlyn::platform

#endif
