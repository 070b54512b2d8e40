#include "image_commands.h"

#include <cstdio>
#include <string_view>

#include "core/call_log.h"
#include "core/extension_block.h"
#include "core/synthetic_xray.h"
#include "hostlink/modules/record_layout.h"
#include "imagefile/image_file.h"
#include "platform/clock.h"

namespace hostsim {

namespace records = radlyn::records;
namespace image_record = radlyn::records::image;

namespace {

constexpr std::string_view kExtensionFirstText = "MORLUND take extension";

std::vector<std::uint8_t> SampleRecord(const MakeImageOptions& options) {
  std::vector<std::uint8_t> record(image_record::kSize, 0);
  std::uint8_t* r = record.data();
  records::WriteText(r, image_record::kPatientName, "Sample@Patient@1970:01:01");
  records::WriteText(r, image_record::kPatientId, "0001");
  records::WriteText(r, image_record::kLeadText, "}");
  records::WriteText(r, image_record::kHardware, "Morlund Intraoral Sensor S1 #40113");
  records::WriteText(r, image_record::kExposureParameters, "TXRay,120,kV,60,mA,7");
  records::WriteText(r, image_record::kTakeType, options.take_type);
  const radlyn::platform::LocalTime now = radlyn::platform::GetClock().Now();
  records::WriteU16(r, image_record::kYear, static_cast<std::uint16_t>(now.year));
  records::WriteU8(r, image_record::kMonth, static_cast<std::uint8_t>(now.month));
  records::WriteU8(r, image_record::kDay, static_cast<std::uint8_t>(now.day));
  records::WriteU8(r, image_record::kHour, static_cast<std::uint8_t>(now.hour));
  records::WriteU8(r, image_record::kMinute, static_cast<std::uint8_t>(now.minute));
  records::WriteU8(r, image_record::kSecond, static_cast<std::uint8_t>(now.second));
  return record;
}

void PrintText(const char* key, std::string_view value) {
  std::printf("%s=%s\n", key, Quoted(value).c_str());
}

}  // namespace

int MakeImage(const MakeImageOptions& options) {
  StoredImage stored;
  stored.image = MakeExposureImage(options.width, options.height, options.bits, options.lut_entries,
                                   options.seed);
  stored.record = SampleRecord(options);
  if (!options.extension_ini.empty()) {
    std::string text = ExtensionText(options.extension_ini, 1);
    stored.has_extension = true;
    stored.extension.assign(kExtensionFirstText.begin(), kExtensionFirstText.end());
    stored.extension.push_back(0);
    stored.extension.insert(stored.extension.end(), text.begin(), text.end());
    stored.extension.push_back(0);
  }
  std::string reason;
  FileStatus status = WriteImageFile(options.file, stored, &reason);
  if (status != kFileOk) {
    std::fprintf(stderr, "hostsim: cannot write %s: %s (status %u)\n", options.file.c_str(),
                 reason.c_str(), static_cast<unsigned>(status));
    return 1;
  }
  return 0;
}

int Inspect(const std::string& file) {
  StoredImage stored;
  std::string reason;
  FileStatus status = ReadImageFile(file, &stored, &reason);
  if (status != kFileOk) {
    std::fprintf(stderr, "hostsim: cannot read %s: %s (status %u)\n", file.c_str(), reason.c_str(),
                 static_cast<unsigned>(status));
    return 1;
  }
  const Image& image = stored.image;
  std::printf("width=%u\nheight=%u\nbits=%u\nlut=%zu\n", image.width, image.height, image.bits,
              image.lut.size());
  std::printf("record=%s\n", stored.record.empty() ? "no" : "yes");
  if (!stored.record.empty()) {
    const std::uint8_t* r = stored.record.data();
    PrintText("name", records::ReadText(r, image_record::kPatientName));
    PrintText("id", records::ReadText(r, image_record::kPatientId));
    PrintText("doctor", records::ReadText(r, image_record::kDoctor));
    PrintText("lead", records::ReadText(r, image_record::kLeadText));
    PrintText("hardware", records::ReadText(r, image_record::kHardware));
    PrintText("mark", records::ReadText(r, image_record::kMark));
    PrintText("autocorrection", records::ReadText(r, image_record::kAutoCorrection));
    PrintText("exposure", records::ReadText(r, image_record::kExposureParameters));
    PrintText("type", records::ReadText(r, image_record::kTakeType));
    std::printf("taken=%04u-%02u-%02uT%02u:%02u:%02u\n", records::ReadU16(r, image_record::kYear),
                records::ReadU8(r, image_record::kMonth), records::ReadU8(r, image_record::kDay),
                records::ReadU8(r, image_record::kHour), records::ReadU8(r, image_record::kMinute),
                records::ReadU8(r, image_record::kSecond));
  }
  std::printf("extension=%s\n", stored.has_extension ? "yes" : "no");
  if (stored.has_extension) {
    std::string_view all(reinterpret_cast<const char*>(stored.extension.data()),
                         stored.extension.size());
    std::string_view first = all.substr(0, all.find('\0'));
    std::string_view second;
    if (first.size() + 1 < all.size()) {
      second = all.substr(first.size() + 1);
      second = second.substr(0, second.find('\0'));
    }
    PrintText("extension_first", first);
    PrintText("extension_text", second);
  }
  return 0;
}

}  // namespace hostsim
