// Fuzzes the extension-text path of the auto-post document: arbitrary text stands as the take's
// extension text (with the root element's name appended, so that it is always taken as one),
// the auto-post document is built from it and then processed against stand-in filter
// functions. The event log points at a folder that does not exist, so warnings go nowhere.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "hostlink/modules/record_layout.h"
#include "hostlink/morlund_link.h"
#include "platform/global_memory.h"
#include "platform/xml_parser.h"
#include "support/event_log.h"

namespace radlyn {

class CMorlundLinkTestAccess {
 public:
  static void Run(const std::string& extension) {
    CMorlundLink link;
    link.modules_.UTL_GetPrivateProfileIntTakeType = &ReadInt;
    link.modules_.UTL_GetPrivateProfileStringTakeType = &ReadString;
    link.modules_.MGM_FilterEx = &FilterEx;

    std::uint8_t record[records::take::kSize] = {};
    const std::string block = std::string("lead") + '\0' + extension + '\0';
    const GmHandle handle = GmAlloc(static_cast<std::uint32_t>(block.size()));
    std::memcpy(GmLock(handle), block.data(), block.size());
    GmUnlock(handle);
    records::WriteU32(record, records::take::kExtensionHandle, handle);

    try {
      link.BuildAutoPostDocument(record);
    } catch (const platform::XmlError&) {
      // Parser failures leave BuildAutoPostDocument on purpose.
    }
    link.initialized_ = true;
    link.take_handle_ = handle;
    link.DoAutoPostProcessing();
    link.initialized_ = false;
    link.take_handle_ = 0;
    GmFree(handle);
  }

 private:
  static std::int32_t ReadInt(const char*, const char*, const char*, std::int32_t fallback,
                              const char*) {
    return fallback;
  }
  static std::uint32_t ReadString(const char*, const char*, const char*, const char*, char* buffer,
                                  std::uint32_t, const char*) {
    buffer[0] = '\0';
    return 0;
  }
  static MorlundStatus FilterEx(std::uint32_t, std::uint32_t, std::uint32_t, GmHandle, void* area,
                                void* parameters) {
    // Touch what a graphics module would read.
    volatile std::uint8_t sink = static_cast<std::uint8_t*>(area)[15];
    if (parameters != nullptr) sink = static_cast<std::uint8_t*>(parameters)[23];
    (void)sink;
    return 0;
  }
};

}  // namespace radlyn

namespace {
std::string NoFolder() { return "/nonexistent-radlyn-fuzz-folder/"; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool configured = [] {
    radlyn::SetEventLogFolderSource(&NoFolder);
    return true;
  }();
  (void)configured;
  std::string extension(reinterpret_cast<const char*>(data), size);
  extension += "<!--TAVORAAUTOPOST-->";
  radlyn::CMorlundLinkTestAccess::Run(extension);
  return 0;
}
