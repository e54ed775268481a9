// PNG, JPEG and GIF through stb_image, compiled here once, with the other
// formats it knows left out: they are not ours to accept, and every decoder
// compiled in is one more that a hostile file can reach.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "picture/bitmap.h"
#include "picture/formats.h"

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_FAILURE_USERMSG
#define STBI_MAX_DIMENSIONS 65535  // what a bitmap can hold, for every frame as well
// Zeroed, so that what a damaged file leaves unwritten reads the same every time.
#define STBI_MALLOC(size) std::calloc(1, size)
#define STBI_REALLOC(p, size) std::realloc(p, size)
#define STBI_FREE(p) std::free(p)
#include <stb/stb_image.h>

namespace {

std::uint32_t ReadBE32(const unsigned char* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// stb_image 2.27 (Debian's) trusts a JPEG's Huffman tables too far: it fills
// a table from a DHT segment without checking that its code counts add up to
// at most 256, and writes past the table when they do not; and a scan that
// names a table no DHT segment defined decodes with whatever memory the table
// holds, reading past it. So the segments are walked first, as the decoder
// will meet them (a marker segment by its length, entropy-coded data byte by
// byte up to the next marker), and such a file is refused unread.
bool HuffmanTablesSound(const unsigned char* data, std::size_t length) {
  bool defined[2][4] = {};  // DC and AC tables 0-3
  std::size_t p = 2;  // behind the start-of-image marker
  while (p + 4 <= length) {
    const unsigned marker = data[p + 1];
    // Entropy-coded bytes, stuffed zeros, fill bytes, restarts: no length.
    if (data[p] != 0xFF || marker == 0x00 || marker == 0xFF || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      p += data[p] == 0xFF && marker != 0xFF ? 2 : 1;
      continue;
    }
    if (marker == 0xD9) break;  // end of image
    const std::size_t segment = std::size_t{data[p + 2]} << 8 | data[p + 3];
    if (marker == 0xC4) {
      // As the decoder reads it: tables while the length is not used up, even
      // across its end; past the end of the file it reads zeros.
      long remaining = static_cast<long>(segment) - 2;
      for (std::size_t t = p + 4; remaining > 0 && t < length;) {
        if ((data[t] >> 4) <= 1 && (data[t] & 15) <= 3) defined[data[t] >> 4][data[t] & 15] = true;
        unsigned codes = 0;
        for (std::size_t i = t + 1; i <= t + 16 && i < length; ++i) codes += data[i];
        if (codes > 256) return false;
        remaining -= 17 + static_cast<long>(codes);
        t += 17 + codes;
      }
      // A length that the tables do not fill exactly ends the decoding here.
      if (remaining != 0) break;
    } else if (marker == 0xDA) {
      // A scan's components name their tables: DC ones for a scan that
      // starts at coefficient 0, AC ones for a scan that reaches past it.
      if (p + 5 > length) break;
      const std::size_t n = data[p + 4];
      const std::size_t spectral = p + 5 + 2 * n;
      if (spectral + 2 > length) break;
      const bool dc = data[spectral] == 0, ac = data[spectral + 1] > 0;
      for (std::size_t c = 0; c < n; ++c) {
        const unsigned tables = data[p + 6 + 2 * c];
        if ((dc && !defined[0][(tables >> 4) & 3]) || (ac && !defined[1][tables & 3])) return false;
      }
    }
    p += 2 + segment;
  }
  return true;
}

// stb grows its buffer of image data to a chunk's stated length before it
// reads the chunk, so a few bytes claiming a 2 GiB chunk cost 2 GiB. A chunk
// reaching past the end of the file cannot be read anyway: refused unread.
bool PngChunksInFile(const unsigned char* data, std::size_t length) {
  for (std::size_t p = 8; p + 8 <= length;) {
    const std::uint64_t end = p + 12 + std::uint64_t{ReadBE32(data + p)};
    if (end > length) return false;
    if (std::memcmp(data + p + 4, "IEND", 4) == 0) break;
    p = static_cast<std::size_t>(end);
  }
  return true;
}

}  // namespace

DecodeResult DecodeWithStb(const unsigned char* data, std::size_t length, DecodedPicture* out) {
  if (length > static_cast<std::size_t>(INT_MAX)) {
    out->reason = "the file is larger than its decoder reads";
    return DECODE_FAILED;
  }
  const int size = static_cast<int>(length);
  const auto failed = [out]() {
    const char* why = stbi_failure_reason();
    out->reason = why != nullptr ? why : "";
    return std::strcmp(out->reason.c_str(), "Out of memory") == 0 ? DECODE_NO_MEMORY : DECODE_FAILED;
  };
  if (PictureKindOf(data, length) == PICTURE_JPEG && !HuffmanTablesSound(data, length)) {
    out->reason = "Corrupt JPEG";
    return DECODE_FAILED;
  }
  if (PictureKindOf(data, length) == PICTURE_PNG && !PngChunksInFile(data, length)) {
    out->reason = "Corrupt PNG";
    return DECODE_FAILED;
  }
  // stb refuses a PNG of more than 2^30 samples before it tells its size;
  // the size comes from the header chunk itself, so the user hears the limit.
  if (PictureKindOf(data, length) == PICTURE_PNG && length >= 24 && std::memcmp(data + 12, "IHDR", 4) == 0) {
    out->width = ReadBE32(data + 16);
    out->height = ReadBE32(data + 20);
    if (!PictureSizeAllowed(out->width, out->height)) return DECODE_TOO_LARGE;
  }
  int width = 0, height = 0, channels = 0;
  // The header alone gives the size, so a picture beyond the budget costs nothing.
  if (!stbi_info_from_memory(data, size, &width, &height, &channels)) return failed();
  out->width = static_cast<std::uint32_t>(width);
  out->height = static_cast<std::uint32_t>(height);
  if (!PictureSizeAllowed(out->width, out->height)) return DECODE_TOO_LARGE;
  // stb keeps three 4-byte canvases of a GIF's full screen while it decodes,
  // so a few hundred bytes could claim gigabytes within the pixel budget; a
  // GIF of a sixteenth of the budget is still far beyond any real one.
  if (PictureKindOf(data, length) == PICTURE_GIF && std::uint64_t{out->width} * out->height > kPixelBudget / 16) {
    out->reason = "a GIF this large takes more memory to decode than a picture may; save it as PNG";
    return DECODE_FAILED;
  }
  // Channels as stored: stb's own conversions are not needed, since alpha is
  // laid over white when the bitmap is built.
  unsigned char* pixels = stbi_load_from_memory(data, size, &width, &height, &channels, 0);
  if (pixels == nullptr) return failed();
  if (static_cast<std::uint32_t>(width) != out->width || static_cast<std::uint32_t>(height) != out->height ||
      channels < 1 || channels > 4) {
    std::free(pixels);
    out->reason = "its size is stated twice, differently";
    return DECODE_FAILED;
  }
  out->channels = channels;
  out->premultiplied = false;
  out->pixels = pixels;
  return DECODED;
}
