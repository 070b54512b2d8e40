// The exchange records of Morlund's modules as the host link fills and reads them (layouts in
// modules/record_layout.h).
//
// - BuildHostPatientRecord zeroes a HostPatientRecord and writes the patient and doctor into it,
//   each text cut to its field, the numbers narrowed to their widths.
// - ToHostImageRecord fills an already zeroed HostImageRecord from a patient record and a take
//   record (either may be null), converting text from ANSI to OEM. The take's extension block is
//   converted in place and stays so. Returns 0, or 1 when there is no image record or the
//   extension block cannot be locked.
// - FromHostImageRecord copies the fields a mask selects back into a take record (null: nothing
//   to do), converting text from OEM to ANSI; the extension block's text is converted in place.
//   Returns 0, or 1 when there is no image record or the extension block cannot be locked.
//
// Every text is read up to its terminator or its field's end and written within the target
// field's width, terminator included; block texts never reach past the block's size.
//
// A patient record, and an image record filled from one, hold the patient's name, ID and birth
// date: ClearRecord (or a RecordClearer on the way out of the scope) zeroes one once it has done
// its work, so that the identity does not stay in memory that a crash dump may copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "hostlink/morlund_link.h"

namespace radlyn {

void BuildHostPatientRecord(const PatientData& patient, std::string_view doctor,
                            std::uint8_t* record);

// Zeroes `size` bytes at `record` (null: nothing); the stores are never dropped as dead.
void ClearRecord(void* record, std::size_t size);

class RecordClearer {
 public:
  RecordClearer(void* record, std::size_t size) : record_(record), size_(size) {}
  ~RecordClearer() { ClearRecord(record_, size_); }
  RecordClearer(const RecordClearer&) = delete;
  RecordClearer& operator=(const RecordClearer&) = delete;

 private:
  void* record_;
  std::size_t size_;
};

std::uint16_t ToHostImageRecord(const std::uint8_t* patient_record, const std::uint8_t* take_record,
                                std::uint8_t* image_record);

std::uint16_t FromHostImageRecord(std::uint8_t* take_record, const std::uint8_t* image_record,
                                  std::uint32_t mask);

}  // namespace radlyn
