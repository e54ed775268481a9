#include "picture/bitmap.h"

#include <cstdlib>
#include <cstring>
#include <algorithm>

#include "picture/bytes.h"
#include "picture/formats.h"
#include "platform/fileio.h"
#include "shell/state.h"
#include "spectrum/messages.h"
#include "spectrum/settings.h"
#include "tavnmrfiles.h"
#include "tavutils.h"

DIBINFO* DibInfo = nullptr;

void FreeDibInfo() {
  if (DibInfo == nullptr) return;
  std::free(DibInfo->Block != nullptr ? DibInfo->Block : DibInfo->Header);
  DibInfo->Header = nullptr;
  DibInfo->Block = nullptr;
  std::free(DibInfo);
  DibInfo = nullptr;
}

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr double kChunk = 32768.0;

// A read that delivers fewer bytes than asked means the file changed or
// failed under us; the zero-filled rest must not pass for picture data.
bool ReadFully(qio::File file, unsigned char* into, std::size_t count) {
  while (count > 0) {
    const long got = qio::Read(file, into, count);
    if (got <= 0) return false;
    into += got;
    count -= static_cast<std::size_t>(got);
  }
  return true;
}

bool KnownHeaderSize(std::uint32_t size) { return size == 12 || size >= 16; }

// Header fields, colour table and first row of `block`. False when the header
// or the table does not lie inside `length` bytes.
bool Locate(const unsigned char* block, std::size_t length, BitmapLayout* out) {
  BitmapLayout l{};
  if (length < 4) return false;
  l.headerSize = ReadLE32(block);
  if (!KnownHeaderSize(l.headerSize) || l.headerSize > length) return false;
  l.isCore = l.headerSize == 12;
  if (l.isCore) {
    l.width = ReadLE16(block + 4);
    l.height = ReadLE16(block + 6);
    l.bitCount = ReadLE16(block + 10);
  } else {
    const std::int32_t width = static_cast<std::int32_t>(ReadLE32(block + 4));
    const std::int32_t height = static_cast<std::int32_t>(ReadLE32(block + 8));
    l.bitCount = ReadLE16(block + 14);
    // A negative width is no picture; the platform refuses to draw it too.
    if (width < 0) return false;
    l.width = static_cast<std::uint32_t>(width);
    l.topDown = height < 0;
    l.height = l.topDown ? static_cast<std::uint32_t>(-static_cast<std::int64_t>(height))
                         : static_cast<std::uint32_t>(height);
    if (l.headerSize >= 20) l.compression = ReadLE32(block + 16);
    if (l.headerSize >= 24) l.imageSize = ReadLE32(block + 20);
    if (l.headerSize >= 36) l.colorsUsed = ReadLE32(block + 32);
  }

  if (l.colorsUsed != 0) {
    l.paletteEntries = l.colorsUsed;
  } else if (l.bitCount == 24) {
    l.paletteEntries = 0;
  } else if (l.bitCount <= 8) {
    l.paletteEntries = std::uint64_t{1} << l.bitCount;
  } else {
    // Deeper pixels hold their colours themselves: a table of 2^bits entries
    // (65536 for 16 bits) would put the rows far beyond the data.
    l.paletteEntries = 0;
  }

  // The masks lie from header offset 40 on, as in the longer headers; what a
  // header between 40 and their end does not hold follows it (the alpha mask
  // behind a 52-byte header), and a shorter header has them all behind it.
  std::uint64_t masks = 0;
  if (l.bitCount == 16 || l.bitCount == 32) {
    const std::uint32_t count = l.compression == BITMAP_BITFIELDS ? 12 : l.compression == BITMAP_ALPHABITFIELDS ? 16 : 0;
    if (l.headerSize < 40) masks = count;
    else if (l.headerSize < 40 + count) masks = 40 + count - l.headerSize;
  }
  l.paletteOffset = l.headerSize + masks;
  l.bitsOffset = l.paletteOffset + l.paletteEntries * (l.isCore ? 3u : 4u);
  if (l.bitsOffset > length) return false;
  l.rowBytes = ((static_cast<std::uint64_t>(l.width) * l.bitCount + 31) >> 5) * 4;
  *out = l;
  return true;
}

bool KnownCompression(const BitmapLayout& l) {
  switch (l.compression) {
    case BITMAP_RGB:
      return true;
    case BITMAP_RLE8:
      return l.bitCount == 8 && !l.topDown;
    case BITMAP_RLE4:
      return l.bitCount == 4 && !l.topDown;
    case BITMAP_BITFIELDS:
    case BITMAP_ALPHABITFIELDS:
      return l.bitCount == 16 || l.bitCount == 32;
    default:
      return false;
  }
}

void RefuseBitmap() { ShowMessage(IDS_CONVERT_BITMAP, IDS_OPEN_DIB, 6); }

}  // namespace

bool DescribeBitmap(const unsigned char* block, std::size_t length, BitmapLayout* layout) {
  BitmapLayout l;
  if (block == nullptr || !Locate(block, length, &l)) return false;
  if (l.width > 65535 || l.height > 65535) return false;
  if (!KnownCompression(l)) return false;
  const std::uint64_t available = length - l.bitsOffset;
  if (l.compression == BITMAP_RLE8 || l.compression == BITMAP_RLE4) {
    // The platform decodes exactly the announced size, so it must be there.
    if (l.imageSize == 0 || l.imageSize > available) return false;
    l.dataLength = l.imageSize;
  } else {
    l.dataLength = l.rowBytes * l.height;
    if (l.dataLength > available) return false;
  }
  *layout = l;
  return true;
}

unsigned char* ReadBitmapFile() { return ReadBitmapFile(nullptr); }

unsigned char* ReadBitmapFile(std::size_t* length) {
  if (length != nullptr) *length = 0;
  const qio::File file = qio::OpenForRead(CurrentPath);
  if (file == qio::kInvalid) return nullptr;
  unsigned char fileHeader[kFileHeaderSize];
  // The length as 64 bits: a 32-bit one would cut files of 2 GiB and more
  // short, and refuse them as such.
  std::uint64_t total = 0;
  if (!ReadFully(file, fileHeader, sizeof fileHeader) || fileHeader[0] != 'B' || fileHeader[1] != 'M' ||
      !qio::Size(file, &total) || total > SIZE_MAX) {
    qio::Close(file);
    return nullptr;
  }
  // Too short to hold even the header size: nothing to describe.
  if (total < kFileHeaderSize + 4) {
    qio::Close(file);
    return nullptr;
  }
  const std::size_t size = static_cast<std::size_t>(total - kFileHeaderSize);
  unsigned char* block = static_cast<unsigned char*>(std::calloc(size, 1));
  if (block == nullptr) {
    qio::Close(file);
    return nullptr;
  }
  std::size_t offset = 0;
  while (offset < size) {
    const std::size_t chunk = static_cast<std::size_t>(CVmin(kChunk, static_cast<double>(size - offset)));
    if (!ReadFully(file, block + offset, chunk)) {
      std::free(block);
      qio::Close(file);
      return nullptr;
    }
    offset += chunk;
  }
  qio::Close(file);
  if (!KnownHeaderSize(ReadLE32(block))) {
    std::free(block);
    return nullptr;
  }
  if (length != nullptr) *length = size;
  return block;
}

unsigned char* FindBitmapBits(unsigned char* header, std::size_t length) {
  BitmapLayout l;
  if (header == nullptr || !Locate(header, length, &l)) return nullptr;
  return header + l.bitsOffset;
}

unsigned char* BitmapFileImage(const unsigned char* dib, std::size_t length, std::size_t* imageLength) {
  if (length > SIZE_MAX - kFileHeaderSize) return nullptr;
  auto* image = static_cast<unsigned char*>(std::malloc(kFileHeaderSize + length));
  if (image == nullptr) return nullptr;
  // The loader finds the rows itself; the offset is written for other readers.
  BitmapLayout l;
  const std::uint64_t bits = dib != nullptr && Locate(dib, length, &l) ? l.bitsOffset : 0;
  const std::uint64_t size = kFileHeaderSize + length;
  const std::uint32_t fields[3] = {static_cast<std::uint32_t>(size > UINT32_MAX ? 0 : size), 0,
                                   static_cast<std::uint32_t>(kFileHeaderSize + bits)};
  image[0] = 'B';
  image[1] = 'M';
  for (int f = 0; f < 3; ++f)
    for (int b = 0; b < 4; ++b) image[2 + 4 * f + b] = static_cast<unsigned char>(fields[f] >> (8 * b));
  if (length > 0) std::memcpy(image + kFileHeaderSize, dib, length);
  *imageLength = kFileHeaderSize + length;
  return image;
}

void LayoutBitmap() {
  DisplayRect.left = 14;
  DisplayRect.top = 14;
  DisplayRect.bottom = ClientHeight - 28;
  DisplayRect.right = ClientWidth - 28;
}

namespace {

// Describes the block in DibInfo, which takes it over (`owner` is the
// allocation that holds it). False, with the block freed and the user told
// why, when refused.
bool TakeBitmap(unsigned char* owner, unsigned char* block, std::size_t length) {
  BitmapLayout l;
  if (block == nullptr || !DescribeBitmap(block, length, &l)) {
    std::free(owner);
    RefuseBitmap();
    return false;
  }
  // A few bytes of runs can claim billions of pixels; no picture may make us
  // work for more than the budget.
  if (std::uint64_t{l.width} * l.height > kPixelBudget) {
    std::free(owner);
    ShowMessageF(IDS_PIXEL_BUDGET, static_cast<unsigned>(l.width), static_cast<unsigned>(l.height),
                 static_cast<unsigned>(kPixelBudget / 1000000));
    return false;
  }
  DIBINFO& d = *DibInfo;
  d.Block = owner;
  d.Header = block;
  d.HeaderLength = length;
  d.IsCore = l.isCore ? 1 : 0;
  d.Bits = block + l.bitsOffset;
  d.PixelWidth = static_cast<std::int32_t>(l.width);
  d.PixelHeight = static_cast<std::int32_t>(l.height);
  d.BitCount = l.bitCount;
  if (l.isCore) {
    d.ColorsUsed = l.bitCount == 24 || l.bitCount > 30 ? 0 : std::int32_t{1} << l.bitCount;
  } else {
    d.ColorsUsed = static_cast<std::int32_t>(l.colorsUsed);
  }
  d.PaletteEntries = static_cast<std::int32_t>(l.paletteEntries);
  d.CoreColors = l.isCore ? block + 12 : nullptr;
  d.QuadColors = l.isCore ? nullptr : block + l.paletteOffset;
  d.RowBytes = static_cast<std::int32_t>(l.rowBytes);
  d.TopDown = l.topDown ? 1 : 0;
  d.Compression = l.compression;
  d.DataLength = static_cast<std::size_t>(l.dataLength);
  LayoutBitmap();
  return true;
}

// A fresh record for the next bitmap; the old one is gone whatever follows.
bool NewDibInfo() {
  FreeDibInfo();
  DibInfo = static_cast<DIBINFO*>(std::calloc(1, sizeof(DIBINFO)));
  return DibInfo != nullptr;
}

void DropDibInfo() {
  std::free(DibInfo);
  DibInfo = nullptr;
}

void RecordBitmapSettings() {
  SpectrumSettings.Mode = SOURCE_BITMAP;
  SpectrumSettings.Width = DibInfo->PixelWidth;
  SpectrumSettings.Height = DibInfo->PixelHeight;
  SpectrumSettings.SI = static_cast<std::int32_t>(CVNextPow2(DibInfo->PixelWidth));
}

}  // namespace

int FillDibInfo() {
  if (DibInfo == nullptr) return 0;
  std::size_t length = 0;
  unsigned char* block = ReadBitmapFile(&length);
  if (!TakeBitmap(block, block, length)) return 0;
  return 1;
}

int OpenBitmap() {
  // Pictures in other formats reach the loader as a bitmap decoded from them.
  if (IsDecodedPictureFile()) return OpenDecodedPictureFile();
  if (!NewDibInfo()) return 0;
  if (FillDibInfo() == 0) {
    DropDibInfo();
    return 0;
  }
  RecordBitmapSettings();
  SpectrumSettings.FileTime = GetTimeLastModified(CurrentPath);
  return 1;
}

int OpenBitmapImage(unsigned char* image, std::size_t length) {
  if (!NewDibInfo()) {
    std::free(image);
    ShowMessage(IDS_NO_MEMORY);
    return 0;
  }
  const bool isBitmap = image != nullptr && length >= kFileHeaderSize + 4 && image[0] == 'B' && image[1] == 'M' &&
                        KnownHeaderSize(ReadLE32(image + kFileHeaderSize));
  if (!isBitmap) {
    std::free(image);
    image = nullptr;
  }
  if (!TakeBitmap(image, isBitmap ? image + kFileHeaderSize : nullptr, isBitmap ? length - kFileHeaderSize : 0)) {
    DropDibInfo();
    return 0;
  }
  RecordBitmapSettings();
  return 1;
}

PixelRows::~PixelRows() { std::free(decoded_); }

namespace {

unsigned LightestIndex(const DIBINFO& dib) {
  const unsigned char* table = dib.IsCore ? dib.CoreColors : dib.QuadColors;
  const std::size_t step = dib.IsCore ? 3 : 4;
  const std::int32_t entries = std::min<std::int32_t>(dib.PaletteEntries, dib.BitCount <= 8 ? 1 << dib.BitCount : 0);
  unsigned best = 0, lightest = 0;
  for (std::int32_t i = 0; table != nullptr && i < entries; ++i) {
    const unsigned char* e = table + step * static_cast<std::size_t>(i);
    const unsigned light = 29u * e[0] + 150u * e[1] + 77u * e[2];
    if (light > lightest) best = static_cast<unsigned>(i), lightest = light;
  }
  return best;
}

}  // namespace

bool PixelRows::Open(const DIBINFO& dib) {
  std::free(decoded_);
  decoded_ = nullptr;
  bottom_ = nullptr;
  if (dib.Header == nullptr || dib.Bits == nullptr || dib.PixelWidth <= 0 || dib.PixelHeight <= 0 ||
      dib.RowBytes <= 0 || dib.Bits < dib.Header || dib.Bits > dib.Header + dib.HeaderLength)
    return false;
  const std::size_t rowBytes = static_cast<std::size_t>(dib.RowBytes);
  const std::size_t height = static_cast<std::size_t>(dib.PixelHeight);
  if (rowBytes < (static_cast<std::size_t>(dib.PixelWidth) * dib.BitCount + 7) / 8) return false;
  const std::size_t inBlock = dib.HeaderLength - static_cast<std::size_t>(dib.Bits - dib.Header);
  if (dib.Compression == BITMAP_RLE8 || dib.Compression == BITMAP_RLE4) {
    // The loader bounds the pixel count, so this block is bounded too.
    decoded_ = static_cast<unsigned char*>(std::malloc(height * rowBytes));
    if (decoded_ == nullptr) return false;
    const unsigned fill = LightestIndex(dib);
    std::memset(decoded_, static_cast<int>(dib.BitCount == 4 ? (fill & 0x0F) * 0x11 : fill & 0xFF), height * rowBytes);
    DecodeRunLength(dib.Bits, std::min(dib.DataLength, inBlock), dib.BitCount, dib.PixelWidth, dib.PixelHeight,
                    dib.RowBytes, decoded_);
    bottom_ = decoded_;
    stride_ = static_cast<std::ptrdiff_t>(rowBytes);
    return true;
  }
  if (inBlock / rowBytes < height) return false;
  if (dib.TopDown) {
    bottom_ = dib.Bits + (height - 1) * rowBytes;
    stride_ = -static_cast<std::ptrdiff_t>(rowBytes);
  } else {
    bottom_ = dib.Bits;
    stride_ = static_cast<std::ptrdiff_t>(rowBytes);
  }
  return true;
}
