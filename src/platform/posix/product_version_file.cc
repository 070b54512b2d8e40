#include "platform/posix/product_version_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>

#include "platform/posix/elf_section.h"
#include "platform/posix/os_error.h"
#include "platform/posix/product_version_stamp.h"

namespace radlyn::platform {
namespace {

constexpr std::size_t kVersionOffset = sizeof kProductVersionMagic;  // after the magic text
constexpr std::size_t kVersionParts = 4;

// An open program file; closes itself.
class OpenFile {
 public:
  OpenFile(const std::string& path, int flags) : fd_(open(path.c_str(), flags | O_CLOEXEC)) {
    if (fd_ < 0) SetLastErrorFromErrno(errno);
  }
  ~OpenFile() {
    if (fd_ >= 0) close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  int fd() const { return fd_; }

  bool ReadAt(std::uint64_t offset, std::size_t size, unsigned char* out) const {
    while (size > 0) {
      ssize_t got = pread(fd_, out, size, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      out += got;
      size -= static_cast<std::size_t>(got);
      offset += static_cast<std::uint64_t>(got);
    }
    return true;
  }

 private:
  int fd_;
};

// The file offset of the stamp in an open program file.
std::optional<std::uint64_t> FindStamp(const OpenFile& file) {
  struct stat info;
  if (file.fd() < 0 || fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return std::nullopt;
  }
  ElfByteReader read = [&file](std::uint64_t offset, std::size_t size, unsigned char* out) {
    return file.ReadAt(offset, size, out);
  };
  std::optional<ElfSection> section =
      FindElfSection(read, static_cast<std::uint64_t>(info.st_size), kProductVersionSection);
  if (!section || section->size < kProductVersionStampSize) return std::nullopt;
  unsigned char magic[sizeof kProductVersionMagic];
  if (!file.ReadAt(section->offset, sizeof magic, magic) ||
      !std::equal(std::begin(magic), std::end(magic),
                  reinterpret_cast<const unsigned char*>(kProductVersionMagic))) {
    return std::nullopt;
  }
  return section->offset;
}

}  // namespace

std::optional<ProductVersion> ReadProductVersionFile(const std::string& native_path) {
  OpenFile file(native_path, O_RDONLY);
  std::optional<std::uint64_t> stamp = FindStamp(file);
  if (!stamp) return std::nullopt;
  unsigned char bytes[kVersionParts * 2];
  if (!file.ReadAt(*stamp + kVersionOffset, sizeof bytes, bytes)) return std::nullopt;
  ProductVersion version;
  for (std::size_t i = 0; i < kVersionParts; ++i) {
    version[i] = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  }
  return version;
}

bool WriteProductVersion(const std::string& native_path, const ProductVersion& version) {
  OpenFile file(native_path, O_RDWR);
  std::optional<std::uint64_t> stamp = FindStamp(file);
  if (!stamp) return false;
  unsigned char bytes[kVersionParts * 2];
  for (std::size_t i = 0; i < kVersionParts; ++i) {
    bytes[2 * i] = static_cast<unsigned char>(version[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<unsigned char>(version[i] >> 8);
  }
  ssize_t written =
      pwrite(file.fd(), bytes, sizeof bytes, static_cast<off_t>(*stamp + kVersionOffset));
  if (written != static_cast<ssize_t>(sizeof bytes)) {
    SetLastErrorFromErrno(written < 0 ? errno : EIO);
    return false;
  }
  return true;
}

}  // namespace radlyn::platform
