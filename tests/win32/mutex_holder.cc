// Holds a named mutex for a while, as a first copy of the program would: used by the start-up
// test to check that a second copy ends at once and writes nothing.
// Usage: mutex_holder.exe NAME MILLISECONDS   (prints "held" once the mutex is held)
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mutex_holder NAME MILLISECONDS\n");
    return 2;
  }
  HANDLE mutex = CreateMutexA(nullptr, FALSE, argv[1]);
  if (mutex == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) {
    std::fprintf(stderr, "mutex %s not created (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  std::printf("held\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
  CloseHandle(mutex);
  return 0;
}
