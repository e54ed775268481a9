// The few file-system operations a safe write needs, on names as the
// platform's narrow API takes them (bytes natively, the ANSI code page in Windows).
#ifndef TAVSPECTRUM_FSOPS_H
#define TAVSPECTRUM_FSOPS_H

#include <string>
#include <vector>

namespace tav {

enum class PathKind { None, File, Folder };

// What is at `path` (a symbolic link counts as a file: it is replaced, not followed).
PathKind KindOf(const std::string& path);
// Creates a folder; false when it exists already or cannot be made.
bool MakeFolder(const std::string& path);
// Removes a file, or a folder with everything in it. True when nothing is left.
bool RemoveTree(const std::string& path);
// Renames; fails when `to` exists.
bool MovePath(const std::string& from, const std::string& to);
// Renames a file over an existing file in one step where the platform can.
bool ReplaceExistingFile(const std::string& from, const std::string& to);
// The names in a folder, without "." and "..".
std::vector<std::string> ListFolder(const std::string& path);

}  // namespace tav

#endif
