#include "image_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "bmp_file.h"
#include "core/locked_block.h"
#include "core/native_files.h"
#include "hostlink/modules/record_layout.h"
#include "tiff_file.h"

namespace hostsim {

namespace records = radlyn::records;

namespace {

FileStatus Fail(std::string* reason, FileStatus status, const char* what) {
  if (reason != nullptr) *reason = what;
  return status;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

ImageFileKind KindByName(const std::string& path) {
  std::string lower = Lower(path);
  if (EndsWith(lower, ".tif") || EndsWith(lower, ".tiff")) return ImageFileKind::kTiff;
  if (EndsWith(lower, ".bmp")) return ImageFileKind::kBmp;
  return ImageFileKind::kUnknown;
}

FileStatus WriteImageFile(const std::string& native_path, const StoredImage& stored,
                          std::string* reason) {
  ImageFileKind kind = KindByName(native_path);
  if (kind == ImageFileKind::kUnknown) {
    return Fail(reason, kFileBadName, "the name ends neither in .tif, .tiff nor .bmp");
  }
  if (native::IsOtherThanFile(native_path)) {
    return Fail(reason, kFileCreateError, "the name belongs to something that is not a file");
  }
  std::string sibling = native::CreateSibling(native_path);
  if (sibling.empty()) return Fail(reason, kFileCreateError, "cannot create a file in the folder");
  FileStatus status = kind == ImageFileKind::kTiff ? WriteTiff(sibling, stored, reason)
                                                   : WriteBmp(sibling, stored, reason);
  if (status == kFileOk && !native::MoveOver(sibling, native_path)) {
    status = Fail(reason, kFileCreateError, "cannot put the file in place");
  }
  if (status != kFileOk) native::RemoveFile(sibling);
  return status;
}

FileStatus ReadImageFile(const std::string& native_path, StoredImage* stored, std::string* reason) {
  std::FILE* file = std::fopen(native_path.c_str(), "rb");
  if (file == nullptr) return Fail(reason, kFileOpenError, "cannot open the file");
  unsigned char magic[4] = {};
  std::size_t got = std::fread(magic, 1, sizeof magic, file);
  std::fclose(file);
  if (got >= 4 && ((magic[0] == 'I' && magic[1] == 'I' && magic[2] == 42 && magic[3] == 0) ||
                   (magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && magic[3] == 42))) {
    return ReadTiff(native_path, stored, reason);
  }
  if (got >= 2 && magic[0] == 'B' && magic[1] == 'M') return ReadBmp(native_path, stored, reason);
  return Fail(reason, kFileUnsupported, "neither a TIFF nor a BMP file");
}

FileStatus CreateImageFile(const std::string& native_path, const std::uint8_t* record,
                           std::string* reason) {
  if (record == nullptr) return Fail(reason, kFileBadRecord, "no record");
  namespace image = records::image;
  StoredImage stored;
  std::string why;
  std::optional<Image> pixels =
      ReadImageBlocks(records::ReadU32(record, image::kHeaderHandle),
                      records::ReadU32(record, image::kPixelHandle), &why);
  if (!pixels) {
    if (reason != nullptr) *reason = why;
    return kFileBadRecord;
  }
  stored.image = std::move(*pixels);
  stored.record.assign(record, record + image::kSize);
  GmHandle extension = records::ReadU32(record, image::kExtensionHandle);
  if (extension != 0) {
    LockedBlock block(extension);
    if (block.data() == nullptr)
      return Fail(reason, kFileBadRecord, "extension block cannot be locked");
    stored.has_extension = true;
    stored.extension.assign(block.data(), block.data() + GmSize(extension));
  }
  return WriteImageFile(native_path, stored, reason);
}

// A block the record named before the import takes the content of the block just made for the
// image, which is then freed; the found handle stays. A found handle that names no block (0, or
// one already freed) keeps the new block instead.
GmHandle Reuse(GmHandle found, GmHandle made) {
  if (found == 0 || found == made || GmLock(found) == nullptr) return made;
  GmUnlock(found);
  const std::uint32_t size = GmSize(made);
  if (GmReAlloc(found, size) != found) return made;
  {
    LockedBlock to(found, size);
    LockedBlock from(made, size);
    if (to.data() == nullptr || from.data() == nullptr) return made;
    std::memcpy(to.data(), from.data(), size);
  }
  GmFree(made);
  return found;
}

FileStatus ImportImageFile(const std::string& native_path, std::uint8_t* record,
                           std::string* reason, FoundBlocks found) {
  if (record == nullptr) return Fail(reason, kFileBadRecord, "no record");
  StoredImage stored;
  FileStatus status = ReadImageFile(native_path, &stored, reason);
  if (status != kFileOk) return status;
  GmHandle header = 0;
  GmHandle pixels = 0;
  if (!MakeImageBlocks(stored.image, &header, &pixels)) {
    return Fail(reason, kFileNoMemory, "no memory for the image blocks");
  }
  GmHandle extension = 0;
  if (stored.has_extension) {
    extension =
        GmAlloc(static_cast<std::uint32_t>(std::max<std::size_t>(1, stored.extension.size())));
    auto* data = extension == 0 ? nullptr : static_cast<std::uint8_t*>(GmLock(extension));
    if (data == nullptr) {
      if (extension != 0) GmFree(extension);
      GmFree(header);
      GmFree(pixels);
      return Fail(reason, kFileNoMemory, "no memory for the extension block");
    }
    std::memcpy(data, stored.extension.data(), stored.extension.size());
    GmUnlock(extension);
  }
  namespace image = records::image;
  const GmHandle found_header = records::ReadU32(record, image::kHeaderHandle);
  const GmHandle found_pixels = records::ReadU32(record, image::kPixelHandle);
  if (found == FoundBlocks::kFree) {
    for (GmHandle handle : {found_header, found_pixels}) {
      if (handle != 0) GmFree(handle);
    }
  } else if (found == FoundBlocks::kReuse) {
    header = Reuse(found_header, header);
    pixels = Reuse(found_pixels, pixels);
  }
  if (stored.record.size() == image::kSize) {
    // Every field but the handles, which name blocks of the process that wrote the file.
    GmHandle old_extension = records::ReadU32(record, image::kExtensionHandle);
    std::memcpy(record, stored.record.data(), image::kSize);
    records::WriteU32(record, image::kExtensionHandle, old_extension);
  }
  records::WriteU32(record, image::kHeaderHandle, header);
  records::WriteU32(record, image::kPixelHandle, pixels);
  if (extension != 0) records::WriteU32(record, image::kExtensionHandle, extension);
  return kFileOk;
}

}  // namespace hostsim
