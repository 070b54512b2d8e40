#include "job/error_table.h"

#include <gtest/gtest.h>

namespace radlyn {
namespace {

TEST(GetErrorMessageTest, LooksNumbersUpInTheFortyEntryTable) {
  const std::pair<std::int32_t, std::string_view> cases[] = {
      {0, "No error"},
      {2, "Parameter error"},
      {13, "Not enough disk space"},
      {16, "(Network) Access denied"},
      {31, "File I/O problems"},
      {36, "String/array/etc. size too long/short"},
      {39, "Requested TEBRO_API version no. not supported"},
      {40, "Unspecified error"},
      {99, "Unspecified error"},
      {-1, "Unspecified error"},
      {INT32_MIN, "Unspecified error"},
  };
  for (const auto& [number, message] : cases) EXPECT_EQ(GetErrorMessage(number), message) << number;
}

}  // namespace
}  // namespace radlyn
