// Holds a file open the way a virus scanner, an indexer or a reader does: for reading, sharing
// reading and writing but not deleting, so that the file cannot be deleted, renamed or replaced
// meanwhile. Waits up to WAIT_MS for the file to appear (polling every millisecond, so that it
// catches a file right after its creation), prints "held", holds it HOLD_MS, closes it and prints
// "released". It prints "waiting" first, once it is ready to catch the file.
// Usage: file_holder.exe PATH HOLD_MS [WAIT_MS]   (exit 1: the file never appeared)
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: file_holder PATH HOLD_MS [WAIT_MS]\n");
    return 2;
  }
  const DWORD hold_ms = std::strtoul(argv[2], nullptr, 10);
  const DWORD wait_ms = argc == 4 ? std::strtoul(argv[3], nullptr, 10) : 0;
  const DWORD start = GetTickCount();
  HANDLE file = INVALID_HANDLE_VALUE;
  std::printf("waiting\n");
  std::fflush(stdout);
  for (;;) {
    file = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetTickCount() - start >= wait_ms) break;
    Sleep(1);
  }
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "%s not opened (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  std::printf("held\n");
  std::fflush(stdout);
  Sleep(hold_ms);
  CloseHandle(file);
  std::printf("released\n");
  std::fflush(stdout);
  return 0;
}
