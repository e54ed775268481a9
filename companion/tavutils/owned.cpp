// The registry of owned paths and the owner tags in their names.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "owned.h"
#include "tavutils.h"

namespace {

// A slot's state word: a generation in the high bits, so that a stale handle
// never drops a path registered later in the same slot, and the state below.
constexpr int kSlots = 64;
constexpr std::uint32_t kFree = 0, kFilling = 1, kActive = 2, kRemoving = 3;
constexpr std::uint32_t kStateBits = 2, kStateMask = 3;
constexpr int kIndexBits = 8;

struct Slot {
  std::atomic<std::uint32_t> word{kFree};
  char path[CV_OWNED_MAX_PATH];
};

Slot g_slots[kSlots];
std::atomic<bool> g_stop{false};
static_assert(std::atomic<std::uint32_t>::is_always_lock_free, "the registry is walked from signal handlers");

std::uint32_t Word(std::uint32_t generation, std::uint32_t state) { return generation << kStateBits | state; }

// The start is kept as its low 32 bits in hexadecimal: short names, and
// told apart well enough between processes of one number.
struct Tag {
  std::string host;
  unsigned long pid = 0;
  unsigned long start = 0;
};

unsigned long Low32(unsigned long long v) { return static_cast<unsigned long>(v & 0xffffffffULL); }

// The host's first name part in letters, digits and '-', so that '.' parts
// the tag's fields: "h" when nothing of it is left.
std::string TagHost(const std::string& name) {
  std::string host;
  for (char c : name) {
    if (c == '.' || host.size() == 24) break;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-') host += c;
  }
  return host.empty() ? "h" : host;
}

const Tag& OwnTag() {
  static const Tag tag = [] {
    Tag t;
    t.host = TagHost(tavown::HostName());
    t.pid = tavown::OwnPid();
    unsigned long long start = 0;
    if (tavown::ProcessState(t.pid, &start) == tavown::Liveness::Running) t.start = Low32(start);
    return t;
  }();
  return tag;
}

// Reads "<host>.<pid>.<start>." at the start of `text`.
bool ParseTag(const std::string& text, Tag* tag) {
  const size_t a = text.find('.');
  if (a == std::string::npos || a == 0) return false;
  const size_t b = text.find('.', a + 1);
  if (b == std::string::npos) return false;
  const size_t c = text.find('.', b + 1);
  if (c == std::string::npos) return false;
  const std::string pid = text.substr(a + 1, b - a - 1), start = text.substr(b + 1, c - b - 1);
  if (pid.empty() || start.empty() || start.size() > 8 || pid.find_first_not_of("0123456789") != std::string::npos ||
      start.find_first_not_of("0123456789abcdef") != std::string::npos)
    return false;
  tag->host = text.substr(0, a);
  tag->pid = std::strtoul(pid.c_str(), nullptr, 10);
  tag->start = std::strtoul(start.c_str(), nullptr, 16);
  return true;
}

// Only a process that is known to be gone gives up its names: a process of
// the same number that started at another time is another process.
bool OwnerGone(const Tag& tag) {
  const Tag& own = OwnTag();
  if (tag.host != own.host) return false;  // another machine sharing the folder
  if (tag.pid == own.pid && tag.start == own.start) return false;
  unsigned long long start = 0;
  switch (tavown::ProcessState(tag.pid, &start)) {
    case tavown::Liveness::Gone:
      return true;
    case tavown::Liveness::Running:
      return Low32(start) != tag.start;
    case tavown::Liveness::Unknown:
      return false;
  }
  return false;
}

}  // namespace

int CVAddOwned(const char* path) {
  if (path == nullptr) return -1;
  const size_t n = std::strlen(path);
  if (n == 0 || n >= static_cast<size_t>(CV_OWNED_MAX_PATH)) return -1;
  for (int i = 0; i < kSlots; ++i) {
    std::uint32_t word = g_slots[i].word.load(std::memory_order_acquire);
    if ((word & kStateMask) != kFree) continue;
    const std::uint32_t generation = word >> kStateBits;
    if (!g_slots[i].word.compare_exchange_strong(word, Word(generation, kFilling), std::memory_order_acq_rel))
      continue;
    std::memcpy(g_slots[i].path, path, n + 1);
    g_slots[i].word.store(Word(generation, kActive), std::memory_order_release);
    return static_cast<int>(((generation & 0x7fffffu) << kIndexBits) | static_cast<std::uint32_t>(i));
  }
  return -1;
}

void CVDropOwned(int slot) {
  if (slot < 0) return;
  const int index = slot & ((1 << kIndexBits) - 1);
  if (index >= kSlots) return;
  const std::uint32_t generation = static_cast<std::uint32_t>(slot) >> kIndexBits;
  std::atomic<std::uint32_t>& word = g_slots[index].word;
  std::uint32_t expected = word.load(std::memory_order_acquire);
  if ((expected >> kStateBits & 0x7fffffu) != generation || (expected & kStateMask) != kActive) return;
  word.compare_exchange_strong(expected, Word((expected >> kStateBits) + 1, kFree), std::memory_order_acq_rel);
}

void CVRemoveOwned() {
  for (Slot& s : g_slots) {
    std::uint32_t word = s.word.load(std::memory_order_acquire);
    if ((word & kStateMask) != kActive) continue;
    const std::uint32_t generation = word >> kStateBits;
    if (!s.word.compare_exchange_strong(word, Word(generation, kRemoving), std::memory_order_acq_rel)) continue;
    tavown::RemovePathNow(s.path);
    s.word.store(Word(generation + 1, kFree), std::memory_order_release);
  }
}

std::string CVOwnedPrefix(const char* purpose) {
  const Tag& own = OwnTag();
  char numbers[40];
  std::snprintf(numbers, sizeof numbers, ".%lu.%lx.", own.pid, own.start);
  return std::string(purpose) + "." + own.host + numbers;
}

void CVSweepOwned(const std::string& folder, const char* purpose) {
  const std::string lead = std::string(purpose) + ".";
  for (const std::string& name : tavown::FolderNames(folder)) {
    if (name.compare(0, lead.size(), lead) != 0) continue;
    Tag tag;
    if (!ParseTag(name.substr(lead.size()), &tag) || !OwnerGone(tag)) continue;
    const bool joined = folder.empty() || folder.back() == '/' || folder.back() == '\\';
    const std::string path = joined ? folder + name : folder + tavown::Separator() + name;
    tavown::RemovePathNow(path.c_str());
  }
}

void CVRequestStop() { g_stop.store(true); }

bool CVStopRequested() { return g_stop.load(); }
