// The Windows Imaging Component's TIFF decoder, reading from the file image in
// memory. COM is started for the call when the thread has not started it.
#include <windows.h>

#include <wincodec.h>

#include <cstdlib>

#include "platform/tiffcodec.h"

namespace qtiff {

namespace {

template <typename T>
struct ComRef {
  T* p = nullptr;
  ~ComRef() {
    if (p != nullptr) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
};

struct ComScope {
  HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // Started in another mode by someone else: usable, and not ours to stop.
  bool Usable() const { return SUCCEEDED(started) || started == RPC_E_CHANGED_MODE; }
  ~ComScope() {
    if (SUCCEEDED(started)) CoUninitialize();
  }
};

// Rows are copied in bands, so no single copy exceeds what a UINT can count.
constexpr std::size_t kBandBytes = std::size_t{1} << 28;

}  // namespace

Result Decode(const unsigned char* data, std::size_t length, bool (*accept)(std::uint32_t, std::uint32_t),
              std::uint32_t* width, std::uint32_t* height, unsigned char** rgba, std::string* reason) {
  *width = *height = 0;
  *rgba = nullptr;
  const auto fail = [reason](const char* why) {
    *reason = why;
    return FAILED;
  };
  if (length > 0xFFFFFFFFu) return fail("the file is too large for the TIFF decoder");
  ComScope com;
  if (!com.Usable()) return fail("the Windows Imaging Component cannot be started");
  ComRef<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(&factory))))
    return fail("the Windows Imaging Component is not available");
  ComRef<IWICStream> stream;
  if (FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(length))))
    return NO_MEMORY;
  ComRef<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoder(GUID_ContainerFormatTiff, nullptr, &decoder)))
    return fail("the Windows Imaging Component has no TIFF decoder");
  if (FAILED(decoder->Initialize(stream.p, WICDecodeMetadataCacheOnDemand))) return fail("no TIFF directory");
  ComRef<IWICBitmapFrameDecode> frame;
  UINT w = 0, h = 0;
  if (FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&w, &h))) return fail("no picture size");
  *width = w;
  *height = h;
  if (!accept(w, h)) return REFUSED;
  ComRef<IWICBitmapSource> converted;
  if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppPBGRA, frame.p, &converted)))
    return fail("its pixel format cannot be converted");
  const std::size_t stride = static_cast<std::size_t>(w) * 4;
  auto* pixels = static_cast<unsigned char*>(std::malloc(stride * h));
  if (pixels == nullptr) return NO_MEMORY;
  const UINT bandRows = static_cast<UINT>(stride > 0 && stride < kBandBytes ? kBandBytes / stride : 1);
  for (UINT top = 0; top < h; top += bandRows) {
    const UINT rows = h - top < bandRows ? h - top : bandRows;
    const WICRect band = {0, static_cast<INT>(top), static_cast<INT>(w), static_cast<INT>(rows)};
    if (FAILED(converted->CopyPixels(&band, static_cast<UINT>(stride), static_cast<UINT>(stride * rows),
                                     pixels + stride * top))) {
      std::free(pixels);
      return fail("the picture data are damaged");
    }
  }
  // B, G, R, A as WIC gives them; R, G, B, A as the caller takes them.
  for (std::size_t i = 0; i < stride * h; i += 4) {
    const unsigned char blue = pixels[i];
    pixels[i] = pixels[i + 2];
    pixels[i + 2] = blue;
  }
  *rgba = pixels;
  return DECODED;
}

}  // namespace qtiff
