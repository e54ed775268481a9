#include "picture/formats.h"

#include <cstdlib>
#include <cstring>

#include "picture/bitmap.h"
#include "picture/bytes.h"
#include "platform/fileio.h"
#include "platform/tiffcodec.h"
#include "shell/state.h"
#include "spectrum/messages.h"
#include "spectrum/settings.h"
#include "tavnmrfiles.h"

namespace {

struct Signature {
  PictureKind kind;
  const char* bytes;
  std::size_t length;
};

// Classic TIFF only: BigTIFF is not read by every platform's codec, and both
// builds must accept the same files.
const Signature kSignatures[] = {
    {PICTURE_BMP, "BM", 2},
    {PICTURE_PNG, "\x89PNG\r\n\x1a\n", 8},
    {PICTURE_JPEG, "\xff\xd8\xff", 3},
    {PICTURE_TIFF, "II*\0", 4},
    {PICTURE_TIFF, "MM\0*", 4},
    {PICTURE_GIF, "GIF87a", 6},
    {PICTURE_GIF, "GIF89a", 6},
};

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kGreyTableSize = 256 * 4;

// The largest file a picture is read from: an uncompressed TIFF of the whole
// pixel budget at 32 bits, and room for its directories.
constexpr std::uint64_t kLargestFile = 4 * kPixelBudget + (std::uint64_t{1} << 20);
constexpr std::size_t kReadChunk = std::size_t{1} << 20;

void PutLE16(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

void PutLE32(unsigned char* p, std::uint32_t v) {
  PutLE16(p, v);
  PutLE16(p + 2, v >> 16);
}

// One pixel as it shows on white paper.
struct Composer {
  const DecodedPicture& p;

  unsigned Over(unsigned colour, unsigned alpha) const {
    if (p.premultiplied) {
      const unsigned v = colour + (255 - alpha);
      return v > 255 ? 255 : v;
    }
    return (colour * alpha + 255 * (255 - alpha) + 127) / 255;
  }

  void At(std::size_t index, unsigned char rgb[3]) const {
    const unsigned char* s = p.pixels + index * static_cast<std::size_t>(p.channels);
    switch (p.channels) {
      case 1:
        rgb[0] = rgb[1] = rgb[2] = s[0];
        break;
      case 2:
        rgb[0] = rgb[1] = rgb[2] = static_cast<unsigned char>(Over(s[0], s[1]));
        break;
      case 3:
        rgb[0] = s[0], rgb[1] = s[1], rgb[2] = s[2];
        break;
      default:
        for (int c = 0; c < 3; ++c) rgb[c] = static_cast<unsigned char>(Over(s[c], s[3]));
        break;
    }
  }
};

bool AllGrey(const DecodedPicture& p, const Composer& compose) {
  if (p.channels <= 2) return true;
  const std::size_t count = static_cast<std::size_t>(p.width) * p.height;
  unsigned char rgb[3];
  for (std::size_t i = 0; i < count; ++i) {
    compose.At(i, rgb);
    if (rgb[0] != rgb[1] || rgb[1] != rgb[2]) return false;
  }
  return true;
}

void ReportDecodeFailure(PictureKind kind, DecodeResult result, const DecodedPicture& picture) {
  switch (result) {
    case DECODE_TOO_LARGE:
      if (std::uint64_t{picture.width} * picture.height > kPixelBudget) {
        ShowMessageF(IDS_PIXEL_BUDGET, static_cast<unsigned>(picture.width), static_cast<unsigned>(picture.height),
                     static_cast<unsigned>(kPixelBudget / 1000000));
      } else {
        ShowMessageF(IDS_PICTURE_UNREADABLE, PictureKindName(kind), "it is wider or taller than 65535 pixels");
      }
      break;
    case DECODE_NO_MEMORY:
      ShowMessage(IDS_NO_MEMORY);
      break;
    default:
      ShowMessageF(IDS_PICTURE_UNREADABLE, PictureKindName(kind),
                   picture.reason.empty() ? "the file is damaged" : picture.reason.c_str());
      break;
  }
}

// The whole file named by CurrentPath in a std::malloc block; null after a
// message when it cannot be read.
unsigned char* ReadWholeFile(std::size_t* length) {
  *length = 0;
  const qio::File file = qio::OpenForRead(CurrentPath);
  if (file == qio::kInvalid) {
    ShowMessage(IDS_CANNOT_OPEN);
    return nullptr;
  }
  unsigned char* data = nullptr;
  std::size_t size = 0, capacity = 0;
  int problem = 0;
  for (;;) {
    if (size == capacity) {
      // Beyond any picture the budget allows; as for memory the heap cannot give.
      if (capacity >= kLargestFile) {
        problem = IDS_NO_MEMORY;
        break;
      }
      const std::size_t grown = capacity == 0 ? kReadChunk : capacity * 2;
      auto* bigger = static_cast<unsigned char*>(std::realloc(data, grown));
      if (bigger == nullptr) {
        problem = IDS_NO_MEMORY;
        break;
      }
      data = bigger;
      capacity = grown;
    }
    const long got = qio::Read(file, data + size, capacity - size);
    if (got < 0) problem = IDS_CANNOT_READ;
    if (got <= 0) break;
    size += static_cast<std::size_t>(got);
  }
  qio::Close(file);
  if (problem != 0) {
    std::free(data);
    ShowMessage(problem);
    return nullptr;
  }
  *length = size;
  return data;
}

}  // namespace

PictureKind PictureKindOf(const unsigned char* data, std::size_t length) {
  if (data == nullptr) return PICTURE_UNKNOWN;
  for (const Signature& s : kSignatures)
    if (length >= s.length && std::memcmp(data, s.bytes, s.length) == 0) return s.kind;
  return PICTURE_UNKNOWN;
}

const char* PictureKindName(PictureKind kind) {
  switch (kind) {
    case PICTURE_BMP:
      return "BMP";
    case PICTURE_PNG:
      return "PNG";
    case PICTURE_JPEG:
      return "JPEG";
    case PICTURE_TIFF:
      return "TIFF";
    case PICTURE_GIF:
      return "GIF";
    default:
      return "unknown";
  }
}

namespace {
std::uint64_t g_pixelLimit = kPixelBudget;
}  // namespace

void LimitPicturePixels(std::uint64_t pixels) { g_pixelLimit = pixels < kPixelBudget ? pixels : kPixelBudget; }

bool PictureSizeAllowed(std::uint32_t width, std::uint32_t height) {
  return width <= 65535 && height <= 65535 && std::uint64_t{width} * height <= g_pixelLimit;
}

DecodeResult DecodeTiff(const unsigned char* data, std::size_t length, DecodedPicture* out) {
  switch (qtiff::Decode(data, length, PictureSizeAllowed, &out->width, &out->height, &out->pixels, &out->reason)) {
    case qtiff::DECODED:
      out->channels = 4;
      out->premultiplied = true;
      return DECODED;
    case qtiff::REFUSED:
      return DECODE_TOO_LARGE;
    case qtiff::NO_MEMORY:
      return DECODE_NO_MEMORY;
    default:
      return DECODE_FAILED;
  }
}

DecodeResult DecodePicture(PictureKind kind, const unsigned char* data, std::size_t length, DecodedPicture* out) {
  switch (kind) {
    case PICTURE_PNG:
    case PICTURE_JPEG:
    case PICTURE_GIF:
      return DecodeWithStb(data, length, out);
    case PICTURE_TIFF:
      return DecodeTiff(data, length, out);
    default:
      out->reason = "it is no picture the program decodes";
      return DECODE_FAILED;
  }
}

unsigned char* BuildBitmapImage(const DecodedPicture& picture, std::size_t* length) {
  *length = 0;
  if (picture.pixels == nullptr || picture.width == 0 || picture.height == 0 ||
      !PictureSizeAllowed(picture.width, picture.height) || picture.channels < 1 || picture.channels > 4)
    return nullptr;
  const Composer compose{picture};
  const bool grey = AllGrey(picture, compose);
  const std::size_t width = picture.width, height = picture.height;
  const std::size_t rowBytes = ((grey ? width : 3 * width) + 3) & ~std::size_t{3};
  const std::size_t offset = kFileHeaderSize + kInfoHeaderSize + (grey ? kGreyTableSize : 0);
  const std::size_t total = offset + rowBytes * height;
  auto* image = static_cast<unsigned char*>(std::calloc(total, 1));
  if (image == nullptr) return nullptr;

  image[0] = 'B';
  image[1] = 'M';
  // Sizes beyond 32 bits are left 0, which the format allows for plain rows.
  const auto field = [](std::size_t v) { return v > 0xFFFFFFFFu ? 0u : static_cast<std::uint32_t>(v); };
  PutLE32(image + 2, field(total));
  PutLE32(image + 10, static_cast<std::uint32_t>(offset));
  unsigned char* info = image + kFileHeaderSize;
  PutLE32(info, kInfoHeaderSize);
  PutLE32(info + 4, picture.width);
  PutLE32(info + 8, picture.height);
  PutLE16(info + 12, 1);
  PutLE16(info + 14, grey ? 8 : 24);
  PutLE32(info + 20, field(rowBytes * height));
  if (grey) {
    PutLE32(info + 32, 256);
    unsigned char* table = info + kInfoHeaderSize;
    for (unsigned i = 0; i < 256; ++i) table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = static_cast<unsigned char>(i);
  }

  unsigned char rgb[3];
  for (std::size_t y = 0; y < height; ++y) {
    // The bottom row is stored first.
    unsigned char* row = image + offset + (height - 1 - y) * rowBytes;
    const std::size_t first = y * width;
    if (picture.channels == 1) {
      std::memcpy(row, picture.pixels + first, width);
      continue;
    }
    for (std::size_t x = 0; x < width; ++x) {
      compose.At(first + x, rgb);
      if (grey) {
        row[x] = rgb[0];
      } else {
        row[3 * x] = rgb[2];
        row[3 * x + 1] = rgb[1];
        row[3 * x + 2] = rgb[0];
      }
    }
  }
  *length = total;
  return image;
}

int OpenPictureImage(unsigned char* image, std::size_t length) {
  const PictureKind kind = PictureKindOf(image, length);
  if (kind == PICTURE_BMP || kind == PICTURE_UNKNOWN) return OpenBitmapImage(image, length);
  // The old bitmap is gone whatever follows, as when a bitmap is loaded, and
  // its memory is free for the new one.
  FreeDibInfo();
  DecodedPicture picture;
  const DecodeResult result = DecodePicture(kind, image, length, &picture);
  std::free(image);
  if (result != DECODED) {
    std::free(picture.pixels);
    ReportDecodeFailure(kind, result, picture);
    return 0;
  }
  std::size_t bitmapLength = 0;
  unsigned char* bitmap = BuildBitmapImage(picture, &bitmapLength);
  std::free(picture.pixels);
  if (bitmap == nullptr) {
    ShowMessage(IDS_NO_MEMORY);
    return 0;
  }
  return OpenBitmapImage(bitmap, bitmapLength);
}

bool IsDecodedPictureFile() {
  const qio::File file = qio::OpenForRead(CurrentPath);
  if (file == qio::kInvalid) return false;
  unsigned char head[16];
  std::size_t got = 0;
  long n = 0;
  while (got < sizeof head && (n = qio::Read(file, head + got, sizeof head - got)) > 0) got += static_cast<std::size_t>(n);
  qio::Close(file);
  const PictureKind kind = PictureKindOf(head, got);
  return kind != PICTURE_UNKNOWN && kind != PICTURE_BMP;
}

int OpenDecodedPictureFile() {
  FreeDibInfo();
  std::size_t length = 0;
  unsigned char* image = ReadWholeFile(&length);
  if (image == nullptr || OpenPictureImage(image, length) == 0) return 0;
  SpectrumSettings.FileTime = GetTimeLastModified(CurrentPath);
  return 1;
}
