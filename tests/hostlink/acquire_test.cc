// Acquire with fake modules: refusals, the exposure and the work done on its take, failures and
// their clean-up, and the Orbel steps around the exposure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "fake_host.h"
#include "hostlink/modules/record_layout.h"
#include "hostlink/morlund_link.h"
#include "hostlink/records.h"
#include "platform/global_memory.h"
#include "support/event_log.h"
#include "support/platform_fakes.h"

namespace radlyn {
namespace {

using testing::FakeHost;
using testing::kParentWindow;
namespace take = records::take;
namespace image = records::image;
namespace bitmap = records::bitmap;

const std::vector<std::uint16_t> kSamples = {0x0100, 0x0200, 0xFFFF, 0x1234};
const std::string kSettings = testing::PlatformPath("/usr/lib/radlyn/Radlyn.ini");

std::vector<std::uint8_t> Read(GmHandle h) {
  auto* bytes = static_cast<std::uint8_t*>(GmLock(h));
  if (bytes == nullptr) return {};
  std::vector<std::uint8_t> copy(bytes, bytes + GmSize(h));
  GmUnlock(h);
  return copy;
}

// A 16-bit image's header block (with a full lookup table whose entry v has the high byte
// 255 - (v mod 256)) and pixel block.
std::pair<GmHandle, GmHandle> MakeImage(const std::vector<std::uint16_t>& samples) {
  const GmHandle header = GmAlloc(40 + 2 * 65536);
  auto* h = static_cast<std::uint8_t*>(GmLock(header));
  records::WriteU32(h, bitmap::kSize, 40);
  records::WriteU16(h, bitmap::kBitCount, 16);
  records::WriteU32(h, bitmap::kSizeImage, static_cast<std::uint32_t>(2 * samples.size()));
  for (std::size_t v = 0; v < 65536; ++v) h[40 + 2 * v + 1] = static_cast<std::uint8_t>(255 - v);
  GmUnlock(header);
  const GmHandle pixels = GmAlloc(static_cast<std::uint32_t>(2 * samples.size()));
  auto* p = static_cast<std::uint8_t*>(GmLock(pixels));
  for (std::size_t i = 0; i < samples.size(); ++i) records::WriteU16(p, {2 * i, 2}, samples[i]);
  GmUnlock(pixels);
  return {header, pixels};
}

// The image as the acquisition module delivers it, with its exposure parameters.
void DeliverImage(std::uint8_t* take_record, const char* parameters) {
  const auto [header, pixels] = MakeImage(kSamples);
  records::WriteU32(take_record, take::kHeaderHandle, header);
  records::WriteU32(take_record, take::kPixelHandle, pixels);
  records::WriteText(take_record, take::kExposureParameters, parameters);
}

class AcquireTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(link.Initialize("Client"));
    ASSERT_TRUE(link.SetPatient("Miller", "Anna", 1970, 3, 5, "4711"));
    ASSERT_TRUE(link.SetDoctor("Dr. Brown"));
    ASSERT_TRUE(link.SetTakeType("XI", "11"));
    modules.fill_take = [](std::uint8_t* t) { DeliverImage(t, "TXRay,120,kV,60,mA,7"); };
    modules.calls.clear();
    modules.texts.clear();
    host.files.folder_changes.clear();
    live_before = GmLiveBlockCount();
  }

  std::vector<std::uint8_t> TakeRecord() { return Read(link.GetTakeHandle()); }
  GmHandle Header() { return records::ReadU32(TakeRecord().data(), take::kHeaderHandle); }
  GmHandle Pixels() { return records::ReadU32(TakeRecord().data(), take::kPixelHandle); }
  bool Called(const std::string& call) const {
    return std::find(modules.calls.begin(), modules.calls.end(), call) != modules.calls.end();
  }

  FakeHost host;
  CMorlundLink link;
  testing::ModuleBehaviour& modules = FakeHost::Modules();
  std::uint32_t live_before = 0;
};

TEST_F(AcquireTest, RefusesWithoutInitializeOrWindowAndTouchesNothing) {
  CMorlundLink uninitialized;
  EXPECT_FALSE(uninitialized.Acquire(kParentWindow));
  EXPECT_EQ(uninitialized.GetLastErrorNumber(), 2u);
  EXPECT_EQ(uninitialized.GetLastErrorText(), "Acquire: Wrong parameter or uninitialized");

  EXPECT_FALSE(link.Acquire(0x999));
  EXPECT_EQ(link.GetLastErrorNumber(), 2u);
  EXPECT_EQ(link.GetLastErrorText(), "Acquire: Wrong parameter or uninitialized");
  EXPECT_TRUE(modules.calls.empty());
  EXPECT_TRUE(host.files.folder_changes.empty());
  EXPECT_EQ(GmLiveBlockCount(), live_before);
}

TEST_F(AcquireTest, TakesTheExposureWithThePatientAndTakeTypeInsideTheMorlundFolder) {
  host.files.current = "/home/client";
  modules.take_type_ints["AutoPost"] = 0;  // keeps the auto-post document to one setting
  ASSERT_TRUE(link.Acquire(kParentWindow));

  EXPECT_EQ(modules.calls, (std::vector<std::string>{
                               "MC_TakeImage(0,3,4660,1,0)",
                               "UTL_GetPrivateProfileIntTakeType(AutoPost,AutoPost,11XI,1," +
                                   testing::kMorlundFolder + "morlund.ini)",
                               "UTL_GetLogo(11)", "UTL_InitMark", "UTL_SetLogo", "UTL_SetVersion",
                               "UTL_GetPrivateProfileIntTakeType(Take,SetLRLabel,11XI,0," +
                                   testing::kMorlundFolder + "mofiledb.ini)",
                               "MGM_SetMark"}));
  EXPECT_EQ(modules.current_folder_seen, testing::PlatformPath("/opt/fake-morlund"));
  EXPECT_EQ(host.files.current, "/home/client");

  std::vector<std::uint8_t> patient(records::patient::kSize);
  BuildHostPatientRecord(link.GetPatient(), link.GetDoctor(), patient.data());
  EXPECT_EQ(modules.patient_record_seen, patient);
  std::vector<std::uint8_t> take_on_entry(take::kSize);
  records::WriteText(take_on_entry.data(), take::kLeadText, "}");
  records::WriteText(take_on_entry.data(), take::kTakeType, "11XI");
  EXPECT_EQ(modules.take_record_seen, take_on_entry);

  EXPECT_EQ(modules.texts, (std::vector<std::string>{"MORLUND", "7.0"}));
  EXPECT_EQ(link.GetExposureTime(), 120);
  EXPECT_EQ(link.GetTubeVoltage(), 60);
  EXPECT_EQ(link.GetTubeCurrent(), 7);
  EXPECT_EQ(records::ReadText(TakeRecord().data(), take::kMark), "MORLUND");

  // Reduced to 8 bits through the lookup table; the patient block is gone, the take stays.
  EXPECT_EQ(Read(Pixels()), (std::vector<std::uint8_t>{255, 255, 0, 255 - 0x34}));
  EXPECT_EQ(records::ReadU16(Read(Header()).data(), bitmap::kBitCount), 8);
  EXPECT_EQ(GmLiveBlockCount(), live_before + 3);
  EXPECT_TRUE(link.Uninitialize());
  EXPECT_EQ(GmLiveBlockCount(), live_before);
}

TEST_F(AcquireTest, SettingsChooseReductionAndLabel) {
  struct Case {
    const char* name;
    std::uint8_t depth;
    std::int32_t use_lut;  // -1: not set
    std::int32_t lr_label;
    std::vector<std::uint8_t> pixels;
    bool lr_marker;
  };
  const std::vector<std::uint8_t> sixteen = {0x00, 0x01, 0x00, 0x02, 0xFF, 0xFF, 0x34, 0x12};
  const Case cases[] = {
      {"table", 8, -1, 0, {255, 255, 0, 255 - 0x34}, false},
      {"high bytes", 8, 0, 0, {1, 2, 255, 0x12}, false},
      {"16 bits kept", 16, 1, 0, sixteen, false},
      {"left/right label", 8, 1, 1, {255, 255, 0, 255 - 0x34}, true},
  };
  for (const Case& c : cases) {
    FakeHost fresh;
    CMorlundLink other;
    ASSERT_TRUE(other.Initialize("Client"));
    FakeHost::Modules().fill_take = [](std::uint8_t* t) { DeliverImage(t, ""); };
    FakeHost::Modules().take_type_ints["SetLRLabel"] = c.lr_label;
    if (c.use_lut >= 0) fresh.profile.values[kSettings + "|Config|UseLUT"] = c.use_lut;
    other.SetBitDepth(c.depth);
    ASSERT_TRUE(other.Acquire(kParentWindow)) << c.name;
    const auto t = Read(other.GetTakeHandle());
    EXPECT_EQ(Read(records::ReadU32(t.data(), take::kPixelHandle)), c.pixels) << c.name;
    const auto header = Read(records::ReadU32(t.data(), take::kHeaderHandle));
    EXPECT_EQ(header.size(), c.depth == 8 ? 1064u : 40u + 2 * 65536) << c.name;
    const auto& calls = FakeHost::Modules().calls;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "MGM_LRMarker"), c.lr_marker ? 1 : 0);
    EXPECT_EQ(calls.back(), "MGM_SetMark") << c.name;
    EXPECT_EQ(other.GetExposureTime(), -1) << c.name;
  }
}

TEST_F(AcquireTest, MarkTheHostWroteIsKept) {
  modules.logo = "OTHER";
  modules.fill_take = [](std::uint8_t* t) {
    DeliverImage(t, "");
    records::WriteText(t, take::kMark, "OTHER 6.5");
  };
  ASSERT_TRUE(link.Acquire(kParentWindow));
  EXPECT_FALSE(Called("UTL_InitMark"));
  EXPECT_FALSE(Called("UTL_SetLogo"));
  EXPECT_FALSE(Called("UTL_SetVersion"));
  EXPECT_EQ(records::ReadText(TakeRecord().data(), take::kMark), "OTHER 6.5");
}

TEST_F(AcquireTest, FailedExposureIsMappedAndLeavesNothingBehind) {
  struct Case {
    MorlundStatus status;
    std::uint32_t error_number;
  };
  const Case cases[] = {{1001, 1}, {1220, 31}, {1202, 26}, {0x10000 | 1219, 14}};
  for (const Case& c : cases) {
    modules.take_image = c.status;
    host.files.current = "/home/client";
    EXPECT_FALSE(link.Acquire(kParentWindow)) << c.status;
    EXPECT_EQ(link.GetLastErrorNumber(), c.error_number) << c.status;
    EXPECT_EQ(link.GetLastErrorText(), "Acquire: Error TakeImage");
    EXPECT_EQ(link.GetTakeHandle(), 0u);
    EXPECT_EQ(link.GetExposureTime(), -1);
    EXPECT_EQ(GmLiveBlockCount(), live_before) << "take, header, pixels and patient freed";
    EXPECT_EQ(host.files.current, "/home/client");
    EXPECT_EQ(modules.calls.back().rfind("MC_TakeImage", 0), 0u) << "nothing after the exposure";
  }
  // A status whose low 16 bits are 0 is success.
  modules.take_image = 0x70000;
  EXPECT_TRUE(link.Acquire(kParentWindow));
}

TEST_F(AcquireTest, SecondAcquireKeepsTheFirstImage) {
  ASSERT_TRUE(link.Acquire(kParentWindow));
  const GmHandle first = link.GetTakeHandle();
  const auto first_record = TakeRecord();
  modules.calls.clear();
  EXPECT_FALSE(link.Acquire(kParentWindow));
  EXPECT_EQ(link.GetLastErrorNumber(), 38u);
  EXPECT_EQ(link.GetLastErrorText(), "Acquire: Take handle is uninitialized");
  EXPECT_EQ(link.GetTakeHandle(), first);
  EXPECT_EQ(TakeRecord(), first_record);
  EXPECT_TRUE(modules.calls.empty());
}

// The global memory of the platform, with the Nth allocation or lock made to fail.
class FailingMemory : public platform::GlobalMemory {
 public:
  GmHandle Alloc(std::uint32_t bytes) override {
    return ++allocations == fail_allocation ? 0 : GlobalMemory::Alloc(bytes);
  }
  void* Lock(GmHandle handle) override {
    return ++locks == fail_lock ? nullptr : GlobalMemory::Lock(handle);
  }
  int fail_allocation = 0, allocations = 0;
  int fail_lock = 0, locks = 0;
};

TEST_F(AcquireTest, MemoryFailuresEndWithoutAnErrorAndWithoutLeaks) {
  const std::pair<int, int> cases[] = {{1, 0}, {2, 0}, {0, 1}, {0, 2}};  // allocation, lock
  for (const auto& [allocation, lock] : cases) {
    FailingMemory memory;
    memory.fail_allocation = allocation;
    memory.fail_lock = lock;
    platform::ScopedService<platform::GlobalMemory> scope(memory);
    link.SetError(0, "");
    host.files.current = "/home/client";
    EXPECT_FALSE(link.Acquire(kParentWindow));
    EXPECT_EQ(link.GetLastErrorNumber(), 0u);
    EXPECT_TRUE(modules.calls.empty());
    EXPECT_EQ(GmLiveBlockCount(), live_before) << allocation << "/" << lock;
    EXPECT_EQ(host.files.current, "/home/client");
  }
}

// Orbel offered for every take type: the plug-in server names the program and Config.xml lets
// every take type through.
class AcquireWithOrbelTest : public AcquireTest {
 protected:
  void SetUp() override {
    AcquireTest::SetUp();
    host.automation.offers_orbel = true;
    host.files.contents[testing::kOrbelDataFolder + "Config.xml"] = "<Config filter=\"?*\"/>";
  }
  std::vector<std::string> OrbelArguments() const {
    std::vector<std::string> arguments;
    for (const auto& run : host.processes.runs) {
      const auto first = run.find('|');
      arguments.push_back(run.substr(first + 1, run.rfind('|') - first - 1));
    }
    return arguments;
  }
};

TEST_F(AcquireWithOrbelTest, FailedPreparationIsRecordedAndTheExposureGoesOnWithoutOrbel) {
  host.processes.exit_codes[" -backupoem"] = 3;
  ASSERT_TRUE(link.Acquire(kParentWindow));
  EXPECT_EQ(host.processes.runs,
            std::vector<std::string>{testing::kOrbelProgram + "| -backupoem|60000"});
  EXPECT_EQ(link.GetLastErrorNumber(), 18u);
  EXPECT_EQ(link.GetLastErrorText(), "Acquire: Orbel preparation failed");
  EXPECT_TRUE(Called("MC_TakeImage(0,3,4660,1,0)"));
  EXPECT_EQ(Read(Pixels()), (std::vector<std::uint8_t>{255, 255, 0, 255 - 0x34}));
  EXPECT_EQ(link.GetPostProcessedFlag(), 0);
}

TEST_F(AcquireWithOrbelTest, FailedExposureRestoresOrbelFirst) {
  modules.take_image = 1001;
  EXPECT_FALSE(link.Acquire(kParentWindow));
  EXPECT_EQ(OrbelArguments(), (std::vector<std::string>{" -backupoem", " -restore"}));
  EXPECT_EQ(link.GetLastErrorNumber(), 1u);
  EXPECT_EQ(link.GetLastErrorText(), "Acquire: Error TakeImage");
  EXPECT_EQ(GmLiveBlockCount(), live_before);
}

TEST_F(AcquireWithOrbelTest, SimulationStandsInForTheExposureOnlyWithOrbel) {
  host.profile.values[kSettings + "|Config|Simu"] = 1;
  // The prepared Orbel files cannot be copied here, so the simulation fails after its import.
  EXPECT_FALSE(link.Acquire(kParentWindow));
  EXPECT_FALSE(Called("MC_TakeImage(0,3,4660,1,0)"));
  EXPECT_TRUE(Called("FIO_ImportImageFile(58146675)"));
  EXPECT_EQ(OrbelArguments(), (std::vector<std::string>{" -backupoem", " -restore"}));
  EXPECT_EQ(link.GetLastErrorNumber(), 31u);
  EXPECT_EQ(link.GetLastErrorText(), "Acquire: Error TakeImage");
  EXPECT_EQ(GmLiveBlockCount(), live_before);

  host.automation.offers_orbel = false;
  modules.calls.clear();
  EXPECT_TRUE(link.Acquire(kParentWindow));
  EXPECT_TRUE(Called("MC_TakeImage(0,3,4660,1,0)"));
}

TEST_F(AcquireWithOrbelTest, ImageOrbelCouldNotTakeIsStillReducedAfterwards) {
  // No temporary file can be made here, so Orbel processing fails after the exposure.
  ASSERT_TRUE(link.Acquire(kParentWindow));
  EXPECT_EQ(OrbelArguments(), (std::vector<std::string>{" -backupoem", " -restore"}));
  EXPECT_EQ(link.GetLastErrorNumber(), 0u);
  EXPECT_EQ(link.GetPostProcessedFlag(), 0);
  EXPECT_EQ(Read(Pixels()), (std::vector<std::uint8_t>{255, 255, 0, 255 - 0x34}));
  EXPECT_EQ(link.GetExposureTime(), 120);
}

// Orbel's whole exchange runs: the temporary file can be made, and the import hands back Orbel's
// result, a 16-bit image, after noting the bit count of the image Orbel was given. Like a real
// file module it disposes of the blocks it finds in the record: it frees the found header and
// reuses the found pixel block for the result's header, so the result's handles are one found
// handle in another place and one new one.
class AcquireWithOrbelResultTest : public AcquireWithOrbelTest {
 protected:
  void SetUp() override {
    AcquireWithOrbelTest::SetUp();
    host.files.temp_folder = scratch.path();
    modules.import_image = [this](std::uint8_t* record) {
      const GmHandle found_header = records::ReadU32(record, image::kHeaderHandle);
      const GmHandle found_pixels = records::ReadU32(record, image::kPixelHandle);
      bits_given_to_orbel = records::ReadU16(Read(found_header).data(), bitmap::kBitCount);
      const auto [header, pixels] = MakeImage({1, 2, 3, 4});
      const std::vector<std::uint8_t> header_bytes = Read(header);
      GmFree(found_header);
      GmFree(header);
      ASSERT_EQ(GmReAlloc(found_pixels, static_cast<std::uint32_t>(header_bytes.size())),
                found_pixels);
      std::memcpy(GmLock(found_pixels), header_bytes.data(), header_bytes.size());
      GmUnlock(found_pixels);
      records::WriteU32(record, image::kHeaderHandle, found_pixels);
      records::WriteU32(record, image::kPixelHandle, pixels);
    };
  }

  testing::ScratchFolder scratch;
  std::uint16_t bits_given_to_orbel = 0;
};

TEST_F(AcquireWithOrbelResultTest, EightBitTakeIsReducedAfterOrbelAndUninitializeKeepsItsValues) {
  ASSERT_TRUE(link.Acquire(kParentWindow));
  EXPECT_EQ(OrbelArguments().size(), 2u);  // " -backupoem", " -check ..."
  EXPECT_EQ(bits_given_to_orbel, 16);
  EXPECT_EQ(link.GetPostProcessedFlag(), 1);
  EXPECT_EQ(records::ReadU16(Read(Header()).data(), bitmap::kBitCount), 8);
  EXPECT_EQ(Read(Pixels()), (std::vector<std::uint8_t>{254, 253, 252, 251}));
  EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));

  // Uninitialize gives the take back but keeps what the job reports.
  EXPECT_TRUE(link.Uninitialize());
  EXPECT_EQ(link.GetTakeHandle(), 0u);
  EXPECT_EQ(GmLiveBlockCount(), live_before);
  EXPECT_EQ(link.GetExposureTime(), 120);
  EXPECT_EQ(link.GetTubeVoltage(), 60);
  EXPECT_EQ(link.GetTubeCurrent(), 7);
  EXPECT_EQ(link.GetPostProcessedFlag(), 1);
}

// What a killed or crashed job left of the exchange goes when the next job starts, unless the
// process that made it still runs.
TEST_F(AcquireWithOrbelResultTest, TheNextJobRemovesExchangeFilesOfEndedProcessesOnly) {
  for (const char* name : {"RadlynOrbel-999-1A2B.tif", "RadlynOrbel-999-1A2B.tmp",
                           "RadlynOrbel-77-3C4D.tif", "RadlynOrbel-x-5E6F.tif", "other.tif"}) {
    std::ofstream(scratch.Sub(name)) << "patient";
  }
  host.processes.running = {77};
  ASSERT_TRUE(link.Uninitialize());
  ASSERT_TRUE(link.Initialize("Client"));
  std::set<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
    left.insert(entry.path().filename().string());
  }
  EXPECT_EQ(left, (std::set<std::string>{"RadlynOrbel-77-3C4D.tif", "RadlynOrbel-x-5E6F.tif",
                                         "other.tif"}));
}

TEST_F(AcquireWithOrbelResultTest, FailedExchangeLeavesTheExtensionTextAsItWas) {
  const std::string text = "\xC4rzte";  // non-ASCII in the ANSI code page
  GmHandle extension = 0;
  modules.import_image = nullptr;
  modules.fill_take = [&](std::uint8_t* t) {
    DeliverImage(t, "TXRay,120,kV,60,mA,7");
    extension = GmAlloc(static_cast<std::uint32_t>(text.size() + 1));
    std::memcpy(GmLock(extension), text.c_str(), text.size() + 1);
    GmUnlock(extension);
    records::WriteU32(t, take::kExtensionHandle, extension);
  };
  const struct {
    const char* failure;
    bool temp_files;
    bool image_name_taken;
    std::uint32_t check_exit;
    MorlundStatus import_status;
  } cases[] = {{"no temporary file", false, false, 0, 0},
               {"image name taken", true, true, 0, 0},
               {"check fails", true, false, 1, 0},
               {"import fails", true, false, 0, 4}};
  for (const auto& c : cases) {
    host.files.temp_folder = c.temp_files ? scratch.path() : "";
    host.files.image_name_taken = c.image_name_taken;
    host.processes.exit_codes[" -check"] = c.check_exit;
    modules.import_image_file = c.import_status;
    modules.calls.clear();
    ASSERT_TRUE(link.Acquire(kParentWindow)) << c.failure;
    EXPECT_EQ(link.GetPostProcessedFlag(), 0) << c.failure;
    EXPECT_EQ(Read(extension), std::vector<std::uint8_t>(text.c_str(), text.c_str() + 6))
        << c.failure;
    if (c.image_name_taken) {
      // Another's file at the image's name is neither written, nor handed to Orbel, nor deleted.
      EXPECT_FALSE(Called("FIO_CreateImageFile(58146675,1,0,0)"));
      EXPECT_EQ(OrbelArguments().back(), " -restore");
      std::vector<std::filesystem::path> left;
      for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
        left.push_back(entry.path());
      }
      ASSERT_EQ(left.size(), 1u);
      EXPECT_EQ(left[0].extension(), ".tif");
      std::string content;
      std::getline(std::ifstream(left[0]), content);
      EXPECT_EQ(content, "held");
      std::filesystem::remove(left[0]);
    }
    ASSERT_TRUE(link.Uninitialize());
    GmFree(extension);
    ASSERT_TRUE(link.Initialize("Client"));
  }
}

TEST_F(AcquireWithOrbelTest, SimulationImageCountsAsReadOnlyWithStatusZero) {
  host.profile.values[kSettings + "|Config|Simu"] = 1;
  modules.import_image_file = 11;  // success for Orbel's exchange, not for the simulation image
  host.debug.lines.clear();
  EXPECT_FALSE(link.Acquire(kParentWindow));
  // The fixture's event log cannot be written: its simulation-mode line comes here too.
  std::erase_if(host.debug.lines,
                [](const std::string& line) { return line.starts_with(kEventLogDebugPrefix); });
  EXPECT_EQ(host.debug.lines,
            (std::vector<std::string>{"Radlyn Acquire(): Couldn't read simulation image file (5)\n",
                                      "Radlyn Acquire: Error TakeImage (31)\n"}));
  EXPECT_EQ(GmLiveBlockCount(), live_before);
}

}  // namespace
}  // namespace radlyn
