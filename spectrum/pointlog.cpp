#include "spectrum/pointlog.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "spectrum/choices.h"
#include "spectrum/settings.h"
#include "spectrum/messages.h"
#include "spectrum/synth.h"
#include "tavutils.h"

namespace {

int g_logSlot = -1;
bool g_logFailed = false;

// Lines gather here and reach the file in large writes: a million points
// must not cost a million system calls.
constexpr std::size_t kWriteBuffer = 65536;
char g_pending[kWriteBuffer];
std::size_t g_pendingLength = 0;

void FlushPoints() {
  if (g_pendingLength > 0 && PointLogFile != qio::kInvalid &&
      !qio::Write(PointLogFile, g_pending, g_pendingLength))
    g_logFailed = true;
  g_pendingLength = 0;
}

}  // namespace

bool BeginPointLog(char (&name)[qio::kPathSize]) {
  char dir[qio::kPathSize];
  name[0] = '\0';
  g_pendingLength = 0;
  PointLogFile = qio::kInvalid;
  PointCount = 0;
  // A conversion starts with its log: what an earlier one traced is gone.
  LastTrace = TraceRecord{};
  g_logFailed = false;
  // Never create a file under an unset name.
  if (!qio::TempPath(dir)) return false;
  static bool swept = false;
  if (!swept) {
    swept = true;
    CVSweepOwned(dir, kPointLogPurpose);
  }
  // Made and registered as one step: an interrupt between the two would
  // leave a log that no clean-up knows of.
  CVHoldInterrupts();
  const bool made = qio::TempFileName(dir, CVOwnedPrefix(kPointLogPurpose).c_str(), name);
  if (made) g_logSlot = CVAddOwned(name);
  CVReleaseInterrupts();
  if (!made) return false;
  PointLogFile = qio::CreateForWrite(name);
  if (PointLogFile == qio::kInvalid) {
    DiscardPointLog(name);
    name[0] = '\0';
    return false;
  }
  return true;
}

void WritePoint(long x, long y) {
  if (PointLogFile == qio::kInvalid) return;
  // The text of "%ld %ld\n", made without the cost of a format string.
  // 32 characters hold any long.
  static_assert(kLineBufferSize >= 2 * 32 + 2, "two numbers and their separators");
  char* end = std::to_chars(LineBuffer, LineBuffer + 32, x).ptr;
  *end++ = ' ';
  end = std::to_chars(end, end + 32, y).ptr;
  *end++ = '\n';
  const std::size_t n = static_cast<std::size_t>(end - LineBuffer);
  if (g_pendingLength + n > kWriteBuffer) FlushPoints();
  std::memcpy(g_pending + g_pendingLength, LineBuffer, n);
  g_pendingLength += n;
  ++PointCount;
}

char PointLogCopy[qio::kPathSize];
bool PointLogCopied = false;

namespace {

// Every read and write is checked: a copy cut short by a full disk must not pass.
bool CopyLog(const char* from, const char* to) {
  qio::File in = qio::OpenForRead(from);
  if (in == qio::kInvalid) return false;
  qio::File out = qio::CreateForWrite(to);
  bool ok = out != qio::kInvalid;
  char buf[16384];
  long n = 0;
  while (ok && (n = qio::Read(in, buf, sizeof buf)) > 0) ok = qio::Write(out, buf, static_cast<size_t>(n));
  qio::Close(out);
  qio::Close(in);
  return ok && n == 0;
}

}  // namespace

void CopyTracedPoints(const TracedPoint* points, std::size_t count) {
  PointLogCopied = false;
  if (PointLogCopy[0] == '\0') return;
  qio::File out = qio::CreateForWrite(PointLogCopy);
  bool ok = out != qio::kInvalid;
  std::string text;
  char line[64];
  for (std::size_t i = 0; ok && i < count; ++i) {
    const int n = std::snprintf(line, sizeof line, "%.10g %.10g\n", points[i].x, points[i].y);
    text.append(line, static_cast<std::size_t>(n));
    if (text.size() >= 65536 || i + 1 == count) {
      ok = qio::Write(out, text.data(), text.size());
      text.clear();
    }
  }
  qio::Close(out);
  PointLogCopied = ok;
}

bool ReopenPointLog(const char* name) {
  FlushPoints();
  qio::Close(PointLogFile);
  PointLogFile = qio::kInvalid;
  PointLogCopied = false;
  if (g_logFailed) return false;
  if (PointLogCopy[0] != '\0') PointLogCopied = CopyLog(name, PointLogCopy);
  PointLogFile = qio::OpenForRead(name);
  return PointLogFile != qio::kInvalid;
}

void DiscardPointLog(const char* name) {
  g_pendingLength = 0;
  qio::Close(PointLogFile);
  PointLogFile = qio::kInvalid;
  if (name != nullptr && name[0] != '\0') qio::Delete(name);
  CVDropOwned(g_logSlot);
  g_logSlot = -1;
}

int FinishPointLog(const char* name) {
  int result = 0;
  if (ReopenPointLog(name)) {
    result = BuildSpectrum();
  } else {
    ShowMessage(IDS_LOG_UNREADABLE);
  }
  DiscardPointLog(name);
  return result;
}
