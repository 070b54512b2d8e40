// Image files from and into a HostImageRecord, the work of FIO_CreateImageFile and
// FIO_ImportImageFile.
//
// Creating: the image comes from the header and pixel blocks whose handles stand at record
// offsets 676 and 680, the extension block from offset 728 (when not 0). The kind of file follows
// the name's extension (.tif or .tiff: TIFF keeping the record, the extension block and the
// lookup table; .bmp: a plain 8-bit bitmap). The file is written beside its final name and
// renamed into place, so a failed write never leaves a half-written file and never harms a file
// already there. The whole record is stored, whatever field mask the caller passes.
//
// Importing: the kind of file follows its first bytes. New header and pixel blocks receive the
// image and their handles go to 676 and 680; a stored extension block comes back as a new block
// at 728 (otherwise 728 keeps its value). A stored record restores every other byte of the
// record; the three handle fields never come from the file. What becomes of the header and
// pixel blocks the record names already is the caller's choice (FoundBlocks): left to the caller,
// freed, or reused (resized to take the image, their handles staying in the record).
#pragma once

#include <cstdint>
#include <string>

#include "stored_image.h"

namespace hostsim {

enum class ImageFileKind { kTiff, kBmp, kUnknown };

// By the name's extension, without regard to case.
ImageFileKind KindByName(const std::string& path);

// `reason` receives a short description of a failure.
FileStatus CreateImageFile(const std::string& native_path, const std::uint8_t* record,
                           std::string* reason);
enum class FoundBlocks { kLeave, kFree, kReuse };
FileStatus ImportImageFile(const std::string& native_path, std::uint8_t* record,
                           std::string* reason, FoundBlocks found = FoundBlocks::kLeave);

// The same work for in-memory images (the hostsim command and the tests use it).
FileStatus WriteImageFile(const std::string& native_path, const StoredImage& stored,
                          std::string* reason);
FileStatus ReadImageFile(const std::string& native_path, StoredImage* stored, std::string* reason);

}  // namespace hostsim
