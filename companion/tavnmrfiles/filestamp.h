// The stamp of GetTimeLastModified: the file's modification time (as finely
// as the platform keeps it), its size and a checksum of its contents mixed
// into a positive int32, so that a change shows even within one clock tick
// or when the time is set back.
#ifndef TAVNMRFILES_FILESTAMP_H
#define TAVNMRFILES_FILESTAMP_H

#include <cstdint>

namespace tav {

// FNV-1a over the whole file; false when it cannot be read.
bool ContentChecksum(const char* path, std::uint64_t& sum);
// Positive: never 0, never -1.
std::int32_t MixStamp(std::uint64_t time, std::uint64_t size, std::uint64_t checksum);

}  // namespace tav

#endif
