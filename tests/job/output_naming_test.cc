#include "job/output_naming.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/service.h"
#include "support/platform_fakes.h"

namespace radlyn {
namespace {

class TakenNames : public testing::ForwardingFileSystem {
 public:
  bool Exists(std::string_view path) override {
    asked.emplace_back(path);
    return taken.count(std::string(path)) != 0;
  }
  bool IsLink(std::string_view path) override { return links.count(std::string(path)) != 0; }
  std::set<std::string> taken;
  std::set<std::string> links;  // links that lead nowhere: Exists does not see them
  std::vector<std::string> asked;
};

TEST(BuildImageFilePathTest, CountsUpFromTheBaseNameWithOneTimeStamp) {
  testing::FixedClock clock({2026, 12, 7, 9, 5, 3});
  platform::ScopedService<platform::Clock> scoped_clock(clock);
  TakenNames files;
  platform::ScopedService<platform::FileSystem> scoped_files(files);

  EXPECT_EQ(BuildImageFilePath("C:\\X\\", "tif"), "C:\\X\\20261207_090503.tif");

  files.taken = {"/img/20261207_090503.bmp", "/img/20261207_090503_1.bmp"};
  EXPECT_EQ(BuildImageFilePath("/img/", "bmp"), "/img/20261207_090503_2.bmp");
  EXPECT_EQ(clock.calls, 2);  // once per name, never while counting
  EXPECT_EQ(files.asked.back(), "/img/20261207_090503_2.bmp");

  // A link planted under the next name keeps the image from being written where it points.
  files.links = {"/img/20261207_090503_2.bmp"};
  EXPECT_EQ(BuildImageFilePath("/img/", "bmp"), "/img/20261207_090503_3.bmp");
}

}  // namespace
}  // namespace radlyn
