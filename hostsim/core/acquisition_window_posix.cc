#include <chrono>
#include <thread>

#include "core/acquisition_window.h"

namespace hostsim {

void ShowAcquisitionWindow(std::uint32_t, int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace hostsim
