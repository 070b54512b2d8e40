#include "platform/posix/ui_headless.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace radlyn::platform {
namespace {

// The text written to a temporary stream.
std::string Contents(std::FILE* stream) {
  std::fflush(stream);
  std::rewind(stream);
  std::string text;
  for (int c; (c = std::fgetc(stream)) != EOF;) text.push_back(static_cast<char>(c));
  return text;
}

class HeadlessUserInterfaceTest : public ::testing::Test {
 protected:
  void TearDown() override {
    std::fclose(out_);
    std::fclose(err_);
  }
  std::FILE* out_ = std::tmpfile();
  std::FILE* err_ = std::tmpfile();
  HeadlessUserInterface ui_{out_, err_};
};

TEST_F(HeadlessUserInterfaceTest, ModalDialogPrintsTitleAndStaticTextsRowByRow) {
  DialogTemplate about;
  about.title = "About RADLYN";
  about.controls = {
      {1, ControlKind::kDefaultButton, "OK", 120, 5, 50, 14},
      {-1, ControlKind::kStaticText, "\xA9 Tavora", 40, 40, 100, 8},
      {1001, ControlKind::kStaticText, "placeholder", 80, 25, 60, 8},
      {-1, ControlKind::kStaticText, "Version:", 40, 25, 30, 8},
      {-1, ControlKind::kGreyRectangle, "", 0, 0, 200, 60},
      {-1, ControlKind::kStaticText, "RADLYN", 40, 10, 60, 8},
      {1002, ControlKind::kStaticText, "", 40, 50, 60, 8},
  };
  ui_.RunModalDialog(about, {{1001, "1.0.0.1"}}, 128);
  EXPECT_EQ(Contents(out_), "About RADLYN\nRADLYN\nVersion: 1.0.0.1\n\xC2\xA9 Tavora\n");
  EXPECT_EQ(Contents(err_), "");
}

TEST_F(HeadlessUserInterfaceTest, MessageBoxesGoToStandardErrorWithTheirCaption) {
  ui_.ShowErrorMessage("MoFileDB.dll not found", "");
  ui_.ShowErrorMessage("OLE initialization failed.", "radlyn");
  ui_.ShowErrorMessage("Error: The detected version of MORLUND is too old.", "");
  EXPECT_EQ(Contents(err_),
            "Error: MoFileDB.dll not found\nradlyn: OLE initialization failed.\n"
            "Error: The detected version of MORLUND is too old.\n");
}

TEST_F(HeadlessUserInterfaceTest, VirtualWindowsLiveUntilDestroyed) {
  std::optional<WindowHandle> first = ui_.CreateModelessDialog({});
  std::optional<WindowHandle> second = ui_.CreateModelessDialog({});
  ASSERT_TRUE(first && second);
  EXPECT_NE(*first, *second);
  EXPECT_TRUE(ui_.IsWindow(*first));
  EXPECT_FALSE(ui_.IsWindow(0));
  EXPECT_FALSE(ui_.IsWindow(0x1A2B));  // a client's handle means nothing without a display
  ui_.DestroyWindow(*first);
  EXPECT_FALSE(ui_.IsWindow(*first));
  EXPECT_TRUE(ui_.IsWindow(*second));
}

}  // namespace
}  // namespace radlyn::platform
