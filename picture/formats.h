// Pictures in the formats users hold today: PNG, JPEG, TIFF and GIF (its
// first frame), recognised by content and decoded by libraries (stb_image;
// TIFF by the platform's codec). A decoded picture becomes an ordinary bitmap
// file image in memory, which the bitmap loader takes over, so display and
// trace see a bitmap whatever the file was.
#ifndef QUILLON_PICTURE_FORMATS_H
#define QUILLON_PICTURE_FORMATS_H

#include <cstddef>
#include <cstdint>
#include <string>

enum PictureKind {
  PICTURE_UNKNOWN,
  PICTURE_BMP,
  PICTURE_PNG,
  PICTURE_JPEG,
  PICTURE_TIFF,
  PICTURE_GIF,
};

// The kind of picture whose file begins with `data` (its first `length`
// bytes; a dozen decide), by the format's signature.
PictureKind PictureKindOf(const unsigned char* data, std::size_t length);

// The name the user knows the kind by ("PNG").
const char* PictureKindName(PictureKind kind);

// A decoded picture: 8 bits a channel, rows top first, tightly packed.
struct DecodedPicture {
  std::uint32_t width = 0, height = 0;  // known as soon as the header is read
  int channels = 0;                     // 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA
  bool premultiplied = false;           // colour already multiplied by alpha
  unsigned char* pixels = nullptr;      // std::malloc block, owned by the caller
  std::string reason;                   // why it could not be decoded
};

enum DecodeResult {
  DECODED,
  DECODE_TOO_LARGE,   // beyond what a bitmap can hold (see PictureSizeProblem)
  DECODE_FAILED,      // corrupt, truncated or of a kind the decoder refuses
  DECODE_NO_MEMORY,
};

// Whether a picture of this size can be loaded: at most kPixelBudget pixels
// and 65535 in either direction. Decoders ask before they allocate pixels.
bool PictureSizeAllowed(std::uint32_t width, std::uint32_t height);

// Lowers the pixel count PictureSizeAllowed accepts, for callers that can
// afford less than the budget (the fuzzing harnesses, which must stay fast
// under their instrumentation). Never above kPixelBudget.
void LimitPicturePixels(std::uint64_t pixels);

// Decodes a PNG, JPEG, TIFF or GIF file image; `kind` is its PictureKindOf.
DecodeResult DecodePicture(PictureKind kind, const unsigned char* data, std::size_t length, DecodedPicture* out);

// The PNG, JPEG and GIF decoder (stb_image), and the TIFF one (the platform's).
DecodeResult DecodeWithStb(const unsigned char* data, std::size_t length, DecodedPicture* out);
DecodeResult DecodeTiff(const unsigned char* data, std::size_t length, DecodedPicture* out);

// A whole bitmap file image (from its "BM" on) of the decoded picture, in a
// std::malloc block, null when memory is short. Alpha is laid over white, as
// the picture shows on a page. A picture whose every pixel is grey becomes an
// 8-bit bitmap with a grey colour table, any other a 24-bit one; rows are
// stored bottom first. Pure black stays all-zero either way, so the classic
// trace sees the same pixels as in the file.
unsigned char* BuildBitmapImage(const DecodedPicture& picture, std::size_t* length);

// Loads a picture file image of any kind the program reads (a bitmap, or one
// to decode) as the current bitmap. Takes over `image` (a std::malloc block)
// whether or not it is accepted. 1 when loaded; 0 after a message that says
// why not (the pixel budget, the decoder's reason, the loader's refusal).
int OpenPictureImage(unsigned char* image, std::size_t length);

// True when the file named by CurrentPath is a picture to decode rather than
// a bitmap; OpenBitmap then loads it with OpenDecodedPictureFile.
bool IsDecodedPictureFile();
// Reads the file named by CurrentPath whole and loads it as OpenPictureImage
// does; on success FileTime is its stamp. The previous bitmap is gone either way.
int OpenDecodedPictureFile();

#endif
