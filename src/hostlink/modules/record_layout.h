// Byte layouts of the three records exchanged with Morlund's modules. Integers are
// little-endian; a text field of width w holds at most w-1 bytes and a terminator. Patient and
// take records carry ANSI text, the image record OEM text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace radlyn::records {

struct Field {
  std::size_t offset;
  std::size_t width;
};

// HostPatientRecord: built from the host link's patient and doctor.
namespace patient {
inline constexpr std::size_t kSize = 114;
inline constexpr Field kLastName{0, 33};
inline constexpr Field kFirstName{33, 33};
inline constexpr Field kBirthYear{66, 2};  // unsigned 16-bit
inline constexpr Field kBirthMonth{68, 1};
inline constexpr Field kBirthDay{69, 1};
inline constexpr Field kDoctor{74, 13};
inline constexpr Field kHostValue{87, 4};  // copied unchanged to image record 732
inline constexpr Field kPatientId{91, 21};
}  // namespace patient

// TakeRecord: filled by the acquisition or an import.
namespace take {
inline constexpr std::size_t kSize = 642;
inline constexpr Field kLeadText{0, 11};
inline constexpr Field kHardware{11, 51};
inline constexpr Field kMark{62, 51};
inline constexpr Field kAutoCorrection{113, 96};
inline constexpr Field kExposureParameters{209, 196};
inline constexpr Field kText405{405, 13};
inline constexpr Field kText418{418, 128};
inline constexpr Field kHeaderHandle{546, 4};
inline constexpr Field kPixelHandle{550, 4};
inline constexpr Field kTakeType{554, 5};
inline constexpr Field kYear{559, 2};
inline constexpr Field kMonth{561, 1};
inline constexpr Field kDay{562, 1};
inline constexpr Field kHour{563, 1};
inline constexpr Field kMinute{564, 1};
inline constexpr Field kSecond{565, 1};
inline constexpr Field kText566{566, 32};
inline constexpr Field kExtensionHandle{630, 4};
inline constexpr Field kValue638{638, 4};
}  // namespace take

// HostImageRecord: what MoFileIO writes to and reads from image files.
namespace image {
inline constexpr std::size_t kSize = 740;
inline constexpr Field kPatientName{0, 96};
inline constexpr Field kText96{96, 128};
inline constexpr Field kPatientId{224, 21};
inline constexpr Field kDoctor{245, 13};
inline constexpr Field kText258{258, 13};
inline constexpr Field kLeadText{271, 11};
inline constexpr Field kHardware{282, 51};
inline constexpr Field kMark{333, 51};
inline constexpr Field kAutoCorrection{384, 96};
inline constexpr Field kExposureParameters{480, 196};
inline constexpr Field kHeaderHandle{676, 4};
inline constexpr Field kPixelHandle{680, 4};
inline constexpr Field kTakeType{684, 5};
inline constexpr Field kYear{689, 2};
inline constexpr Field kMonth{691, 1};
inline constexpr Field kDay{692, 1};
inline constexpr Field kHour{693, 1};
inline constexpr Field kMinute{694, 1};
inline constexpr Field kSecond{695, 1};
inline constexpr Field kText696{696, 32};
inline constexpr Field kExtensionHandle{728, 4};
inline constexpr Field kPatientValue{732, 4};
inline constexpr Field kTakeValue{736, 4};
}  // namespace image

// Field masks naming image-record fields.
namespace mask {
inline constexpr std::uint32_t kText258 = 0x40;
inline constexpr std::uint32_t kText96 = 0x10;
inline constexpr std::uint32_t kLeadText = 0x100;
inline constexpr std::uint32_t kHardware = 0x200;
inline constexpr std::uint32_t kMark = 0x400;
inline constexpr std::uint32_t kAutoCorrection = 0x800;
inline constexpr std::uint32_t kExposureParameters = 0x400000;
inline constexpr std::uint32_t kHeaderHandle = 0x1000;
inline constexpr std::uint32_t kHeaderHandleAlt = 0x40000;
inline constexpr std::uint32_t kPixelHandle = 0x2000;
inline constexpr std::uint32_t kTakeType = 0x10000;
inline constexpr std::uint32_t kDateTime = 0x20000;
inline constexpr std::uint32_t kText696 = 0x100000;
inline constexpr std::uint32_t kExtension = 0x200000;

inline constexpr std::uint32_t kExchange = 0x3773F73;  // create and import in the acquisition
inline constexpr std::uint32_t kCopyBack = 0x2773F70;  // into the take record after an import
inline constexpr std::uint32_t kSaveAs = 0;
}  // namespace mask

// Bitmap header at the start of an image header block (BITMAPINFOHEADER).
namespace bitmap {
inline constexpr std::size_t kHeaderSize = 40;
inline constexpr Field kSize{0, 4};
inline constexpr Field kWidth{4, 4};
inline constexpr Field kHeight{8, 4};
inline constexpr Field kPlanes{12, 2};
inline constexpr Field kBitCount{14, 2};
inline constexpr Field kCompression{16, 4};
inline constexpr Field kSizeImage{20, 4};
inline constexpr Field kClrUsed{32, 4};
inline constexpr Field kClrImportant{36, 4};
}  // namespace bitmap

inline std::uint32_t ReadU32(const std::uint8_t* record, Field f) {
  return std::uint32_t{record[f.offset]} | std::uint32_t{record[f.offset + 1]} << 8 |
         std::uint32_t{record[f.offset + 2]} << 16 | std::uint32_t{record[f.offset + 3]} << 24;
}
inline std::uint16_t ReadU16(const std::uint8_t* record, Field f) {
  return static_cast<std::uint16_t>(record[f.offset] | record[f.offset + 1] << 8);
}
inline std::uint8_t ReadU8(const std::uint8_t* record, Field f) { return record[f.offset]; }
inline void WriteU32(std::uint8_t* record, Field f, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i)
    record[f.offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void WriteU16(std::uint8_t* record, Field f, std::uint16_t value) {
  record[f.offset] = static_cast<std::uint8_t>(value);
  record[f.offset + 1] = static_cast<std::uint8_t>(value >> 8);
}
inline void WriteU8(std::uint8_t* record, Field f, std::uint8_t value) { record[f.offset] = value; }

// The text of a field, up to its terminator or its width.
inline std::string_view ReadText(const std::uint8_t* record, Field f) {
  const char* start = reinterpret_cast<const char*>(record + f.offset);
  return {start, strnlen(start, f.width)};
}
// Writes at most width-1 bytes of `text` and zero-fills the rest of the field.
inline void WriteText(std::uint8_t* record, Field f, std::string_view text) {
  std::size_t n = text.size() < f.width ? text.size() : f.width - 1;
  std::memcpy(record + f.offset, text.data(), n);
  std::memset(record + f.offset + n, 0, f.width - n);
}

}  // namespace radlyn::records
