#include "tiff_file.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "hostlink/modules/record_layout.h"
#include "tiff_fields.h"

namespace hostsim {

namespace records = radlyn::records;

namespace {

TIFFFieldInfo kPrivateFields[] = {
    {kTagImageRecord, TIFF_VARIABLE2, TIFF_VARIABLE2, TIFF_UNDEFINED, FIELD_CUSTOM, 1, 1,
     const_cast<char*>("MorlundImageRecord")},
    {kTagTakeExtension, TIFF_VARIABLE2, TIFF_VARIABLE2, TIFF_UNDEFINED, FIELD_CUSTOM, 1, 1,
     const_cast<char*>("MorlundTakeExtension")},
    {kTagLookupTable, TIFF_VARIABLE2, TIFF_VARIABLE2, TIFF_SHORT, FIELD_CUSTOM, 1, 1,
     const_cast<char*>("MorlundLookupTable")},
};

TIFFExtendProc g_previous_extender = nullptr;

void AddPrivateFields(TIFF* tif) {
  TIFFMergeFieldInfo(tif, kPrivateFields, sizeof kPrivateFields / sizeof kPrivateFields[0]);
  if (g_previous_extender != nullptr) g_previous_extender(tif);
}

// libtiff learns the private tags through its process-wide tag extender. It is installed only
// while a file is opened and removed again at once, so no pointer into this library stays behind
// in libtiff when the module is unloaded while something else keeps libtiff loaded.
class ScopedTagExtender {
 public:
  ScopedTagExtender() {
    g_previous_extender = TIFFSetTagExtender(AddPrivateFields);
    previous_ = g_previous_extender;
  }
  ~ScopedTagExtender() {
    TIFFSetTagExtender(previous_);
    g_previous_extender = nullptr;
  }
  ScopedTagExtender(const ScopedTagExtender&) = delete;
  ScopedTagExtender& operator=(const ScopedTagExtender&) = delete;

 private:
  TIFFExtendProc previous_;
};

// Collects libtiff's messages for one file instead of printing them.
int KeepMessage(TIFF*, void* user_data, const char* module, const char* format, va_list args) {
  auto* reason = static_cast<std::string*>(user_data);
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  if (reason->empty()) *reason = std::string(module != nullptr ? module : "libtiff") + ": " + text;
  return 1;
}

int IgnoreMessage(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* Open(const std::string& path, const char* mode, std::string* messages) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options, KeepMessage, messages);
  TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreMessage, nullptr);
  TIFF* tif;
  {
    ScopedTagExtender extender;
    tif = TIFFOpenExt(path.c_str(), mode, options);
  }
  TIFFOpenOptionsFree(options);
  return tif;
}

FileStatus Fail(std::string* reason, const std::string& messages, FileStatus status,
                const char* what) {
  if (reason != nullptr) *reason = messages.empty() ? what : messages;
  return status;
}

}  // namespace

FileStatus WriteTiff(const std::string& path, const StoredImage& stored, std::string* reason) {
  const Image& image = stored.image;
  if (image.width == 0 || image.height == 0 ||
      image.samples.size() != std::size_t{image.width} * image.height ||
      (image.bits != 8 && image.bits != 16)) {
    return Fail(reason, {}, kFileBadRecord, "no valid image");
  }
  std::string messages;
  TIFF* tif = Open(path, "w", &messages);
  if (tif == nullptr) return Fail(reason, messages, kFileCreateError, "cannot create the file");
  const std::uint32_t rows_per_strip = TiffRowsPerStrip(image.width);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, image.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, image.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(image.bits));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(1));
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows_per_strip);
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(kTiffPixelsPerCentimetre));
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(kTiffPixelsPerCentimetre));
  TIFFSetField(tif, TIFFTAG_SOFTWARE, kTiffSoftware);
  std::string date_time = TiffDateTime(stored.record);
  if (!date_time.empty()) TIFFSetField(tif, TIFFTAG_DATETIME, date_time.c_str());
  if (!stored.record.empty()) {
    TIFFSetField(tif, kTagImageRecord, static_cast<std::uint32_t>(stored.record.size()),
                 stored.record.data());
  }
  if (stored.has_extension && !stored.extension.empty()) {
    TIFFSetField(tif, kTagTakeExtension, static_cast<std::uint32_t>(stored.extension.size()),
                 stored.extension.data());
  }
  if (image.bits == 16 && !image.lut.empty()) {
    TIFFSetField(tif, kTagLookupTable, static_cast<std::uint32_t>(image.lut.size()),
                 image.lut.data());
  }

  bool ok = true;
  std::vector<std::uint8_t> row(std::size_t{image.width} * (image.bits / 8));
  std::vector<std::uint8_t> grey(256);
  for (unsigned i = 0; i < 256; ++i) grey[i] = image.Display(static_cast<std::uint16_t>(i));
  for (std::uint32_t y = 0; y < image.height && ok; ++y) {
    const std::uint16_t* in = image.Row(y);
    if (image.bits == 16) {
      std::memcpy(row.data(), in, row.size());  // TIFF keeps the host's byte order
    } else {
      // 8-bit images store grey levels: the colour table applied.
      for (std::uint32_t x = 0; x < image.width; ++x) row[x] = grey[in[x] & 0xFF];
    }
    ok = TIFFWriteScanline(tif, row.data(), y, 0) == 1;
  }
  ok = ok && TIFFWriteDirectory(tif) == 1;
  TIFFClose(tif);
  if (!ok) return Fail(reason, messages, kFileWriteError, "writing the image failed");
  return kFileOk;
}

FileStatus ReadTiff(const std::string& path, StoredImage* stored, std::string* reason) {
  std::string messages;
  TIFF* tif = Open(path, "r", &messages);
  if (tif == nullptr) {
    return Fail(reason, messages, messages.empty() ? kFileOpenError : kFileReadError,
                "cannot open the file");
  }
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t bits = 0;
  std::uint16_t samples_per_pixel = 1;
  std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  std::uint16_t sample_format = SAMPLEFORMAT_UINT;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples_per_pixel);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sample_format);
  if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide ||
      (bits != 8 && bits != 16) || samples_per_pixel != 1 || sample_format != SAMPLEFORMAT_UINT ||
      TIFFIsTiled(tif) ||
      (photometric != PHOTOMETRIC_MINISBLACK && photometric != PHOTOMETRIC_MINISWHITE)) {
    TIFFClose(tif);
    return Fail(reason, {}, kFileUnsupported,
                "not a single-sample 8- or 16-bit unsigned grey image in strips");
  }
  if (TIFFScanlineSize64(tif) < std::uint64_t{width} * (bits / 8u)) {
    TIFFClose(tif);
    return Fail(reason, {}, kFileUnsupported, "unexpected scanline size");
  }

  StoredImage result;
  Image& image = result.image;
  image.width = width;
  image.height = height;
  image.bits = bits;
  image.samples.resize(std::size_t{width} * height);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize64(tif)));
  const std::uint16_t invert =
      photometric == PHOTOMETRIC_MINISWHITE ? (bits == 16 ? 0xFFFF : 0xFF) : 0;
  for (std::uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tif, row.data(), y, 0) != 1) {
      TIFFClose(tif);
      return Fail(reason, messages, kFileReadError, "reading the image failed");
    }
    std::uint16_t* out = image.Row(y);
    if (bits == 16) {
      std::memcpy(out, row.data(), std::size_t{width} * 2);  // libtiff delivers host order
      if (invert != 0) {
        for (std::uint32_t x = 0; x < width; ++x) out[x] ^= invert;
      }
    } else {
      for (std::uint32_t x = 0; x < width; ++x)
        out[x] = static_cast<std::uint16_t>(row[x] ^ invert);
    }
  }

  std::uint32_t count = 0;
  void* data = nullptr;
  if (TIFFGetField(tif, kTagImageRecord, &count, &data) == 1 && data != nullptr &&
      count == records::image::kSize) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    result.record.assign(bytes, bytes + count);
  }
  if (TIFFGetField(tif, kTagTakeExtension, &count, &data) == 1 && data != nullptr) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    result.has_extension = true;
    result.extension.assign(bytes, bytes + count);
  }
  if (bits == 16) {
    if (TIFFGetField(tif, kTagLookupTable, &count, &data) == 1 && data != nullptr && count > 0 &&
        count <= 65536) {
      const auto* entries = static_cast<const std::uint16_t*>(data);
      image.lut.assign(entries, entries + count);
    } else {
      // A plain 16-bit TIFF: an identity table over the whole 16-bit range.
      image.lut.resize(65536);
      for (std::uint32_t i = 0; i < 65536; ++i) image.lut[i] = static_cast<std::uint16_t>(i);
    }
  } else {
    image.palette = LinearGreyPalette();
  }
  TIFFClose(tif);
  *stored = std::move(result);
  return kFileOk;
}

}  // namespace hostsim
