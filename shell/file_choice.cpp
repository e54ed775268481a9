#include "shell/file_choice.h"

#include <cctype>
#include <cstdio>
#include <cstring>

bool MakeOpenFilter(char* text) {
  const std::size_t length = std::strlen(text);
  if (length == 0) return false;
  const char separator = text[length - 1];
  for (std::size_t i = 0; i < length; ++i)
    if (text[i] == separator) text[i] = '\0';
  return true;
}

bool FolderOfPath(const char* path, char* folder, std::size_t size) {
  const char* last = std::strrchr(path, '\\');
  if (last == nullptr) return false;
  const std::size_t length = static_cast<std::size_t>(last - path);
  if (length >= size) return false;
  std::memcpy(folder, path, length);
  folder[length] = '\0';
  return true;
}

void InitialFolder(const char* remembered, char* folder, std::size_t size) {
  if (size == 0) return;
  const bool driveAlone = std::isalpha(static_cast<unsigned char>(remembered[0])) && remembered[1] == ':' &&
                          remembered[2] == '\0';
  std::snprintf(folder, size, driveAlone ? "%s\\" : "%s", remembered);
}

bool PathFromCommandLine(const char* line, char* path, std::size_t size) {
  if (line == nullptr || size == 0) return false;
  while (*line == ' ' || *line == '\t') ++line;
  const char* end;
  if (*line == '"') {
    ++line;
    end = std::strchr(line, '"');
    if (end == nullptr) end = line + std::strlen(line);
  } else {
    end = line + std::strlen(line);
    while (end > line && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r' || end[-1] == '\n')) --end;
  }
  const std::size_t length = static_cast<std::size_t>(end - line);
  if (length == 0 || length >= size) return false;
  std::memcpy(path, line, length);
  path[length] = '\0';
  return true;
}
