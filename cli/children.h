// The conversions a batch runs as processes of this same program, and the
// batch's own interrupts. One implementation per platform: posix_spawn with
// signals natively, CreateProcessW with a job object and a stop event in
// Windows.
#ifndef QUILLON_CLI_CHILDREN_H
#define QUILLON_CLI_CHILDREN_H

#include <memory>
#include <string>
#include <vector>

struct ChildEnd {
  int id = 0;              // as given to Start
  int exitCode = -1;       // -1: it ended without one of its own
  bool interrupted = false;  // it ended as an interrupt ends a conversion
  std::string how;         // how it ended without an exit code ("signal 11")
};

class Children {
 public:
  // From here on, an interrupt of this process is only recorded (Interrupt()).
  Children();
  ~Children();
  Children(const Children&) = delete;
  Children& operator=(const Children&) = delete;

  // Runs this program with `args` (argv[0] excluded), input and output from
  // the null device, its messages into `messages`. False with `why`.
  bool Start(int id, const std::vector<std::string>& args, const std::string& messages, std::string* why);
  // Waits until a child ends, an interrupt arrives or `milliseconds` pass;
  // returns the children that ended.
  std::vector<ChildEnd> Wait(int milliseconds);
  int Running() const;
  // The interrupt that arrived, 0 while none did.
  int Interrupt() const;
  // Asks the running children to stop as an interrupt would.
  void StopAll();
  // Ends this process with the status the interrupt gives.
  [[noreturn]] void ExitInterrupted();

  struct Platform;

 private:
  std::unique_ptr<Platform> p_;
};

#endif
