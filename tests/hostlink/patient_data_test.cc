// Patient, doctor and take type: what is accepted, what is refused with which error, and that a
// refusal keeps the values stored before.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_host.h"
#include "hostlink/morlund_link.h"

namespace radlyn {
namespace {

using testing::FakeHost;

struct TakeTypeCase {
  const char* type;
  std::string region;
  const char* stored;  // nullptr: refused
  const char* error_text;
};

TEST(SetTakeTypeTest, AcceptsTheKnownTypesWithTheirRegions) {
  const std::string tooth = "SetTakeType(): Wrong tooth #, maybe US tooth scheme";
  const std::string program = "SetTakeType(): Invalid program number";
  const std::string unknown = "SetTakeType(): Unknown type";
  const std::vector<TakeTypeCase> cases = {
      {"XI", "11", "11XI", ""},
      {"XI", "18", "18XI", ""},
      {"XS", "48", "48XS", ""},
      {"XI", "51", "51XI", ""},
      {"XI", "85", "85XI", ""},
      {"XI", "10", nullptr, tooth.c_str()},
      {"XI", "19", nullptr, tooth.c_str()},
      {"XI", "49", nullptr, tooth.c_str()},
      {"XI", "56", nullptr, tooth.c_str()},
      {"XI", "86", nullptr, tooth.c_str()},
      {"XS", "ab", nullptr, tooth.c_str()},
      // A valid number in a longer form would not fit the records' four characters.
      {"XI", "011", nullptr, tooth.c_str()},
      {"XI", " 11", nullptr, tooth.c_str()},
      {"XI", "11a", nullptr, tooth.c_str()},
      {"XS", "", "  XS", ""},
      {"XS", "  ", "  XS", ""},
      {"XP", "  ", "  XP", ""},
      {"XP", "01", "01XP", ""},
      {"XC", "ab", "abXC", ""},
      {"XP", "1", nullptr, program.c_str()},
      {"XC", "001", nullptr, program.c_str()},
      {"XP", " ", nullptr, program.c_str()},
      {"xi", "11", nullptr, unknown.c_str()},
      {"VI", "11", nullptr, unknown.c_str()},
      {"VC", "01", nullptr, unknown.c_str()},
      {"", "", nullptr, unknown.c_str()},
      {"XIX", "11", nullptr, unknown.c_str()},
  };
  for (const TakeTypeCase& c : cases) {
    FakeHost host;
    CMorlundLink link;
    ASSERT_TRUE(link.SetTakeType("XC", "77"));
    const bool accepted = link.SetTakeType(c.type, c.region);
    const std::string label = std::string(c.type) + "/'" + c.region + "'";
    if (c.stored != nullptr) {
      EXPECT_TRUE(accepted) << label;
      EXPECT_EQ(link.GetTakeType(), c.stored) << label;
      EXPECT_EQ(link.GetLastErrorNumber(), 0u) << label;
    } else {
      EXPECT_FALSE(accepted) << label;
      EXPECT_EQ(link.GetTakeType(), "77XC") << label;
      EXPECT_EQ(link.GetLastErrorNumber(), 2u) << label;
      EXPECT_EQ(link.GetLastErrorText(), c.error_text) << label;
    }
  }
}

TEST(SetTakeTypeTest, RegionAndImageTypeAreTheTwoHalves) {
  FakeHost host;
  CMorlundLink link;
  EXPECT_EQ(link.GetTakeType(), "  XI");
  EXPECT_EQ(link.GetRegio(), "  ");
  EXPECT_EQ(link.GetImageType(), "XI");
  ASSERT_TRUE(link.SetTakeType("XS", "23"));
  EXPECT_EQ(link.GetRegio(), "23");
  EXPECT_EQ(link.GetImageType(), "XS");
}

struct PatientCase {
  const char* name;
  std::string last, first;
  int year, month, day;
  std::string id;
  std::uint32_t error_number;  // 0: accepted
  const char* error_text;
};

TEST(SetPatientTest, ChecksLengthsAndBirthDateInOrder) {
  const std::string n32(32, 'n'), n33(33, 'n');
  const std::vector<PatientCase> cases = {
      {"plain", "Miller", "Anna", 1970, 3, 5, "4711", 0, ""},
      {"32-byte names", n32, n32, 1970, 3, 5, std::string(19, '1'), 0, ""},
      {"last name 33", n33, "Anna", 1970, 3, 5, "1", 36, "Patient last name too long"},
      {"first name 33", "Miller", n33, 1970, 3, 5, "1", 36, "Patient first name too long"},
      {"ID 20", "Miller", "Anna", 1970, 3, 5, std::string(20, '1'), 36, "Patient ID too long"},
      {"last name decides first", n33, n33, 0, 0, 0, std::string(20, '1'), 36,
       "Patient last name too long"},
      {"ID before date", "Miller", "Anna", 1970, 13, 5, std::string(20, '1'), 36,
       "Patient ID too long"},
      {"2000-02-29", "M", "A", 2000, 2, 29, "", 0, ""},
      {"2004-02-29", "M", "A", 2004, 2, 29, "", 0, ""},
      {"1900-02-29", "M", "A", 1900, 2, 29, "", 2, "Patient birthdate not valid"},
      {"2013-04-31", "M", "A", 2013, 4, 31, "", 2, "Patient birthdate not valid"},
      {"month 0", "M", "A", 2013, 0, 1, "", 2, "Patient birthdate not valid"},
      {"month 13", "M", "A", 2013, 13, 1, "", 2, "Patient birthdate not valid"},
      {"day 0", "M", "A", 2013, 1, 0, "", 2, "Patient birthdate not valid"},
      {"year 9999", "M", "A", 9999, 12, 31, "", 0, ""},
      {"year 10000", "M", "A", 10000, 1, 1, "", 2, "Patient birthdate not valid"},
      {"year -1", "M", "A", -1, -1, -1, "", 2, "Patient birthdate not valid"},
      // 67536 is 2000 in the record's 16 bits: Morlund would store a different year.
      {"year beyond 16 bits", "M", "A", 67536, 1, 1, "", 2, "Patient birthdate not valid"},
  };
  for (const PatientCase& c : cases) {
    FakeHost host;
    CMorlundLink link;
    const bool accepted = link.SetPatient(c.last, c.first, c.year, c.month, c.day, c.id);
    EXPECT_EQ(accepted, c.error_number == 0) << c.name;
    EXPECT_EQ(link.GetLastErrorNumber(), c.error_number) << c.name;
    EXPECT_EQ(link.GetLastErrorText(), c.error_text) << c.name;
    const PatientData& p = link.GetPatient();
    if (accepted) {
      EXPECT_EQ(p.last_name, c.last) << c.name;
      EXPECT_EQ(p.birth_year, c.year) << c.name;
      EXPECT_EQ(p.birth_day, c.day) << c.name;
    } else {
      EXPECT_EQ(p.last_name, "Unknown") << c.name;
      EXPECT_EQ(p.first_name, "Unknown") << c.name;
      EXPECT_EQ(p.birth_year, 1880) << c.name;
    }
  }
}

TEST(SetPatientTest, EmptyIdKeepsTheIdStoredBefore) {
  FakeHost host;
  CMorlundLink link;
  ASSERT_TRUE(link.SetPatient("Miller", "Anna", 1970, 3, 5, "4711"));
  ASSERT_TRUE(link.SetPatient("Smith", "Bob", 1980, 1, 2, ""));
  EXPECT_EQ(link.GetPatient().last_name, "Smith");
  EXPECT_EQ(link.GetPatient().patient_id, "4711");
}

TEST(SetDoctorTest, AcceptsUpToThirteenBytes) {
  FakeHost host;
  CMorlundLink link;
  EXPECT_TRUE(link.SetDoctor(""));
  EXPECT_TRUE(link.SetDoctor("Dr. Brownlow1"));
  EXPECT_EQ(link.GetDoctor(), "Dr. Brownlow1");
  EXPECT_FALSE(link.SetDoctor("Dr. Brownlow12"));
  EXPECT_EQ(link.GetLastErrorNumber(), 36u);
  EXPECT_EQ(link.GetLastErrorText(), "Doc too long");
  EXPECT_EQ(link.GetDoctor(), "Dr. Brownlow1");
}

}  // namespace
}  // namespace radlyn
