// tavutils: the utility library. File names, ini data, messages, the progress
// gauge, small numeric helpers, dialog fields, the About box and the help viewer.
//
// Window, instance and file handles are opaque here so that portable code can
// pass them through without <windows.h>. In the Windows build a window handle is
// an HWND, an instance an HINSTANCE and a file handle a HANDLE (invalid: -1);
// natively a file handle is a POSIX file descriptor (invalid: -1).
#ifndef TAVUTILS_H
#define TAVUTILS_H

#include <cstdint>
#include <string>

typedef void* TAVWINDOW;
typedef void* TAVINSTANCE;
typedef std::intptr_t TAVFILE;

// Handed to the companion libraries: where their ini data lives.
struct TAVHELPINFO {
  TAVWINDOW Owner;       // owner window of anything the library shows; may be null
  char FileName[260];    // ini file name, NUL-terminated
  std::int32_t Flags;    // 0 from the program; see TAV_REPLACE_EXISTING
};

// Flags of TAVHELPINFO: write over an existing output without asking
// (only honoured when there is no owner window to ask through).
constexpr std::int32_t TAV_REPLACE_EXISTING = 1;

// Kinds of CVGetFileName.
constexpr int CV_FILE_PORTABLE_INI = 0x103;  // ini file beside the program
constexpr int CV_FILE_USER_INI = 3;          // the per-user ini file
constexpr int CV_FILE_HELP = 5;              // the help document

// File names and ini data.
int CVGetFileName(TAVINSTANCE instance, char* buffer, int kind);
int CVGetIniDatum(TAVINSTANCE instance, int datumId, int reserved, const char* section,
                  float* value, TAVHELPINFO* info, int reserved2);

// Messages: shows the text of string resource `stringId` (and `secondId`,
// when non-zero, as a second line) owned by the active window. Returns 0.
int CVErrMess(TAVINSTANCE instance, int stringId, int secondId, int style);

// The progress gauge. `record` is the program's gauge record: owner window,
// an int32, the current percent (kept by the gauge), title, message.
struct TAVGAUGEINFO {
  TAVWINDOW Owner;
  std::int32_t Reserved;
  std::int32_t CurrentPercent;
  const char* Title;
  const char* Message;
};
TAVWINDOW CVGetGauge(void* record);
constexpr unsigned CV_GAUGE_BEGIN = 888;
constexpr unsigned CV_GAUGE_PERCENT = 100;
constexpr unsigned CV_GAUGE_CLOSE = 2;

// Files and numbers.
std::int32_t CVFileLength(TAVFILE file);
double CVmin(double a, double b);
char* CVlgets(char* buffer, int size, TAVFILE file);
int CVIsPow2(long n);
long CVNextPow2(long n);

// Dialog fields. The update calls store the control's value into the field on
// EN_CHANGE when its whole text is a number; other text keeps the last good
// value and is shown as invalid. `check` asks for limits besides the type's:
// CV_FIELD_LOW refuses values below `lo`, CV_FIELD_HIGH values above `hi`,
// and CV_FIELD_LOW_OPEN with CV_FIELD_LOW refuses `lo` itself as well.
constexpr int CV_FIELD_LOW = 1;
constexpr int CV_FIELD_HIGH = 2;
constexpr int CV_FIELD_LOW_OPEN = 4;
// Why a field's text is not stored, as CVGetDlgFieldState tells it: not a
// number of the field's type, or beyond a limit (the type's own or one asked for).
constexpr int CV_FIELD_VALID = 0;
constexpr int CV_FIELD_NOT_NUMBER = 1;
constexpr int CV_FIELD_BELOW = 2;
constexpr int CV_FIELD_ABOVE = 3;
void CVCenterDialog(TAVWINDOW dialog);
void CVSetDlgLong(TAVWINDOW dialog, int id, long value);
void CVSetDlgFloat(TAVWINDOW dialog, int id, float value, int decimals);
int CVUpdateDlgLong(TAVWINDOW dialog, int id, int notification, std::int32_t* field, int check, int lo,
                    int hi, int reserved);
int CVUpdateDlgFloat(TAVWINDOW dialog, int id, int notification, float* field, int check, float lo,
                     float hi, int reserved, int decimals);
// The state of a field's text as its last update or set call judged it: the
// dialog asks before it takes the fields, so that none is taken at a stale value.
int CVGetDlgFieldState(TAVWINDOW dialog, int id);

// The About box and the help document.
int ShowAbout(void* aboutInfo);
int DisplayPDFHelp(const char* helpPath, const char* topic);

// Files and folders a run owns only while it runs: the point log, the work
// folders beside an output. Registered paths are removed by CVRemoveOwned,
// which an interrupt handler may call (it neither allocates nor locks), from
// any thread. Their names carry an owner tag (host, process id and process
// start), so that what a killed run left behind is recognised by a later run
// and removed once no living process owns it.
constexpr int CV_OWNED_MAX_PATH = 1024;
// A registry slot for the path, or -1 when it cannot be registered (too long,
// registry full); the path is then only removed by the run's own clean-up.
int CVAddOwned(const char* path);
// The path is no longer removed on an interrupt (it was removed or put in place).
void CVDropOwned(int slot);
// Removes every registered file and folder with all it holds.
void CVRemoveOwned();
// "<purpose>.<host>.<pid>.<start>.": how the names this process owns begin.
std::string CVOwnedPrefix(const char* purpose);
// Removes from `folder` everything named "<purpose>.<tag>..." whose owner tag
// names this host and a process that no longer runs.
void CVSweepOwned(const std::string& folder, const char* purpose);

// Interrupts. A front end's handler asks the run to stop; from then on writes
// fail, so that the run ends through its ordinary clean-up. While held (a
// replace in progress), interrupts wait, so that no replace is cut in two.
void CVRequestStop();
bool CVStopRequested();
void CVHoldInterrupts();
void CVReleaseInterrupts();
bool CVInterruptsHeld();

#endif
