#include "filestamp.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "tavnmrfiles.h"

namespace tav {

bool ContentChecksum(const char* path, std::uint64_t& sum) {
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  XXH3_state_t state;
  XXH3_64bits_reset(&state);
  constexpr std::size_t kBlock = 1 << 20;
  std::unique_ptr<unsigned char[]> buf(new unsigned char[kBlock]);
  std::size_t got;
  while ((got = std::fread(buf.get(), 1, kBlock, f)) > 0) XXH3_64bits_update(&state, buf.get(), got);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  sum = XXH3_64bits_digest(&state);
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

bool SameFile(const FileFacts& a, const FileFacts& b) {
  return a.device == b.device && a.file == b.file && a.size == b.size && a.written == b.written &&
         a.changed == b.changed;
}

// Unchanged for a tick when the facts were taken: a later change cannot leave
// the times as they are. A time in the future never counts as settled.
bool Settled(const FileFacts& f) {
  const std::uint64_t latest = std::max(f.written, f.changed);
  return f.now >= latest && f.now - latest >= f.tick;
}
}  // namespace

std::int32_t MixStamp(std::uint64_t time, std::uint64_t size, std::uint64_t checksum) {
  const std::uint64_t h = Scramble(Scramble(Scramble(time) ^ size) ^ checksum);
  const std::int32_t stamp = static_cast<std::int32_t>(h & 0x7fffffffULL);
  return stamp > 0 ? stamp : 1;
}

const StampMemory::Entry* StampMemory::Find(const std::string& path, const FileFacts* facts,
                                            const std::int32_t* stamp) const {
  for (auto e = entries_.rbegin(); e != entries_.rend(); ++e)
    if (e->path == path && (facts == nullptr || SameFile(e->facts, *facts)) && (stamp == nullptr || e->stamp == *stamp))
      return &*e;
  return nullptr;
}

bool StampMemory::Recall(const std::string& path, const FileFacts& facts, std::int32_t* stamp) const {
  const Entry* e = Find(path, &facts, nullptr);
  if (e == nullptr || !Settled(e->facts)) return false;
  *stamp = e->stamp;
  return true;
}

void StampMemory::Remember(const std::string& path, const FileFacts& facts, std::int32_t stamp) {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [&](const Entry& e) {
                                  return e.path == path && (e.stamp == stamp || SameFile(e.facts, facts));
                                }),
                 entries_.end());
  constexpr std::size_t kStamps = 16;
  if (entries_.size() == kStamps) entries_.erase(entries_.begin());
  entries_.push_back({path, facts, stamp});
}

StampMemory::Verdict StampMemory::Compare(const std::string& path, const FileFacts& facts,
                                          std::int32_t stamp) const {
  const Entry* e = Find(path, nullptr, &stamp);
  if (e == nullptr) return kUnknown;
  if (Settled(e->facts) && SameFile(e->facts, facts)) return kSame;
  if (e->facts.size != facts.size || e->facts.written != facts.written) return kChanged;
  return kUnknown;
}

}  // namespace tav

namespace {

// One memory for the process, shared by the threads that ask; never torn
// down, so that a check still running at exit finds it.
std::mutex& MemoryLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}
tav::StampMemory& Memory() {
  static tav::StampMemory* memory = new tav::StampMemory;
  return *memory;
}

}  // namespace

std::int32_t GetTimeLastModified(const char* path) {
  tav::FileFacts facts;
  if (path == nullptr || !tav::ReadFileFacts(path, &facts)) return -1;
  std::int32_t stamp = 0;
  {
    std::lock_guard<std::mutex> hold(MemoryLock());
    if (Memory().Recall(path, facts, &stamp)) return stamp;
  }
  std::uint64_t sum = 0;
  if (!tav::ContentChecksum(path, sum)) return -1;
  stamp = tav::MixStamp(facts.written, facts.size, sum);
  std::lock_guard<std::mutex> hold(MemoryLock());
  Memory().Remember(path, facts, stamp);
  return stamp;
}

int CompareTimeLastModified(const char* path, std::int32_t stamp) {
  tav::FileFacts facts;
  if (path == nullptr || !tav::ReadFileFacts(path, &facts)) return TAV_STAMP_GONE;
  std::lock_guard<std::mutex> hold(MemoryLock());
  switch (Memory().Compare(path, facts, stamp)) {
    case tav::StampMemory::kSame:
      return TAV_STAMP_SAME;
    case tav::StampMemory::kChanged:
      return TAV_STAMP_CHANGED;
    default:
      return TAV_STAMP_UNKNOWN;
  }
}
