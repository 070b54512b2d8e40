// The result file's read-modify-write through the profile service: an existing RADLYN_out.ini of
// arbitrary bytes gets an error report and two result keys, then is read back. A stored nonzero
// ErrorNr leaves the file byte for byte as it was; otherwise what was written reads back and the
// keys nobody wrote keep their values.
//
// Input: four bytes error number, one byte flags, one byte debug-text length and one byte
// value length (each taken from the bytes that follow), then the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "job/error_table.h"
#include "job/job_frame.h"
#include "platform/profile.h"
#include "read_back.h"
#include "support/event_log.h"
#include "work_folder.h"

namespace {

namespace fs = std::filesystem;
using radlyn::fuzz::AsReadBack;
using radlyn::fuzz::IsUnicode;
using radlyn::platform::GetProfile;

// Aborts, naming the line of the failed check (the compiler fills in the caller's line).
void Check(bool condition, int line = __builtin_LINE()) {
  if (condition) return;
  std::fprintf(stderr, "check failed at line %d\n", line);
  std::abort();
}

const std::string& WorkFolder() { return radlyn::fuzz::WorkFolder("result"); }

std::string EventLogFolder() { return WorkFolder(); }

std::string Take(std::string_view& input, std::size_t count) {
  count = std::min(count, input.size());
  std::string taken(input.substr(0, count));
  input.remove_prefix(count);
  return taken;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Key {
  const char* section;
  const char* key;
};

// Keys of a result file (and look-alikes) that the writes below never touch.
constexpr Key kBystanders[] = {
    {"Info", "Doc"},         {"Info", "Regio"},     {"Info", "XRayTime"},
    {"Config", "ErrorNr"},   {"Patient", "ID"},     {"Patient", "LastName"},
    {"Logon", "ClientName"}, {"", "ErrorNr"},       {"Config", "ImageDataPathFile"},
    {"Info2", "ErrorMsg"},   {"Patient", "ErrorNr"}};

constexpr std::string_view kMissing = "\x01missing";

std::string Read(const Key& key, const std::string& path) {
  return GetProfile().ReadString(key.section, key.key, kMissing, 4096, path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool installed = (radlyn::SetEventLogFolderSource(&EventLogFolder), true);
  (void)installed;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::int32_t error_number = 0;
  const std::string head = Take(input, 4);
  std::copy(head.begin(), head.end(), reinterpret_cast<char*>(&error_number));
  const std::string flags = Take(input, 1);
  const std::string debug_length = Take(input, 1);
  const std::string value_length = Take(input, 1);
  const std::string debug_text =
      Take(input, debug_length.empty() ? 0 : static_cast<unsigned char>(debug_length[0]) % 80);
  const std::string value =
      Take(input, value_length.empty() ? 0 : static_cast<unsigned char>(value_length[0]) % 80);
  const std::string_view file = input;
  const bool unicode = IsUnicode(file);

  radlyn::CJobFrame frame;
  frame.SetDataFolder(WorkFolder());
  const std::string path = frame.GetResultFilePath();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
  }
  std::string before[std::size(kBystanders)];
  for (std::size_t i = 0; i < std::size(kBystanders); ++i) before[i] = Read(kBystanders[i], path);
  const std::int32_t stored = GetProfile().ReadInt("Info", "ErrorNr", 0, path);

  frame.WriteErrorReport(error_number, debug_text);
  if (stored != 0) {
    Check(ReadFile(path) == file);  // the first error stands, and nothing else is written
  } else {
    Check(GetProfile().ReadInt("Info", "ErrorNr", -7, path) == error_number);
    Check(GetProfile().ReadString("Info", "ErrorMsg", kMissing, 4096, path) ==
          radlyn::GetErrorMessage(error_number));
    if (!debug_text.empty()) {
      Check(GetProfile().ReadString("Info", "DebugInfo", kMissing, 4096, path) ==
            AsReadBack(debug_text, unicode, true));
    }
  }

  // The job's own result keys, written afterwards into the same file.
  const std::int32_t flag = flags.empty() ? 0 : static_cast<unsigned char>(flags[0]) - 128;
  GetProfile().WriteString("Config", "fAutoPostProcessed", std::to_string(flag), path);
  GetProfile().WriteString("Patient", "FirstName", value, path);
  Check(GetProfile().ReadInt("Config", "fAutoPostProcessed", -1000, path) == flag);
  Check(GetProfile().ReadString("Patient", "FirstName", kMissing, 4096, path) ==
        AsReadBack(value, unicode, true));
  Check(GetProfile().ReadInt("Info", "ErrorNr", 0, path) == (stored != 0 ? stored : error_number));
  for (std::size_t i = 0; i < std::size(kBystanders); ++i) {
    Check(Read(kBystanders[i], path) == before[i]);
  }
  fs::remove(WorkFolder() + radlyn::kEventLogFileName);
  return 0;
}
