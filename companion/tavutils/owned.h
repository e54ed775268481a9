// What the registry of owned paths needs from the platform.
#ifndef TAVUTILS_OWNED_H
#define TAVUTILS_OWNED_H

#include <string>
#include <vector>

namespace tavown {

enum class Liveness { Gone, Running, Unknown };

unsigned long OwnPid();
// The machine's name as the system gives it; empty when unknown.
std::string HostName();
// Whether process `pid` runs, and when it started (in the platform's own units).
Liveness ProcessState(unsigned long pid, unsigned long long* start);
// Removes a file, or a folder with everything in it, without allocating
// (POSIX: safe in a signal handler). Symbolic links are removed, not followed.
void RemovePathNow(const char* path);
std::vector<std::string> FolderNames(const std::string& folder);
char Separator();

}  // namespace tavown

#endif
