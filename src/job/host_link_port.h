// HostLinkPort: the host-link operations the job frame relies on, as an interface, so client
// initialisation, the job driver and the shutdown report can run against a stand-in in tests.
// GetHostLinkPort() answers the one that forwards to the process's CMorlundLink; NewHostLinkPort
// one that forwards to another link object (a job run in a process that runs several, each with
// a link of its own as a process of its own would have).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "hostlink/morlund_link.h"
#include "platform/ui.h"

namespace radlyn {

class HostLinkPort {
 public:
  virtual ~HostLinkPort() = default;

  virtual bool Initialize(std::string_view client_name) = 0;
  virtual bool Uninitialize() = 0;
  virtual void SetError(std::uint32_t number) = 0;
  virtual std::uint32_t GetLastErrorNumber() const = 0;

  virtual bool SetTakeType(std::string_view type_code, std::string_view region) = 0;
  virtual bool SetDoctor(std::string_view doctor) = 0;
  virtual bool SetPatient(std::string_view last_name, std::string_view first_name,
                          std::int32_t year, std::int32_t month, std::int32_t day,
                          std::string_view patient_id) = 0;
  virtual void SetBitDepth(std::uint8_t depth) = 0;

  virtual bool Acquire(platform::WindowHandle parent_window) = 0;
  virtual void DoAutoPostProcessing() = 0;
  virtual bool SaveAs(std::string_view file_name) = 0;

  virtual std::int32_t GetPostProcessedFlag() const = 0;
  virtual std::string GetDoctor() const = 0;
  virtual std::string GetRegio() const = 0;
  virtual std::string GetImageType() const = 0;
  virtual std::int32_t GetExposureTime() const = 0;
  virtual std::int32_t GetTubeVoltage() const = 0;
  virtual std::int32_t GetTubeCurrent() const = 0;
  virtual PatientData GetPatient() const = 0;
};

HostLinkPort& GetHostLinkPort();
std::unique_ptr<HostLinkPort> NewHostLinkPort(CMorlundLink& link);

}  // namespace radlyn
