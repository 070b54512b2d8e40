// The exchange records: byte offsets, code pages, cutting and padding, masks, and the take's
// extension block converted in place.
#include "hostlink/records.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "hostlink/modules/record_layout.h"
#include "platform/global_memory.h"

namespace radlyn {
namespace {

namespace take = records::take;
namespace image = records::image;
namespace patient = records::patient;

using PatientBytes = std::array<std::uint8_t, patient::kSize>;
using TakeBytes = std::array<std::uint8_t, take::kSize>;
using ImageBytes = std::array<std::uint8_t, image::kSize>;

// A field as bytes, terminator and padding included.
std::string Bytes(const std::uint8_t* record, records::Field f) {
  return std::string(reinterpret_cast<const char*>(record + f.offset), f.width);
}
std::string Padded(std::string text, std::size_t width) {
  text.resize(width, '\0');
  return text;
}

PatientBytes Patient(const PatientData& data, std::string_view doctor) {
  PatientBytes record;
  record.fill(0xEE);
  BuildHostPatientRecord(data, doctor, record.data());
  return record;
}

TEST(HostPatientRecordTest, FieldsAtTheirOffsets) {
  PatientData data{"Miller", "Anna", 1970, 3, 5, "4711"};
  const PatientBytes r = Patient(data, "Dr. Brownlow1");
  EXPECT_EQ(Bytes(r.data(), patient::kLastName), Padded("Miller", 33));
  EXPECT_EQ(Bytes(r.data(), patient::kFirstName), Padded("Anna", 33));
  EXPECT_EQ(records::ReadU16(r.data(), patient::kBirthYear), 1970);
  EXPECT_EQ(r[68], 3);
  EXPECT_EQ(r[69], 5);
  EXPECT_EQ(Bytes(r.data(), patient::kDoctor), Padded("Dr. Brownlow", 13)) << "cut to 12";
  EXPECT_EQ(Bytes(r.data(), patient::kPatientId), Padded("4711", 21));
  for (std::size_t zero : {70u, 71u, 72u, 73u, 87u, 88u, 89u, 90u, 112u, 113u}) {
    EXPECT_EQ(r[zero], 0) << zero;
  }
}

TEST(HostPatientRecordTest, TextsNeverLeaveTheirFields) {
  PatientData data{std::string(40, 'L'), std::string(40, 'F'), 2000, 1, 1, std::string(30, '9')};
  const PatientBytes r = Patient(data, std::string(20, 'D'));
  EXPECT_EQ(Bytes(r.data(), patient::kLastName), std::string(32, 'L') + '\0');
  EXPECT_EQ(Bytes(r.data(), patient::kFirstName), std::string(32, 'F') + '\0');
  EXPECT_EQ(records::ReadU16(r.data(), patient::kBirthYear), 2000);
  EXPECT_EQ(Bytes(r.data(), patient::kDoctor), std::string(12, 'D') + '\0');
  EXPECT_EQ(Bytes(r.data(), patient::kPatientId), std::string(20, '9') + '\0');
}

TEST(ToHostImageRecordTest, PatientPartWithNameFieldInOemText) {
  struct Case {
    PatientData data;
    std::string doctor;
    std::string name_field;  // OEM bytes
    std::string doctor_field;
  };
  const Case cases[] = {
      {{"Miller", "Anna", 1970, 3, 5, "4711"}, "Dr. Brown", "Miller@Anna@1970:03:05", "Dr. Brown"},
      {{}, "", "Unknown@Unknown@1880:01:01", ""},
      // Windows-1252 a-umlaut (E4) is 84 in the OEM code page.
      {{"M\xE4ller", "J\xFCrgen", 1999, 12, 31, ""},
       "Dr. K\xE4se",
       "M\x84ller@J\x81rgen@1999:12:31",
       "Dr. K\x84se"},
      {{"Miller", "Anna", 1970, 3, 5, ""},
       "Dr. Brownlow1",
       "Miller@Anna@1970:03:05",
       "Dr. Brownlow"},
  };
  for (const Case& c : cases) {
    PatientBytes p = Patient(c.data, c.doctor);
    records::WriteU32(p.data(), patient::kHostValue, 0xA1B2C3D4);
    ImageBytes r{};
    EXPECT_EQ(ToHostImageRecord(p.data(), nullptr, r.data()), 0);
    EXPECT_EQ(Bytes(r.data(), image::kPatientName), Padded(c.name_field, 96)) << c.name_field;
    EXPECT_EQ(Bytes(r.data(), image::kDoctor), Padded(c.doctor_field, 13)) << c.name_field;
    EXPECT_EQ(Bytes(r.data(), image::kPatientId), Padded(c.data.patient_id, 21));
    EXPECT_EQ(records::ReadU32(r.data(), image::kPatientValue), 0xA1B2C3D4u);
    EXPECT_EQ(Bytes(r.data(), image::kText96), std::string(128, '\0'));
    EXPECT_EQ(Bytes(r.data(), {258, 732 - 258}), std::string(732 - 258, '\0'))
        << "no take part without a take record";
  }
  EXPECT_EQ(ToHostImageRecord(nullptr, nullptr, nullptr), 1);
}

// A take record with a distinct text in every text field, handles, date and values.
TakeBytes SampleTake(GmHandle extension) {
  TakeBytes t{};
  records::WriteText(t.data(), take::kLeadText, "}");
  records::WriteText(t.data(), take::kHardware, "Sensor \xC4 2");
  records::WriteText(t.data(), take::kMark, "MORLUND 7.0");
  records::WriteText(t.data(), take::kAutoCorrection, "AutoCorr");
  records::WriteText(t.data(), take::kExposureParameters, "TXRay,120,kV,60,mA,7");
  records::WriteText(t.data(), take::kText405, "t405");
  records::WriteText(t.data(), take::kText418, "t418 \xE9");
  records::WriteU32(t.data(), take::kHeaderHandle, 0x11111111);
  records::WriteU32(t.data(), take::kPixelHandle, 0x22222222);
  records::WriteText(t.data(), take::kTakeType, "11XI");
  const std::uint8_t date[7] = {0xE8, 0x07, 12, 24, 23, 59, 58};
  std::memcpy(t.data() + take::kYear.offset, date, 7);
  records::WriteText(t.data(), take::kText566, "t566");
  records::WriteU32(t.data(), take::kExtensionHandle, extension);
  records::WriteU32(t.data(), take::kValue638, 0x638638);
  return t;
}

GmHandle TextBlock(std::string_view first, std::string_view second) {
  const GmHandle h = GmAlloc(static_cast<std::uint32_t>(first.size() + second.size() + 2));
  auto* bytes = static_cast<char*>(GmLock(h));
  std::memcpy(bytes, first.data(), first.size());
  std::memcpy(bytes + first.size() + 1, second.data(), second.size());
  GmUnlock(h);
  return h;
}
std::string BlockBytes(GmHandle h) {
  auto* bytes = static_cast<char*>(GmLock(h));
  std::string copy(bytes, GmSize(h));
  GmUnlock(h);
  return copy;
}

struct FieldPair {
  records::Field take_field;
  records::Field image_field;
  std::uint32_t mask;
  bool text;
};
const FieldPair kPairs[] = {
    {take::kText405, image::kText258, 0x40, true},
    {take::kText418, image::kText96, 0x10, true},
    {take::kLeadText, image::kLeadText, 0x100, true},
    {take::kHardware, image::kHardware, 0x200, true},
    {take::kMark, image::kMark, 0x400, true},
    {take::kAutoCorrection, image::kAutoCorrection, 0x800, true},
    {take::kExposureParameters, image::kExposureParameters, 0x400000, true},
    {take::kHeaderHandle, image::kHeaderHandle, 0x1000, false},
    {take::kPixelHandle, image::kPixelHandle, 0x2000, false},
    {take::kTakeType, image::kTakeType, 0x10000, true},
    {{559, 7}, {689, 7}, 0x20000, false},
    {take::kText566, image::kText696, 0x100000, true},
};

TEST(ToHostImageRecordTest, TakeFieldsConvertedAndExtensionBlockConvertedInPlace) {
  const GmHandle extension = TextBlock("Ext \xE4", "<second \xE4>");
  const TakeBytes t = SampleTake(extension);
  ImageBytes r{};
  EXPECT_EQ(ToHostImageRecord(nullptr, t.data(), r.data()), 0);
  EXPECT_EQ(Bytes(r.data(), image::kHardware), Padded("Sensor \x8E 2", 51));
  EXPECT_EQ(Bytes(r.data(), image::kText96), Padded("t418 \x82", 128));
  for (const FieldPair& pair : kPairs) {
    if (pair.take_field.offset == take::kHardware.offset ||
        pair.take_field.offset == take::kText418.offset) {
      continue;
    }
    EXPECT_EQ(Bytes(r.data(), pair.image_field), Bytes(t.data(), pair.take_field))
        << pair.take_field.offset;
  }
  EXPECT_EQ(records::ReadU32(r.data(), image::kExtensionHandle), extension);
  EXPECT_EQ(records::ReadU32(r.data(), image::kTakeValue), 0x638638u);
  EXPECT_EQ(Bytes(r.data(), image::kPatientName), std::string(96, '\0'));
  // Only the first text of the block changes code page; it stays converted.
  EXPECT_EQ(BlockBytes(extension), std::string("Ext \x84\0<second \xE4>\0", 17));
  GmFree(extension);
}

TEST(ToHostImageRecordTest, ExtensionBlockThatCannotBeLockedFails) {
  const GmHandle gone = GmAlloc(8);
  GmFree(gone);
  const TakeBytes t = SampleTake(gone);
  ImageBytes r{};
  EXPECT_EQ(ToHostImageRecord(nullptr, t.data(), r.data()), 1);
  EXPECT_EQ(Bytes(r.data(), image::kTakeType), Padded("11XI", 5)) << "earlier fields done";
}

TEST(ToHostImageRecordTest, UnterminatedFieldsAreCutWithinTheirWidth) {
  TakeBytes t;
  t.fill('x');
  records::WriteU32(t.data(), take::kExtensionHandle, 0);
  ImageBytes r{};
  ToHostImageRecord(nullptr, t.data(), r.data());
  for (const FieldPair& pair : kPairs) {
    if (!pair.text) continue;
    EXPECT_EQ(Bytes(r.data(), pair.image_field),
              std::string(pair.image_field.width - 1, 'x') + '\0')
        << pair.image_field.offset;
  }
}

TEST(FromHostImageRecordTest, EachMaskBitCopiesItsFieldOnly) {
  const TakeBytes source = SampleTake(0);
  ImageBytes r{};
  ToHostImageRecord(nullptr, source.data(), r.data());
  for (const FieldPair& pair : kPairs) {
    TakeBytes t{};
    EXPECT_EQ(FromHostImageRecord(t.data(), r.data(), pair.mask), 0) << pair.mask;
    TakeBytes expected{};
    std::memcpy(expected.data() + pair.take_field.offset, source.data() + pair.take_field.offset,
                pair.take_field.width);
    EXPECT_EQ(t, expected) << std::hex << pair.mask;
  }
  // Bit 18 names the header handle too; bits outside the table are ignored.
  TakeBytes t{};
  FromHostImageRecord(t.data(), r.data(), 0x40000 | 0x1 | 0x2 | 0x20 | 0x80000 | 0x2000000);
  EXPECT_EQ(records::ReadU32(t.data(), take::kHeaderHandle), 0x11111111u);
  records::WriteU32(t.data(), take::kHeaderHandle, 0);
  EXPECT_EQ(t, TakeBytes{});
}

TEST(FromHostImageRecordTest, CopyBackMaskRestoresTheTakeAndItsExtensionText) {
  const GmHandle extension = TextBlock("Ext \xE4", "");
  const TakeBytes source = SampleTake(extension);
  ImageBytes r{};
  ASSERT_EQ(ToHostImageRecord(nullptr, source.data(), r.data()), 0);
  TakeBytes t{};
  EXPECT_EQ(FromHostImageRecord(t.data(), r.data(), records::mask::kCopyBack), 0);
  TakeBytes expected = source;
  records::WriteU32(expected.data(), take::kValue638, 0);  // not part of any mask
  EXPECT_EQ(t, expected);
  EXPECT_EQ(BlockBytes(extension).substr(0, 6), std::string("Ext \xE4\0", 6));
  GmFree(extension);
}

TEST(FromHostImageRecordTest, MissingRecordsAndUnlockableExtension) {
  ImageBytes r{};
  TakeBytes t{};
  EXPECT_EQ(FromHostImageRecord(t.data(), nullptr, 0xFFFFFFFF), 1);
  EXPECT_EQ(FromHostImageRecord(nullptr, r.data(), 0xFFFFFFFF), 0);
  // No extension block: its handle is stored and the conversion reports the failed lock after
  // the other fields are done.
  records::WriteText(r.data(), image::kTakeType, "01XP");
  records::WriteU32(t.data(), take::kExtensionHandle, 0x5555);
  EXPECT_EQ(FromHostImageRecord(t.data(), r.data(), records::mask::kCopyBack), 1);
  EXPECT_EQ(records::ReadU32(t.data(), take::kExtensionHandle), 0u);
  EXPECT_EQ(records::ReadText(t.data(), take::kTakeType), "01XP");
}

}  // namespace
}  // namespace radlyn
