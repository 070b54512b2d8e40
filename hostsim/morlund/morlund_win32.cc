// The stand-in for Morlund's program file on Windows. radlyn never starts it: it reads the
// product version of its version resource (morlund.rc; `hostsim install --version` rewrites the
// installed copy's) and takes the folder it lies in, through the registry, as the Morlund
// folder. Started by hand (with or without /automation) it prints that version.
#include <cstdio>

#include "platform/file_system.h"
#include "platform/program_file.h"

int main() {
  const auto version = radlyn::platform::GetProgramFiles().ReadProductVersion(
      radlyn::platform::GetFileSystem().ProgramFilePath());
  if (!version) {
    std::printf("Morlund (hostsim), no version resource\n");
    return 1;
  }
  std::printf("Morlund (hostsim) %u.%u.%u.%u\n", unsigned{(*version)[0]}, unsigned{(*version)[1]},
              unsigned{(*version)[2]}, unsigned{(*version)[3]});
  return 0;
}
