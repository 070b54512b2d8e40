// The folder of one fuzzing process for the files its harness writes: on a memory file system
// where there is one (every write syncs), named after the harness and made unique per process.
// Created on first use and removed with its contents when the process exits normally; after a
// crash it stays, holding the files of the crashing input.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace radlyn::fuzz {

// The folder once made; never freed, so that the exit handler can still read it.
inline const std::string* work_folder_made = nullptr;

// The folder's path with a trailing separator. `harness` names it on the first call only.
inline const std::string& WorkFolder(const char* harness) {
  namespace fs = std::filesystem;
  if (work_folder_made == nullptr) {
    const fs::path base =
        fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path path = base / ("radlyn-fuzz-" + std::string(harness) + "-" +
                                  std::to_string(std::random_device()()));
    fs::create_directories(path);
    work_folder_made = new std::string(path.string() + "/");
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(*work_folder_made, ignored);
    });
  }
  return *work_folder_made;
}

}  // namespace radlyn::fuzz
