#include "filestamp.h"

#include <cstdio>

namespace tav {

bool ContentChecksum(const char* path, std::uint64_t& sum) {
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  std::uint64_t h = 14695981039346656037ULL;
  unsigned char buf[65536];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0)
    for (size_t i = 0; i < got; ++i) h = (h ^ buf[i]) * 1099511628211ULL;
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  sum = h;
  return ok;
}

namespace {
std::uint64_t Scramble(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}
}  // namespace

std::int32_t MixStamp(std::uint64_t time, std::uint64_t size, std::uint64_t checksum) {
  const std::uint64_t h = Scramble(Scramble(Scramble(time) ^ size) ^ checksum);
  const std::int32_t stamp = static_cast<std::int32_t>(h & 0x7fffffffULL);
  return stamp > 0 ? stamp : 1;
}

}  // namespace tav
