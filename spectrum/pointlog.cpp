#include "spectrum/pointlog.h"

#include <cstdio>

#include "spectrum/choices.h"
#include "spectrum/settings.h"
#include "spectrum/messages.h"
#include "spectrum/synth.h"

bool BeginPointLog(char (&name)[qio::kPathSize]) {
  char dir[qio::kPathSize];
  name[0] = '\0';
  PointLogFile = qio::kInvalid;
  PointCount = 0;
  // A conversion starts with its log: what an earlier one traced is gone.
  LastTrace = TraceRecord{};
  // Never create a file under an unset name.
  if (!qio::TempPath(dir) || !qio::TempFileName(dir, "tst", name)) return false;
  PointLogFile = qio::CreateForWrite(name);
  if (PointLogFile == qio::kInvalid) {
    qio::Delete(name);
    name[0] = '\0';
    return false;
  }
  return true;
}

void WritePoint(long x, long y) {
  if (PointLogFile == qio::kInvalid) return;
  const int n = std::snprintf(LineBuffer, sizeof LineBuffer, "%ld %ld\n", x, y);
  if (n > 0) qio::Write(PointLogFile, LineBuffer, static_cast<size_t>(n));
  ++PointCount;
}

char PointLogCopy[qio::kPathSize];

namespace {

void CopyLog(const char* from, const char* to) {
  qio::File in = qio::OpenForRead(from);
  if (in == qio::kInvalid) return;
  qio::File out = qio::CreateForWrite(to);
  if (out != qio::kInvalid) {
    char buf[16384];
    long n;
    while ((n = qio::Read(in, buf, sizeof buf)) > 0) qio::Write(out, buf, static_cast<size_t>(n));
    qio::Close(out);
  }
  qio::Close(in);
}

}  // namespace

bool ReopenPointLog(const char* name) {
  qio::Close(PointLogFile);
  if (PointLogCopy[0] != '\0') CopyLog(name, PointLogCopy);
  PointLogFile = qio::OpenForRead(name);
  return PointLogFile != qio::kInvalid;
}

void DiscardPointLog(const char* name) {
  qio::Close(PointLogFile);
  PointLogFile = qio::kInvalid;
  if (name != nullptr && name[0] != '\0') qio::Delete(name);
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
