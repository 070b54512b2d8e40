// The stand-in for Morlund's program file. radlyn never starts it: it reads the product version
// stamped into it (`hostsim install --version` rewrites the stamp of the installed copy) and
// takes the folder it lies in, through the registry, as the Morlund folder.
#include <cstdio>

#include "platform/posix/product_version_stamp.h"

RADLYN_PRODUCT_VERSION_STAMP(7, 0, 0, 0);

int main() {
  // Read through a volatile view: the installed copy's stamp may have been rewritten.
  const volatile unsigned char* stamp = radlyn_product_version_stamp;
  auto part = [&](int i) { return unsigned{stamp[8 + 2 * i]} | unsigned{stamp[9 + 2 * i]} << 8; };
  std::printf("Morlund (hostsim) %u.%u.%u.%u\n", part(0), part(1), part(2), part(3));
  return 0;
}
