#include "support/ansi_case.h"

#include <gtest/gtest.h>

namespace radlyn {
namespace {

TEST(ToLowerAnsiTest, LowersTheCapitalsOfTheCodePageOnly) {
  EXPECT_EQ(ToLowerAnsi("DataPath=C:\\X-RAY\\Images"), "datapath=c:\\x-ray\\images");
  // Windows-1252 bytes: A-grave, O-umlaut, thorn, S-caron, OE, Z-caron, Y-umlaut.
  EXPECT_EQ(ToLowerAnsi("\xC0\xD6\xDE\x8A\x8C\x8E\x9F"), "\xE0\xF6\xFE\x9A\x9C\x9E\xFF");
  // The multiplication sign, sharp s, digits and punctuation stay as they are.
  EXPECT_EQ(ToLowerAnsi("\xD7\xDF"
                        "09?_[]@"),
            "\xD7\xDF"
            "09?_[]@");
}

}  // namespace
}  // namespace radlyn
