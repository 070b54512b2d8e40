// Exposure time, tube voltage and tube current read from the exposure-parameter text.
#include "hostlink/exposure_values.h"

#include <gtest/gtest.h>

#include <string>

namespace radlyn {
namespace {

TEST(ExposureValuesTest, KeywordsAndTheNumbersBehindThem) {
  struct Case {
    std::string text;
    std::int32_t time, voltage, current;
  };
  const Case cases[] = {
      {"TXRay,120,kV,60,mA,7", 120, 60, 7},
      {"", -1, -1, -1},
      {"TXRay,120,mA,7", 120, -1, 7},
      {"TXRay 120", -1, -1, -1},                 // no comma behind TXRay
      {"TXRay=120,kV=65", 0, 65, -1},            // the first comma after TXRay
      {"kV,60,TXRay,-35,mA, +8", -35, 60, 8},    // order free, signs and blanks allowed
      {"txray,1,KV,2,ma,3", -1, -1, -1},         // case counts
      {"TXRay,abc,kV,,mA,9x", 0, 0, 9},          // no digits give 0
      {"TXRay,1,kV,2,kV,3,mA,4,mA,5", 1, 2, 4},  // first occurrence
      {"kV60mA7", -1, 0, 0},                     // one character skipped, even a digit
      {"TXRay,99999999999,kV,60", 2147483647, 60, -1},
      {"TXRay,", 0, -1, -1},
      {"TXRay,5,kV", 5, 0, -1},  // keyword at the end: nothing behind it
      {"TXRay,5,mA,", 5, -1, 0},
  };
  for (const Case& c : cases) {
    const ExposureValues v = ExtractExposureValues(c.text);
    EXPECT_EQ(v.exposure_time, c.time) << c.text;
    EXPECT_EQ(v.tube_voltage, c.voltage) << c.text;
    EXPECT_EQ(v.tube_current, c.current) << c.text;
  }
}

}  // namespace
}  // namespace radlyn
