#include "support/folder_copy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/platform_fakes.h"

namespace radlyn {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string Read(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(CopyFolderContentsTest, CopiesFilesAndSubFoldersIntoANewDestinationOverwriting) {
  testing::ScratchFolder root;
  Write(root.Sub("source/simu.tif"), "image");
  Write(root.Sub("source/TEMP/work.dat"), "work");
  Write(root.Sub("destination/deeper/simu.tif"), "old");

  EXPECT_TRUE(CopyFolderContents(root.Sub("source/"), root.Sub("destination/deeper/")));
  EXPECT_EQ(Read(root.Sub("destination/deeper/simu.tif")), "image");
  EXPECT_EQ(Read(root.Sub("destination/deeper/TEMP/work.dat")), "work");

  EXPECT_TRUE(CopyFolderContents(root.Sub("source/"), root.Sub("fresh/new/")));
  EXPECT_EQ(Read(root.Sub("fresh/new/TEMP/work.dat")), "work");
  EXPECT_EQ(Read(root.Sub("source/simu.tif")), "image");
}

TEST(CopyFolderContentsTest, RefusesMissingTextsAndFolders) {
  testing::ScratchFolder root;
  EXPECT_FALSE(CopyFolderContents("", root.path()));
  EXPECT_FALSE(CopyFolderContents(root.path(), ""));
  EXPECT_FALSE(CopyFolderContents(root.Sub("missing/"), root.Sub("destination/")));
}

}  // namespace
}  // namespace radlyn
