// A host link for job-frame tests: every call is recorded as a line of text, results are set per
// test, and the held values are what a real link would give back after accepting them.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "job/host_link_port.h"

namespace radlyn::testing {

class FakeHostLink : public HostLinkPort {
 public:
  bool Initialize(std::string_view client_name) override {
    Record("Initialize " + std::string(client_name));
    if (throw_in_initialize) throw std::runtime_error("initialize");
    return initialize_result;
  }
  bool Uninitialize() override {
    Record("Uninitialize");
    if (throw_in_uninitialize) throw std::runtime_error("uninitialize");
    return true;
  }
  void SetError(std::uint32_t number) override {
    Record("SetError " + std::to_string(number));
    last_error = number;
  }
  std::uint32_t GetLastErrorNumber() const override { return last_error; }

  bool SetTakeType(std::string_view type_code, std::string_view region) override {
    Record("SetTakeType " + std::string(type_code) + "," + std::string(region));
    return take_type_result;
  }
  bool SetDoctor(std::string_view doctor) override {
    Record("SetDoctor " + std::string(doctor));
    return doctor_result;
  }
  bool SetPatient(std::string_view last_name, std::string_view first_name, std::int32_t year,
                  std::int32_t month, std::int32_t day, std::string_view patient_id) override {
    Record("SetPatient " + std::string(last_name) + "," + std::string(first_name) + "," +
           std::to_string(year) + "," + std::to_string(month) + "," + std::to_string(day) + "," +
           std::string(patient_id));
    if (!patient_result || year < 100) return false;
    patient = {std::string(last_name), std::string(first_name), year, month, day,
               std::string(patient_id)};
    return true;
  }
  void SetBitDepth(std::uint8_t depth) override { Record("SetBitDepth " + std::to_string(depth)); }

  bool Acquire(platform::WindowHandle parent_window) override {
    Record("Acquire " + std::to_string(parent_window));
    if (during_acquire) during_acquire();
    if (acquire_error != 0) last_error = acquire_error;
    if (throw_in_acquire) throw std::runtime_error("automation");
    return acquire_error == 0;
  }
  void DoAutoPostProcessing() override { Record("DoAutoPostProcessing"); }
  bool SaveAs(std::string_view file_name) override {
    Record("SaveAs " + std::string(file_name));
    return save_result;
  }

  std::int32_t GetPostProcessedFlag() const override { return 1; }
  std::string GetDoctor() const override { return "Dr. Berger"; }
  std::string GetRegio() const override { return "36"; }
  std::string GetImageType() const override { return "XI"; }
  std::int32_t GetExposureTime() const override { return 120; }
  std::int32_t GetTubeVoltage() const override { return -1; }
  std::int32_t GetTubeCurrent() const override { return 7; }
  PatientData GetPatient() const override { return patient; }

  std::vector<std::string> calls;
  bool initialize_result = true;
  bool throw_in_initialize = false;
  bool throw_in_uninitialize = false;
  bool take_type_result = true;
  bool doctor_result = true;
  bool patient_result = true;
  std::uint32_t acquire_error = 0;
  bool throw_in_acquire = false;
  std::function<void()> during_acquire;  // runs inside Acquire, while the job is under way
  bool save_result = true;
  std::uint32_t last_error = 0;
  PatientData patient;

 private:
  void Record(std::string call) { calls.push_back(std::move(call)); }
};

}  // namespace radlyn::testing
