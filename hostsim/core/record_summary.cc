#include "record_summary.h"

#include <cstdio>

#include "call_log.h"
#include "hostlink/modules/record_layout.h"
#include "locked_block.h"

namespace hostsim {

namespace records = radlyn::records;

namespace {

std::string Date(unsigned year, unsigned month, unsigned day) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", year, month, day);
  return text;
}

std::string DateTime(const std::uint8_t* r, records::Field year, records::Field month,
                     records::Field day, records::Field hour, records::Field minute,
                     records::Field second) {
  char text[48];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", records::ReadU16(r, year),
                records::ReadU8(r, month), records::ReadU8(r, day), records::ReadU8(r, hour),
                records::ReadU8(r, minute), records::ReadU8(r, second));
  return text;
}

}  // namespace

std::string PatientSummary(GmHandle patient) {
  std::string out = Hex32(patient);
  LockedBlock lock(patient, records::patient::kSize);
  const std::uint8_t* r = lock.data();
  if (r == nullptr) return out + "{invalid}";
  namespace p = records::patient;
  out += "{last=" + Quoted(records::ReadText(r, p::kLastName));
  out += " first=" + Quoted(records::ReadText(r, p::kFirstName));
  out += " birth=" + Date(records::ReadU16(r, p::kBirthYear), records::ReadU8(r, p::kBirthMonth),
                          records::ReadU8(r, p::kBirthDay));
  out += " id=" + Quoted(records::ReadText(r, p::kPatientId));
  out += " doctor=" + Quoted(records::ReadText(r, p::kDoctor)) + "}";
  return out;
}

std::string TakeSummary(GmHandle take) {
  std::string out = Hex32(take);
  LockedBlock lock(take, records::take::kSize);
  const std::uint8_t* r = lock.data();
  if (r == nullptr) return out + "{invalid}";
  namespace t = records::take;
  out += "{lead=" + Quoted(records::ReadText(r, t::kLeadText));
  out += " type=" + Quoted(records::ReadText(r, t::kTakeType));
  out += " header=" + Hex32(records::ReadU32(r, t::kHeaderHandle));
  out += " pixels=" + Hex32(records::ReadU32(r, t::kPixelHandle));
  out += " ext=" + Hex32(records::ReadU32(r, t::kExtensionHandle)) + "}";
  return out;
}

std::string ImageRecordSummary(const std::uint8_t* r) {
  if (r == nullptr) return "null";
  namespace i = records::image;
  std::string out = "{name=" + Quoted(records::ReadText(r, i::kPatientName));
  out += " id=" + Quoted(records::ReadText(r, i::kPatientId));
  out += " doctor=" + Quoted(records::ReadText(r, i::kDoctor));
  out += " type=" + Quoted(records::ReadText(r, i::kTakeType));
  out += " taken=" + DateTime(r, i::kYear, i::kMonth, i::kDay, i::kHour, i::kMinute, i::kSecond);
  out += " header=" + Hex32(records::ReadU32(r, i::kHeaderHandle));
  out += " pixels=" + Hex32(records::ReadU32(r, i::kPixelHandle));
  out += " ext=" + Hex32(records::ReadU32(r, i::kExtensionHandle)) + "}";
  return out;
}

}  // namespace hostsim
