// The stamp of GetTimeLastModified: the file's modification time (as finely
// as the platform keeps it), its size and a checksum of its contents mixed
// into a positive int32, so that a change shows even within one clock tick
// or when the time is set back. The contents are read only when what the file
// system tells cannot vouch that they are as they were when last read.
#ifndef TAVNMRFILES_FILESTAMP_H
#define TAVNMRFILES_FILESTAMP_H

#include <cstdint>
#include <string>
#include <vector>

namespace tav {

// What the file system tells of a file without reading it. Times are in the
// platform's finest unit.
struct FileFacts {
  std::uint64_t device = 0, file = 0;  // which file, where the platform tells it cheaply (0 otherwise)
  std::uint64_t size = 0;
  std::uint64_t written = 0;           // modification time
  std::uint64_t changed = 0;           // status change: moves with every write, also when the time is set back
  std::uint64_t now = 0;               // the clock when the facts were taken
  std::uint64_t tick = 0;              // how long after a change a second one may leave the times as they were
};

// Per platform. False for a missing file, a folder, or one that cannot be examined.
bool ReadFileFacts(const char* path, FileFacts* facts);

// A 64-bit hash of the whole file; false when it cannot be read.
bool ContentChecksum(const char* path, std::uint64_t& sum);
// Positive: never 0, never -1.
std::int32_t MixStamp(std::uint64_t time, std::uint64_t size, std::uint64_t checksum);

// The stamps last taken, with the facts taken just before the contents were
// read; a file may have several (a stamp a check took after it changed does
// not make the one the program holds unknown). A stamp taken when the file had already been
// unchanged for a tick is settled: any later change moves its facts, so as
// long as they stand still the stamp holds without reading the file again.
class StampMemory {
 public:
  enum Verdict { kSame, kChanged, kUnknown };
  // The stamp remembered for `path`, when `facts` show that it still holds.
  bool Recall(const std::string& path, const FileFacts& facts, std::int32_t* stamp) const;
  void Remember(const std::string& path, const FileFacts& facts, std::int32_t stamp);
  // What `facts` alone tell of `stamp`: the file is as it was, it changed (its
  // size or time, both of which the stamp holds, moved), or only the contents
  // can tell (another file in its place, a change within one tick of the
  // stamp, or a stamp this memory did not make).
  Verdict Compare(const std::string& path, const FileFacts& facts, std::int32_t stamp) const;

 private:
  struct Entry {
    std::string path;
    FileFacts facts;
    std::int32_t stamp;
  };
  // The latest entry of `path`, with those facts and that stamp when given.
  const Entry* Find(const std::string& path, const FileFacts* facts, const std::int32_t* stamp) const;
  std::vector<Entry> entries_;  // the most recent last
};

}  // namespace tav

#endif
