// The acquisition job driver: one job file in, one image file and one result file out.
//
// The steps run in a fixed order and the first failure ends the job. A failing step raises a
// StepFailure with a short text (after setting the host link's error number where the step has
// one of its own), the image write raises a FileFailure with the file's path, and anything else
// thrown (automation and XML errors included) ends the job as an unexpected failure. Each kind
// becomes one error number and one debug text for the report; every path ends with the report
// and the closing event-log line.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "job/birth_date.h"
#include "job/error_table.h"
#include "job/job_files.h"
#include "job/job_frame.h"
#include "job/output_folder.h"
#include "job/output_naming.h"
#include "platform/code_page.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "resources/string_table.h"
#include "support/disk_space.h"
#include "support/event_log.h"

namespace radlyn {
namespace {

constexpr const char* kProbeFileName = "4176AF36-32EF-428f-8116-46E5D63BBF61.txt";

struct StepFailure {
  std::string text;
};

struct FileFailure {
  std::string path;
};

// Sets the host link's error number, then ends the job with the step's text.
[[noreturn]] void Fail(HostLinkPort& link, std::int32_t number, std::string text) {
  link.SetError(static_cast<std::uint32_t>(number));
  throw StepFailure{std::move(text)};
}

std::string FormatDate(const CalendarDate& date) {
  char text[48];
  std::snprintf(text, sizeof text, "%04d%02d%02d", static_cast<int>(date.year),
                static_cast<int>(date.month), static_cast<int>(date.day));
  return text;
}

}  // namespace

void CJobFrame::SetTakeTypeDoctorAndPatient(const std::string& job_file) {
  HostLinkPort& host = link();
  const std::string take_type = ReadProfileText(kTakeTypeKey, job_file);
  const std::string regio = ReadProfileText(kRegioKey, job_file);
  if (!host.SetTakeType(take_type, regio)) Fail(host, kErrorParameter, "SetImageType()");

  const std::string doctor = ReadProfileText(kDoctorKey, job_file);
  if (!host.SetDoctor(doctor)) Fail(host, kErrorParameter, "Couldn't set doctor");

  const std::string first_name = ReadProfileText(kFirstNameKey, job_file);
  const std::string last_name = ReadProfileText(kLastNameKey, job_file);
  const std::string patient_id = ReadProfileText(kPatientIdKey, job_file);
  const std::optional<CalendarDate> birth_date =
      ParseBirthDate(ReadProfileText(kBirthdateKey, job_file));
  if (!birth_date) throw StepFailure{"Invalid datetime format for patient birthdate"};
  const CalendarDate host_date = ToHostBirthDate(*birth_date);
  if (!host.SetPatient(last_name, first_name, host_date.year, host_date.month, host_date.day,
                       patient_id)) {
    Fail(host, kErrorParameter, "Couldn't set patient");
  }

  host.SetBitDepth(ReadProfileInt(kAssure8BitKey, job_file) != 0 ? 8 : 16);
}

std::string CJobFrame::ExpandOutputFolder(const std::string& job_file) {
  std::string folder_text;
  const std::optional<std::string> expanded =
      ReadOutputFolder(job_file, GetDataFolder(), folder_text);
  if (!expanded) {
    Fail(link(), kErrorSizeTooLong,
         "Output folder path too long after expansion (more than 259 characters): '" + folder_text +
             "'");
  }
  return *expanded;
}

void CJobFrame::CheckFreeSpace(const std::string& folder) {
  if (!HasEnoughFreeSpace(folder)) {
    Fail(link(), kErrorDiskSpace,
         "Not enough disk space available or could not detect available space.");
  }
}

void CJobFrame::EmptyOrCreateOutputFolder(const std::string& folder) {
  platform::FileSystem& files = platform::GetFileSystem();
  // An empty folder text names no folder; it is never taken for the current one.
  if (!folder.empty() && files.FolderExists(folder)) {
    if (const std::optional<std::string> image = FindImageLeftBehind(folder)) {
      if (ReadProfileInt(kDelOutImageKey, GetSettingsFilePath()) == 0) {
        Fail(link(), kErrorSystemConfiguration,
             "Image files in output folder '" + folder +
                 "' detected. Please ensure an empty output folder.");
      }
      // A failed delete is ignored: the new image gets a name of its own.
      platform::RetryTransientFailures(retry_budget_, [&] { return files.DeleteFile(*image); });
    }
  } else if (folder.empty() || !files.CreateFolderTree(folder)) {
    Fail(link(), kErrorFileCreation, "Couldn't create specified directory: '" + folder + "'");
  }
}

void CJobFrame::ProbeOutputFolder(const std::string& folder) {
  platform::FileSystem& files = platform::GetFileSystem();
  const std::string probe = folder + kProbeFileName;
  // A link in the probe's place is never followed: emptying it would empty another file.
  if (files.IsLink(probe) || !platform::RetryTransientFailures(
                                 retry_budget_, [&] { return files.CreateEmptyFile(probe); })) {
    Fail(link(), kErrorFileCreation,
         "Error during testing file access in the specified directory: '" + folder + "'");
  }
  if (!platform::RetryTransientFailures(retry_budget_, [&] { return files.DeleteFile(probe); })) {
    Fail(link(), kErrorFileDeleting,
         "Couldn't delete test file: '" + probe + "'. Please remove this file manually.");
  }
}

std::string CJobFrame::ChooseFileFormat(const std::string& job_file) {
  std::string file_format =
      platform::GetCodePages().LowerAnsi(ReadProfileText(kFileFormatKey, job_file));
  if (file_format == "bmp") {
    link().SetBitDepth(8);
  } else if (file_format != "tif") {
    file_format = "tif";
  }
  return file_format;
}

void CJobFrame::TakeAndProcessExposure(const std::string& job_file) {
  HostLinkPort& host = link();
  if (!host.Acquire(GetParentWindow())) throw StepFailure{"Acquire()"};
  if (ReadProfileInt(kDoAutoPostProcKey, job_file) != 0) host.DoAutoPostProcessing();
  WriteResultInt("Config", "fAutoPostProcessed", host.GetPostProcessedFlag());
}

void CJobFrame::SaveImageAndWriteResult(const std::string& folder, const std::string& file_format) {
  HostLinkPort& host = link();
  const std::string image_path = BuildImageFilePath(folder, file_format);
  if (!host.SaveAs(image_path)) throw FileFailure{image_path};
  WriteResultText("Config", "ImageDataPathFile", image_path);

  WriteResultText("Info", "Doc", host.GetDoctor());
  WriteResultText("Info", "Regio", host.GetRegio());
  WriteResultText("Info", "Type", host.GetImageType());
  const std::pair<const char*, std::int32_t> exposure_values[] = {
      {"XRayTime", host.GetExposureTime()},
      {"TubeVoltage", host.GetTubeVoltage()},
      {"TubeCurrent", host.GetTubeCurrent()},
  };
  for (const auto& [key, value] : exposure_values) {
    if (value != -1) WriteResultInt("Info", key, value);
  }

  const PatientData patient = host.GetPatient();
  WriteResultText("Patient", "FirstName", patient.first_name);
  WriteResultText("Patient", "LastName", patient.last_name);
  WriteResultText("Patient", "ID", patient.patient_id);
  WriteResultText("Patient", "Birthdate",
                  FormatDate({patient.birth_year, patient.birth_month, patient.birth_day}));
}

std::int32_t CJobFrame::RunAcquisitionJob() {
  HostLinkPort& host = link();
  const std::string job_file = GetJobFilePath();

  std::int32_t error_number = kErrorNone;
  std::string debug_text;
  // The host link's own number for a failure that set none itself, else 99.
  auto link_error_or_unspecified = [&host] {
    std::int32_t number = static_cast<std::int32_t>(host.GetLastErrorNumber());
    return number != kErrorNone ? number : kErrorUnspecified;
  };

  try {
    WriteEventLog("Info", LoadResourceString(kIdsJobStart));
    SetTakeTypeDoctorAndPatient(job_file);
    const std::string folder = ExpandOutputFolder(job_file);
    CheckFreeSpace(folder);
    EmptyOrCreateOutputFolder(folder);
    ProbeOutputFolder(folder);
    const std::string file_format = ChooseFileFormat(job_file);
    TakeAndProcessExposure(job_file);
    SaveImageAndWriteResult(folder, file_format);
  } catch (const StepFailure& failure) {
    error_number = link_error_or_unspecified();
    debug_text = "Exception occured during acquisition: " + failure.text;
  } catch (const FileFailure& failure) {
    error_number = kErrorFileIo;
    debug_text = "File exception occured during acquisition, file='" + failure.path + "'";
  } catch (...) {
    error_number = link_error_or_unspecified();
    debug_text = "Unknown exception occured during acquisition";
  }

  WriteErrorReport(error_number, debug_text);
  WriteEventLog("Info", LoadResourceString(kIdsJobEnd));
  return error_number;
}

}  // namespace radlyn
