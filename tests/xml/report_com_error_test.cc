#include "xml/report_com_error.h"

#include <gtest/gtest.h>

#include "xml/recording_debug_output.h"

namespace radlyn {
namespace {

TEST(ReportComErrorTest, WritesFivePiecesWithTheMeaningWithoutLineEnd) {
  testing::RecordingDebugOutput debug;
  ReportComError(platform::XmlError(1207, "Invalid expression\n", "libxml2", "Invalid expression"));
  EXPECT_EQ(debug.text(),
            "Warning: COM Error caught\n"
            "\a\tCode = 0x000004b7\n"
            "\a\tCode meaning = Invalid expression"
            "\a\tSource = libxml2\n"
            "\a\tDescription = Invalid expression\n");
}

TEST(ReportComErrorTest, MeaningFallsBackToSystemTextsAndGenericForms) {
  struct Case {
    std::uint32_t code;
    const char* meaning;
  };
  const Case kCases[] = {
      {0x80020005, "Type mismatch."},           {0x8002000A, "Out of present range."},
      {0x80004005, "Unspecified error"},        {0x80040201, "IDispatch error #1"},
      {0x8004FFFF, "IDispatch error #65023"},   {0x80040200, "Unknown error 0x80040200"},
      {0x80050201, "Unknown error 0x80050201"}, {0x1234abcd, "Unknown error 0x1234ABCD"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.meaning);
    EXPECT_EQ(ComErrorMeaning(platform::XmlError(c.code, "")), c.meaning);
  }
}

}  // namespace
}  // namespace radlyn
