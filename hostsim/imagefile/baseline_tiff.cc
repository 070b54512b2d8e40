#include "baseline_tiff.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "hostlink/modules/record_layout.h"
#include "tiff_fields.h"
#include "tiff_file.h"

namespace hostsim {

namespace {

using Bytes = std::vector<std::uint8_t>;

// The baseline tags hostsim writes or looks at.
enum Tag : std::uint16_t {
  kImageWidth = 256,
  kImageLength = 257,
  kBitsPerSample = 258,
  kCompression = 259,
  kPhotometric = 262,
  kStripOffsets = 273,
  kOrientation = 274,
  kSamplesPerPixel = 277,
  kRowsPerStrip = 278,
  kStripByteCounts = 279,
  kXResolution = 282,
  kYResolution = 283,
  kPlanarConfig = 284,
  kResolutionUnit = 296,
  kSoftware = 305,
  kDateTime = 306,
  kTileWidth = 322,
  kSampleFormat = 339,
};

enum FieldType : std::uint16_t {
  kByte = 1,
  kAscii = 2,
  kShort = 3,
  kLong = 4,
  kRational = 5,
  kUndefined = 7,
};

constexpr std::uint16_t kNoCompression = 1;
constexpr std::uint16_t kMinIsWhite = 0;
constexpr std::uint16_t kMinIsBlack = 1;
constexpr std::uint16_t kTopLeft = 1;
constexpr std::uint16_t kContiguous = 1;
constexpr std::uint16_t kCentimetre = 3;
constexpr std::uint16_t kUnsignedInteger = 1;
constexpr std::uint16_t kClassicTiff = 42;
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kEntrySize = 12;

// Bytes per value of the field types 1 to 13 (BYTE, ASCII, SHORT, LONG, RATIONAL, SBYTE,
// UNDEFINED, SSHORT, SLONG, SRATIONAL, FLOAT, DOUBLE, IFD); 0 for a type this reader does not know.
constexpr std::uint8_t kTypeSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};

std::size_t TypeSize(std::uint16_t type) {
  return type < std::size(kTypeSizes) ? kTypeSizes[type] : 0;
}

FileStatus Fail(std::string* reason, FileStatus status, const char* what) {
  if (reason != nullptr) *reason = what;
  return status;
}

// ---- Writing: little-endian, laid out as libtiff lays out a file written row by row.

void Put16(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& out, std::uint32_t value) {
  Put16(out, static_cast<std::uint16_t>(value));
  Put16(out, static_cast<std::uint16_t>(value >> 16));
}

void Patch32(Bytes& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct Entry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  Bytes value;  // count values of the type, little-endian
};

Entry Shorts(std::uint16_t tag, const std::vector<std::uint16_t>& values) {
  Entry entry{tag, kShort, static_cast<std::uint32_t>(values.size()), {}};
  for (std::uint16_t value : values) Put16(entry.value, value);
  return entry;
}

Entry Longs(std::uint16_t tag, const std::vector<std::uint32_t>& values) {
  Entry entry{tag, kLong, static_cast<std::uint32_t>(values.size()), {}};
  for (std::uint32_t value : values) Put32(entry.value, value);
  return entry;
}

// One number as SHORT when it fits, else as LONG.
Entry ShortOrLong(std::uint16_t tag, std::uint32_t value) {
  return value <= 0xFFFF ? Shorts(tag, {static_cast<std::uint16_t>(value)}) : Longs(tag, {value});
}

Entry Rational(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator) {
  Entry entry{tag, kRational, 1, {}};
  Put32(entry.value, numerator);
  Put32(entry.value, denominator);
  return entry;
}

Entry Text(std::uint16_t tag, const std::string& text) {
  Entry entry{tag, kAscii, static_cast<std::uint32_t>(text.size() + 1), {}};
  entry.value.assign(text.begin(), text.end());
  entry.value.push_back(0);
  return entry;
}

Entry Undefined(std::uint16_t tag, const Bytes& bytes) {
  return Entry{tag, kUndefined, static_cast<std::uint32_t>(bytes.size()), bytes};
}

// The image rows as the file stores them: 16-bit samples little-endian, 8-bit images as grey
// levels (the colour table applied), in strips of `rows_per_strip` rows.
void AppendStrips(const Image& image, std::uint32_t rows_per_strip, Bytes& file,
                  std::vector<std::uint32_t>* offsets, std::vector<std::uint32_t>* counts) {
  std::uint8_t grey[256];
  for (unsigned i = 0; i < 256; ++i) grey[i] = image.Display(static_cast<std::uint16_t>(i));
  for (std::uint32_t first = 0; first < image.height; first += rows_per_strip) {
    const std::uint32_t rows = std::min(rows_per_strip, image.height - first);
    offsets->push_back(static_cast<std::uint32_t>(file.size()));
    for (std::uint32_t y = first; y < first + rows; ++y) {
      const std::uint16_t* in = image.Row(y);
      for (std::uint32_t x = 0; x < image.width; ++x) {
        if (image.bits == 16) {
          Put16(file, in[x]);
        } else {
          file.push_back(grey[in[x] & 0xFF]);
        }
      }
    }
    counts->push_back(rows * image.width * (image.bits / 8));
  }
}

// Where libtiff puts a value too long for its entry: the resolutions, the strip byte counts and
// the strip offsets first, then the other tags in tag order.
int ValueRank(std::uint16_t tag) {
  constexpr std::uint16_t kFirst[] = {kXResolution, kYResolution, kStripByteCounts, kStripOffsets};
  const auto* found = std::find(std::begin(kFirst), std::end(kFirst), tag);
  return found != std::end(kFirst) ? static_cast<int>(found - std::begin(kFirst)) : 4 + tag;
}

// The directory (entries in tag order) at the next even offset, then the values too long for
// their entries, each at an even offset.
void AppendDirectory(std::vector<Entry> entries, Bytes& file) {
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
  if (file.size() % 2 != 0) file.push_back(0);
  Patch32(file, 4, static_cast<std::uint32_t>(file.size()));
  const std::size_t directory = file.size();
  Put16(file, static_cast<std::uint16_t>(entries.size()));
  for (const Entry& entry : entries) {
    Put16(file, entry.tag);
    Put16(file, entry.type);
    Put32(file, entry.count);
    Bytes inline_value = entry.value.size() <= 4 ? entry.value : Bytes{};
    inline_value.resize(4, 0);  // an offset, patched below, for a longer value
    file.insert(file.end(), inline_value.begin(), inline_value.end());
  }
  Put32(file, 0);  // no further directory

  std::vector<std::size_t> order(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return ValueRank(entries[a].tag) < ValueRank(entries[b].tag);
  });
  for (std::size_t i : order) {
    const Bytes& value = entries[i].value;
    if (value.size() <= 4) continue;
    if (file.size() % 2 != 0) file.push_back(0);
    Patch32(file, directory + 2 + kEntrySize * i + 8, static_cast<std::uint32_t>(file.size()));
    file.insert(file.end(), value.begin(), value.end());
  }
}

// ---- Reading: either byte order, every offset checked against the file's size.

class TiffBytes {
 public:
  explicit TiffBytes(Bytes bytes) : bytes_(std::move(bytes)) {
    little_endian_ = bytes_.size() >= 2 && bytes_[0] == 'I';
  }
  std::size_t size() const { return bytes_.size(); }
  bool Holds(std::size_t offset, std::size_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }
  const std::uint8_t* At(std::size_t offset) const { return bytes_.data() + offset; }
  // Callers check Holds() first.
  std::uint16_t U16(std::size_t offset) const {
    const std::uint8_t* p = At(offset);
    return little_endian_ ? static_cast<std::uint16_t>(p[0] | p[1] << 8)
                          : static_cast<std::uint16_t>(p[0] << 8 | p[1]);
  }
  std::uint32_t U32(std::size_t offset) const {
    const std::uint32_t low = U16(offset + (little_endian_ ? 0 : 2));
    const std::uint32_t high = U16(offset + (little_endian_ ? 2 : 0));
    return low | high << 16;
  }

 private:
  Bytes bytes_;
  bool little_endian_ = true;
};

struct Field {
  std::uint16_t type;
  std::uint32_t count;
  std::size_t data;  // offset of the first value in the file
};

// The number at `index` of a BYTE, SHORT or LONG field; std::nullopt for other types or past
// the field's end.
std::optional<std::uint32_t> Number(const TiffBytes& file, const Field& field,
                                    std::uint32_t index) {
  if (index >= field.count) return std::nullopt;
  switch (field.type) {
    case kByte:
      return *file.At(field.data + index);
    case kShort:
      return file.U16(field.data + 2 * std::size_t{index});
    case kLong:
      return file.U32(field.data + 4 * std::size_t{index});
    default:
      return std::nullopt;
  }
}

class Directory {
 public:
  // Reads the first directory; false when it or one of its values lies beyond the file's end.
  bool Read(const TiffBytes& file) {
    const std::uint32_t offset = file.U32(4);
    if (!file.Holds(offset, 2)) return false;
    const std::size_t count = file.U16(offset);
    if (!file.Holds(offset + 2, kEntrySize * count + 4)) return false;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t entry = offset + 2 + kEntrySize * i;
      Field field{file.U16(entry + 2), file.U32(entry + 4), entry + 8};
      const std::size_t type_size = TypeSize(field.type);
      if (type_size == 0) continue;  // a type no reader needs to understand
      const std::uint64_t length = std::uint64_t{type_size} * field.count;
      if (length > 4) field.data = file.U32(entry + 8);
      if (length > file.size() || !file.Holds(field.data, static_cast<std::size_t>(length))) {
        return false;
      }
      fields_.emplace(file.U16(entry), field);
    }
    return true;
  }
  const Field* Find(std::uint16_t tag) const {
    auto found = fields_.find(tag);
    return found == fields_.end() ? nullptr : &found->second;
  }
  // The tag's first number, or `fallback` when the tag is absent or holds no number.
  std::uint32_t Value(const TiffBytes& file, std::uint16_t tag, std::uint32_t fallback) const {
    const Field* field = Find(tag);
    return field == nullptr ? fallback : Number(file, *field, 0).value_or(fallback);
  }

 private:
  std::map<std::uint16_t, Field> fields_;
};

}  // namespace

FileStatus WriteBaselineTiff(const std::string& path, const StoredImage& stored,
                             std::string* reason) {
  const Image& image = stored.image;
  if (image.width == 0 || image.height == 0 ||
      image.samples.size() != std::size_t{image.width} * image.height ||
      (image.bits != 8 && image.bits != 16)) {
    return Fail(reason, kFileBadRecord, "no valid image");
  }
  const std::uint32_t rows_per_strip = TiffRowsPerStrip(image.width);
  Bytes file = {'I', 'I', kClassicTiff, 0, 0, 0, 0, 0};
  std::vector<std::uint32_t> offsets;
  std::vector<std::uint32_t> counts;
  AppendStrips(image, rows_per_strip, file, &offsets, &counts);

  std::vector<Entry> entries = {
      ShortOrLong(kImageWidth, image.width),
      ShortOrLong(kImageLength, image.height),
      Shorts(kBitsPerSample, {static_cast<std::uint16_t>(image.bits)}),
      Shorts(kCompression, {kNoCompression}),
      Shorts(kPhotometric, {kMinIsBlack}),
      Longs(kStripOffsets, offsets),
      Shorts(kOrientation, {kTopLeft}),
      Shorts(kSamplesPerPixel, {1}),
      ShortOrLong(kRowsPerStrip, rows_per_strip),
      Rational(kXResolution, kTiffPixelsPerCentimetre, 1),
      Rational(kYResolution, kTiffPixelsPerCentimetre, 1),
      Shorts(kPlanarConfig, {kContiguous}),
      Shorts(kResolutionUnit, {kCentimetre}),
      Text(kSoftware, kTiffSoftware),
  };
  // Several strip sizes go as SHORT when they all fit, a single one always as LONG.
  if (counts.size() > 1 && *std::max_element(counts.begin(), counts.end()) <= 0xFFFF) {
    entries.push_back(Shorts(kStripByteCounts, {counts.begin(), counts.end()}));
  } else {
    entries.push_back(Longs(kStripByteCounts, counts));
  }
  const std::string date_time = TiffDateTime(stored.record);
  if (!date_time.empty()) entries.push_back(Text(kDateTime, date_time));
  if (!stored.record.empty()) entries.push_back(Undefined(kTagImageRecord, stored.record));
  if (stored.has_extension && !stored.extension.empty()) {
    entries.push_back(Undefined(kTagTakeExtension, stored.extension));
  }
  if (image.bits == 16 && !image.lut.empty()) {
    entries.push_back(Shorts(kTagLookupTable, image.lut));
  }
  AppendDirectory(std::move(entries), file);

  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return Fail(reason, kFileCreateError, "cannot create the file");
  bool ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  ok = std::fclose(out) == 0 && ok;
  if (!ok) return Fail(reason, kFileWriteError, "writing the image failed");
  return kFileOk;
}

namespace {

// A TIFF file's bytes and its first directory, with its image's layout checked: a single-sample
// 8- or 16-bit unsigned grey image in uncompressed strips that all lie within the file.
struct ParsedTiff {
  TiffBytes file{Bytes{}};
  Directory directory;
  TiffStrips strips;
  std::uint32_t photometric = kMinIsBlack;
};

FileStatus ParseTiff(const std::string& path, ParsedTiff* parsed, std::string* reason) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(reason, kFileOpenError, "cannot open the file");
  parsed->file =
      TiffBytes(Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
  if (in.bad()) return Fail(reason, kFileReadError, "reading the file failed");
  const TiffBytes& file = parsed->file;
  if (file.size() < kHeaderSize || (*file.At(0) != 'I' && *file.At(0) != 'M') ||
      *file.At(0) != *file.At(1) || file.U16(2) != kClassicTiff) {
    return Fail(reason, kFileReadError, "not a TIFF file");
  }
  Directory& directory = parsed->directory;
  if (!directory.Read(file)) return Fail(reason, kFileReadError, "the file is cut short");
  // As for libtiff, a directory without the image's size is damage, not another kind of image.
  if (directory.Find(kImageWidth) == nullptr || directory.Find(kImageLength) == nullptr) {
    return Fail(reason, kFileReadError, "the directory lacks the image size");
  }

  const std::uint32_t width = directory.Value(file, kImageWidth, 0);
  const std::uint32_t height = directory.Value(file, kImageLength, 0);
  const std::uint32_t bits = directory.Value(file, kBitsPerSample, 1);
  const std::uint32_t photometric = directory.Value(file, kPhotometric, kMinIsBlack);
  if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide ||
      (bits != 8 && bits != 16) || directory.Value(file, kSamplesPerPixel, 1) != 1 ||
      directory.Value(file, kSampleFormat, kUnsignedInteger) != kUnsignedInteger ||
      directory.Find(kTileWidth) != nullptr ||
      (photometric != kMinIsBlack && photometric != kMinIsWhite)) {
    return Fail(reason, kFileUnsupported,
                "not a single-sample 8- or 16-bit unsigned grey image in strips");
  }
  if (directory.Value(file, kCompression, kNoCompression) != kNoCompression) {
    return Fail(reason, kFileUnsupported, "compressed image data");
  }

  const std::uint32_t rows_per_strip =
      std::clamp<std::uint32_t>(directory.Value(file, kRowsPerStrip, height), 1, height);
  const std::size_t row_bytes = std::size_t{width} * (bits / 8);
  const Field* offsets = directory.Find(kStripOffsets);
  const Field* counts = directory.Find(kStripByteCounts);
  if (offsets == nullptr) return Fail(reason, kFileReadError, "no strip offsets");

  TiffStrips& strips = parsed->strips;
  strips.width = width;
  strips.height = height;
  strips.bits = bits;
  strips.big_endian = *file.At(0) == 'M';
  for (std::uint32_t strip = 0, first = 0; first < height; ++strip, first += rows_per_strip) {
    const std::uint32_t rows = std::min(rows_per_strip, height - first);
    const std::size_t needed = row_bytes * rows;
    const std::optional<std::uint32_t> offset = Number(file, *offsets, strip);
    const std::optional<std::uint32_t> count =
        counts == nullptr ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(needed))
                          : Number(file, *counts, strip);
    if (!offset || !count || *count < needed || !file.Holds(*offset, needed)) {
      return Fail(reason, kFileReadError, "the image data is cut short");
    }
    strips.offsets.push_back(*offset);
    strips.sizes.push_back(static_cast<std::uint32_t>(needed));
  }
  parsed->photometric = photometric;
  return kFileOk;
}

}  // namespace

FileStatus ReadBaselineTiffStrips(const std::string& path, TiffStrips* strips,
                                  std::string* reason) {
  ParsedTiff parsed;
  const FileStatus status = ParseTiff(path, &parsed, reason);
  if (status == kFileOk) *strips = std::move(parsed.strips);
  return status;
}

FileStatus ReadBaselineTiff(const std::string& path, StoredImage* stored, std::string* reason) {
  ParsedTiff parsed;
  if (const FileStatus status = ParseTiff(path, &parsed, reason); status != kFileOk) {
    return status;
  }
  const TiffBytes& file = parsed.file;
  const Directory& directory = parsed.directory;
  const TiffStrips& strips = parsed.strips;
  const std::uint32_t width = strips.width;
  const std::uint32_t height = strips.height;
  const std::uint32_t bits = strips.bits;
  const std::size_t row_bytes = std::size_t{width} * (bits / 8);

  StoredImage result;
  Image& image = result.image;
  image.width = width;
  image.height = height;
  image.bits = bits;
  image.samples.resize(std::size_t{width} * height);
  const std::uint16_t invert = parsed.photometric == kMinIsWhite ? (bits == 16 ? 0xFFFF : 0xFF) : 0;
  for (std::uint32_t strip = 0, first = 0; strip < strips.offsets.size(); ++strip) {
    const std::uint32_t rows = static_cast<std::uint32_t>(strips.sizes[strip] / row_bytes);
    for (std::uint32_t y = first; y < first + rows; ++y) {
      const std::size_t row = strips.offsets[strip] + row_bytes * (y - first);
      std::uint16_t* out = image.Row(y);
      for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint16_t sample =
            bits == 16 ? file.U16(row + 2 * std::size_t{x}) : *file.At(row + x);
        out[x] = static_cast<std::uint16_t>(sample ^ invert);
      }
    }
    first += rows;
  }

  namespace records = radlyn::records;
  if (const Field* record = directory.Find(kTagImageRecord);
      record != nullptr && TypeSize(record->type) == 1 && record->count == records::image::kSize) {
    result.record.assign(file.At(record->data), file.At(record->data) + record->count);
  }
  if (const Field* extension = directory.Find(kTagTakeExtension);
      extension != nullptr && TypeSize(extension->type) == 1 && extension->count > 0) {
    result.has_extension = true;
    result.extension.assign(file.At(extension->data), file.At(extension->data) + extension->count);
  }
  if (bits == 16) {
    const Field* table = directory.Find(kTagLookupTable);
    if (table != nullptr && table->type == kShort && table->count > 0 && table->count <= 65536) {
      for (std::uint32_t i = 0; i < table->count; ++i) {
        image.lut.push_back(file.U16(table->data + 2 * std::size_t{i}));
      }
    } else {
      // A plain 16-bit TIFF: an identity table over the whole 16-bit range.
      image.lut.resize(65536);
      for (std::uint32_t i = 0; i < 65536; ++i) image.lut[i] = static_cast<std::uint16_t>(i);
    }
  } else {
    image.palette = LinearGreyPalette();
  }
  *stored = std::move(result);
  return kFileOk;
}

}  // namespace hostsim
