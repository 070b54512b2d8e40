// CMorlundLink: the one object through which radlyn reaches Morlund.
//
// It finds the Morlund installation, loads and version-tests Morlund's five modules, holds the
// job's patient, doctor and take type, takes the exposure, keeps the take of the last successful
// exposure (until Uninitialize), the exposure values, the auto-post document and the
// post-processed flag, and records the last error of any of its operations (SetError).
// Operations answer a success flag and never throw, except where an automation error is let
// through to the job driver on purpose (Acquire, before the exposure). An XML error while the
// auto-post document is built, after the exposure, only leaves the INI element out, so that the
// image is kept. One object per process: GetMorlundLink().
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "hostlink/module_table.h"
#include "platform/global_memory.h"
#include "platform/ui.h"

namespace radlyn {

struct PatientData {
  std::string last_name = "Unknown";
  std::string first_name = "Unknown";
  std::int32_t birth_year = 1880;
  std::int32_t birth_month = 1;
  std::int32_t birth_day = 1;
  std::string patient_id;
};

class CMorlundLink {
 public:
  CMorlundLink() = default;
  ~CMorlundLink();
  CMorlundLink(const CMorlundLink&) = delete;
  CMorlundLink& operator=(const CMorlundLink&) = delete;

  // Module loading and lifetime (morlund_link.cc, module_loading.cc).
  bool Initialize(std::string_view client_name);
  bool Uninitialize();
  bool LoadMorlundLink();
  void UnloadMorlundLink();
  void SetError(std::uint32_t number, std::string_view text = {});
  bool SetBitDepth(std::uint8_t depth);

  // Patient, doctor and take type (patient_data.cc).
  bool SetPatient(std::string_view last_name, std::string_view first_name, std::int32_t year,
                  std::int32_t month, std::int32_t day, std::string_view patient_id);
  const PatientData& GetPatient() const { return patient_; }
  bool SetDoctor(std::string_view doctor);
  const std::string& GetDoctor() const { return doctor_; }
  bool SetTakeType(std::string_view type_code, std::string_view region);
  const std::string& GetTakeType() const { return take_type_; }
  std::string GetRegio() const;
  std::string GetImageType() const;

  // The exposure (acquire.cc) and the image file (save_as.cc).
  bool Acquire(platform::WindowHandle parent_window);
  bool SaveAs(std::string_view file_name);

  // Auto-post-processing (auto_post.cc).
  bool DoAutoPostProcessing();

  // Read access.
  bool IsInitialized() const { return initialized_; }
  const std::string& GetClientName() const { return client_name_; }
  std::uint32_t GetLastErrorNumber() const { return last_error_number_; }
  const std::string& GetLastErrorText() const { return last_error_text_; }
  const std::string& GetProductName() const { return product_name_; }
  const std::string& GetHostVersion() const { return host_version_; }
  std::uint8_t GetBitDepth() const { return bit_depth_; }
  const ModuleTable& GetModules() const { return modules_; }
  GmHandle GetTakeHandle() const { return take_handle_; }
  std::int32_t GetExposureTime() const { return exposure_time_; }
  std::int32_t GetTubeVoltage() const { return tube_voltage_; }
  std::int32_t GetTubeCurrent() const { return tube_current_; }
  std::int32_t GetPostProcessedFlag() const { return post_processed_; }
  const std::string& GetAutoPostDocument() const { return auto_post_document_; }

 private:
  friend class CMorlundLinkTestAccess;

  // Auto-post-processing (auto_post.cc): builds the document from the locked take record.
  void BuildAutoPostDocument(const std::uint8_t* take_record);
  int ApplyFilterClass(std::int32_t filter_class, void* wwe_block);

  // Orbel processing (orbel.cc) and simulation (simulation.cc).
  struct OrbelChoice {
    std::string program_path;  // empty: no Orbel processing for this take
    std::string data_folder;
  };
  OrbelChoice FindOrbelProgram(const std::string& take_type);
  bool ProcessWithOrbel(std::string& program_path, const std::string& orbel_data_folder,
                        std::uint8_t* take_record, GmHandle patient_block);
  std::uint16_t LoadSimulationImage(GmHandle take_block, const std::string& orbel_data_folder);
  // Runs the Orbel program with one argument text and a time limit in milliseconds: 0 when the
  // run succeeded, 18 otherwise (orbel.cc).
  static std::uint32_t RunOrbel(const std::string& program_path, std::string_view arguments,
                                std::uint32_t time_limit_ms);

  bool initialized_ = false;
  std::string client_name_;
  std::uint32_t last_error_number_ = 0;
  std::string last_error_text_;
  std::string product_name_;
  std::string host_version_;
  std::uint8_t bit_depth_ = 8;
  ModuleTable modules_;
  PatientData patient_;
  std::string doctor_;
  std::string take_type_ = "  XI";
  std::string auto_post_document_;
  std::int32_t exposure_time_ = -1;
  std::int32_t tube_voltage_ = -1;
  std::int32_t tube_current_ = -1;
  GmHandle take_handle_ = 0;
  std::int32_t post_processed_ = 0;
};

// The single host-link object of the process.
CMorlundLink& GetMorlundLink();

}  // namespace radlyn
