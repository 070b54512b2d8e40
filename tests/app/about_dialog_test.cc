#include "app/about_dialog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/paths.h"
#include "platform/service.h"
#include "resources/dialog_templates.h"
#include "support/platform_fakes.h"

namespace radlyn {
namespace {

class ProgramAt : public testing::ForwardingFileSystem {
 public:
  explicit ProgramAt(std::string path) : path_(std::move(path)) {}
  std::string ProgramFilePath() override { return path_; }

 private:
  std::string path_;
};

std::string ShownVersion(const std::string& program) {
  ProgramAt files(program);
  platform::ScopedService<platform::FileSystem> scoped_files(files);
  testing::RecordingUserInterface ui;
  platform::ScopedService<platform::UserInterface> scoped_ui(ui);
  CAboutDialog dialog;
  dialog.DoModal();
  EXPECT_EQ(ui.modal_dialogs.size(), 1u);
  if (ui.modal_dialogs.empty()) return {};
  EXPECT_EQ(ui.modal_dialogs[0].dialog_id, kAboutDialogId);
  EXPECT_EQ(ui.modal_dialogs[0].icon_id, kProgramIconId);
  return ui.modal_dialogs[0].texts.at(kVersionTextControlId);
}

TEST(AboutDialogTest, ShowsThreePartsOfTheProgramFilesVersion) {
  const char* build = std::getenv("RADLYN_BUILD_DIR");
  ASSERT_NE(build, nullptr) << "run through ctest, which sets RADLYN_BUILD_DIR";
  const std::string program = std::string(build) + "/bin/radlyn" + platform::kProgramFileSuffix;
  ASSERT_TRUE(std::filesystem::exists(program)) << "build the radlyn target first: " << program;
  EXPECT_EQ(ShownVersion(program), "1.0.0");
}

TEST(AboutDialogTest, AProgramFileWithoutVersionShowsZeros) {
  testing::ScratchFolder folder;
  std::filesystem::path plain = folder.Sub("plain");
  { std::ofstream(plain) << "no version here"; }
  EXPECT_EQ(ShownVersion(plain.string()), "0.0.0");
  EXPECT_EQ(ShownVersion(folder.Sub("missing")), "0.0.0");
}

}  // namespace
}  // namespace radlyn
