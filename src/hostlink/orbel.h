// Orbel processing: whether Orbel processes a take, and running the Orbel program.
//
// - MatchTakeTypePattern matches a text against a take-type pattern of ordinary characters and
//   the wildcards `*` and `?` in one left-to-right pass without backtracking: `?` stands for one
//   character, `*` for at least one (of a non-empty text), and the rest compares case-sensitively.
// - IsTakeTypeInFilterText decides from the raw bytes of a Config.xml (8-bit text, or UTF-16LE
//   starting with FF FE): the first `filter="` (not at the very first position) opens a value of
//   at least 2 characters up to the next `"`; its comma-separated pieces (empty ones skipped,
//   blanks kept) are patterns, and the take type must match one of them.
// - IsTakeTypeInOrbelFilter reads "Config.xml" glued directly to the Orbel data folder. A file
//   that is missing or cannot be opened gives false silently; one whose reading fails after it
//   was opened gives false and an "Error" line in the event log.
// - RunAndWait starts a program by its path with an argument text and waits at most the limit:
//   0 when it ended with exit code 0, 18 in every other case (not started, still running at the
//   limit, exit code unreadable or not 0). A program still running is left running.
// - Orbel's temporary files are named "RadlynOrbel-<process id>-<random>" (.tmp and .tif).
//   RemoveOrbelLeftovers deletes those in `folder` whose process is no running Radlyn: the
//   exchange of a job that was killed or crashed, which holds a whole X-ray with the patient's
//   identity. A file that cannot be deleted is named in the event log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace radlyn {

inline constexpr std::uint32_t kOrbelPrepareLimitMs = 60'000;  // " -backupoem", " -restore"
inline constexpr std::uint32_t kOrbelCheckLimitMs = 300'000;   // " -check"

bool MatchTakeTypePattern(std::string_view text, std::string_view pattern);

bool IsTakeTypeInFilterText(std::string_view take_type, std::string_view config_bytes);

bool IsTakeTypeInOrbelFilter(std::string_view take_type, std::string_view orbel_data_folder);

inline constexpr std::string_view kOrbelTempPrefix = "RadlynOrbel-";

void RemoveOrbelLeftovers(const std::string& folder);

std::uint32_t RunAndWait(std::string_view program_path, std::string_view argument_text,
                         std::uint32_t time_limit_ms);

}  // namespace radlyn
