// SaveAs: the image record handed to the file module, and its answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_host.h"
#include "hostlink/modules/record_layout.h"
#include "hostlink/morlund_link.h"
#include "platform/global_memory.h"

namespace radlyn {
namespace {

using testing::FakeHost;
namespace image = records::image;
namespace take = records::take;

class SaveAsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(link.Initialize("Client"));
    ASSERT_TRUE(link.SetPatient("Miller", "Anna", 1970, 3, 5, "4711"));
    ASSERT_TRUE(link.SetDoctor("Dr. Brownlow1"));
    modules.calls.clear();
    modules.texts.clear();
  }
  std::string ImageText(records::Field f) const {
    return std::string(records::ReadText(modules.image_record_seen.data(), f));
  }

  FakeHost host;
  CMorlundLink link;
  testing::ModuleBehaviour& modules = FakeHost::Modules();
};

TEST_F(SaveAsTest, EmptyNameIsRefusedBeforeTheFileModule) {
  EXPECT_FALSE(link.SaveAs(""));
  EXPECT_EQ(link.GetLastErrorNumber(), 2u);
  EXPECT_EQ(link.GetLastErrorText(), "SaveAs(): Invalid filename");
  EXPECT_TRUE(modules.calls.empty());
}

TEST_F(SaveAsTest, WithoutATakeOnlyThePatientPartIsFilled) {
  ASSERT_TRUE(link.SaveAs("/out/20240101_120000.tif"));
  EXPECT_EQ(modules.calls, std::vector<std::string>{"FIO_CreateImageFile(0,1,0,0)"});
  EXPECT_EQ(modules.texts, std::vector<std::string>{"/out/20240101_120000.tif"});
  EXPECT_EQ(ImageText(image::kPatientName), "Miller@Anna@1970:03:05");
  EXPECT_EQ(ImageText(image::kDoctor), "Dr. Brownlow");
  EXPECT_EQ(ImageText(image::kPatientId), "4711");
  const std::vector<std::uint8_t> zeros(image::kSize - 258, 0);
  EXPECT_TRUE(std::equal(zeros.begin(), zeros.end(), modules.image_record_seen.begin() + 258));
}

TEST_F(SaveAsTest, FileModuleAnswerDecides) {
  const std::pair<MorlundStatus, bool> cases[] = {{0, true}, {3, false}, {0x10000, true}};
  for (const auto& [status, saved] : cases) {
    link.SetError(0, "");
    modules.create_image_file = status;
    EXPECT_EQ(link.SaveAs("x.bmp"), saved) << status;
    EXPECT_EQ(link.GetLastErrorNumber(), saved ? 0u : 7u);
    EXPECT_EQ(link.GetLastErrorText(), saved ? "" : "SaveAs(): Couldn't create image file");
  }
}

TEST_F(SaveAsTest, HeldTakeIsWrittenAndItsExtensionTextStaysInOemText) {
  modules.fill_take = [](std::uint8_t* t) {
    records::WriteText(t, take::kExposureParameters, "TXRay,80");
    const GmHandle extension = GmAlloc(8);
    std::memcpy(GmLock(extension), "\xE4x\0y\0", 5);
    GmUnlock(extension);
    records::WriteU32(t, take::kExtensionHandle, extension);
  };
  ASSERT_TRUE(link.Acquire(testing::kParentWindow));
  auto* t = static_cast<std::uint8_t*>(GmLock(link.GetTakeHandle()));
  const GmHandle extension = records::ReadU32(t, take::kExtensionHandle);
  GmUnlock(link.GetTakeHandle());

  ASSERT_TRUE(link.SaveAs("/out/a.tif"));
  EXPECT_EQ(ImageText(image::kExposureParameters), "TXRay,80");
  EXPECT_EQ(ImageText(image::kTakeType), "  XI");
  EXPECT_EQ(ImageText(image::kLeadText), "}");
  EXPECT_EQ(records::ReadU32(modules.image_record_seen.data(), image::kExtensionHandle), extension);
  EXPECT_EQ(std::string(static_cast<const char*>(GmLock(extension)), 4),
            std::string("\x84x\0y", 4));
  GmUnlock(extension);
  GmFree(extension);  // the module's block, not the link's
}

TEST(SaveAsWithoutModulesTest, FailsWithoutCallingAnything) {
  FakeHost host;
  CMorlundLink link;
  EXPECT_FALSE(link.SaveAs("/out/a.tif"));
  EXPECT_EQ(link.GetLastErrorNumber(), 7u);
  EXPECT_TRUE(FakeHost::Modules().calls.empty());
}

}  // namespace
}  // namespace radlyn
