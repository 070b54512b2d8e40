// Patient, doctor and take type: checked against the room in Morlund's records and stored in the
// link; nothing reaches Morlund here. A failure records its reason and keeps the stored values.
#include <algorithm>
#include <array>
#include <string_view>

#include "hostlink/morlund_link.h"
#include "support/calendar.h"
#include "support/error_numbers.h"
#include "support/text_number.h"

namespace radlyn {
namespace {

constexpr std::size_t kMaxName = 32;
constexpr std::size_t kPatientIdRoom = 20;  // an ID must be shorter than this
constexpr std::size_t kMaxDoctor = 13;      // one more than the records hold; they keep 12
constexpr std::size_t kRegionLength = 2;
constexpr std::string_view kNoRegion = "  ";

constexpr std::array<std::string_view, 4> kTypeCodes = {"XI", "XP", "XC", "XS"};

// Tooth numbers of the two-digit notation: first digit the quadrant, second the tooth.
struct ToothRange {
  int first;
  int last;
};
constexpr ToothRange kTeeth[] = {
    {11, 18}, {21, 28}, {31, 38}, {41, 48},  // permanent
    {51, 55}, {61, 65}, {71, 75}, {81, 85},  // deciduous
};

bool IsToothNumber(int number) {
  return std::any_of(std::begin(kTeeth), std::end(kTeeth), [number](const ToothRange& r) {
    return number >= r.first && number <= r.last;
  });
}

bool NamesTooth(std::string_view code) { return code == "XI" || code == "XS"; }

}  // namespace

bool CMorlundLink::SetPatient(std::string_view last_name, std::string_view first_name,
                              std::int32_t year, std::int32_t month, std::int32_t day,
                              std::string_view patient_id) {
  if (last_name.size() > kMaxName) {
    SetError(kErrorSizeTooLong, "Patient last name too long");
    return false;
  }
  if (first_name.size() > kMaxName) {
    SetError(kErrorSizeTooLong, "Patient first name too long");
    return false;
  }
  if (patient_id.size() >= kPatientIdRoom) {
    SetError(kErrorSizeTooLong, "Patient ID too long");
    return false;
  }
  // The record holds the year in 16 bits; a year outside 0 to 9999 would reach Morlund as a
  // different one, so it is refused like any other invalid date.
  if (!IsValidDate(year, month, day)) {
    SetError(kErrorParameter, "Patient birthdate not valid");
    return false;
  }
  patient_.last_name = last_name;
  patient_.first_name = first_name;
  patient_.birth_year = year;
  patient_.birth_month = month;
  patient_.birth_day = day;
  if (!patient_id.empty()) patient_.patient_id = patient_id;
  return true;
}

bool CMorlundLink::SetDoctor(std::string_view doctor) {
  if (doctor.size() > kMaxDoctor) {
    SetError(kErrorSizeTooLong, "Doc too long");
    return false;
  }
  doctor_ = doctor;
  return true;
}

bool CMorlundLink::SetTakeType(std::string_view type_code, std::string_view region) {
  if (std::find(kTypeCodes.begin(), kTypeCodes.end(), type_code) == kTypeCodes.end()) {
    SetError(kErrorParameter, "SetTakeType(): Unknown type");
    return false;
  }
  if (region.empty() || region == kNoRegion) {
    take_type_ = std::string(kNoRegion) + std::string(type_code);
    return true;
  }
  if (NamesTooth(type_code)) {
    // The region is stored as passed, so it must be the two digits the records have room for:
    // a longer form of a valid number ("011", " 11") would push the type code out of the take
    // type's four characters.
    if (!IsToothNumber(ParseLeadingInt(region)) || region.size() != kRegionLength) {
      SetError(kErrorParameter, "SetTakeType(): Wrong tooth #, maybe US tooth scheme");
      return false;
    }
  } else if (region.size() != kRegionLength) {
    SetError(kErrorParameter, "SetTakeType(): Invalid program number");
    return false;
  }
  take_type_ = std::string(region) + std::string(type_code);
  return true;
}

std::string CMorlundLink::GetRegio() const { return take_type_.substr(0, 2); }

std::string CMorlundLink::GetImageType() const {
  return take_type_.size() > 2 ? take_type_.substr(2, 2) : std::string();
}

}  // namespace radlyn
