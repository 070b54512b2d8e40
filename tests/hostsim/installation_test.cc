// An installation laid out by the hostsim command, its modules loaded as radlyn loads them.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/locked_block.h"
#include "hostlink/modules/module_exports.h"
#include "hostlink/modules/record_layout.h"
#include "platform/posix/product_version_file.h"
#include "platform/profile.h"

namespace hostsim {
namespace {

namespace fs = std::filesystem;
namespace records = radlyn::records;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Installation : public testing::Test {
 protected:
  void SetUp() override {
    const char* build = std::getenv("RADLYN_BUILD_DIR");
    ASSERT_NE(build, nullptr) << "run through ctest";
    std::string pattern = (fs::temp_directory_path() / "hostsim-install-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    dir_ = root_ / "Morlund";
    registry_ = root_ / "registry.ini";
    command_ = std::string(build) + "/bin/hostsim";
  }
  void TearDown() override {
    for (void* library : libraries_) dlclose(library);
    fs::remove_all(root_);
  }

  int Install(const std::string& options) {
    std::string line = "RADLYN_REGISTRY='" + registry_.string() + "' '" + command_ + "' install '" +
                       dir_.string() + "' " + options + " 2>/dev/null";
    return std::system(line.c_str());
  }
  void* Load(const char* file) {
    void* library = dlopen((dir_ / file).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library != nullptr) libraries_.push_back(library);
    return library;
  }
  void SetSwitch(const char* section, const char* key, const char* value) {
    ASSERT_TRUE(radlyn::platform::GetProfile().WriteString(section, key, value,
                                                           (dir_ / "hostsim.ini").string()));
  }

  fs::path root_;
  fs::path dir_;
  fs::path registry_;
  std::string command_;
  std::vector<void*> libraries_;
};

TEST_F(Installation, LaysOutTheFilesAndRegistersTheFolder) {
  ASSERT_EQ(Install("--version 6.9.9.9"), 0);
  for (const char* file : {"mofiledb.so", "momodch.so", "mogrfman.so", "moutil.so", "mofileio.so",
                           "libradlyn_globalmem.so", "morlund", "morlund.ini", "mofiledb.ini",
                           "morlund.db", "hostsim.ini"}) {
    EXPECT_TRUE(fs::exists(dir_ / file)) << file;
  }
  auto version = radlyn::platform::ReadProductVersionFile((dir_ / "morlund").string());
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(*version, (radlyn::platform::ProductVersion{6, 9, 9, 9}));
  std::string registry = ReadText(registry_);
  EXPECT_NE(registry.find("[CLSID\\{5C3E9A41-72D0-4B8E-9F16-2A7D40C1E853}\\LocalServer32]"),
            std::string::npos);
  EXPECT_NE(registry.find("@=" + fs::canonical(dir_).string() + "/morlund"), std::string::npos);

  EXPECT_EQ(Install("--no-morlund --without MoGrfMan --lacking FIO_ImportImageFile"), 0);
  EXPECT_FALSE(fs::exists(dir_ / "morlund"));
  EXPECT_FALSE(fs::exists(dir_ / "mogrfman.so"));
  void* fileio = Load("mofileio.so");
  ASSERT_NE(fileio, nullptr) << dlerror();
  EXPECT_NE(dlsym(fileio, "FIO_CreateImageFile"), nullptr);
  EXPECT_EQ(dlsym(fileio, "FIO_ImportImageFile"), nullptr);

  EXPECT_NE(Install("--lacking NoSuchExport"), 0);
}

TEST_F(Installation, ModulesTakeAnImageAndLogEveryCall) {
  ASSERT_EQ(Install(""), 0);
  void* modch = Load("momodch.so");
  void* filedb = Load("mofiledb.so");
  ASSERT_NE(modch, nullptr) << dlerror();
  ASSERT_NE(filedb, nullptr) << dlerror();
  auto check = reinterpret_cast<MC_CheckVersion_t>(dlsym(modch, "MC_CheckVersion"));
  auto take_image = reinterpret_cast<MC_TakeImage_t>(dlsym(modch, "MC_TakeImage"));
  auto open = reinterpret_cast<FDB_Open_t>(dlsym(filedb, "FDB_Open"));
  ASSERT_TRUE(check && take_image && open);

  EXPECT_NE(StatusWord(check(0x102, 0)), 0);
  EXPECT_EQ(StatusWord(check(0x101, 0)), 0);
  EXPECT_EQ(open(), 0u);
  fs::remove(dir_ / "morlund.db");
  EXPECT_EQ(open(), 31u);

  GmHandle patient = GmAlloc(records::patient::kSize);
  GmHandle take = GmAlloc(records::take::kSize);
  {
    LockedBlock p(patient);
    records::WriteText(p.data(), records::patient::kLastName, "Miller");
    LockedBlock t(take);
    records::WriteText(t.data(), records::take::kLeadText, "}");
    records::WriteText(t.data(), records::take::kTakeType, "12XI");
  }
  SetSwitch("MoModCh", "Width", "40");
  SetSwitch("MoModCh", "Height", "30");
  SetSwitch("MoModCh", "ExposureParameters", "TXRay,90");
  SetSwitch("MoModCh", "Extension", "1");
  ASSERT_EQ(take_image(0, patient, take, 3, 0x10000, 1, 0), 0u);
  {
    LockedBlock t(take);
    const std::uint8_t* r = t.data();
    EXPECT_EQ(records::ReadText(r, records::take::kLeadText), "}");
    EXPECT_EQ(records::ReadText(r, records::take::kTakeType), "12XI");
    EXPECT_EQ(records::ReadText(r, records::take::kExposureParameters), "TXRay,90");
    EXPECT_GE(records::ReadU16(r, records::take::kYear), 2024);
    GmHandle header = records::ReadU32(r, records::take::kHeaderHandle);
    GmHandle pixels = records::ReadU32(r, records::take::kPixelHandle);
    GmHandle extension = records::ReadU32(r, records::take::kExtensionHandle);
    EXPECT_EQ(GmSize(header), 40u + 2 * 4096);
    EXPECT_EQ(GmSize(pixels), 40u * 30 * 2);
    LockedBlock e(extension);
    ASSERT_NE(e.data(), nullptr);
    std::string second(reinterpret_cast<const char*>(e.data()) +
                       std::strlen(reinterpret_cast<const char*>(e.data())) + 1);
    EXPECT_EQ(second.rfind("<EXTENSION><POSTPROCESSING data=\"&lt;TAVORAAUTOPOST&gt;", 0), 0u);
    for (GmHandle handle : {header, pixels, extension}) GmFree(handle);
  }
  SetSwitch("MoModCh", "TakeImageStatus", "1215");
  EXPECT_EQ(take_image(0, patient, take, 3, 0x10000, 1, 0), 1215u);
  GmFree(patient);
  GmFree(take);

  std::string log = ReadText(dir_ / "hostsim-calls.log");
  EXPECT_NE(log.find("MC_CheckVersion(0x00000102, 0) = 1\n"), std::string::npos);
  EXPECT_NE(log.find("FDB_Open() = 0\nFDB_Open() = 31\n"), std::string::npos);
  EXPECT_NE(log.find("MC_TakeImage(0, " + std::string("0x")), std::string::npos);
  EXPECT_NE(log.find("{last=\"Miller\" first=\"\" birth=0000-00-00 id=\"\" doctor=\"\"}"),
            std::string::npos);
  EXPECT_NE(log.find("{lead=\"}\" type=\"12XI\""), std::string::npos);
  EXPECT_NE(log.find(", 3, 0x00010000, 1, 0) = 0 image=40x30x16 lut=4096"), std::string::npos);
  EXPECT_NE(log.find(", 3, 0x00010000, 1, 0) = 1215\n"), std::string::npos);
}

TEST_F(Installation, EveryVariantLacksExactlyItsOneExport) {
  const fs::path variants = fs::path(std::getenv("RADLYN_BUILD_DIR")) / "hostsim-files/variants";
  const std::vector<std::pair<const char*, std::vector<const char*>>> modules = {
      {"mofiledb", {"FDB_Open", "FDB_Close", "FDB_CheckVersion"}},
      {"momodch", {"MC_TakeImage", "MC_CheckVersion"}},
      {"mogrfman", {"MGM_LRMarker", "MGM_SetMark", "MGM_CheckVersion", "MGM_FilterEx"}},
      {"moutil",
       {"UTL_InitMark", "UTL_GetLogo", "UTL_SetLogo", "UTL_SetVersion", "UTL_CheckVersion",
        "IsDate", "UTL_GetPrivateProfileIntTakeType", "UTL_GetPrivateProfileStringTakeType"}},
      {"mofileio", {"FIO_CreateImageFile", "FIO_CheckVersion", "FIO_ImportImageFile"}},
  };
  for (const auto& [module, exports] : modules) {
    for (const char* lacking : exports) {
      fs::path file = variants / (std::string(module) + "-without-" + lacking + ".so");
      void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
      ASSERT_NE(library, nullptr) << dlerror();
      libraries_.push_back(library);
      for (const char* name : exports) {
        EXPECT_EQ(dlsym(library, name) == nullptr, std::string(name) == lacking)
            << file.filename() << ": " << name;
      }
    }
  }
}

TEST_F(Installation, SwitchesReachEveryModuleAtTheNextCall) {
  ASSERT_EQ(Install(""), 0);
  void* util = Load("moutil.so");
  void* graphics = Load("mogrfman.so");
  void* fileio = Load("mofileio.so");
  ASSERT_TRUE(util && graphics && fileio) << dlerror();
  auto util_check = reinterpret_cast<UTL_CheckVersion_t>(dlsym(util, "UTL_CheckVersion"));
  auto filter = reinterpret_cast<MGM_FilterEx_t>(dlsym(graphics, "MGM_FilterEx"));
  auto create = reinterpret_cast<FIO_CreateImageFile_t>(dlsym(fileio, "FIO_CreateImageFile"));

  EXPECT_EQ(util_check(0x109, 0), 1u);
  SetSwitch("MoUtil", "RejectVersion", "1");
  EXPECT_EQ(util_check(0x109, 0), 0u);

  // No take image: a clean parameter error; with FilterStatus the switch answers first.
  GmHandle take = GmAlloc(records::take::kSize);
  std::uint8_t area[16] = {};
  std::int32_t wwe[6] = {24, 1, 7000, 0, 1000, 40};
  EXPECT_EQ(filter(9, 1, 0, take, area, wwe), 2u);
  SetSwitch("MoGrfMan", "FilterStatus", "4");
  EXPECT_EQ(filter(7, 1, 0, take, area, nullptr), 4u);
  GmFree(take);

  std::uint8_t record[records::image::kSize] = {};
  const std::string file = (root_ / "x.tif").string();
  EXPECT_EQ(create(file.c_str(), record, 0, 1, 0, 0), 9u);  // no image handles
  SetSwitch("MoFileIO", "CreateStatus", "2");
  EXPECT_EQ(create(file.c_str(), record, 0, 1, 0, 0), 2u);
  EXPECT_FALSE(fs::exists(file));

  std::string log = ReadText(dir_ / "hostsim-calls.log");
  EXPECT_NE(log.find("UTL_CheckVersion(0x00000109, 0) = 1\nUTL_CheckVersion(0x00000109, 0) = 0\n"),
            std::string::npos);
  EXPECT_NE(log.find(", zero16, [24,1,7000,0,1000,40]) = 2 error="), std::string::npos);
  EXPECT_NE(log.find(", zero16, null) = 4\n"), std::string::npos);
  EXPECT_NE(log.find("FIO_CreateImageFile(\"" + file + "\", {name=\"\""), std::string::npos);
}

TEST_F(Installation, MarkFieldAndLogoBuffersKeepTheirBounds) {
  ASSERT_EQ(Install(""), 0);
  void* util = Load("moutil.so");
  ASSERT_NE(util, nullptr) << dlerror();
  auto init = reinterpret_cast<UTL_InitMark_t>(dlsym(util, "UTL_InitMark"));
  auto set_logo = reinterpret_cast<UTL_SetLogo_t>(dlsym(util, "UTL_SetLogo"));
  auto set_version = reinterpret_cast<UTL_SetVersion_t>(dlsym(util, "UTL_SetVersion"));
  auto get_logo = reinterpret_cast<UTL_GetLogo_t>(dlsym(util, "UTL_GetLogo"));

  char mark[51 + 8];
  std::memset(mark, 0x55, sizeof mark);
  init(mark);
  char buffer[11] = {};
  get_logo(mark, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "");  // an initialised mark carries no logo yet
  set_logo(mark, "MORLUND-WITH-A-LONG-NAME");
  set_version(mark, "7.0.0.1-and-a-long-tail");
  get_logo(mark, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "MORLUND-WI");  // cut to the field's ten bytes
  char small[4] = {'x', 'x', 'x', 'x'};
  get_logo(mark, small, 4);
  EXPECT_STREQ(small, "MOR");
  get_logo(mark, small, 0);  // nothing written, nothing read out of bounds
  get_logo(mark, nullptr, 11);
  EXPECT_EQ(std::string(mark + 11), "7.0.0.1-and-a-l");
  for (std::size_t i = 51; i < sizeof mark; ++i) EXPECT_EQ(mark[i], 0x55) << i;
}

}  // namespace
}  // namespace hostsim
