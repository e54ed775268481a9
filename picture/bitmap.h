// The bitmap loader: a Windows bitmap file read into a block of its own and
// described in DibInfo. The block is kept exactly as stored; the display and
// the trace scan both work on it.
#ifndef QUILLON_PICTURE_BITMAP_H
#define QUILLON_PICTURE_BITMAP_H

#include <cstddef>
#include <cstdint>

// Compression codes of the longer header that the program understands.
enum : std::uint32_t {
  BITMAP_RGB = 0,
  BITMAP_RLE8 = 1,
  BITMAP_RLE4 = 2,
  BITMAP_BITFIELDS = 3,
  BITMAP_ALPHABITFIELDS = 6,
};

// The most pixels a picture may have: enough for a 20000 x 20000 scan, and
// what a 32-bit picture of that many takes (4 GiB) still fits in memory.
constexpr std::uint64_t kPixelBudget = std::uint64_t{1} << 30;

struct DIBINFO {
  std::int32_t IsCore;          // 1 for a 12-byte core header
  std::uint16_t BitCount;       // bits per pixel
  std::int32_t ColorsUsed;
  std::int32_t PixelWidth;      // 0..65535
  std::int32_t PixelHeight;     // 0..65535, whatever the stored row order
  std::int32_t RowBytes;        // bytes per stored row, a multiple of 4
  std::int32_t PaletteEntries;  // colour-table entries
  unsigned char* Header;        // the file from its bitmap header on
  unsigned char* Bits;          // first stored pixel row, inside Header
  unsigned char* CoreColors;    // 3-byte colour entries (core header) or null
  unsigned char* QuadColors;    // 4-byte colour entries (longer header) or null
  std::size_t HeaderLength;     // bytes in the Header block
  std::int32_t TopDown;         // 1 when the first stored row is the top row
  std::uint32_t Compression;    // BITMAP_RGB for a core header
  std::size_t DataLength;       // bytes of pixel data from Bits on (compressed size for RLE)
  unsigned char* Block;         // the allocation that holds Header; owned
};

extern DIBINFO* DibInfo;  // the loaded bitmap, or null

// Frees DibInfo with its block; DibInfo becomes null.
void FreeDibInfo();

// Loads the file named by CurrentPath as the current bitmap: replaces DibInfo,
// lays out DisplayRect and records Mode, Width, Height, SI and FileTime in the
// settings. 1 when a bitmap is loaded; 0 (no bitmap) otherwise, after the
// load-failure message (or the one that names the pixel budget) unless the
// record itself could not be allocated.
// PNG, JPEG, TIFF and GIF files are decoded into a bitmap (picture/formats.h).
int OpenBitmap();

// Loads a whole bitmap file image already in memory (from its "BM" on) as the
// current bitmap, as OpenBitmap does with a file, without copying it: the
// record takes over `image` (a std::malloc block) whether or not it is
// accepted. FileTime is left to the caller. 1 when loaded; 0 after the
// load-failure message or the pixel budget's.
int OpenBitmapImage(unsigned char* image, std::size_t length);

// A whole bitmap file image (a std::malloc block the caller owns) of a bitmap
// held without its file header, as the clipboard holds one: the header is put
// before it. Null when memory is short.
unsigned char* BitmapFileImage(const unsigned char* dib, std::size_t length, std::size_t* imageLength);

// DisplayRect for a bitmap: origin (14, 14), then the width and height that
// the picture is stretched to, ClientWidth - 28 and ClientHeight - 28.
void LayoutBitmap();

// The file named by CurrentPath from its bitmap header (file offset 14) to its
// end, in a new zero-filled block the caller frees with std::free; null when
// the file cannot be read, is no "BM" file, or has a header size the loader
// does not know (below 12, or 13 to 15). `length` receives the block's size.
unsigned char* ReadBitmapFile();
unsigned char* ReadBitmapFile(std::size_t* length);

// The first stored pixel row behind the header and colour table of `header`.
// With the block's length given, null when the header, its colour table or
// its bit-field masks do not lie wholly inside the block.
unsigned char* FindBitmapBits(unsigned char* header, std::size_t length = SIZE_MAX);

// Fills the allocated DibInfo from a fresh ReadBitmapFile and lays out
// DisplayRect. 1 on success; 0 when DibInfo is null, and 0 after the
// load-failure message (or the pixel budget's) when the file is refused.
int FillDibInfo();

// Where the parts of a bitmap lie in its block, and whether the block holds
// everything its header announces. Shared by the loader and its tests.
struct BitmapLayout {
  std::uint32_t headerSize;
  bool isCore;
  std::uint16_t bitCount;
  std::uint32_t width;          // pixels
  std::uint32_t height;         // pixels, whatever the row order
  bool topDown;
  std::uint32_t compression;
  std::uint32_t colorsUsed;     // the header's field, 0 when absent
  std::uint32_t imageSize;      // the header's field, 0 when absent
  std::uint64_t paletteEntries;
  std::uint64_t paletteOffset;  // from the header's first byte
  std::uint64_t bitsOffset;     // first stored pixel row
  std::uint64_t rowBytes;
  std::uint64_t dataLength;     // pixel data the display and the scan read
};

// Describes the bitmap in `block` (its first `length` bytes). False when the
// block cannot be a bitmap this program shows and traces safely: a header it
// does not know or that is cut short, a size of 65536 pixels or more, a
// negative width, a colour table or rows beyond the block, a compression it
// cannot decode, or compressed rows stored top-down.
bool DescribeBitmap(const unsigned char* block, std::size_t length, BitmapLayout* layout);

// The pixel rows of a loaded bitmap, from the bottom row of the picture up,
// whatever their stored order: stored rows in place, run-length rows decoded
// into a block of their own, freed with the object. For readers of colours
// (the automatic trace, the preview); the classic scan walks the runs itself.
class PixelRows {
 public:
  PixelRows() = default;
  ~PixelRows();
  PixelRows(const PixelRows&) = delete;
  PixelRows& operator=(const PixelRows&) = delete;
  // False when the record holds no rows to read (nothing loaded, rows beyond
  // the block) or memory for decoding is short. Pixels run-length data leaves
  // out take the lightest colour of the table: they are paper, not ink.
  bool Open(const DIBINFO& dib);
  const unsigned char* Row(std::int32_t fromBottom) const { return bottom_ + stride_ * fromBottom; }

 private:
  const unsigned char* bottom_ = nullptr;
  std::ptrdiff_t stride_ = 0;
  unsigned char* decoded_ = nullptr;
};

// Decodes run-length encoded rows (RLE8 for 8 bits, RLE4 for 4 bits) into
// `rows`: `height` rows of `rowBytes` bytes in stored order, which the caller
// has filled with the value that pixels the data leaves out should take.
// Reads only `length` bytes of `data` and writes only inside `rows`, whatever
// the data says. False when the data ends before its end-of-bitmap code or
// breaks the encoding; the pixels decoded up to there are kept. The trace
// scan walks the same runs without rows (WalkRunLength, bitmap_rle.h).
bool DecodeRunLength(const unsigned char* data, std::size_t length, std::uint16_t bitCount,
                     std::int32_t width, std::int32_t height, std::int32_t rowBytes,
                     unsigned char* rows);

#endif
