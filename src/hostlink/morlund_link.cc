// CMorlundLink's lifetime: the process's one object, Initialize and Uninitialize around a job,
// the last error and the bit depth.
#include "hostlink/morlund_link.h"

#include <algorithm>
#include <string>

#include "hostlink/orbel.h"
#include "hostlink/take_block.h"
#include "platform/code_page.h"
#include "platform/debug_output.h"
#include "platform/dynamic_library.h"
#include "platform/file_system.h"
#include "support/error_numbers.h"

namespace radlyn {
namespace {

// Client names compare without regard to case in the workstation's ANSI code page.
bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  platform::CodePages& code_pages = platform::GetCodePages();
  return code_pages.LowerAnsi(a) == code_pages.LowerAnsi(b);
}

CMorlundLink& CreateLink() {
  // The native services that Uninitialize uses at process exit are created first, so that they
  // are destroyed after the link.
  platform::GlobalMemory::Native();
  platform::DynamicLibraries::Native();
  platform::FileSystem::Native();
  platform::DebugOutput::Native();
  static CMorlundLink link;
  return link;
}

}  // namespace

CMorlundLink& GetMorlundLink() {
  static CMorlundLink& link = CreateLink();
  return link;
}

CMorlundLink::~CMorlundLink() { Uninitialize(); }

bool CMorlundLink::Initialize(std::string_view client_name) {
  if (client_name.empty()) {
    SetError(kErrorParameter, "Initialize: Client empty");
    return false;
  }
  if (initialized_) return EqualIgnoringCase(client_name, client_name_);
  // What a killed or crashed job left of Orbel's exchange (a whole X-ray) goes first.
  RemoveOrbelLeftovers(platform::GetFileSystem().TempFolder());
  if (!LoadMorlundLink()) return false;
  client_name_ = client_name;
  initialized_ = true;
  return true;
}

bool CMorlundLink::Uninitialize() {
  if (!initialized_) return false;
  FreeTakeBlock(take_handle_);
  take_handle_ = 0;
  UnloadMorlundLink();
  initialized_ = false;
  client_name_.clear();
  return true;
}

void CMorlundLink::SetError(std::uint32_t number, std::string_view text) {
  last_error_number_ = number;
  last_error_text_ = text;
  // A number without a text (the job driver confirming a failure the link already described)
  // adds nothing a reader of the debug output could use.
  if (last_error_text_.empty()) return;
  platform::WriteDebugOutput("Radlyn " + last_error_text_ + " (" + std::to_string(number) + ")\n");
}

bool CMorlundLink::SetBitDepth(std::uint8_t depth) {
  if (depth != 8 && depth != 16) return false;
  bit_depth_ = depth;
  return true;
}

}  // namespace radlyn
