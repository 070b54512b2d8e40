#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <vector>

#include "platform/clock.h"
#include "platform/last_error.h"
#include "platform/named_mutex.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform_test_support.h"

#ifdef _WIN32
#include "platform/win32/windows_api.h"
#else
#include "platform/posix/wildcard.h"
#endif

namespace radlyn::platform {
namespace {

using testing::MakeHidden;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;
namespace fs = std::filesystem;

// The names in a folder, exactly as stored.
std::set<std::string> NamesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

class FileSystemTest : public ::testing::Test {
 protected:
  FileSystem& files_ = FileSystem::Native();
  TempFolder folder_;
};

#ifndef _WIN32
TEST(WildcardTest, MatchesAsTheWorkstationDoes) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  } cases[] = {
      {"*.*", "README", true},          {"*.*", "a.b.c", true},
      {"*.tif", "IMG.TIF", true},       {"*.tif", "img.tiff", true},
      {"img.tif", "img.tiff", false},   {"X~1.TIF", "x.tiff", true},
      {"*.tif", "tif", false},          {"img?.bmp", "IMG1.bmp", true},
      {"img?.bmp", "img12.bmp", false}, {"*", "", true},
      {"a*b*c", "aXbYbZc", true},       {"a*b*c", "aXbYcZ", false},
      {"\xC4*", "\xE4rzte", true},      {"exact", "EXACT", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchWildcard(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
  }
}
#endif

TEST_F(FileSystemTest, FindFirstFileMatchesFilesOnlyAndAnswersTheFirstInSortedOrder) {
  fs::create_directories(folder_ / "Out/sub.tif");
  WriteFile(folder_ / "Out/b.TIF", "b");
  WriteFile(folder_ / "Out/a.tif", "a");
  WriteFile(folder_ / "Out/c.bmp", "c");
  std::string out = folder_.path().string() + "\\out\\";
  EXPECT_EQ(files_.FindFirstFile(out + "*.tif"), out + "a.tif");
  EXPECT_EQ(files_.FindFirstFile(out + "*.BMP"), out + "c.bmp");
  EXPECT_EQ(files_.FindFirstFile(out + "sub*"), std::nullopt);
  EXPECT_EQ(files_.FindFirstFile(out + "*.jpg"), std::nullopt);
  EXPECT_EQ(files_.FindFirstFile(folder_ / "absent/*.*"), std::nullopt);
}

TEST_F(FileSystemTest, CreateFolderTreeCreatesEveryMissingParent) {
  std::string deep = folder_ / "a\\b\\c\\";
  EXPECT_TRUE(files_.CreateFolderTree(deep));
  EXPECT_TRUE(fs::is_directory(folder_ / "a/b/c"));
  EXPECT_TRUE(files_.CreateFolderTree(folder_ / "A/B"));  // exists, in other case
  EXPECT_EQ(NamesIn(folder_.path()), std::set<std::string>{"a"});
  WriteFile(folder_ / "file", "");
  EXPECT_FALSE(files_.CreateFolderTree(folder_ / "file/sub"));
  EXPECT_FALSE(files_.CreateFolderTree(""));
}

TEST_F(FileSystemTest, CopyTreeCopiesRecursivelyCreatesAndOverwrites) {
  fs::create_directories(folder_ / "src/sub/deeper");
  WriteFile(folder_ / "src/one.tif", "new one");
  WriteFile(folder_ / "src/README", "readme");
  WriteFile(folder_ / "src/sub/deeper/two.dat", "two");
  fs::create_directories(folder_ / "dst/SUB");
  WriteFile(folder_ / "dst/one.tif", "old one, longer than the new");

  EXPECT_TRUE(files_.CopyTree(folder_ / "src\\*.*", folder_ / "dst\\"));
  EXPECT_EQ(ReadFile(folder_ / "dst/one.tif"), "new one");
  EXPECT_EQ(ReadFile(folder_ / "dst/README"), "readme");
  EXPECT_EQ(ReadFile(folder_ / "dst/SUB/deeper/two.dat"), "two");  // merged into "SUB"
  EXPECT_EQ(NamesIn(folder_ / "dst"), (std::set<std::string>{"README", "SUB", "one.tif"}));

  EXPECT_TRUE(files_.CopyTree(folder_ / "src/*.*", folder_ / "fresh/a/b/"));
  EXPECT_EQ(ReadFile(folder_ / "fresh/a/b/sub/deeper/two.dat"), "two");
}

TEST_F(FileSystemTest, CopyTreeReplacesReadOnlyAndHiddenTargetsEveryTime) {
  // Read-only sources give read-only copies, which the next copy must replace all the same.
  const std::string sources[] = {folder_ / "src/prepared.dat", folder_ / "src/sub/deep.dat",
                                 folder_ / "src/state.ini"};
  fs::create_directories(folder_ / "src/sub");
  fs::create_directories(folder_ / "dst");
  WriteFile(folder_ / "dst/state.ini", "left by Orbel");
  MakeHidden(folder_ / "dst/state.ini");
  const auto set_writable = [](const std::string& path, bool writable) {
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    writable ? fs::perm_options::add : fs::perm_options::remove);
  };
  for (const std::string round : {"first", "second"}) {
    for (const std::string& source : sources) {
      if (fs::exists(source)) set_writable(source, true);
      WriteFile(source, round);
      set_writable(source, false);
    }
    EXPECT_TRUE(files_.CopyTree(folder_ / "src\\*.*", folder_ / "dst\\")) << round;
    for (const char* name : {"prepared.dat", "sub/deep.dat", "state.ini"}) {
      EXPECT_EQ(ReadFile(folder_ / ("dst/" + std::string(name))), round) << name;
    }
  }
  for (const auto& entry : fs::recursive_directory_iterator(folder_.path())) {
    if (entry.is_regular_file()) set_writable(entry.path().string(), true);  // for the clean-up
  }
}

TEST_F(FileSystemTest, CopyTreeSourceFolderRules) {
  fs::create_directories(folder_ / "empty");
  EXPECT_TRUE(files_.CopyTree(folder_ / "empty/*.*", folder_ / "dst1"));
  EXPECT_TRUE(fs::is_directory(folder_ / "dst1"));
  EXPECT_FALSE(files_.CopyTree(folder_ / "absent/*.*", folder_ / "dst2"));
  // A folder copied into itself leaves its files as they were.
  WriteFile(folder_ / "empty/keep", "content");
  EXPECT_TRUE(files_.CopyTree(folder_ / "empty/*.*", folder_ / "empty"));
  EXPECT_EQ(ReadFile(folder_ / "empty/keep"), "content");
}

TEST_F(FileSystemTest, FreeBytesAreMeasuredAtTheNearestExistingFolder) {
  std::optional<std::uint64_t> here = files_.FreeBytesAvailable(folder_.path().string());
  std::optional<std::uint64_t> below = files_.FreeBytesAvailable(folder_ / "not/yet/there/");
  ASSERT_TRUE(here.has_value());
  ASSERT_TRUE(below.has_value());
  EXPECT_GT(*here, 0u);
  std::uint64_t reported = fs::space(folder_.path()).available;
  // Other processes write meanwhile: allow a few megabytes of drift.
  EXPECT_NEAR(static_cast<double>(*below), static_cast<double>(reported), 64.0 * 1024 * 1024);
  EXPECT_TRUE(files_.FreeBytesAvailable("").has_value());
  // A name Windows refuses is no folder there: the walk goes on above it.
  for (const char* refused : {"a<b", "a|b/c", "a?b", "a\tb", "a\x01b"}) {
    EXPECT_TRUE(files_.FreeBytesAvailable(folder_ / refused).has_value()) << refused;
  }
  EXPECT_TRUE(files_.FolderExists(".\\"));
  // A share that cannot be reached, a drive that is not there: nothing else is measured instead.
  EXPECT_FALSE(files_.FreeBytesAvailable("\\\\nosuchserver\\share\\").has_value());
  EXPECT_FALSE(files_.FreeBytesAvailable("Q:\\").has_value());
}

TEST_F(FileSystemTest, UniqueTempFilesAreNewPrivateAndNamedTmp) {
  std::optional<std::string> first = files_.CreateUniqueTempFile(folder_.path().string(), "RAD");
  std::optional<std::string> second = files_.CreateUniqueTempFile(folder_.path().string(), "RAD");
  ASSERT_TRUE(first && second);
  EXPECT_NE(*first, *second);
  for (const std::string& name : {*first, *second}) {
    fs::path path = name;
    EXPECT_EQ(path.parent_path(), folder_.path());
    EXPECT_EQ(path.extension(), ".tmp");
    EXPECT_EQ(path.filename().string().rfind("RAD", 0), 0u);
    EXPECT_EQ(fs::file_size(path), 0u);
#ifndef _WIN32
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif
  }
  EXPECT_FALSE(files_.CreateUniqueTempFile(folder_ / "absent", "RAD").has_value());
  EXPECT_FALSE(files_.CreateUniqueTempFile(folder_.path().string(), "../RAD").has_value());
  std::string temp = files_.TempFolder();
  EXPECT_EQ(temp.back(), kPathSeparator);
}

TEST_F(FileSystemTest, FileOperationsAndTheirLastErrors) {
  std::string log = folder_ / "morlund.log";
  EXPECT_TRUE(files_.AppendToFile(log, "one\r\n"));
  EXPECT_TRUE(files_.AppendToFile(log, "two\r\n"));
  EXPECT_EQ(files_.ReadWholeFile(log), "one\r\ntwo\r\n");
  EXPECT_TRUE(files_.Exists(log));
  EXPECT_FALSE(files_.FolderExists(log));
  EXPECT_TRUE(files_.FolderExists(folder_.path().string()));

  EXPECT_TRUE(files_.CreateEmptyFile(log));
  EXPECT_EQ(files_.ReadWholeFile(log), "");
  // A new file only where the name is free: a taken name, file or folder, is left as it was.
  const std::string image = folder_ / "exchange.tif";
  EXPECT_TRUE(files_.CreateNewFile(image));
  EXPECT_EQ(files_.ReadWholeFile(image), "");
  WriteFile(image, "held");
  EXPECT_FALSE(files_.CreateNewFile(image));
  EXPECT_EQ(GetLastErrorCode(), kWinFileExists);
  EXPECT_EQ(ReadFile(image), "held");
  EXPECT_FALSE(files_.CreateNewFile(folder_.path().string()));
  EXPECT_FALSE(files_.CreateNewFile(folder_ / "absent/exchange.tif"));
#ifndef _WIN32
  fs::create_symlink(folder_ / "elsewhere.tif", folder_ / "linked.tif");  // leads nowhere yet
  EXPECT_FALSE(files_.CreateNewFile(folder_ / "linked.tif"));
  EXPECT_FALSE(fs::exists(folder_ / "elsewhere.tif"));
  EXPECT_EQ(fs::status(image).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
#endif
  EXPECT_TRUE(files_.DeleteFile(log));
  EXPECT_FALSE(files_.DeleteFile(log));
  EXPECT_EQ(GetLastErrorCode(), kWinFileNotFound);
  EXPECT_FALSE(files_.ReadWholeFile(log).has_value());
  EXPECT_FALSE(files_.DeleteFile(folder_.path().string()));  // folders are not files
  EXPECT_TRUE(fs::exists(folder_.path()));
  // A read-only file is not deleted until it is made writable.
  fs::permissions(image, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(files_.DeleteFile(image));
  EXPECT_EQ(GetLastErrorCode(), kWinAccessDenied);
  EXPECT_TRUE(files_.MakeWritable(image));
  EXPECT_TRUE(files_.MakeWritable(image));
  EXPECT_TRUE(files_.DeleteFile(image));
  EXPECT_FALSE(files_.MakeWritable(image));
  // A drive that is not there (Linux has none).
  EXPECT_FALSE(files_.CreateFolderTree("Q:\\radlyn"));
  EXPECT_EQ(GetLastErrorCode(), kWinPathNotFound);
  EXPECT_FALSE(files_.AppendToFile(folder_ / "absent/morlund.log", "x"));
  EXPECT_FALSE(files_.ReadWholeFile(folder_.path().string()).has_value());
}

// A file of the process's own: created only where nothing stands, written through its handle,
// and it tells whether its name still holds it.
TEST_F(FileSystemTest, OwnFilesAreNewWrittenThroughTheirHandleAndKnowTheirName) {
  const std::string path = folder_ / "out.ini.tmp";
  std::unique_ptr<OwnFile> file = files_.CreateOwnFile(path);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(file->Rewrite("[Info]\r\nErrorNr=0\r\nErrorMsg=No error\r\n"));
  EXPECT_TRUE(file->Rewrite("[Info]\r\nErrorNr=2\r\n"));  // shorter: the rest goes
  EXPECT_EQ(ReadFile(path), "[Info]\r\nErrorNr=2\r\n");
  EXPECT_TRUE(file->HoldsItsName());
  // Anything already there is neither opened nor followed.
  EXPECT_EQ(files_.CreateOwnFile(path), nullptr);
  EXPECT_EQ(GetLastErrorCode(), kWinFileExists);
  EXPECT_EQ(files_.CreateOwnFile(folder_.path().string()), nullptr);
  EXPECT_EQ(files_.CreateOwnFile(folder_ / "absent/out.tmp"), nullptr);
  EXPECT_TRUE(IsNotFoundError(GetLastErrorCode()));
#ifdef _WIN32
  // No other may delete or rename it while it is open.
  EXPECT_FALSE(::DeleteFileA(path.c_str()));
  file.reset();
#else
  fs::create_symlink(folder_ / "elsewhere", folder_ / "linked.tmp");  // leads nowhere yet
  EXPECT_EQ(files_.CreateOwnFile(folder_ / "linked.tmp"), nullptr);
  EXPECT_EQ(GetLastErrorCode(), kWinFileExists);
  EXPECT_FALSE(fs::exists(folder_ / "elsewhere"));
  // Someone who may write the folder puts another file, or a link, in its place.
  for (const bool as_link : {true, false}) {
    fs::remove(path);
    if (as_link) {
      fs::create_symlink(folder_ / "elsewhere", path);
    } else {
      WriteFile(path, "planted");
    }
    EXPECT_FALSE(file->HoldsItsName());
    EXPECT_EQ(GetLastErrorCode(), kWinFileExists);
    EXPECT_TRUE(file->Rewrite("[Info]\r\n"));  // reaches its own file only
    EXPECT_FALSE(fs::exists(folder_ / "elsewhere"));
  }
  EXPECT_EQ(ReadFile(path), "planted");
#endif
}

// Whether a name is there: "not found" answers only when nothing is; a lookup that fails for
// another reason says so.
TEST_F(FileSystemTest, ExistsTellsAbsenceFromALookupThatFailed) {
  WriteFile(folder_ / "file", "x");
  EXPECT_FALSE(files_.Exists(folder_ / "absent"));
  EXPECT_TRUE(IsNotFoundError(GetLastErrorCode()));
  EXPECT_FALSE(files_.Exists(folder_ / "absent/deeper"));
  EXPECT_TRUE(IsNotFoundError(GetLastErrorCode()));
  EXPECT_FALSE(files_.Exists(folder_ / "bad|name"));
  EXPECT_EQ(GetLastErrorCode(), kWinInvalidName);
#ifndef _WIN32
  fs::create_symlink(folder_ / "loop", folder_ / "loop");  // unreadable even to root
  EXPECT_FALSE(files_.Exists(folder_ / "loop"));
  EXPECT_FALSE(IsNotFoundError(GetLastErrorCode()));
#endif
}

// Orbel's exchange files: the whole prefix in the name, all of them found again, a private
// folder for them, and whether the process that made them still runs.
TEST_F(FileSystemTest, TemporaryFilesOfThisProgramAndItsProcesses) {
  const std::string folder = folder_.path().string();
  std::optional<std::string> made = files_.CreateUniqueTempFile(folder, "RadlynOrbel-7-");
  ASSERT_TRUE(made.has_value());
  EXPECT_EQ(fs::path(*made).filename().string().rfind("RadlynOrbel-7-", 0), 0u);
  WriteFile(folder_ / "RadlynOrbel-8-x.tif", "x");
  fs::create_directories(folder_ / "RadlynOrbel-9-folder");
  std::vector<std::string> found =
      files_.FindFiles(WithTrailingSeparator(folder) + "RadlynOrbel-*");
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{*made, folder_ / "RadlynOrbel-8-x.tif"}));

  const std::string private_folder = folder_ / "RadlynTemp";
  EXPECT_TRUE(files_.CreatePrivateFolder(private_folder));
  EXPECT_TRUE(files_.CreatePrivateFolder(private_folder));  // one's own is taken as it is
  EXPECT_TRUE(fs::is_directory(private_folder));
  EXPECT_FALSE(files_.CreatePrivateFolder(folder_ / "RadlynOrbel-8-x.tif"));
#ifndef _WIN32
  EXPECT_EQ(fs::status(private_folder).permissions(), fs::perms::owner_all);
  fs::permissions(private_folder, fs::perms::all);
  EXPECT_TRUE(files_.CreatePrivateFolder(private_folder));
  EXPECT_EQ(fs::status(private_folder).permissions(), fs::perms::owner_all);
  fs::create_symlink(private_folder, folder_ / "linked");
  EXPECT_FALSE(files_.CreatePrivateFolder(folder_ / "linked"));
  EXPECT_EQ(GetLastErrorCode(), kWinAccessDenied);
#endif

  Processes& processes = Processes::Native();
  EXPECT_TRUE(processes.IsRunningThisProgram(processes.CurrentProcessId()));
  EXPECT_FALSE(processes.IsRunningThisProgram(0x7FFFFFF0u));  // no such process
}

TEST_F(FileSystemTest, RenameFileReplacesInOneStepAndRefusesWhatIsNoFile) {
  const std::string pending = folder_ / "out.tmp";
  const std::string result = folder_ / "out.ini";
  WriteFile(pending, "new");
  WriteFile(result, "old");
  EXPECT_TRUE(files_.RenameFile(pending, result));
  EXPECT_EQ(ReadFile(result), "new");
  EXPECT_FALSE(fs::exists(pending));
  EXPECT_TRUE(files_.RenameFile(result, folder_ / "fresh.ini"));  // nothing to replace
  EXPECT_EQ(ReadFile(folder_ / "fresh.ini"), "new");

  // A missing source, a folder as source or as destination: refused, nothing changes.
  EXPECT_FALSE(files_.RenameFile(pending, result));
  EXPECT_EQ(GetLastErrorCode(), kWinFileNotFound);
  fs::create_directories(folder_ / "folder");
  EXPECT_FALSE(files_.RenameFile(folder_ / "folder", result));
  EXPECT_FALSE(files_.RenameFile(folder_ / "fresh.ini", folder_ / "folder"));
  EXPECT_EQ(ReadFile(folder_ / "fresh.ini"), "new");
  EXPECT_TRUE(fs::is_directory(folder_ / "folder"));

#ifndef _WIN32
  // A link in the destination's place is replaced itself; what it points to stays as it was.
  WriteFile(folder_ / "elsewhere", "keep");
  fs::create_symlink(folder_ / "elsewhere", folder_ / "linked.ini");
  EXPECT_TRUE(files_.RenameFile(folder_ / "fresh.ini", folder_ / "linked.ini"));
  EXPECT_FALSE(fs::is_symlink(folder_ / "linked.ini"));
  EXPECT_EQ(ReadFile(folder_ / "linked.ini"), "new");
  EXPECT_EQ(ReadFile(folder_ / "elsewhere"), "keep");
#endif
}

TEST_F(FileSystemTest, CurrentFolderAndProgramFile) {
  std::string previous = files_.CurrentFolder();
  fs::create_directories(folder_ / "Work");
  EXPECT_TRUE(files_.SetCurrentFolder(folder_ / "work"));
#ifdef _WIN32
  // Windows keeps the current folder as it was spelled.
  EXPECT_EQ(files_.CurrentFolder(), folder_ / "work");
#else
  EXPECT_EQ(files_.CurrentFolder(), fs::canonical(folder_ / "Work").string());
#endif
  EXPECT_TRUE(files_.SetCurrentFolder(previous));
  EXPECT_FALSE(files_.SetCurrentFolder(folder_ / "absent"));
#ifdef _WIN32
  const fs::path program = files_.ProgramFilePath();
  EXPECT_TRUE(program.is_absolute() && fs::is_regular_file(program)) << program;
  EXPECT_EQ(program.extension(), ".exe");
#else
  EXPECT_EQ(files_.ProgramFilePath(), fs::read_symlink("/proc/self/exe").string());
#endif
}

TEST_F(FileSystemTest, SearchFindsFirstWhatTheWorkstationListsFirst) {
  // By name without regard to case, compared upper-cased: "A" (0x41) sorts before "_" (0x5F).
  const struct {
    const char* names[2];
    const char* first;
  } cases[] = {{{"B.bmp", "a.bmp"}, "a.bmp"}, {{"_b.bmp", "a.bmp"}, "a.bmp"}};
  for (const auto& c : cases) {
    TempFolder out;
    for (const char* name : c.names) WriteFile(out / name, name);
    EXPECT_EQ(files_.FindFirstFile(out / "*.bmp"), out / c.first) << c.names[0];
  }
}

TEST_F(FileSystemTest, SearchByExtensionAlsoMatchesTheShortNamesExtension) {
  // Beside a long name the workstation keeps an 8.3 short name whose extension is the first three
  // characters of the long one's, and a search matches either name.
  const struct {
    const char* name;
    const char* pattern;
    bool found;
  } cases[] = {
      {"x.tiff", "*.tif", true},      {"x.TIFF", "*.tif", true},
      {"x.tif_old", "*.tif", true},   {"x.tif~", "*.TIF", true},
      {"x.bmpx", "*.bmp", true},      {"Long Name Here.tiff", "*.tif", true},
      {"x.tiff.bak", "*.tif", false}, {".tiff", "*.tif", false},
      {"x.ti", "*.tif", false},
  };
  for (const auto& c : cases) {
    TempFolder out;
    WriteFile(out / c.name, "");
    EXPECT_EQ(files_.FindFirstFile(out / c.pattern).has_value(), c.found) << c.name;
  }
}

TEST_F(FileSystemTest, PathsOfMaxPathCharactersOrMoreAreRefused) {
  // In a folder of 200 characters, names reach MAX_PATH (260 characters, the terminator
  // included): 259 pass, 260 fail as a path not found, longer ones as too long.
  const std::string base = folder_.path().string();
  if (base.size() > 150) GTEST_SKIP() << "temporary folder too deep: " << base;
  const std::string folder = base + kPathSeparator + std::string(199 - base.size(), 'd');
  ASSERT_TRUE(files_.CreateFolderTree(folder));
  const std::pair<std::size_t, std::uint32_t> cases[] = {
      {259, 0},
      {261, kWinFileNameTooLong},
#ifndef _WIN32
      {260, kWinPathNotFound},  // Wine takes one character more than Windows
#endif
  };
  for (const auto& [length, error] : cases) {
    SCOPED_TRACE(length);
    const std::string path = folder + kPathSeparator + std::string(length - 201, 'n');
    EXPECT_EQ(files_.CreateEmptyFile(path), error == 0);
    if (error != 0) {
      EXPECT_EQ(GetLastErrorCode(), error);
    }
    EXPECT_EQ(files_.Exists(path), error == 0);
    // A pattern as long as the path: refused like it.
    EXPECT_EQ(files_.FindFirstFile(path.substr(0, length - 1) + "*").has_value(), error == 0);
    EXPECT_EQ(files_.DeleteFile(path), error == 0);
    EXPECT_EQ(files_.CreateNewFile(path), error == 0);
    EXPECT_EQ(files_.DeleteFile(path), error == 0);
    EXPECT_EQ(files_.CreateFolderTree(path), error == 0);
  }
}

TEST_F(FileSystemTest, NamesWindowsRefusesOrTrimsInAnOutputFolder) {
  // As the job uses a folder: create it with a trailing separator, then a file inside. A last
  // component loses trailing blanks and dots, one before a separator a single trailing dot. Steps
  // are resolved before anything is created ("skip" is never made).
  const struct {
    const char* component;
    bool usable;
    std::set<std::string> left;  // what is on disk afterwards
  } cases[] = {
      {"out.", true, {"out"}},    {"out..", false, {"out"}},  {"out ", false, {"out"}},
      {"out. ", false, {"out"}},  {"con", false, {}},         {"CON.txt", false, {}},
      {"nul.txt", false, {}},     {"Aux .tif", false, {}},    {"prn.", false, {}},
      {"com1", false, {}},        {"LPT9", false, {}},        {"a<b", false, {}},
      {"a>b", false, {}},         {"a\"b", false, {}},        {"a|b", false, {}},
      {"a?b", false, {}},         {"a*b", false, {}},         {"a\tb", false, {}},
      {"com0", true, {"com0"}},   {"lpt10", true, {"lpt10"}}, {"console", true, {"console"}},
      {" lead", true, {" lead"}}, {"a..b", true, {"a..b"}},   {"skip\\..\\out", true, {"out"}},
      {".\\out", true, {"out"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.component);
    TempFolder out;
    const std::string folder = out / c.component + kPathSeparator;
    files_.CreateFolderTree(folder);  // its answer differs between devices on Windows
    EXPECT_EQ(files_.FolderExists(folder), c.usable);
    EXPECT_EQ(files_.CreateEmptyFile(folder + "probe.txt"), c.usable);
    EXPECT_EQ(NamesIn(out.path()), c.left);
    // A name refused as a folder is refused as a new file too (Windows opens the device of a
    // device name, NUL among them, which Linux refuses as it does for every operation).
#ifndef _WIN32
    if (c.left.empty()) {
      EXPECT_FALSE(files_.CreateNewFile(out / c.component));
    }
#endif
  }
#ifndef _WIN32
  // Windows reads a colon as the start of a stream name (Wine stores it in the name): refused.
  EXPECT_FALSE(files_.CreateFolderTree(folder_ / "a:b"));
#endif
}

TEST_F(FileSystemTest, ReadWholeFileTellsAFileThatOpenedFromOneThatDidNot) {
  bool opened = true;
  EXPECT_FALSE(files_.ReadWholeFile(folder_ / "absent.xml", &opened).has_value());
  EXPECT_FALSE(opened);
  opened = true;
  EXPECT_FALSE(files_.ReadWholeFile(folder_.path().string(), &opened).has_value());
  EXPECT_FALSE(opened);
  WriteFile(folder_ / "Config.xml", "x");
  EXPECT_EQ(files_.ReadWholeFile(folder_ / "Config.xml", &opened), "x");
  EXPECT_TRUE(opened);
}

// Records the waits instead of sleeping.
class WaitRecorder : public Clock {
 public:
  LocalTime Now() override { return {}; }
  void Sleep(std::uint32_t milliseconds) override { waits.push_back(milliseconds); }
  std::vector<std::uint32_t> waits;
};

TEST(TransientRetryTest, TransientErrorsAreRetriedWithGrowingWaitsWithinTheBound) {
  struct Case {
    std::uint32_t error;
    int failures;  // before the operation succeeds
    bool succeeds;
    std::vector<std::uint32_t> waits;
  } cases[] = {
      {32, 2, true, {100, 200}},  // sharing violation
      {33, 1, true, {100}},       // lock violation
      {5, 3, true, {100, 200, 300}},
      {54, 1, true, {100}},
      {55, 1, true, {100}},
      {59, 1, true, {100}},
      {64, 1, true, {100}},
      {121, 1, true, {100}},
      {53, 1, true, {100}},
      {67, 1, true, {100}},
      {1224, 1, true, {100}},  // a scanner has the file mapped
      {1231, 1, true, {100}},
      {kWinWriteProtect, 1, false, {}},  // a read-only volume does not pass
      {32, 10, true, {100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}},
      {32, 11, false, {100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}},
      {kWinFileNotFound, 1, false, {}},
      {kWinGeneralFailure, 1, false, {}},
      {kWinDiskFull, 1, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "error " << c.error << ", " << c.failures << " failures");
    WaitRecorder clock;
    ScopedService<Clock> scoped_clock(clock);
    int tries = 0;
    RetryBudget budget;
    const bool done = RetryTransientFailures(budget, [&] {
      if (++tries > c.failures) return true;
      SetLastErrorCode(c.error);
      return false;
    });
    EXPECT_EQ(done, c.succeeds);
    EXPECT_EQ(clock.waits, c.waits);
    if (!done) {
      EXPECT_EQ(GetLastErrorCode(), c.error);
    }
  }
  // One budget for the whole job: a second operation held for good gets what the first left.
  WaitRecorder clock;
  ScopedService<Clock> scoped_clock(clock);
  RetryBudget budget;
  const auto held = [] {
    SetLastErrorCode(32);
    return false;
  };
  for (std::uint32_t spent : {5500u, 7000u, 7000u}) {
    EXPECT_FALSE(RetryTransientFailures(budget, held));
    EXPECT_EQ(budget.WaitedMs(), spent);
  }
  EXPECT_EQ(clock.waits.size(), 15u);
  // The 3 s kept for publishing the result wait for that alone.
  budget.ReleaseReserve();
  EXPECT_FALSE(RetryTransientFailures(budget, held));
  EXPECT_EQ(budget.WaitedMs(), 10000u);
  EXPECT_EQ(clock.waits.size(), 23u);
  EXPECT_EQ(clock.waits.back(), 200u);
}

}  // namespace
}  // namespace radlyn::platform
