// Edit > Paste: the picture on the clipboard becomes the loaded picture, as
// if a file of it had been retrieved. A PNG is taken as it is where a program
// offers one; otherwise the device-independent bitmap, which Windows offers
// for any picture on the clipboard.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "picture/bitmap.h"
#include "picture/formats.h"
#include "shell/shell_win32.h"
#include "shell/state.h"
#include "shell/view_win32.h"
#include "spectrum/messages.h"
#include "spectrum/settings.h"

namespace {

// A std::malloc copy of a clipboard block.
unsigned char* CopyBlock(HANDLE block, std::size_t* length) {
  if (block == nullptr) return nullptr;
  const SIZE_T size = GlobalSize(block);
  const void* data = GlobalLock(block);
  if (data == nullptr || size == 0) {
    if (data != nullptr) GlobalUnlock(block);
    return nullptr;
  }
  auto* copy = static_cast<unsigned char*>(std::malloc(size));
  if (copy != nullptr) std::memcpy(copy, data, size);
  GlobalUnlock(block);
  *length = copy != nullptr ? size : 0;
  return copy;
}

// Depths the trace reads as they are; others are asked for in 24 bits.
bool TraceableDib(const unsigned char* dib, std::size_t length) {
  if (length < 16) return false;
  std::uint16_t bits;
  std::memcpy(&bits, dib + (dib[0] == 12 ? 10 : 14), 2);
  return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

// The clipboard's bitmap drawn into a 24-bit bitmap of the same size.
unsigned char* Dib24(HBITMAP bitmap, std::size_t* length) {
  BITMAP info;
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) != sizeof info || info.bmWidth <= 0 ||
      info.bmHeight <= 0 || !PictureSizeAllowed(info.bmWidth, info.bmHeight))
    return nullptr;
  const std::size_t rowBytes = (static_cast<std::size_t>(info.bmWidth) * 3 + 3) & ~std::size_t{3};
  const std::size_t size = sizeof(BITMAPINFOHEADER) + rowBytes * static_cast<std::size_t>(info.bmHeight);
  auto* dib = static_cast<unsigned char*>(std::calloc(size, 1));
  if (dib == nullptr) return nullptr;
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(dib);
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = info.bmWidth;
  header->biHeight = info.bmHeight;
  header->biPlanes = 1;
  header->biBitCount = 24;
  header->biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), dib + sizeof(BITMAPINFOHEADER),
                             reinterpret_cast<BITMAPINFO*>(dib), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != info.bmHeight) {
    std::free(dib);
    return nullptr;
  }
  *length = size;
  return dib;
}

// A picture file image of what the clipboard holds, or null.
unsigned char* ClipboardPicture(std::size_t* length) {
  const UINT png = RegisterClipboardFormatA("PNG");
  if (png != 0 && IsClipboardFormatAvailable(png)) {
    if (unsigned char* image = CopyBlock(GetClipboardData(png), length)) return image;
  }
  std::size_t dibLength = 0;
  unsigned char* dib = nullptr;
  if (IsClipboardFormatAvailable(CF_DIB)) {
    dib = CopyBlock(GetClipboardData(CF_DIB), &dibLength);
    if (dib != nullptr && !TraceableDib(dib, dibLength)) {
      std::free(dib);
      dib = nullptr;
    }
  }
  if (dib == nullptr && IsClipboardFormatAvailable(CF_BITMAP))
    dib = Dib24(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)), &dibLength);
  if (dib == nullptr) return nullptr;
  unsigned char* image = BitmapFileImage(dib, dibLength, length);
  std::free(dib);
  return image;
}

}  // namespace

void PastePicture(HWND window) {
  std::size_t length = 0;
  unsigned char* image = nullptr;
  if (OpenClipboard(window)) {
    image = ClipboardPicture(&length);
    CloseClipboard();
  }
  if (image == nullptr) {
    ShowMessage(IDS_NO_PICTURE_TO_PASTE);
    return;
  }
  HCURSOR kept = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  // A pasted picture has no file: no path in the titles, nothing to watch.
  FreePicture();
  CurrentPath[0] = '\0';
  if (OpenPictureImage(image, length) == 1) PicturePasted = true;
  SetCursor(kept);
  PictureChanged(window);
  InvalidateRect(window, nullptr, TRUE);
  UpdateTitles(window);
}
