// The program's string resources, by number. LoadResourceString answers the text of a number, or
// empty text for a number the table does not hold. ResourceStrings lists the whole table in
// ascending order of number, for the build step that writes it into the Windows resource script.
#pragma once

#include <span>
#include <string_view>

namespace radlyn {

enum StringResourceId : int {
  kIdsDefaultDataFolder = 1,  // data folder when the command line names none
  kIdsJobStart = 2,           // event-log text at the start of a job
  kIdsJobEnd = 3,             // event-log text at the end of a job
  kIdsProgramName = 4,        // the program's name in error reports
  kIdsOleInitFailed = 5,      // message box when the component system cannot be used
  kIdsNoAutoPostElement = 7,  // event-log warning: no auto-post settings element
  kIdsMorlundTooOld = 9,      // message box prefix: Morlund older than required
  kIdsSimulatedImage = 10,    // event-log warning: the job delivers the stored sample image
};

struct StringResource {
  int id;
  std::string_view text;
};

std::string_view LoadResourceString(int id);
std::span<const StringResource> ResourceStrings();

}  // namespace radlyn
