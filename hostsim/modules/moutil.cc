// MoUtil, the utility module: the image mark (layout in core/mark_field.h) and settings read per
// take type (the key rule in core/take_type_profile.h).
#include <cstdio>
#include <cstring>
#include <string>

#include "core/call_log.h"
#include "core/exports.h"
#include "core/install_folder.h"
#include "core/mark_field.h"
#include "core/take_type_profile.h"
#include "core/version_check.h"
#include "hostlink/modules/module_exports.h"

namespace {

[[maybe_unused]] constexpr const char* kSection = "MoUtil";

[[maybe_unused]] std::string Text(const char* text) {
  return text == nullptr ? std::string() : std::string(text);
}

[[maybe_unused]] void Log(hostsim::LogLine& line) { line.WriteTo(hostsim::InstallFolder()); }

// A calendar date written YYYY-MM-DD or YYYY:MM:DD.
[[maybe_unused]] bool IsCalendarDate(const char* text) {
  if (text == nullptr || std::strlen(text) != 10) return false;
  unsigned year = 0;
  unsigned month = 0;
  unsigned day = 0;
  char first = 0;
  char second = 0;
  char rest = 0;
  if (std::sscanf(text, "%4u%c%2u%c%2u%c", &year, &first, &month, &second, &day, &rest) != 5 ||
      first != second || (first != '-' && first != ':')) {
    return false;
  }
  static constexpr unsigned kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year == 0 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return !(month == 2 && day == 29 && !leap);
}

}  // namespace

#ifndef HOSTSIM_LACK_UTL_InitMark
HOSTSIM_EXPORT void UTL_InitMark(char* mark) {
  if (mark != nullptr) hostsim::mark::Init(reinterpret_cast<std::uint8_t*>(mark));
  hostsim::LogLine line("UTL_InitMark");
  line.Arg(mark == nullptr ? "null" : "mark").Result("void");
  Log(line);
}
#endif

#ifndef HOSTSIM_LACK_UTL_GetLogo
HOSTSIM_EXPORT void UTL_GetLogo(const char* mark, char* buffer, std::uint32_t size) {
  std::string logo;
  if (mark != nullptr) logo = hostsim::mark::Logo(reinterpret_cast<const std::uint8_t*>(mark));
  if (buffer != nullptr && size > 0) {
    std::size_t n = logo.size() < size ? logo.size() : size - 1;
    std::memcpy(buffer, logo.data(), n);
    buffer[n] = '\0';
  }
  hostsim::LogLine line("UTL_GetLogo");
  line.Arg(mark == nullptr ? "null" : "mark")
      .Arg(buffer == nullptr ? "null" : "buffer")
      .Arg(size)
      .Result(hostsim::Quoted(logo));
  Log(line);
}
#endif

#ifndef HOSTSIM_LACK_UTL_SetLogo
HOSTSIM_EXPORT void UTL_SetLogo(char* mark, const char* product) {
  if (mark != nullptr) hostsim::mark::SetLogo(reinterpret_cast<std::uint8_t*>(mark), Text(product));
  hostsim::LogLine line("UTL_SetLogo");
  line.Arg(mark == nullptr ? "null" : "mark").Arg(hostsim::QuotedOrNull(product)).Result("void");
  Log(line);
}
#endif

#ifndef HOSTSIM_LACK_UTL_SetVersion
HOSTSIM_EXPORT void UTL_SetVersion(char* mark, const char* version) {
  if (mark != nullptr) {
    hostsim::mark::SetVersion(reinterpret_cast<std::uint8_t*>(mark), Text(version));
  }
  hostsim::LogLine line("UTL_SetVersion");
  line.Arg(mark == nullptr ? "null" : "mark").Arg(hostsim::QuotedOrNull(version)).Result("void");
  Log(line);
}
#endif

#ifndef HOSTSIM_LACK_UTL_CheckVersion
HOSTSIM_EXPORT MorlundStatus UTL_CheckVersion(std::uint32_t version, std::uint32_t reserved) {
  return hostsim::AnswerCheckVersion("UTL_CheckVersion", kSection, 0x109, version, reserved);
}
#endif

#ifndef HOSTSIM_LACK_IsDate
HOSTSIM_EXPORT std::int32_t IsDate(const char* text) {
  std::int32_t answer = IsCalendarDate(text) ? 1 : 0;
  hostsim::LogLine line("IsDate");
  line.Arg(hostsim::QuotedOrNull(text)).Result(answer);
  Log(line);
  return answer;
}
#endif

#ifndef HOSTSIM_LACK_UTL_GetPrivateProfileIntTakeType
HOSTSIM_EXPORT std::int32_t UTL_GetPrivateProfileIntTakeType(const char* section, const char* key,
                                                             const char* take_type,
                                                             std::int32_t fallback,
                                                             const char* file) {
  std::int32_t answer = fallback;
  if (section != nullptr && key != nullptr && file != nullptr) {
    answer = hostsim::ReadIntTakeType(section, key, Text(take_type), fallback, file);
  }
  hostsim::LogLine line("UTL_GetPrivateProfileIntTakeType");
  line.Arg(hostsim::QuotedOrNull(section))
      .Arg(hostsim::QuotedOrNull(key))
      .Arg(hostsim::QuotedOrNull(take_type))
      .Arg(fallback)
      .Arg(hostsim::QuotedOrNull(file))
      .Result(answer);
  Log(line);
  return answer;
}
#endif

#ifndef HOSTSIM_LACK_UTL_GetPrivateProfileStringTakeType
HOSTSIM_EXPORT std::uint32_t UTL_GetPrivateProfileStringTakeType(
    const char* section, const char* key, const char* take_type, const char* fallback, char* buffer,
    std::uint32_t size, const char* file) {
  std::string answer;
  std::uint32_t length = 0;
  if (buffer != nullptr && size > 0) {
    if (section != nullptr && key != nullptr && file != nullptr) {
      answer = hostsim::ReadStringTakeType(section, key, Text(take_type), Text(fallback), size - 1,
                                           file);
    } else {
      answer = Text(fallback);
    }
    if (answer.size() > size - 1) answer.resize(size - 1);
    std::memcpy(buffer, answer.data(), answer.size());
    buffer[answer.size()] = '\0';
    length = static_cast<std::uint32_t>(answer.size());
  }
  hostsim::LogLine line("UTL_GetPrivateProfileStringTakeType");
  line.Arg(hostsim::QuotedOrNull(section))
      .Arg(hostsim::QuotedOrNull(key))
      .Arg(hostsim::QuotedOrNull(take_type))
      .Arg(hostsim::QuotedOrNull(fallback))
      .Arg(buffer == nullptr ? "null" : "buffer")
      .Arg(size)
      .Arg(hostsim::QuotedOrNull(file))
      .Result(hostsim::Quoted(answer));
  Log(line);
  return length;
}
#endif
