// Writes radlyn's simulation image (ORBEL/simu.tif beside the program) with hostsim's own image
// writer: a synthetic intraoral X-ray of 16-bit samples with its lookup table and a complete
// image record. The record carries a fixed old date, so a simulated take visibly gets the date
// of its run, and its own exposure parameters, so a simulated take can be told from a real one.
//
//   hostsim_make_simulation_image FILE
#include <cstdio>
#include <string>
#include <vector>

#include "core/synthetic_xray.h"
#include "hostlink/modules/record_layout.h"
#include "imagefile/image_file.h"

namespace {

namespace records = radlyn::records;
namespace image = radlyn::records::image;

constexpr std::uint32_t kWidth = 1000;
constexpr std::uint32_t kHeight = 1300;
constexpr std::uint32_t kSeed = 2010;

std::vector<std::uint8_t> SimulationRecord() {
  std::vector<std::uint8_t> record(image::kSize, 0);
  std::uint8_t* r = record.data();
  records::WriteText(r, image::kPatientName, "Simulation@Morlund@1970:01:01");
  records::WriteText(r, image::kLeadText, "}");
  records::WriteText(r, image::kHardware, "Morlund simulation image");
  records::WriteText(r, image::kExposureParameters, "TXRay,100,kV,65,mA,8");
  records::WriteText(r, image::kTakeType, "  XI");
  records::WriteU16(r, image::kYear, 2010);
  records::WriteU8(r, image::kMonth, 1);
  records::WriteU8(r, image::kDay, 1);
  records::WriteU8(r, image::kHour, 12);
  return record;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: hostsim_make_simulation_image FILE\n", stderr);
    return 64;
  }
  hostsim::StoredImage stored;
  stored.image = hostsim::MakeExposureImage(kWidth, kHeight, 16, 4096, kSeed);
  stored.record = SimulationRecord();
  std::string reason;
  if (hostsim::WriteImageFile(argv[1], stored, &reason) != hostsim::kFileOk) {
    std::fprintf(stderr, "hostsim_make_simulation_image: %s\n", reason.c_str());
    return 1;
  }
  return 0;
}
