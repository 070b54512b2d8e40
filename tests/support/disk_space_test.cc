#include "support/disk_space.h"

#include <gtest/gtest.h>

#include "platform/service.h"
#include "support/platform_fakes.h"

namespace radlyn {
namespace {

// Records the root asked for and answers a set count (or a failed query).
class MeasuringFileSystem : public testing::ForwardingFileSystem {
 public:
  std::optional<std::uint64_t> FreeBytesAvailable(std::string_view root) override {
    roots.emplace_back(root);
    return answer;
  }
  std::vector<std::string> roots;
  std::optional<std::uint64_t> answer = 123;
};

TEST(GetFreeDiskSpaceTest, MeasuresTheVolumeRootOfThePath) {
  struct Case {
    std::optional<std::string_view> path;
    std::string root;
  };
  const std::string long_share = "\\\\" + std::string(300, 's');
  const Case cases[] = {
      {"\\\\server\\share\\images\\", "\\\\server\\share\\"},
      {"\\\\server\\share", "\\\\server\\share"},
      {"\\\\server\\share\\", "\\\\server\\share\\"},
      {"\\single", "\\single"},
      {long_share, long_share.substr(0, 254)},
      {"D:\\Images\\", "D:\\"},
      {"d:", "d:\\"},
      {"/srv/xray/images/", "/srv/xray/images/"},
      {"relative/images/", "relative/images/"},
      {"", ""},
      {std::nullopt, ""},
  };
  for (const Case& c : cases) {
    MeasuringFileSystem files;
    platform::ScopedService<platform::FileSystem> scoped(files);
    std::uint64_t free_bytes = 0;
    EXPECT_TRUE(GetFreeDiskSpace(c.path, &free_bytes));
    EXPECT_EQ(free_bytes, 123u);
    ASSERT_EQ(files.roots.size(), 1u);
    EXPECT_EQ(files.roots[0], c.root) << "path " << c.path.value_or("(none)");
  }
}

TEST(GetFreeDiskSpaceTest, FailsWithoutPlaceForTheCountOrWhenTheQueryFails) {
  MeasuringFileSystem files;
  platform::ScopedService<platform::FileSystem> scoped(files);
  EXPECT_FALSE(GetFreeDiskSpace("/tmp/", nullptr));
  EXPECT_TRUE(files.roots.empty());

  files.answer = std::nullopt;
  std::uint64_t free_bytes = 7;
  EXPECT_FALSE(GetFreeDiskSpace("/tmp/", &free_bytes));
  EXPECT_EQ(free_bytes, 7u);
}

TEST(GetFreeDiskSpaceTest, MeasuresARealFolderThatDoesNotExistYet) {
  testing::ScratchFolder folder;
  std::uint64_t free_bytes = 0;
  EXPECT_TRUE(GetFreeDiskSpace(folder.Sub("not/yet/created/"), &free_bytes));
  EXPECT_GT(free_bytes, 0u);
}

}  // namespace
}  // namespace radlyn
