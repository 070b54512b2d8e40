#include "hostlink/records.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "hostlink/modules/record_layout.h"
#include "platform/code_page.h"
#include "platform/global_memory.h"

namespace radlyn {
namespace {

namespace image = records::image;
namespace take = records::take;
namespace patient = records::patient;
namespace mask = records::mask;

enum class Copy { kText, kRaw };

// The take-record fields that travel in a HostImageRecord, in the order both conversions handle
// them. Text fields change code page on the way; raw fields (handles, date and time) are copied
// byte for byte. `bits` is the mask that selects the row when converting back.
struct FieldPair {
  records::Field image_field;
  records::Field take_field;
  std::uint32_t bits;
  Copy copy;
};

constexpr records::Field kImageDateTime{image::kYear.offset, 7};  // year to second
constexpr records::Field kTakeDateTime{take::kYear.offset, 7};

constexpr FieldPair kTakeFields[] = {
    {image::kText258, take::kText405, mask::kText258, Copy::kText},
    {image::kText96, take::kText418, mask::kText96, Copy::kText},
    {image::kLeadText, take::kLeadText, mask::kLeadText, Copy::kText},
    {image::kHardware, take::kHardware, mask::kHardware, Copy::kText},
    {image::kMark, take::kMark, mask::kMark, Copy::kText},
    {image::kAutoCorrection, take::kAutoCorrection, mask::kAutoCorrection, Copy::kText},
    {image::kExposureParameters, take::kExposureParameters, mask::kExposureParameters, Copy::kText},
    {image::kHeaderHandle, take::kHeaderHandle, mask::kHeaderHandle | mask::kHeaderHandleAlt,
     Copy::kRaw},
    {image::kPixelHandle, take::kPixelHandle, mask::kPixelHandle, Copy::kRaw},
    {image::kTakeType, take::kTakeType, mask::kTakeType, Copy::kText},
    {kImageDateTime, kTakeDateTime, mask::kDateTime, Copy::kRaw},
    {image::kText696, take::kText566, mask::kText696, Copy::kText},
};

using Convert = std::string (platform::CodePages::*)(std::string_view);

void CopyField(const std::uint8_t* source, records::Field from, std::uint8_t* target,
               records::Field to, Copy copy, Convert convert) {
  if (copy == Copy::kRaw) {
    std::memcpy(target + to.offset, source + from.offset, to.width);
    return;
  }
  records::WriteText(target, to,
                     (platform::GetCodePages().*convert)(records::ReadText(source, from)));
}

// Converts the first zero-terminated text of a memory block in place. The text ends at its
// terminator or at the block's end, whichever comes first; 1 when the block cannot be locked.
std::uint16_t ConvertBlockText(GmHandle handle, Convert convert) {
  auto& memory = platform::GetGlobalMemory();
  auto* block = static_cast<char*>(memory.Lock(handle));
  if (block == nullptr) return 1;
  const std::size_t length = strnlen(block, memory.Size(handle));
  const std::string converted = (platform::GetCodePages().*convert)({block, length});
  std::memcpy(block, converted.data(), converted.size() < length ? converted.size() : length);
  memory.Unlock(handle);
  return 0;
}

}  // namespace

void ClearRecord(void* record, std::size_t size) {
  volatile std::uint8_t* bytes = static_cast<volatile std::uint8_t*>(record);
  for (std::size_t i = 0; bytes != nullptr && i < size; ++i) bytes[i] = 0;
}

void BuildHostPatientRecord(const PatientData& data, std::string_view doctor,
                            std::uint8_t* record) {
  std::memset(record, 0, patient::kSize);
  records::WriteText(record, patient::kLastName, data.last_name);
  records::WriteText(record, patient::kFirstName, data.first_name);
  records::WriteU16(record, patient::kBirthYear, static_cast<std::uint16_t>(data.birth_year));
  records::WriteU8(record, patient::kBirthMonth, static_cast<std::uint8_t>(data.birth_month));
  records::WriteU8(record, patient::kBirthDay, static_cast<std::uint8_t>(data.birth_day));
  records::WriteText(record, patient::kDoctor, doctor);
  records::WriteText(record, patient::kPatientId, data.patient_id);
}

std::uint16_t ToHostImageRecord(const std::uint8_t* patient_record, const std::uint8_t* take_record,
                                std::uint8_t* image_record) {
  if (image_record == nullptr) return 1;
  auto& pages = platform::GetCodePages();
  if (patient_record != nullptr) {
    char date[32];
    std::snprintf(date, sizeof date, "%04u:%02u:%02u",
                  unsigned{records::ReadU16(patient_record, patient::kBirthYear)},
                  unsigned{records::ReadU8(patient_record, patient::kBirthMonth)},
                  unsigned{records::ReadU8(patient_record, patient::kBirthDay)});
    std::string name(records::ReadText(patient_record, patient::kLastName));
    name += '@';
    name += records::ReadText(patient_record, patient::kFirstName);
    name += '@';
    name += date;
    records::WriteText(image_record, image::kPatientName, pages.AnsiToOem(name));
    CopyField(patient_record, patient::kPatientId, image_record, image::kPatientId, Copy::kText,
              &platform::CodePages::AnsiToOem);
    CopyField(patient_record, patient::kDoctor, image_record, image::kDoctor, Copy::kText,
              &platform::CodePages::AnsiToOem);
    records::WriteU32(image_record, image::kPatientValue,
                      records::ReadU32(patient_record, patient::kHostValue));
  }
  if (take_record == nullptr) return 0;

  for (const FieldPair& pair : kTakeFields) {
    CopyField(take_record, pair.take_field, image_record, pair.image_field, pair.copy,
              &platform::CodePages::AnsiToOem);
  }
  const GmHandle extension = records::ReadU32(take_record, take::kExtensionHandle);
  if (extension != 0 && ConvertBlockText(extension, &platform::CodePages::AnsiToOem) != 0) {
    return 1;
  }
  records::WriteU32(image_record, image::kExtensionHandle, extension);
  records::WriteU32(image_record, image::kTakeValue,
                    records::ReadU32(take_record, take::kValue638));
  return 0;
}

std::uint16_t FromHostImageRecord(std::uint8_t* take_record, const std::uint8_t* image_record,
                                  std::uint32_t field_mask) {
  if (image_record == nullptr) return 1;
  if (take_record == nullptr) return 0;
  for (const FieldPair& pair : kTakeFields) {
    if ((field_mask & pair.bits) == 0) continue;
    CopyField(image_record, pair.image_field, take_record, pair.take_field, pair.copy,
              &platform::CodePages::OemToAnsi);
  }
  if ((field_mask & mask::kExtension) != 0) {
    const GmHandle extension = records::ReadU32(image_record, image::kExtensionHandle);
    records::WriteU32(take_record, take::kExtensionHandle, extension);
    if (ConvertBlockText(extension, &platform::CodePages::OemToAnsi) != 0) return 1;
  }
  return 0;
}

}  // namespace radlyn
