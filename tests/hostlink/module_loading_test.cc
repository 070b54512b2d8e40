// Finding Morlund, loading and version-testing its modules, and the link's lifetime around them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake_host.h"
#include "hostlink/morlund_folder.h"
#include "hostlink/morlund_link.h"
#include "platform/paths.h"

namespace radlyn {
namespace {

using testing::FakeHost;
using testing::FakeLibraries;
using testing::kMorlundFolder;

const std::vector<std::string> kStems = {"mofiledb", "momodch", "mogrfman", "moutil", "mofileio"};

struct FolderCase {
  const char* name;
  std::optional<platform::RegistryValue> value;
  bool fixed_program_exists;
  std::string expected;
  std::optional<platform::RegistryValue> server_executable;
};

TEST(GetMorlundFolderTest, FolderFromRegistrationOrFixedFolder) {
  const std::string fixed = std::string(kFixedMorlundFolder);
  // A path of this platform, written with '/'.
  const auto path = [](std::string text) {
    std::replace(text.begin(), text.end(), '/', platform::kPathSeparator);
    return text;
  };
  const std::vector<FolderCase> cases = {
      {"program path", platform::RegistryValue{true, path("/srv/morlund/morlund")}, true,
       path("/srv/morlund/")},
      {"backslashes", platform::RegistryValue{true, "D:\\Apps\\Morlund\\morlund.exe"}, false,
       "D:\\Apps\\Morlund\\"},
      {"quoted path", platform::RegistryValue{true, path("\"/srv/m/morlund\"")}, false,
       path("/srv/m/")},
      {"quoted path with arguments",
       platform::RegistryValue{true, "\"D:\\Apps\\Morlund\\morlund.exe\" /automation"}, false,
       "D:\\Apps\\Morlund\\"},
      {"arguments", platform::RegistryValue{true, "D:\\Apps\\Morlund\\morlund.exe /automation"},
       false, "D:\\Apps\\Morlund\\"},
      {"an argument with separators",
       platform::RegistryValue{true, "C:\\Morlund\\morlund.exe /log=C:\\Temp\\ole.log"}, false,
       "C:\\Morlund\\"},
      {"blanks in the path, upper-case suffix",
       platform::RegistryValue{true, "C:\\Program Files\\Morlund.exes\\MORLUND.EXE -x"}, false,
       "C:\\Program Files\\Morlund.exes\\"},
      {"blank before the quote",
       platform::RegistryValue{true, " \t\"D:\\Apps\\Morlund\\morlund.exe\" /automation"}, false,
       "D:\\Apps\\Morlund\\"},
      {"ServerExecutable first", platform::RegistryValue{true, "D:\\Old\\morlund.exe"}, false,
       "E:\\Morlund 7\\", platform::RegistryValue{true, "E:\\Morlund 7\\morlund.exe"}},
      {"ServerExecutable not a string", platform::RegistryValue{true, "D:\\Old\\morlund.exe"},
       false, "D:\\Old\\", platform::RegistryValue{false, "E:\\Morlund 7\\morlund.exe"}},
      {"ends in separator", platform::RegistryValue{true, path("/srv/morlund/")}, true, fixed},
      {"ends in separator, no fallback", platform::RegistryValue{true, path("/srv/morlund/")},
       false, ""},
      {"not a string", platform::RegistryValue{false, path("/srv/morlund/morlund")}, true, fixed},
      {"no separator", platform::RegistryValue{true, "morlund"}, false, ""},
      {"no key", std::nullopt, true, fixed},
      {"nothing", std::nullopt, false, ""},
      {"259 characters fit",
       platform::RegistryValue{true, path("/" + std::string(250, 'a') + "/morlund")}, false,
       path("/" + std::string(250, 'a') + "/")},
      {"260 characters do not",
       platform::RegistryValue{true, path("/" + std::string(251, 'a') + "/morlund")}, false, ""},
  };
  for (const FolderCase& c : cases) {
    FakeHost host;
    host.registry.value = c.value;
    host.registry.server_executable = c.server_executable;
    if (c.fixed_program_exists) host.files.existing.insert(fixed + MorlundProgramFileName());
    EXPECT_EQ(GetMorlundFolder(), c.expected) << c.name;
    EXPECT_EQ(host.registry.keys.at(0),
              "CLSID\\{5C3E9A41-72D0-4B8E-9F16-2A7D40C1E853}\\LocalServer32");
  }
}

class ModuleLoadingTest : public ::testing::Test {
 protected:
  FakeHost host;
  CMorlundLink link;
  testing::ModuleBehaviour& modules = FakeHost::Modules();

  bool NoModuleLoaded() const {
    const ModuleTable& t = link.GetModules();
    return t.mofiledb == 0 && t.momodch == 0 && t.mogrfman == 0 && t.moutil == 0 &&
           t.mofileio == 0 && t.FDB_Open == nullptr && t.MC_TakeImage == nullptr &&
           t.UTL_GetLogo == nullptr && t.MGM_FilterEx == nullptr &&
           t.FIO_CreateImageFile == nullptr;
  }
};

TEST_F(ModuleLoadingTest, LoadsAllModulesInOrderFromTheMorlundFolder) {
  host.files.current = "/home/client";
  ASSERT_TRUE(link.LoadMorlundLink());

  std::vector<std::string> expected_paths;
  for (const auto& stem : kStems) {
    expected_paths.push_back(kMorlundFolder + stem + platform::kLibraryFileSuffix);
  }
  EXPECT_EQ(host.libraries.loaded, expected_paths);
  EXPECT_EQ(host.libraries.search_folders, std::vector<std::string>{kMorlundFolder});
  EXPECT_EQ(modules.calls,
            (std::vector<std::string>{"FDB_CheckVersion(513,0)", "FDB_Open",
                                      "MC_CheckVersion(258,0)", "MGM_CheckVersion(263,0)",
                                      "UTL_CheckVersion(265,0)", "FIO_CheckVersion(261,0)"}));
  EXPECT_EQ(host.files.folder_changes,
            (std::vector<std::string>{testing::PlatformPath("/opt/fake-morlund"), "/home/client"}));
  EXPECT_TRUE(host.ui.messages.empty());
  EXPECT_EQ(link.GetProductName(), "MORLUND");
  EXPECT_EQ(link.GetHostVersion(), "7.0");

  const ModuleTable& t = link.GetModules();
  EXPECT_EQ(t.moutil, FakeLibraries::HandleOf("moutil"));
  EXPECT_NE(t.UTL_GetPrivateProfileStringTakeType, nullptr);
  EXPECT_NE(t.IsDate, nullptr);
  EXPECT_NE(t.FIO_ImportImageFile, nullptr);

  // Modules already loaded are skipped: no second load and no second version test.
  modules.calls.clear();
  EXPECT_TRUE(link.LoadMorlundLink());
  EXPECT_EQ(host.libraries.loaded.size(), kStems.size());
  EXPECT_TRUE(modules.calls.empty());
}

TEST_F(ModuleLoadingTest, MorlundVersionIsCheckedAgainstSevenZero) {
  struct Case {
    std::optional<platform::ProductVersion> version;  // nullopt: no program file
    bool accepted;
    const char* host_version;
  };
  const Case cases[] = {
      {platform::ProductVersion{6, 9, 9, 9}, false, "6.99"},
      {platform::ProductVersion{7, 0, 0, 0}, true, "7.0"},
      {platform::ProductVersion{7, 0, 0, 1}, true, "7.0"},
      {platform::ProductVersion{7, 1, 2, 0}, true, "7.12"},
      {std::nullopt, false, "0.0"},
  };
  const std::string too_old =
      "Error: The detected version of MORLUND is too old. Requested version: 7.0";
  for (const Case& c : cases) {
    FakeHost fresh;
    CMorlundLink other;
    fresh.program_files.versions.clear();
    if (c.version) fresh.SetMorlundVersion(*c.version);
    EXPECT_EQ(other.LoadMorlundLink(), c.accepted) << c.host_version;
    EXPECT_EQ(other.GetHostVersion(), c.host_version);
    if (c.accepted) {
      EXPECT_TRUE(fresh.ui.messages.empty());
      EXPECT_EQ(other.GetLastErrorNumber(), 0u);
    } else {
      EXPECT_EQ(fresh.ui.messages, std::vector<std::string>{too_old});
      EXPECT_EQ(fresh.ui.captions, std::vector<std::string>{""});
      EXPECT_EQ(other.GetLastErrorNumber(), 26u);
      EXPECT_EQ(other.GetLastErrorText(), "LoadMorlundLink: " + too_old);
      EXPECT_EQ(fresh.libraries.released.size(), 4u) << "all but MoModCh released again";
    }
  }
}

struct FailureCase {
  const char* name;
  std::function<void(FakeHost&)> arrange;
  std::vector<std::string> messages;
  std::uint32_t error_number;
  std::string error_text;
};

TEST_F(ModuleLoadingTest, EachFailureShowsItsMessageAndRecordsItsError) {
  auto missing_file = [](const char* stem) {
    return [stem](FakeHost& h) { h.libraries.missing_files.insert(stem); };
  };
  auto missing_export = [](const char* name) {
    return [name](FakeHost& h) { h.libraries.missing_exports.insert(name); };
  };
  auto rejects = [](const char* check) {
    return [check](FakeHost&) { FakeHost::Modules().check_version[check] = 0x10000; };
  };
  auto fdb_open = [](MorlundStatus status) {
    return [status](FakeHost&) { FakeHost::Modules().fdb_open = status; };
  };
  const std::string db = "Morlund x-ray configuration database cannot be opened";
  const std::vector<FailureCase> cases = {
      {"MoFileDB file", missing_file("mofiledb"), {"MoFileDB.dll not found"}, 0, ""},
      {"MoModCh file", missing_file("momodch"), {"MoModCh.dll not found"}, 0, ""},
      {"MoGrfMan file", missing_file("mogrfman"), {"MoGrfMan.dll not found"}, 0, ""},
      {"MoUtil file", missing_file("moutil"), {"MoUtil.dll not found"}, 0, ""},
      {"MoFileIO file", missing_file("mofileio"), {}, 11, "LoadMorlundLink: MoFileIO not loadable"},
      {"FDB_Close", missing_export("FDB_Close"), {}, 11, "LoadMorlundLink: MoFileDB not loadable"},
      {"MC_TakeImage",
       missing_export("MC_TakeImage"),
       {},
       11,
       "LoadMorlundLink: MoModCh not loadable"},
      {"MGM_FilterEx",
       missing_export("MGM_FilterEx"),
       {},
       11,
       "LoadMorlundLink: MoGrfMan not loadable"},
      {"IsDate", missing_export("IsDate"), {}, 11, "LoadMorlundLink: MoUtil not loadable"},
      {"FIO_ImportImageFile",
       missing_export("FIO_ImportImageFile"),
       {},
       11,
       "LoadMorlundLink: MoFileIO not loadable"},
      {"MoFileDB version",
       rejects("FDB_CheckVersion"),
       {"Wrong version of MoFileDB.dll"},
       26,
       "LoadMorlundLink: Wrong MoFileDB version"},
      {"MoModCh version",
       rejects("MC_CheckVersion"),
       {"Wrong version of MoModCh.dll"},
       26,
       "LoadMorlundLink: Wrong MoModCh version"},
      {"MoGrfMan version",
       rejects("MGM_CheckVersion"),
       {"Wrong version of MoGrfMan.dll"},
       26,
       "LoadMorlundLink: Wrong MoGrfMan version"},
      {"MoUtil version",
       rejects("UTL_CheckVersion"),
       {"Wrong version of MoUtil.dll"},
       26,
       "LoadMorlundLink: Wrong MoUtil version"},
      {"MoFileIO version",
       rejects("FIO_CheckVersion"),
       {"Wrong version of MoFileIO.dll"},
       26,
       "LoadMorlundLink: Wrong MoFileIO version"},
      {"FDB_Open 13", fdb_open(13), {db}, 10, "LoadMorlundLink: Error FDB_Open"},
      {"FDB_Open 35", fdb_open(35), {db}, 18, "LoadMorlundLink: Error FDB_Open"},
      {"FDB_Open high word ignored", fdb_open(0x50002), {db}, 1, "LoadMorlundLink: Error FDB_Open"},
      {"FDB_Open unlisted", fdb_open(7), {db}, 25, "LoadMorlundLink: Error FDB_Open"},
  };
  for (const FailureCase& c : cases) {
    FakeHost fresh;
    CMorlundLink other;
    c.arrange(fresh);
    EXPECT_FALSE(other.LoadMorlundLink()) << c.name;
    EXPECT_EQ(fresh.ui.messages, c.messages) << c.name;
    EXPECT_EQ(other.GetLastErrorNumber(), c.error_number) << c.name;
    EXPECT_EQ(other.GetLastErrorText(), c.error_text) << c.name;
    EXPECT_EQ(fresh.libraries.loaded.size(), 5u) << c.name << ": loading goes on";
    const ModuleTable& t = other.GetModules();
    EXPECT_TRUE(t.mofiledb == 0 && t.momodch == 0 && t.mogrfman == 0 && t.moutil == 0 &&
                t.mofileio == 0 && t.FDB_Close == nullptr && t.MC_CheckVersion == nullptr &&
                t.UTL_InitMark == nullptr && t.FIO_CheckVersion == nullptr)
        << c.name << ": everything unloaded";
    EXPECT_EQ(fresh.files.current, "/home/client") << c.name;
  }
}

TEST_F(ModuleLoadingTest, SeveralFailuresShowEveryMessageAndTheLastErrorWins) {
  modules.check_version["FDB_CheckVersion"] = 0;
  host.libraries.missing_files.insert("mogrfman");
  host.libraries.missing_exports.insert("FIO_CreateImageFile");
  EXPECT_FALSE(link.LoadMorlundLink());
  EXPECT_EQ(host.ui.messages,
            (std::vector<std::string>{"Wrong version of MoFileDB.dll", "MoGrfMan.dll not found"}));
  EXPECT_EQ(link.GetLastErrorNumber(), 11u);
  EXPECT_EQ(link.GetLastErrorText(), "LoadMorlundLink: MoFileIO not loadable");
  // The database was never opened, and the Morlund version is not compared after a failure.
  EXPECT_EQ(std::count(modules.calls.begin(), modules.calls.end(), "FDB_Open"), 0);
  EXPECT_TRUE(NoModuleLoaded());
}

TEST_F(ModuleLoadingTest, UnloadReleasesInOrderAndKeepsMoModChLoaded) {
  ASSERT_TRUE(link.LoadMorlundLink());
  modules.calls.clear();
  link.UnloadMorlundLink();
  EXPECT_EQ(host.libraries.released,
            (std::vector<std::string>{"mogrfman", "mofiledb", "mofileio", "moutil"}));
  EXPECT_EQ(modules.calls, std::vector<std::string>{"FDB_Close"});
  EXPECT_TRUE(NoModuleLoaded());

  // A later load gets MoModCh again.
  ASSERT_TRUE(link.LoadMorlundLink());
  EXPECT_EQ(link.GetModules().momodch, FakeLibraries::HandleOf("momodch"));
}

TEST_F(ModuleLoadingTest, NoMorlundFolderLoadsNothingByBareName) {
  host.registry.value.reset();
  EXPECT_FALSE(link.LoadMorlundLink());
  EXPECT_TRUE(host.libraries.loaded.empty());
  EXPECT_TRUE(host.libraries.search_folders.empty());
  EXPECT_EQ(host.ui.messages,
            (std::vector<std::string>{"MoFileDB.dll not found", "MoModCh.dll not found",
                                      "MoGrfMan.dll not found", "MoUtil.dll not found"}));
  EXPECT_EQ(link.GetLastErrorText(), "LoadMorlundLink: MoFileIO not loadable");
  EXPECT_TRUE(host.files.folder_changes.empty());
}

// Module functions of both conventions, and one that removes more than it was given.
#ifdef _WIN32
#define TEST_STDCALL __stdcall
#else
#define TEST_STDCALL
#endif
extern "C" std::uint32_t TEST_STDCALL StdcallPair(std::uint32_t a, std::uint32_t b) {
  return a * 10 + b;
}
extern "C" std::uint32_t CdeclPair(std::uint32_t a, std::uint32_t b) { return a * 10 + b; }
#ifdef _WIN32
extern "C" std::uint32_t TEST_STDCALL StdcallTriple(std::uint32_t a, std::uint32_t b,
                                                    std::uint32_t) {
  return a * 10 + b;
}
#endif

TEST(ModuleFunctionTest, TheFirstCallRecordsTheModulesConvention) {
  struct ConventionCase {
    void* function;
    ModuleConvention expected;
  };
#ifdef _WIN32
  const ConventionCase cases[] = {
      {reinterpret_cast<void*>(&StdcallPair), ModuleConvention::kStdcall},
      {reinterpret_cast<void*>(&CdeclPair), ModuleConvention::kCdecl},
      {reinterpret_cast<void*>(&StdcallTriple), ModuleConvention::kUnsupported},
  };
#else
  const ConventionCase cases[] = {
      {reinterpret_cast<void*>(&StdcallPair), ModuleConvention::kCdecl},
      {reinterpret_cast<void*>(&CdeclPair), ModuleConvention::kCdecl},
  };
#endif
  for (const ConventionCase& c : cases) {
    ModuleCalls calls{"probe"};
    ModuleFunction<std::uint32_t(std::uint32_t, std::uint32_t)> function;
    function.Bind(c.function, &calls);
    EXPECT_EQ(function(4, 2), 42u);
    EXPECT_EQ(function(7, 3), 73u);
    EXPECT_EQ(calls.convention, c.expected) << ConventionName(calls.convention);
  }
  EXPECT_EQ(ConventionOfCall(0, 0), ModuleConvention::kUnknown);
  EXPECT_EQ(ConventionOfCall(4, 2), ModuleConvention::kUnsupported);
}

#ifdef _WIN32
// Callees that return as careless modules do. Each writes through a pointer the compiler cannot
// follow, as foreign code would.
std::uint32_t* Opaque(std::uint32_t* pointer) {
  asm("" : "+r"(pointer));
  return pointer;
}
// Declared with two parameters, it uses 32 more words of the stack above them as its own.
extern "C" std::uint32_t TEST_STDCALL WritesPastItsParameters(std::uint32_t a, std::uint32_t b) {
  volatile std::uint32_t* beyond = Opaque(&b) + 1;
  for (int i = 0; i < 32; ++i) beyond[i] = 0xDEADBEEFu;
  return a * 10 + b;
}
extern "C" std::uint32_t LeavesTheDirectionFlagSet(std::uint32_t a, std::uint32_t b) {
  asm volatile("std" ::: "cc");
  return a * 10 + b;
}
extern "C" std::uint32_t ChangesTheFloatControl(std::uint32_t a, std::uint32_t b) {
  std::uint16_t x87 = 0x0C7F;  // single precision, rounding towards zero
  std::uint32_t mxcsr = 0x7F80;
  asm volatile("fldcw %0\n\tldmxcsr %1" : : "m"(x87), "m"(mxcsr));
  return a * 10 + b;
}

TEST(ModuleFunctionTest, ACarelessCalleeLeavesTheCallerAsItWas) {
  struct CarelessCase {
    const char* name;
    void* function;
    ModuleConvention convention;
    bool float_control_named;
  };
  const CarelessCase cases[] = {
      {"writes past its parameters", reinterpret_cast<void*>(&WritesPastItsParameters),
       ModuleConvention::kStdcall, false},
      {"direction flag", reinterpret_cast<void*>(&LeavesTheDirectionFlagSet),
       ModuleConvention::kCdecl, false},
      {"float control", reinterpret_cast<void*>(&ChangesTheFloatControl), ModuleConvention::kCdecl,
       true},
  };
  for (const CarelessCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::uint16_t x87_before = 0;
    std::uint32_t mxcsr_before = 0;
    asm volatile("fnstcw %0\n\tstmxcsr %1" : "=m"(x87_before), "=m"(mxcsr_before));
    ModuleCalls calls{"careless"};
    ModuleFunction<std::uint32_t(std::uint32_t, std::uint32_t)> function;
    function.Bind(c.function, &calls);
    EXPECT_EQ(function(4, 2), 42u);
    std::uint32_t flags = 0;
    std::uint16_t x87_after = 0;
    std::uint32_t mxcsr_after = 0;
    asm volatile("pushfl\n\tpopl %0\n\tfnstcw %1\n\tstmxcsr %2"
                 : "=r"(flags), "=m"(x87_after), "=m"(mxcsr_after));
    EXPECT_EQ(flags & 0x400u, 0u) << "direction flag";
    EXPECT_EQ(x87_after, x87_before);
    EXPECT_EQ(mxcsr_after, mxcsr_before);
    EXPECT_EQ(calls.convention, c.convention) << ConventionName(calls.convention);
    EXPECT_EQ(calls.float_control_named, c.float_control_named);
    // A copy runs forwards.
    const std::string text = "forwards";
    EXPECT_EQ(std::string(text.begin(), text.end()), "forwards");
  }
}
#endif

class LinkLifetimeTest : public ModuleLoadingTest {};

TEST_F(LinkLifetimeTest, InitializeLoadsOnceForTheSameClient) {
  EXPECT_FALSE(link.Initialize(""));
  EXPECT_EQ(link.GetLastErrorNumber(), 2u);
  EXPECT_EQ(link.GetLastErrorText(), "Initialize: Client empty");
  EXPECT_TRUE(host.libraries.loaded.empty());

  ASSERT_TRUE(link.Initialize("CLIENT"));
  EXPECT_TRUE(link.IsInitialized());
  EXPECT_EQ(link.GetClientName(), "CLIENT");
  link.SetError(0, "");
  const std::size_t loads = host.libraries.loaded.size();

  EXPECT_TRUE(link.Initialize("Client"));
  EXPECT_TRUE(link.Initialize("cliEnt"));
  EXPECT_FALSE(link.Initialize("Other"));
  EXPECT_EQ(host.libraries.loaded.size(), loads);
  EXPECT_EQ(link.GetLastErrorNumber(), 0u);
  EXPECT_EQ(link.GetClientName(), "CLIENT");
}

TEST_F(LinkLifetimeTest, FailedLoadLeavesTheLinkUninitialized) {
  host.libraries.missing_files.insert("moutil");
  EXPECT_FALSE(link.Initialize("Client"));
  EXPECT_FALSE(link.IsInitialized());
  EXPECT_TRUE(link.GetClientName().empty());
  host.libraries.missing_files.clear();
  EXPECT_TRUE(link.Initialize("Client"));
}

TEST_F(LinkLifetimeTest, UninitializeReleasesTheJobButKeepsItsData) {
  EXPECT_FALSE(link.Uninitialize());
  ASSERT_TRUE(link.Initialize("Client"));
  ASSERT_TRUE(link.SetPatient("Miller", "Anna", 1970, 3, 5, "4711"));
  ASSERT_TRUE(link.SetDoctor("Dr. Brown"));
  ASSERT_TRUE(link.SetTakeType("XP", "01"));
  ASSERT_TRUE(link.SetBitDepth(16));

  EXPECT_TRUE(link.Uninitialize());
  EXPECT_FALSE(link.IsInitialized());
  EXPECT_TRUE(link.GetClientName().empty());
  EXPECT_TRUE(NoModuleLoaded());
  EXPECT_EQ(link.GetPatient().last_name, "Miller");
  EXPECT_EQ(link.GetPatient().patient_id, "4711");
  EXPECT_EQ(link.GetDoctor(), "Dr. Brown");
  EXPECT_EQ(link.GetTakeType(), "01XP");
  EXPECT_EQ(link.GetBitDepth(), 16);
  EXPECT_FALSE(link.Uninitialize());
}

TEST(SetErrorTest, RecordsTheErrorAndWritesADebugLineForATextOnly) {
  FakeHost host;
  CMorlundLink link;
  link.SetError(26, "LoadMorlundLink: Wrong MoUtil version");
  link.SetError(7);
  EXPECT_EQ(link.GetLastErrorNumber(), 7u);
  EXPECT_EQ(link.GetLastErrorText(), "");
  EXPECT_EQ(host.debug.lines,
            (std::vector<std::string>{"Radlyn LoadMorlundLink: Wrong MoUtil version (26)\n"}));
  EXPECT_TRUE(host.ui.messages.empty());
}

TEST(SetBitDepthTest, AcceptsEightAndSixteenOnly) {
  FakeHost host;
  CMorlundLink link;
  EXPECT_EQ(link.GetBitDepth(), 8);
  EXPECT_FALSE(link.SetBitDepth(12));
  EXPECT_EQ(link.GetBitDepth(), 8);
  EXPECT_TRUE(link.SetBitDepth(16));
  EXPECT_FALSE(link.SetBitDepth(0));
  EXPECT_EQ(link.GetBitDepth(), 16);
  EXPECT_TRUE(link.SetBitDepth(8));
  EXPECT_EQ(link.GetLastErrorNumber(), 0u);
  EXPECT_TRUE(host.debug.lines.empty());
}

}  // namespace
}  // namespace radlyn
