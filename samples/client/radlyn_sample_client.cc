// A practice program's way of taking one X-ray image through Radlyn, in the order the client
// guide gives: delete the old result file, write the job file (Windows-1252, written whole), start
// radlyn.exe with the program's own window as the owner of Morlund's dialogs, wait without a time
// limit while that window keeps answering, read the result file through the profile API, and move
// the image out of the output folder into the practice's archive.
//
// Usage: radlyn_sample_client.exe RADLYN_EXE DATA_FOLDER IMAGE_FOLDER ARCHIVE_FOLDER
// The folders may name environment variables ("%LOCALAPPDATA%\DentalOffice\Xray"), as Radlyn's
// data folder may: a folder of the user's own keeps the patients' jobs from other users.
// Exit code: 0 the image is archived; 1 Radlyn reported an error; 2 no job ran (no result file);
// 3 the client itself could not go on.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// What the practice program takes from its own records. Text is Windows-1252 ("\xFC" is u umlaut).
constexpr const char* kClientName = "SampleClient";
constexpr const char* kTakeType = "XI";
constexpr const char* kTooth = "36";
constexpr const char* kDoctor = "Dr. Berger";
constexpr const char* kFirstName =
    "J\xFC"
    "rgen";
constexpr const char* kLastName = "M\xFCller";
constexpr const char* kPatientId = "4711";
constexpr const char* kBirthDate = "19700305";

enum ExitCode { kArchived = 0, kRadlynError = 1, kNoJobRan = 2, kClientFailed = 3 };

int Fail(const char* what) {
  std::printf("client: %s (Windows error %lu)\n", what, GetLastError());
  return kClientFailed;
}

// An absolute folder, environment variables expanded, without a trailing backslash. Radlyn writes
// the image path as folder + name, so only an absolute folder gives an absolute image path; and a
// quoted command-line value must not end in a backslash, which would escape the closing quote.
std::string FullFolder(const char* folder) {
  char expanded[MAX_PATH];
  const DWORD size = ExpandEnvironmentStringsA(folder, expanded, MAX_PATH);  // with its NUL
  if (size == 0 || size > MAX_PATH) return {};
  char buffer[MAX_PATH];
  const DWORD length = GetFullPathNameA(expanded, MAX_PATH, buffer, nullptr);
  if (length == 0 || length >= MAX_PATH) return {};
  std::string full(buffer, length);
  while (full.size() > 3 && full.back() == '\\') full.pop_back();
  return full;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates an absolute folder with every missing level above it ("C:\Practice" before
// "C:\Practice\Xray"); the drive, or the server and share of a network path
// "\\server\share\...", is never created. True when the folder exists afterwards.
bool CreateFolderTree(const std::string& folder) {
  std::size_t level = 2;  // the separator after "C:"
  if (folder.rfind("\\\\", 0) == 0) {
    level = folder.find('\\', folder.find('\\', 2) + 1);  // the separator after the share
    if (level == std::string::npos) return FolderExists(folder);
  }
  while (level < folder.size()) {
    level = folder.find('\\', level + 1);
    if (level == std::string::npos) level = folder.size();
    CreateDirectoryA(folder.substr(0, level).c_str(), nullptr);  // fails where it exists
  }
  return FolderExists(folder);
}

bool IsGone(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Step 1: an old result file would be read as this job's answer when Radlyn runs no job (another
// copy is busy, the job file went astray), so it goes first. The file counts as gone only when it
// can no longer be found: a deletion that succeeded while another program still holds the file
// open leaves it in place until that program closes it. On failure the deletion's own error is
// the last error.
bool DeleteOldResult(const std::string& result_file) {
  const DWORD error = DeleteFileA(result_file.c_str()) ? ERROR_SUCCESS : GetLastError();
  if (IsGone(result_file)) return true;
  if (error != ERROR_SUCCESS) SetLastError(error);
  return false;
}

// Step 2: the whole job file in one write, so that no key of an earlier job survives.
bool WriteJobFile(const std::string& job_file, const std::string& image_folder) {
  const std::string text =
      std::string("[Logon]\r\nClientName=") + kClientName + "\r\n[Info]\r\nType=" + kTakeType +
      "\r\nRegio=" + kTooth + "\r\nDoc=" + kDoctor + "\r\n[Patient]\r\nFirstName=" + kFirstName +
      "\r\nLastName=" + kLastName + "\r\nID=" + kPatientId + "\r\nBirthdate=" + kBirthDate +
      "\r\n[Config]\r\nImageDataPath=" + image_folder + "\r\nFileFormat=tif\r\nfAssure8Bit=1\r\n";
  HANDLE file = CreateFileA(job_file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
      written == text.size();
  return CloseHandle(file) && ok;
}

// The practice program's main window; it owns Morlund's acquisition dialogs.
HWND CreateMainWindow() {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = "RadlynSampleClient";
  RegisterClassA(&window_class);
  return CreateWindowA("RadlynSampleClient", "Practice - X-ray", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                       CW_USEDEFAULT, CW_USEDEFAULT, 480, 240, nullptr, nullptr,
                       window_class.hInstance, nullptr);
}

// Step 3: radlyn.exe with the data folder and the owner window.
bool StartRadlyn(const std::string& radlyn, const std::string& data_folder, HWND owner,
                 PROCESS_INFORMATION* process) {
  std::string command = "\"" + radlyn + "\" \"datapath=" + data_folder + "\"";
  if (owner != nullptr) {
    char parameter[32];
    std::snprintf(parameter, sizeof parameter, " parentwnd=0x%08lX",
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(owner)));
    command += parameter;
  }
  std::printf("client: %s\n", command.c_str());
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  return CreateProcessA(radlyn.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, process);
}

// Step 4: no time limit (the exposure waits for a person at the X-ray unit), and the window's
// messages are handled meanwhile, or Morlund's dialogs that it owns would stop answering too.
// The window is disabled, as under a modal dialog, so that no second job starts from it.
bool WaitForRadlyn(HANDLE process, HWND owner) {
  if (owner != nullptr) EnableWindow(owner, FALSE);
  bool ended = false;
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) {
      ended = true;
      break;
    }
    if (woke != WAIT_OBJECT_0 + 1) break;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  if (owner != nullptr) EnableWindow(owner, TRUE);
  return ended;
}

std::string ReadResult(const std::string& result_file, const char* section, const char* key) {
  char value[1024];
  GetPrivateProfileStringA(section, key, "", value, sizeof value, result_file.c_str());
  return value;
}

// Steps 5 and 6: the answer is in the result file alone (Radlyn's exit code means nothing).
int ReportOutcome(const std::string& result_file, const std::string& archive_folder) {
  const std::string number =
      FileExists(result_file) ? ReadResult(result_file, "Info", "ErrorNr") : std::string();
  if (number.empty()) {
    std::printf("Radlyn ran no job: no result file. Is another Radlyn still working?\n");
    return kNoJobRan;
  }
  if (std::strtol(number.c_str(), nullptr, 10) != 0) {
    std::printf("Radlyn reported error %s (%s)\n", number.c_str(),
                ReadResult(result_file, "Info", "ErrorMsg").c_str());
    std::printf("DebugInfo: %s\n", ReadResult(result_file, "Info", "DebugInfo").c_str());
    return kRadlynError;
  }
  const std::string image = ReadResult(result_file, "Config", "ImageDataPathFile");
  if (!FileExists(image)) {
    std::printf("Radlyn reported success, but the image file '%s' is missing\n", image.c_str());
    return kRadlynError;
  }
  // The output folder must not keep images: the next job refuses to run beside them (or, with
  // DelOutImage=1, deletes one). Never replace an archived file.
  const std::string archived = archive_folder + "\\" + image.substr(image.find_last_of('\\') + 1);
  if (!MoveFileExA(image.c_str(), archived.c_str(),
                   MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
    return Fail("the image could not be moved into the archive");
  }
  std::printf("Image of %s %s (%s), tooth %s %s: %s\n",
              ReadResult(result_file, "Patient", "FirstName").c_str(),
              ReadResult(result_file, "Patient", "LastName").c_str(),
              ReadResult(result_file, "Patient", "ID").c_str(),
              ReadResult(result_file, "Info", "Regio").c_str(),
              ReadResult(result_file, "Info", "Type").c_str(), archived.c_str());
  return kArchived;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::printf("usage: radlyn_sample_client RADLYN_EXE DATA_FOLDER IMAGE_FOLDER ARCHIVE_FOLDER\n");
    return kClientFailed;
  }
  const std::string radlyn = argv[1];
  const std::string data_folder = FullFolder(argv[2]);
  const std::string image_folder = FullFolder(argv[3]);
  const std::string archive_folder = FullFolder(argv[4]);
  if (data_folder.empty() || image_folder.empty() || archive_folder.empty()) {
    return Fail("a folder name is too long");
  }
  // Radlyn does not create the data folder (it creates a missing image folder itself).
  if (!CreateFolderTree(data_folder)) return Fail("the data folder cannot be created");
  if (!CreateFolderTree(archive_folder)) return Fail("the archive folder cannot be created");
  const std::string job_file = data_folder + "\\RADLYN_in.ini";
  const std::string result_file = data_folder + "\\RADLYN_out.ini";

  if (!DeleteOldResult(result_file)) {
    return Fail(
        "the old result file cannot be removed, so Radlyn is not started: another Radlyn may "
        "still be working (wait until it has ended), or this user may not change files in the "
        "data folder (check its rights)");
  }
  if (!WriteJobFile(job_file, image_folder)) return Fail("the job file cannot be written");

  // Without a window (no desktop) Radlyn makes an invisible owner window of its own.
  HWND owner = CreateMainWindow();
  PROCESS_INFORMATION process = {};
  if (!StartRadlyn(radlyn, data_folder, owner, &process)) return Fail("radlyn.exe did not start");
  CloseHandle(process.hThread);
  const bool ended = WaitForRadlyn(process.hProcess, owner);
  CloseHandle(process.hProcess);
  if (!ended) return Fail("waiting for radlyn.exe failed");

  const int outcome = ReportOutcome(result_file, archive_folder);
  if (owner != nullptr) DestroyWindow(owner);
  return outcome;
}
