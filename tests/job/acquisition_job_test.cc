#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "job/error_table.h"
#include "job/job_fixture.h"
#include "support/disk_space.h"

namespace radlyn {
namespace {

using ::testing::ElementsAre;

class AcquisitionJobTest : public testing::JobFixture {
 protected:
  AcquisitionJobTest() {
    frame_.SetParentWindow(0x1A2B);
    frame_.WriteErrorReport(0, "");  // as client initialisation leaves the result file
  }

  std::string Images() const { return scratch_.Sub("images/"); }

  // A complete job; `extra` lines open the [Config] section, so they win over the defaults here.
  void WriteStandardJob(const std::string& birthdate = "19700305", const std::string& extra = "") {
    WriteJob(
        "[Info]\r\nType=XI\r\nRegio=36\r\nDoc=Dr. Berger\r\n"
        "[Patient]\r\nFirstName=Anna\r\nLastName=Miller\r\nID=4711\r\nBirthdate=" +
        birthdate + "\r\n[Config]\r\n" + extra + "ImageDataPath=" + scratch_.Sub("images") +
        "\r\n");
  }
};

TEST_F(AcquisitionJobTest, ASuccessfulJobWritesTheImagePathAndWhatTheLinkHolds) {
  WriteStandardJob("19700305", "FileFormat=BMP\r\nfAssure8Bit=0\r\n");
  EXPECT_EQ(frame_.RunAcquisitionJob(), 0);

  const std::string image = Images() + "20261207_101500.bmp";
  EXPECT_THAT(link_.calls,
              ElementsAre("SetTakeType XI,36", "SetDoctor Dr. Berger",
                          "SetPatient Miller,Anna,1970,3,5,4711", "SetBitDepth 16", "SetBitDepth 8",
                          "Acquire 6699", "DoAutoPostProcessing", "SaveAs " + image));
  EXPECT_THAT(
      ResultKeys(),
      ElementsAre("Info/ErrorNr=0", "Info/ErrorMsg=No error", "Info/Doc=Dr. Berger",
                  "Info/Regio=36", "Info/Type=XI", "Info/XRayTime=120", "Info/TubeCurrent=7",
                  "Config/fAutoPostProcessed=1", "Config/ImageDataPathFile=" + image,
                  "Patient/FirstName=Anna", "Patient/LastName=Miller", "Patient/ID=4711",
                  "Patient/Birthdate=19700305"));
  EXPECT_THAT(LogEntries(),
              ElementsAre("[Info] RADLYN - New X-ray image", "[Info] RADLYN - End X-ray image"));
  EXPECT_TRUE(std::filesystem::is_directory(Images()));
  EXPECT_FALSE(std::filesystem::exists(Images() + "4176AF36-32EF-428f-8116-46E5D63BBF61.txt"));
  EXPECT_THAT(files_.free_space_roots, ElementsAre(GetVolumeRoot(Images()).value()));
}

TEST_F(AcquisitionJobTest, DefaultsUseTheDataFolderTifAnd8BitsWithAutoPostProcessing) {
  WriteJob(
      "[Info]\r\nType=XI\r\n[Patient]\r\nBirthdate=20000229\r\n"
      "[Config]\r\nFileFormat=jpg\r\nfDoAutoPostProc=0\r\n");
  EXPECT_EQ(frame_.RunAcquisitionJob(), 0);
  EXPECT_EQ(link_.calls.at(3), "SetBitDepth 8");
  EXPECT_EQ(link_.calls.at(4), "Acquire 6699");
  EXPECT_EQ(link_.calls.at(5), "SaveAs " + DataFolder() + "20261207_101500.tif");
}

TEST_F(AcquisitionJobTest, EachFailingStepEndsTheJobWithItsNumberAndText) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::int32_t number;
    std::string debug_text;  // after "Exception occured during acquisition: "
    std::string set_error;   // the SetError call expected, if any
  };
  const std::string images = Images();
  const Case cases[] = {
      {"take type", [this] { link_.take_type_result = false; }, 2, "SetImageType()", "SetError 2"},
      {"doctor", [this] { link_.doctor_result = false; }, 2, "Couldn't set doctor", "SetError 2"},
      {"short birth date", [this] { WriteStandardJob("1970035"); }, 99,
       "Invalid datetime format for patient birthdate", ""},
      {"no such date", [this] { WriteStandardJob("19000229"); }, 99,
       "Invalid datetime format for patient birthdate", ""},
      {"year below 100", [this] { WriteStandardJob("00500101"); }, 2, "Couldn't set patient",
       "SetError 2"},
      {"free space", [this] { files_.free_bytes = 10'239'999; }, 13,
       "Not enough disk space available or could not detect available space.", "SetError 13"},
      {"free space unknown", [this] { files_.free_bytes = std::nullopt; }, 13,
       "Not enough disk space available or could not detect available space.", "SetError 13"},
      {"image left over", [this] { WriteFile(Images() + "old.TIF", "x"); }, 20,
       "Image files in output folder '" + images +
           "' detected. Please ensure an empty output folder.",
       "SetError 20"},
      {"folder is a file", [this] { WriteFile(scratch_.Sub("images"), "x"); }, 7,
       "Couldn't create specified directory: '" + images + "'", "SetError 7"},
      {"empty output folder", [this] { WriteStandardJob("19700305", "ImageDataPath=\r\n"); }, 7,
       "Couldn't create specified directory: ''", "SetError 7"},
      {"probe not created", [this] { files_.fail_create_empty_file = true; }, 7,
       "Error during testing file access in the specified directory: '" + images + "'",
       "SetError 7"},
      {"probe not deleted", [this] { files_.fail_delete_file = true; }, 8,
       "Couldn't delete test file: '" + images +
           "4176AF36-32EF-428f-8116-46E5D63BBF61.txt'. Please remove this file manually.",
       "SetError 8"},
      {"exposure", [this] { link_.acquire_error = 1; }, 1, "Acquire()", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::error_code ignored;
    std::filesystem::remove_all(scratch_.Sub("images"), ignored);
    std::filesystem::remove(frame_.GetResultFilePath());
    frame_.WriteErrorReport(0, "");
    link_ = testing::FakeHostLink();
    files_.free_bytes = std::uint64_t{1} << 40;
    files_.fail_create_empty_file = files_.fail_delete_file = false;
    WriteStandardJob();
    c.arrange();

    EXPECT_EQ(frame_.RunAcquisitionJob(), c.number);
    // A failed job leaves only the report in the result file.
    EXPECT_THAT(ResultKeys(), ElementsAre("Info/ErrorNr=" + std::to_string(c.number),
                                          "Info/ErrorMsg=" + std::string(GetErrorMessage(c.number)),
                                          "Info/DebugInfo=Exception occured during acquisition: " +
                                              c.debug_text));
    bool set_error_seen = false;
    for (const std::string& call : link_.calls) set_error_seen |= call.starts_with("SetError");
    EXPECT_EQ(set_error_seen, !c.set_error.empty());
    if (!c.set_error.empty()) {
      EXPECT_EQ(link_.calls.back(), c.set_error);
    }
    EXPECT_EQ(LogEntries().back(), "[Info] RADLYN - End X-ray image");
  }
}

TEST_F(AcquisitionJobTest, AnUnwritableImageIsAFileFailureAfterThePostProcessingFlag) {
  WriteStandardJob();
  link_.save_result = false;
  EXPECT_EQ(frame_.RunAcquisitionJob(), 31);
  EXPECT_THAT(ResultKeys(),
              ElementsAre("Info/ErrorNr=31", "Info/ErrorMsg=File I/O problems",
                          "Info/DebugInfo=File exception occured during acquisition, file='" +
                              Images() + "20261207_101500.tif'",
                          "Config/fAutoPostProcessed=1"));
}

TEST_F(AcquisitionJobTest, AnythingElseThrownIsAnUnexpectedFailure) {
  WriteStandardJob();
  link_.throw_in_acquire = true;
  link_.acquire_error = 14;
  EXPECT_EQ(frame_.RunAcquisitionJob(), 14);
  EXPECT_EQ(ResultKeys().at(2), "Info/DebugInfo=Unknown exception occured during acquisition");
}

TEST_F(AcquisitionJobTest, DelOutImageRemovesOneLeftOverImageAndTheJobGoesOn) {
  WriteStandardJob();
  WriteSettings("[Config]\r\nDelOutImage=1\r\n");
  WriteFile(Images() + "old.bmp", "x");
  WriteFile(Images() + "old.tif", "x");
  files_.free_bytes = 10'240'000;  // exactly the minimum passes
  EXPECT_EQ(frame_.RunAcquisitionJob(), 0);
  EXPECT_FALSE(std::filesystem::exists(Images() + "old.bmp"));
  EXPECT_TRUE(std::filesystem::exists(Images() + "old.tif"));
}

// A virus scanner or a viewer holding a file in the output folder for a moment is waited for; an
// old image held through the bound stays, and the job goes on as after any failed delete.
TEST_F(AcquisitionJobTest, FilesHeldInTheOutputFolderAreWaitedForWithinTheBound) {
  WriteStandardJob();
  WriteSettings("[Config]\r\nDelOutImage=1\r\n");
  const std::string probe = Images() + "4176AF36-32EF-428f-8116-46E5D63BBF61.txt";
  for (int hold : {2, -1}) {
    SCOPED_TRACE(hold);
    WriteFile(Images() + "old.bmp", "x");
    files_.held = {{Images() + "old.bmp", hold}, {probe, 1}};
    clock_.waits.clear();
    EXPECT_EQ(frame_.RunAcquisitionJob(), 0);
    EXPECT_EQ(std::filesystem::exists(Images() + "old.bmp"), hold < 0);
    EXPECT_FALSE(std::filesystem::exists(probe));
    // The image's waits, then the probe's create (held once) and delete (free again).
    EXPECT_EQ(clock_.waits.size(), hold < 0 ? 11u : 3u);
    EXPECT_EQ(clock_.waits.back(), 100u);
  }
}

TEST_F(AcquisitionJobTest, AnOutputFolderTooLongAfterExpansionWritesNothing) {
  WriteStandardJob("19700305", "ImageDataPath=" + scratch_.Sub(std::string(250, 'x')) + "\r\n");
  EXPECT_EQ(frame_.RunAcquisitionJob(), 36);
  EXPECT_EQ(link_.calls.back(), "SetError 36");
  EXPECT_TRUE(files_.free_space_roots.empty());
  EXPECT_THAT(ResultKeys().at(2),
              ::testing::StartsWith("Info/DebugInfo=Exception occured during acquisition: "
                                    "Output folder path too long after expansion"));
}

}  // namespace
}  // namespace radlyn
