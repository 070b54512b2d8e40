// SaveAs: writes the held take, with the current patient and doctor, as an image file through
// Morlund's file module.
#include <array>
#include <string>

#include "hostlink/modules/record_layout.h"
#include "hostlink/morlund_link.h"
#include "hostlink/records.h"
#include "support/error_numbers.h"

namespace radlyn {

bool CMorlundLink::SaveAs(std::string_view file_name) {
  if (file_name.empty()) {
    SetError(kErrorParameter, "SaveAs(): Invalid filename");
    return false;
  }
  std::array<std::uint8_t, records::patient::kSize> patient_record;
  const RecordClearer clear_patient(patient_record.data(), patient_record.size());
  BuildHostPatientRecord(patient_, doctor_, patient_record.data());

  auto& memory = platform::GetGlobalMemory();
  std::array<std::uint8_t, records::image::kSize> image_record{};
  const RecordClearer clear_image(image_record.data(), image_record.size());
  const auto* take_record =
      take_handle_ != 0 ? static_cast<const std::uint8_t*>(memory.Lock(take_handle_)) : nullptr;
  ToHostImageRecord(patient_record.data(), take_record, image_record.data());
  if (take_record != nullptr) memory.Unlock(take_handle_);

  // Without a loaded file module there is nothing that could write the file.
  const std::string name(file_name);
  if (modules_.FIO_CreateImageFile == nullptr ||
      StatusWord(modules_.FIO_CreateImageFile(name.c_str(), image_record.data(),
                                              records::mask::kSaveAs, 1, 0, 0)) != 0) {
    SetError(kErrorFileCreation, "SaveAs(): Couldn't create image file");
    return false;
  }
  return true;
}

}  // namespace radlyn
