// libtiff reading from the file image in memory, quietly: its errors become
// the reason given to the user, never lines on stderr.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/tiffcodec.h"

namespace qtiff {

namespace {

struct Source {
  const unsigned char* data;
  toff_t length;
  toff_t position;
  std::string firstError;
};

tmsize_t ReadProc(thandle_t handle, void* into, tmsize_t size) {
  Source& s = *static_cast<Source*>(handle);
  if (size <= 0 || s.position >= s.length) return 0;
  const toff_t count = std::min<toff_t>(static_cast<toff_t>(size), s.length - s.position);
  std::memcpy(into, s.data + s.position, static_cast<std::size_t>(count));
  s.position += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return 0; }

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  Source& s = *static_cast<Source*>(handle);
  toff_t base = 0;
  if (whence == SEEK_CUR) base = s.position;
  if (whence == SEEK_END) base = s.length;
  // Offsets are unsigned; one that wraps or lies beyond the end is a failed seek.
  if (offset > s.length || base > s.length - offset) return static_cast<toff_t>(-1);
  s.position = base + offset;
  return s.position;
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t handle) { return static_cast<Source*>(handle)->length; }

// Strips are read straight from the file image.
int MapProc(thandle_t handle, void** base, toff_t* size) {
  Source& s = *static_cast<Source*>(handle);
  *base = const_cast<unsigned char*>(s.data);
  *size = s.length;
  return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

int KeepFirstError(TIFF*, void* user, const char*, const char* format, va_list args) {
  Source& s = *static_cast<Source*>(user);
  if (s.firstError.empty()) {
    char text[256];
    std::vsnprintf(text, sizeof text, format, args);
    s.firstError = text;
  }
  return 1;  // handled: nothing reaches libtiff's default handler
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// A strip or tile of a gigabyte is no picture's, but a few bytes can claim one.
constexpr tmsize_t kLargestBlock = tmsize_t{1} << 30;

}  // namespace

Result Decode(const unsigned char* data, std::size_t length, bool (*accept)(std::uint32_t, std::uint32_t),
              std::uint32_t* width, std::uint32_t* height, unsigned char** rgba, std::string* reason) {
  *width = *height = 0;
  *rgba = nullptr;
  Source source{data, static_cast<toff_t>(length), 0, {}};
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return NO_MEMORY;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kLargestBlock);
  TIFFOpenOptionsSetErrorHandlerExtR(options, KeepFirstError, &source);
  TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, &source);
  TIFF* tif = TIFFClientOpenExt("picture", "r", &source, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                                MapProc, UnmapProc, options);
  TIFFOpenOptionsFree(options);
  const auto fail = [&](Result result, const std::string& why) {
    if (tif != nullptr) TIFFClose(tif);
    *reason = source.firstError.empty() ? why : source.firstError;
    return result;
  };
  if (tif == nullptr) return fail(FAILED, "no TIFF directory");
  std::uint32_t w = 0, h = 0;
  if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) != 1 || TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h) != 1)
    return fail(FAILED, "no picture size");
  *width = w;
  *height = h;
  if (!accept(w, h)) {
    TIFFClose(tif);
    return REFUSED;
  }
  char message[1024] = "";
  if (!TIFFRGBAImageOK(tif, message)) return fail(FAILED, message);
  const std::size_t pixels = static_cast<std::size_t>(w) * h;
  auto* raster = static_cast<std::uint32_t*>(std::malloc(pixels * 4));
  if (raster == nullptr) return fail(NO_MEMORY, "");
  if (!TIFFReadRGBAImageOriented(tif, w, h, raster, ORIENTATION_TOPLEFT, 1)) {
    std::free(raster);
    return fail(FAILED, "the picture data are damaged");
  }
  TIFFClose(tif);
  // Packed ABGR words become bytes in R, G, B, A order on any machine.
  auto* bytes = reinterpret_cast<unsigned char*>(raster);
  for (std::size_t i = 0; i < pixels; ++i) {
    const std::uint32_t v = raster[i];
    unsigned char* p = bytes + 4 * i;
    p[0] = static_cast<unsigned char>(TIFFGetR(v));
    p[1] = static_cast<unsigned char>(TIFFGetG(v));
    p[2] = static_cast<unsigned char>(TIFFGetB(v));
    p[3] = static_cast<unsigned char>(TIFFGetA(v));
  }
  *rgba = bytes;
  return DECODED;
}

}  // namespace qtiff
