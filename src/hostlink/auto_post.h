// Pieces of auto-post-processing that stand on their own: the WWE parameter block, the take's
// extension text, the filter code of a filter class and the insertion of texts into the
// auto-post document. CMorlundLink's BuildAutoPostDocument, DoAutoPostProcessing and
// ApplyFilterClass (morlund_link.h, auto_post.cc) put them together.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "hostlink/modules/record_layout.h"
#include "platform/global_memory.h"

namespace radlyn {

// The WWE block handed to MGM_FilterEx for filter class 2: six signed 32-bit values.
namespace wwe {
inline constexpr std::uint32_t kSize = 24;
inline constexpr std::size_t kValueCount = 6;
// Value i lies at offset 4 * i.
inline constexpr records::Field ValueField(std::size_t index) { return {4 * index, 4}; }
}  // namespace wwe

using WweValues = std::array<std::int32_t, wwe::kValueCount>;

// The block's values for a WWE text. The text is split at each comma; piece k (from 1) read as
// a leading decimal integer gives value k (an empty piece gives 0, a missing one -1, pieces
// after the fifth are ignored). Then value 0 is 24, value 1 is 1, and values out of range take
// defaults, comparing as unsigned: 2 -> 7000 when 0 or above 30000; 3 -> 0, 4 -> 1000 when
// above 30000; 5 -> 40 when above 1000.
WweValues WweValuesFromText(std::string_view text);

// A WWE block in global memory, locked while the object lives and freed with it. address() is
// nullptr when no block could be allocated.
class WweBlock {
 public:
  WweBlock() = default;
  ~WweBlock();
  WweBlock(WweBlock&& other) noexcept;
  WweBlock& operator=(WweBlock&& other) noexcept;
  WweBlock(const WweBlock&) = delete;
  WweBlock& operator=(const WweBlock&) = delete;

  void* address() const { return address_; }
  void Release();

 private:
  friend WweBlock ParseWweValues(std::string_view text);

  GmHandle handle_ = 0;
  void* address_ = nullptr;
};

// A new WWE block filled from a WWE text (see WweValuesFromText).
WweBlock ParseWweValues(std::string_view text);

// The take's extension text: the second zero-terminated text of the extension block named by the
// take record, when the block is larger than its first text's length plus 2; empty otherwise.
// Never reads beyond the block.
std::string GetTakeExtensionText(const std::uint8_t* take_record);

struct FilterChoice {
  std::uint32_t code;  // the filter code passed to MGM_FilterEx
  bool needs_wwe;      // the class fails at once without a WWE block
};

// Filter class 1 -> 7, 2 -> 9 (with a WWE block only), 3 -> 4, any other -> 0.
FilterChoice FilterForClass(std::int32_t filter_class);

// A text as it is written into the auto-post document. Text that is already well-formed
// character data (no "<", no "]]>", every "&" opening a predefined or numeric reference) goes in
// unchanged, byte for byte; other text has every "&", "<" and ">" escaped, so that a take's text
// can neither break the document nor add elements such as filter classes to it.
std::string AsDocumentText(std::string_view text);

}  // namespace radlyn
