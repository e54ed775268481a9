#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "cli/children.h"
#include "tavutils.h"

namespace {

// Set by the console handler, which runs in a thread of its own.
std::atomic<int> g_interrupt{0};
HANDLE g_wake = nullptr;  // wakes the batch's wait
HANDLE g_done = nullptr;  // set once the batch has finished

// Ctrl+C and Ctrl+Break reach every process of the console, the children
// too; the batch only stops starting new ones and waits for the others. A
// closing console ends us when the handler returns: wait for the batch first.
BOOL WINAPI OnBatchConsoleEvent(DWORD type) {
  int none = 0;
  g_interrupt.compare_exchange_strong(none, static_cast<int>(type) + 1);
  SetEvent(g_wake);
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) WaitForSingleObject(g_done, 4500);
  return TRUE;
}

std::wstring Wide(const std::string& text) {
  // The converter's arguments and paths are in the ANSI code page, as main received them.
  const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], n);
  return wide;
}

// One argument as the C runtime's command-line parser will read it back.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring q = L"\"";
  for (std::size_t i = 0;; ++i) {
    std::size_t backslashes = 0;
    for (; i < arg.size() && arg[i] == L'\\'; ++i) ++backslashes;
    if (i == arg.size()) {
      q.append(backslashes * 2, L'\\');
      break;
    }
    q.append(arg[i] == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    q += arg[i];
  }
  return q + L"\"";
}

std::wstring OwnProgram() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

struct Children::Platform {
  HANDLE job = nullptr;   // the children end with us, however we end
  HANDLE stop = nullptr;  // inherited by the children: set, it stops them as Ctrl+C does
  std::wstring program;
  struct Child {
    int id;
    HANDLE process;
  };
  std::vector<Child> running;
};

Children::Children() : p_(new Platform) {
  g_wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  g_done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  p_->stop = CreateEventW(&inherited, TRUE, FALSE, nullptr);
  p_->job = CreateJobObjectW(nullptr, nullptr);
  if (p_->job != nullptr) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(p_->job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  p_->program = OwnProgram();
  // Called before the conversion's own handler, which would end us.
  SetConsoleCtrlHandler(OnBatchConsoleEvent, TRUE);
}

Children::~Children() {
  SetEvent(g_done);
  SetConsoleCtrlHandler(OnBatchConsoleEvent, FALSE);
  for (const Platform::Child& c : p_->running) CloseHandle(c.process);
  if (p_->job != nullptr) CloseHandle(p_->job);
  CloseHandle(p_->stop);
}

bool Children::Start(int id, const std::vector<std::string>& args, const std::string& messages, std::string* why) {
  // The event first: the arguments end with the input after "--".
  std::wstring line = Quoted(p_->program) + L" --stop-event " + std::to_wstring(reinterpret_cast<std::uintptr_t>(p_->stop));
  for (const std::string& a : args) line += L" " + Quoted(Wide(a));
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  const HANDLE log = CreateFileW(Wide(messages).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherited,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const HANDLE none = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                  OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = none;
  startup.hStdOutput = none;
  startup.hStdError = log;
  PROCESS_INFORMATION process = {};
  // Suspended until it is in the job, so that nothing it starts escapes it.
  const BOOL started = log != INVALID_HANDLE_VALUE &&
                       CreateProcessW(p_->program.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                                      nullptr, &startup, &process);
  const DWORD error = GetLastError();
  if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
  if (none != INVALID_HANDLE_VALUE) CloseHandle(none);
  if (!started) {
    char text[32];
    std::snprintf(text, sizeof text, "Windows error %lu", static_cast<unsigned long>(error));
    *why = text;
    return false;
  }
  if (p_->job != nullptr) AssignProcessToJobObject(p_->job, process.hProcess);
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  p_->running.push_back({id, process.hProcess});
  return true;
}

std::vector<ChildEnd> Children::Wait(int milliseconds) {
  if (p_->running.empty()) return {};
  // At most 64 handles can be waited for at once; the others are looked at
  // whenever the wait ends.
  std::vector<HANDLE> handles = {g_wake};
  for (const Platform::Child& c : p_->running)
    if (handles.size() < MAXIMUM_WAIT_OBJECTS) handles.push_back(c.process);
  WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, milliseconds);
  std::vector<ChildEnd> ended;
  for (std::size_t i = 0; i < p_->running.size();) {
    const Platform::Child c = p_->running[i];
    DWORD code = 0;
    if (WaitForSingleObject(c.process, 0) != WAIT_OBJECT_0 || !GetExitCodeProcess(c.process, &code)) {
      ++i;
      continue;
    }
    ChildEnd end;
    end.id = c.id;
    if (code == STATUS_CONTROL_C_EXIT) {
      end.interrupted = true;
      end.how = "interrupted";
    } else if (code >= 0xC0000000u) {
      char text[32];
      std::snprintf(text, sizeof text, "exception 0x%08lX", static_cast<unsigned long>(code));
      end.how = text;
    } else {
      end.exitCode = static_cast<int>(code);
    }
    CloseHandle(c.process);
    p_->running.erase(p_->running.begin() + static_cast<std::ptrdiff_t>(i));
    ended.push_back(end);
  }
  return ended;
}

int Children::Running() const { return static_cast<int>(p_->running.size()); }

int Children::Interrupt() const { return g_interrupt; }

void Children::StopAll() { SetEvent(p_->stop); }

void Children::ExitInterrupted() {
  CVRemoveOwned();
  SetEvent(g_done);
  ExitProcess(STATUS_CONTROL_C_EXIT);
}
