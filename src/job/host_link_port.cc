#include "job/host_link_port.h"

#include <memory>

namespace radlyn {
namespace {

class MorlundLinkPort final : public HostLinkPort {
 public:
  explicit MorlundLinkPort(CMorlundLink& link) : link_(link) {}

  bool Initialize(std::string_view client_name) override { return link().Initialize(client_name); }
  bool Uninitialize() override { return link().Uninitialize(); }
  void SetError(std::uint32_t number) override { link().SetError(number); }
  std::uint32_t GetLastErrorNumber() const override { return link().GetLastErrorNumber(); }

  bool SetTakeType(std::string_view type_code, std::string_view region) override {
    return link().SetTakeType(type_code, region);
  }
  bool SetDoctor(std::string_view doctor) override { return link().SetDoctor(doctor); }
  bool SetPatient(std::string_view last_name, std::string_view first_name, std::int32_t year,
                  std::int32_t month, std::int32_t day, std::string_view patient_id) override {
    return link().SetPatient(last_name, first_name, year, month, day, patient_id);
  }
  void SetBitDepth(std::uint8_t depth) override { link().SetBitDepth(depth); }

  bool Acquire(platform::WindowHandle parent_window) override {
    return link().Acquire(parent_window);
  }
  void DoAutoPostProcessing() override { link().DoAutoPostProcessing(); }
  bool SaveAs(std::string_view file_name) override { return link().SaveAs(file_name); }

  std::int32_t GetPostProcessedFlag() const override { return link().GetPostProcessedFlag(); }
  std::string GetDoctor() const override { return link().GetDoctor(); }
  std::string GetRegio() const override { return link().GetRegio(); }
  std::string GetImageType() const override { return link().GetImageType(); }
  std::int32_t GetExposureTime() const override { return link().GetExposureTime(); }
  std::int32_t GetTubeVoltage() const override { return link().GetTubeVoltage(); }
  std::int32_t GetTubeCurrent() const override { return link().GetTubeCurrent(); }
  PatientData GetPatient() const override { return link().GetPatient(); }

 private:
  CMorlundLink& link() const { return link_; }

  CMorlundLink& link_;
};

}  // namespace

HostLinkPort& GetHostLinkPort() {
  static MorlundLinkPort port(GetMorlundLink());
  return port;
}

std::unique_ptr<HostLinkPort> NewHostLinkPort(CMorlundLink& link) {
  return std::make_unique<MorlundLinkPort>(link);
}

}  // namespace radlyn
