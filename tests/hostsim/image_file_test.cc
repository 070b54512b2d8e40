// Image files written and read back through the record, as FIO_CreateImageFile and
// FIO_ImportImageFile do it.
#include "imagefile/image_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/extension_block.h"
#include "core/image.h"
#include "core/locked_block.h"
#include "core/synthetic_xray.h"
#include "hostlink/modules/record_layout.h"
#include "platform/platform_test_support.h"

namespace hostsim {
namespace {

namespace records = radlyn::records;
namespace image_record = radlyn::records::image;
namespace fs = std::filesystem;

class ScratchFolder {
 public:
  std::string File(const std::string& name) const { return folder_ / name; }
  const fs::path& path() const { return folder_.path(); }

 private:
  radlyn::platform::testing::TempFolder folder_;
};

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A record naming fresh blocks of `image` (and an extension block when `extension` is set).
struct RecordWithBlocks {
  std::vector<std::uint8_t> record = std::vector<std::uint8_t>(image_record::kSize, 0);
  GmHandle header = 0;
  GmHandle pixels = 0;
  GmHandle extension = 0;

  RecordWithBlocks(const Image& image, bool with_extension) {
    EXPECT_TRUE(MakeImageBlocks(image, &header, &pixels));
    std::uint8_t* r = record.data();
    records::WriteText(r, image_record::kPatientName, "M\x81ller@Anna@1970:03:05");  // OEM text
    records::WriteText(r, image_record::kPatientId, "4711");
    records::WriteText(r, image_record::kDoctor, "Dr. Berg");
    records::WriteText(r, image_record::kExposureParameters, "TXRay,120,kV,60,mA,7");
    records::WriteText(r, image_record::kTakeType, "12XI");
    records::WriteU16(r, image_record::kYear, 2026);
    records::WriteU8(r, image_record::kSecond, 59);
    records::WriteU32(r, image_record::kPatientValue, 0xA1B2C3D4);
    records::WriteU32(r, image_record::kHeaderHandle, header);
    records::WriteU32(r, image_record::kPixelHandle, pixels);
    if (with_extension) {
      extension = MakeExtensionBlock("first", ExtensionText("<FILTERCLASS>3</FILTERCLASS>", 1));
      records::WriteU32(r, image_record::kExtensionHandle, extension);
    }
  }
  ~RecordWithBlocks() {
    for (GmHandle handle : {header, pixels, extension}) {
      if (handle != 0) GmFree(handle);
    }
  }
};

std::vector<std::uint8_t> BlockBytes(GmHandle handle) {
  LockedBlock block(handle);
  if (block.data() == nullptr) return {};
  return {block.data(), block.data() + block.size()};
}

struct RoundTripCase {
  const char* name;
  unsigned bits;
  std::uint32_t lut_entries;
  bool extension;
};

class TiffRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(TiffRoundTrip, ImportRestoresRecordImageTableAndExtension) {
  const RoundTripCase& c = GetParam();
  ScratchFolder folder;
  Image image = MakeExposureImage(61, 47, c.bits, c.lut_entries, 3);  // odd sizes on purpose
  RecordWithBlocks written(image, c.extension);
  std::string file = folder.File("image.tif");
  std::string reason;
  ASSERT_EQ(CreateImageFile(file, written.record.data(), &reason), kFileOk) << reason;

  std::vector<std::uint8_t> imported(image_record::kSize, 0);
  const GmHandle kCallersExtension = 0x1234;
  records::WriteU32(imported.data(), image_record::kExtensionHandle, kCallersExtension);
  ASSERT_EQ(ImportImageFile(file, imported.data(), &reason), kFileOk) << reason;

  // Every byte but the three handles comes back.
  for (std::size_t i = 0; i < image_record::kSize; ++i) {
    bool handle = (i >= 676 && i < 684) || (i >= 728 && i < 732);
    if (!handle) {
      EXPECT_EQ(imported[i], written.record[i]) << "record byte " << i;
    }
  }
  GmHandle header = records::ReadU32(imported.data(), image_record::kHeaderHandle);
  GmHandle pixels = records::ReadU32(imported.data(), image_record::kPixelHandle);
  GmHandle extension = records::ReadU32(imported.data(), image_record::kExtensionHandle);
  EXPECT_NE(header, written.header);
  EXPECT_NE(pixels, written.pixels);
  // The header block (bitmap header and lookup or colour table) and the pixels are identical.
  EXPECT_EQ(BlockBytes(header), BlockBytes(written.header));
  EXPECT_EQ(BlockBytes(pixels), BlockBytes(written.pixels));
  if (c.extension) {
    EXPECT_NE(extension, written.extension);
    EXPECT_EQ(BlockBytes(extension), BlockBytes(written.extension));
    GmFree(extension);
  } else {
    EXPECT_EQ(extension, kCallersExtension);  // a file without extension leaves the field alone
  }
  GmFree(header);
  GmFree(pixels);
}

// What the import does with the image blocks the record names already: leaves them to the caller,
// frees them, or reuses them for the image (same handles); the image comes back whole each way.
TEST(TiffImport, FoundBlocksAreLeftFreedOrReused) {
  ScratchFolder folder;
  const Image image = MakeExposureImage(61, 47, 16, 4096, 3);
  RecordWithBlocks written(image, false);
  const std::string file = folder.File("image.tif");
  std::string reason;
  ASSERT_EQ(CreateImageFile(file, written.record.data(), &reason), kFileOk) << reason;
  const std::vector<std::uint8_t> header_bytes = BlockBytes(written.header);
  const std::vector<std::uint8_t> pixel_bytes = BlockBytes(written.pixels);
  for (FoundBlocks found : {FoundBlocks::kLeave, FoundBlocks::kFree, FoundBlocks::kReuse}) {
    const Image small = MakeExposureImage(5, 3, 8, 0, 1);  // found blocks of another size
    GmHandle found_header = 0;
    GmHandle found_pixels = 0;
    ASSERT_TRUE(MakeImageBlocks(small, &found_header, &found_pixels));
    const std::uint32_t live = GmLiveBlockCount();
    std::vector<std::uint8_t> record(image_record::kSize, 0);
    records::WriteU32(record.data(), image_record::kHeaderHandle, found_header);
    records::WriteU32(record.data(), image_record::kPixelHandle, found_pixels);
    ASSERT_EQ(ImportImageFile(file, record.data(), &reason, found), kFileOk) << reason;
    const GmHandle header = records::ReadU32(record.data(), image_record::kHeaderHandle);
    const GmHandle pixels = records::ReadU32(record.data(), image_record::kPixelHandle);
    const int mode = static_cast<int>(found);
    EXPECT_EQ(BlockBytes(header), header_bytes) << mode;
    EXPECT_EQ(BlockBytes(pixels), pixel_bytes) << mode;
    EXPECT_EQ(header == found_header && pixels == found_pixels, found == FoundBlocks::kReuse)
        << mode;
    EXPECT_EQ(GmLiveBlockCount(), found == FoundBlocks::kLeave ? live + 2 : live) << mode;
    if (found == FoundBlocks::kLeave) {
      EXPECT_EQ(GmSize(found_pixels), 5u * 3u) << "untouched";
      GmFree(found_header);
      GmFree(found_pixels);
    }
    GmFree(header);
    GmFree(pixels);
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, TiffRoundTrip,
                         testing::Values(RoundTripCase{"bits16", 16, 4096, true},
                                         RoundTripCase{"bits16_short_table", 16, 1000, false},
                                         RoundTripCase{"bits8", 8, 0, true}),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(BmpFile, IsAPlainPaddedEightBitBitmapThatReadsBack) {
  ScratchFolder folder;
  Image image = MakeExposureImage(61, 47, 16, 4096, 5);
  RecordWithBlocks written(image, false);
  std::string file = folder.File("IMAGE.BMP");
  std::string reason;
  ASSERT_EQ(CreateImageFile(file, written.record.data(), &reason), kFileOk) << reason;

  std::vector<std::uint8_t> bytes = ReadBytes(file);
  const std::size_t stride = 64;  // 61 bytes padded to a multiple of four
  const std::size_t offset = 14 + 40 + 256 * 4;
  ASSERT_EQ(bytes.size(), offset + stride * 47);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(records::ReadU32(bytes.data(), {2, 4}), bytes.size());
  EXPECT_EQ(records::ReadU32(bytes.data(), {10, 4}), offset);
  const std::uint8_t* info = bytes.data() + 14;
  EXPECT_EQ(records::ReadU32(info, records::bitmap::kSize), 40u);
  EXPECT_EQ(records::ReadU32(info, records::bitmap::kWidth), 61u);
  EXPECT_EQ(records::ReadU32(info, records::bitmap::kHeight), 47u);  // bottom-up
  EXPECT_EQ(records::ReadU16(info, records::bitmap::kBitCount), 8u);
  EXPECT_EQ(records::ReadU32(info, records::bitmap::kCompression), 0u);
  // The first file row is the image's bottom row, shown through the lookup table.
  EXPECT_EQ(bytes[offset], image.Display(image.At(0, 46)));
  EXPECT_EQ(bytes[offset + stride * 46 + 60], image.Display(image.At(60, 0)));

  StoredImage read;
  ASSERT_EQ(ReadImageFile(file, &read, &reason), kFileOk) << reason;
  EXPECT_EQ(read.image.bits, 8u);
  EXPECT_TRUE(read.record.empty());
  EXPECT_EQ(read.image.At(60, 0), image.Display(image.At(60, 0)));
}

TEST(ImageFileFailures, AnswerTheFileModuleCodesAndLeaveFilesAlone) {
  ScratchFolder folder;
  Image image = MakeExposureImage(8, 8, 16, 4096, 1);
  RecordWithBlocks good(image, false);
  std::vector<std::uint8_t> no_handles(image_record::kSize, 0);
  std::string existing = folder.File("existing.tif");
  std::ofstream(existing) << "client data";
  std::ofstream(folder.File("garbage.tif")) << "not an image at all";
  std::string reason;

  // A record without image handles fails cleanly and keeps a file that is already there.
  EXPECT_EQ(CreateImageFile(existing, no_handles.data(), &reason), kFileBadRecord);
  EXPECT_EQ(ReadBytes(existing).size(), std::string("client data").size());
  EXPECT_EQ(CreateImageFile(folder.File("a.tif"), nullptr, &reason), kFileBadRecord);
  EXPECT_EQ(CreateImageFile(folder.File("a.jpg"), good.record.data(), &reason), kFileBadName);
  EXPECT_EQ(CreateImageFile(folder.File("missing/a.tif"), good.record.data(), &reason),
            kFileCreateError);
  fs::create_directory(folder.File("folder.tif"));
  EXPECT_EQ(CreateImageFile(folder.File("folder.tif"), good.record.data(), &reason),
            kFileCreateError);

  std::vector<std::uint8_t> record(image_record::kSize, 0);
  EXPECT_EQ(ImportImageFile(folder.File("none.tif"), record.data(), &reason), kFileOpenError);
  EXPECT_EQ(ImportImageFile(folder.File("garbage.tif"), record.data(), &reason), kFileUnsupported);
  EXPECT_EQ(ImportImageFile(existing, nullptr, &reason), kFileBadRecord);
  EXPECT_EQ(records::ReadU32(record.data(), image_record::kHeaderHandle), 0u);

  // Nothing but the entries made above is left in the folder: no half-written siblings.
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder.path())) ++entries;
  EXPECT_EQ(entries, 3u);
}

TEST(ImageFileFailures, TruncatedTiffIsAReadError) {
  ScratchFolder folder;
  Image image = MakeExposureImage(64, 64, 16, 4096, 1);
  RecordWithBlocks good(image, false);
  std::string file = folder.File("cut.tif");
  std::string reason;
  ASSERT_EQ(CreateImageFile(file, good.record.data(), &reason), kFileOk);
  std::vector<std::uint8_t> bytes = ReadBytes(file);
  // Keep the header and the directory at the end, lose part of the pixel strips.
  std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + 8);
  cut.resize(bytes.size() / 2, 0);
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(cut.data()), static_cast<std::streamsize>(cut.size()));
  std::vector<std::uint8_t> record(image_record::kSize, 0);
  EXPECT_EQ(ImportImageFile(file, record.data(), &reason), kFileReadError);
  EXPECT_EQ(records::ReadU32(record.data(), image_record::kHeaderHandle), 0u);
}

}  // namespace
}  // namespace hostsim
