// Arbitrary take and image records through ToHostImageRecord and FromHostImageRecord: fields
// without terminators, any mask, stale handles, and an extension block of arbitrary bytes. Every
// text written into a record must end within its field.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

void ExpectTerminated(const std::vector<std::uint8_t>& record, records::Field f) {
  if (std::memchr(record.data() + f.offset, 0, f.width) == nullptr) std::abort();
}

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

  std::vector<std::uint8_t> converted(records::image::kSize, 0);
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
