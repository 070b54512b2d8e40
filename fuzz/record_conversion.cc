// Arbitrary patient, take and image records through BuildHostPatientRecord, ToHostImageRecord and
// FromHostImageRecord: fields without terminators, any mask, stale handles, and an extension block
// of arbitrary bytes. Every text written into a record must end within its field; handles,
// numbers and dates travel unchanged; and a take record converted to an image record and back
// keeps every text's length and its ASCII characters, the extension block's text included.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "hostlink/modules/record_layout.h"
#include "hostlink/records.h"
#include "platform/global_memory.h"

namespace {

using namespace radlyn;

// Takes `count` bytes from the input, zero-padded when it runs out.
std::vector<std::uint8_t> Take(const std::uint8_t*& data, std::size_t& size, std::size_t count) {
  std::vector<std::uint8_t> bytes(count, 0);
  const std::size_t n = std::min(count, size);
  if (n != 0) std::memcpy(bytes.data(), data, n);
  data += n;
  size -= n;
  return bytes;
}

// Aborts, naming the line of the failed check (the compiler fills in the caller's line).
void Check(bool condition, int line = __builtin_LINE()) {
  if (condition) return;
  std::fprintf(stderr, "check failed at line %d\n", line);
  std::abort();
}

void ExpectTerminated(const std::vector<std::uint8_t>& record, records::Field f) {
  Check(std::memchr(record.data() + f.offset, 0, f.width) != nullptr);
}

bool SameBytes(const std::uint8_t* a, std::size_t a_offset, const std::uint8_t* b,
               std::size_t b_offset, std::size_t width) {
  return std::memcmp(a + a_offset, b + b_offset, width) == 0;
}

// `after` is `before` through two code-page conversions: as long as `before` (cut to `width` - 1
// bytes), with its ASCII characters where they were.
void ExpectSameShape(std::string_view before, std::string_view after, std::size_t width) {
  before = before.substr(0, width - 1);
  Check(after.size() == before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (static_cast<unsigned char>(before[i]) < 0x80) Check(after[i] == before[i]);
  }
}

// The patient record built from texts and numbers holds each text cut to its field and each
// number narrowed to its width.
void CheckPatientRecord(const std::vector<std::uint8_t>& bytes) {
  const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  PatientData data;
  data.last_name = raw.substr(0, 40);
  data.first_name = raw.substr(40, 36);
  data.patient_id = raw.substr(76, 30);
  std::memcpy(&data.birth_year, bytes.data() + 106, 4);
  data.birth_month = bytes[110] - 64;
  data.birth_day = bytes[111] * 300;
  const std::string doctor(raw.substr(100, 14));
  std::vector<std::uint8_t> record(records::patient::kSize, 0xCC);
  BuildHostPatientRecord(data, doctor, record.data());
  namespace pt = records::patient;
  auto expect_text = [&](records::Field f, std::string_view text) {
    text = text.substr(0, std::min(text.find('\0'), f.width - 1));
    Check(records::ReadText(record.data(), f) == text);
    ExpectTerminated(record, f);
  };
  expect_text(pt::kLastName, data.last_name);
  expect_text(pt::kFirstName, data.first_name);
  expect_text(pt::kPatientId, data.patient_id);
  expect_text(pt::kDoctor, doctor);
  Check(records::ReadU16(record.data(), pt::kBirthYear) ==
        static_cast<std::uint16_t>(data.birth_year));
  Check(records::ReadU8(record.data(), pt::kBirthMonth) ==
        static_cast<std::uint8_t>(data.birth_month));
  Check(records::ReadU8(record.data(), pt::kBirthDay) == static_cast<std::uint8_t>(data.birth_day));
  Check(records::ReadU32(record.data(), pt::kHostValue) == 0);
}

// The take record's texts, handles and numbers next to their image-record fields; the value at
// 638 travels only into the image record.
enum class Kind { kText, kRaw, kOneWay };
struct Pair {
  records::Field take;
  records::Field image;
  Kind kind;
};

constexpr Pair kPairs[] = {
    {records::take::kText405, records::image::kText258, Kind::kText},
    {records::take::kText418, records::image::kText96, Kind::kText},
    {records::take::kLeadText, records::image::kLeadText, Kind::kText},
    {records::take::kHardware, records::image::kHardware, Kind::kText},
    {records::take::kMark, records::image::kMark, Kind::kText},
    {records::take::kAutoCorrection, records::image::kAutoCorrection, Kind::kText},
    {records::take::kExposureParameters, records::image::kExposureParameters, Kind::kText},
    {records::take::kTakeType, records::image::kTakeType, Kind::kText},
    {records::take::kText566, records::image::kText696, Kind::kText},
    {records::take::kHeaderHandle, records::image::kHeaderHandle, Kind::kRaw},
    {records::take::kPixelHandle, records::image::kPixelHandle, Kind::kRaw},
    {{records::take::kYear.offset, 7}, {records::image::kYear.offset, 7}, Kind::kRaw},
    {records::take::kValue638, records::image::kTakeValue, Kind::kOneWay},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> head = Take(data, size, 5);
  std::uint32_t mask;
  std::memcpy(&mask, head.data(), 4);
  const bool with_extension = (head[4] & 1) != 0;
  const bool with_patient = (head[4] & 2) != 0;
  std::vector<std::uint8_t> patient = Take(data, size, records::patient::kSize);
  std::vector<std::uint8_t> take = Take(data, size, records::take::kSize);
  std::vector<std::uint8_t> image = Take(data, size, records::image::kSize);

  GmHandle extension = 0;
  if (with_extension) {
    extension = GmAlloc(static_cast<std::uint32_t>(size));
    if (size != 0) {
      std::memcpy(GmLock(extension), data, size);
      GmUnlock(extension);
    }
    records::WriteU32(take.data(), records::take::kExtensionHandle, extension);
    records::WriteU32(image.data(), records::image::kExtensionHandle, extension);
  }

  CheckPatientRecord(patient);
  const std::string block_before(reinterpret_cast<const char*>(data), size);

  std::vector<std::uint8_t> converted(records::image::kSize, 0);
  const std::uint16_t status =
      ToHostImageRecord(with_patient ? patient.data() : nullptr, take.data(), converted.data());
  namespace im = records::image;
  for (records::Field f :
       {im::kPatientName, im::kText96, im::kText258, im::kLeadText, im::kHardware, im::kMark,
        im::kAutoCorrection, im::kExposureParameters, im::kTakeType, im::kText696}) {
    ExpectTerminated(converted, f);
  }
  if (with_patient) {
    ExpectTerminated(converted, im::kPatientId);
    ExpectTerminated(converted, im::kDoctor);
  }

  if (with_patient) {
    Check(SameBytes(converted.data(), im::kPatientValue.offset, patient.data(),
                    records::patient::kHostValue.offset, 4));
  }

  if (status == 0) {
    // Back into a fresh take record with every field the acquisition exchanges.
    std::vector<std::uint8_t> again(records::take::kSize, 0);
    FromHostImageRecord(again.data(), converted.data(), records::mask::kExchange);
    for (const Pair& pair : kPairs) {
      if (pair.kind == Kind::kText) {
        ExpectSameShape(records::ReadText(take.data(), pair.take),
                        records::ReadText(again.data(), pair.take), pair.take.width);
      } else {
        Check(SameBytes(converted.data(), pair.image.offset, take.data(), pair.take.offset,
                        pair.take.width));
        Check(pair.kind == Kind::kOneWay || SameBytes(again.data(), pair.take.offset, take.data(),
                                                      pair.take.offset, pair.take.width));
      }
    }
    Check(records::ReadU32(converted.data(), im::kExtensionHandle) ==
          records::ReadU32(take.data(), records::take::kExtensionHandle));
    if (extension != 0) {
      const std::string_view block(static_cast<const char*>(GmLock(extension)), size);
      const std::size_t length = strnlen(block_before.data(), size);
      ExpectSameShape(block_before.substr(0, length), block.substr(0, strnlen(block.data(), size)),
                      length + 1);
      Check(block.substr(length) == std::string_view(block_before).substr(length));
      GmUnlock(extension);
    }
  }

  std::vector<std::uint8_t> back(records::take::kSize, 0);
  FromHostImageRecord(back.data(), image.data(), mask);
  namespace tk = records::take;
  const std::pair<std::uint32_t, records::Field> texts[] = {
      {0x40, tk::kText405},
      {0x10, tk::kText418},
      {0x100, tk::kLeadText},
      {0x200, tk::kHardware},
      {0x400, tk::kMark},
      {0x800, tk::kAutoCorrection},
      {0x400000, tk::kExposureParameters},
      {0x10000, tk::kTakeType},
      {0x100000, tk::kText566},
  };
  for (const auto& [bit, field] : texts) {
    if ((mask & bit) != 0) ExpectTerminated(back, field);
  }
  if (extension != 0) GmFree(extension);
  return 0;
}
