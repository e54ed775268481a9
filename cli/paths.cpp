#include "cli/paths.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Absolute, with links and "..", "." resolved as far as the path exists, and
// without a trailing separator.
fs::path Resolved(const std::string& name) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(fs::path(name), ec);
  fs::path p = fs::weakly_canonical(absolute, ec);
  if (ec) p = absolute.lexically_normal();
  while (!p.has_filename() && p.has_relative_path()) p = p.parent_path();
  return p;
}

bool SameName(const fs::path& a, const fs::path& b) {
#ifdef _WIN32
  // Names differing only in case are one file on Windows.
  const std::string x = a.string(), y = b.string();
  if (x.size() != y.size()) return false;
  for (size_t i = 0; i < x.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const char cx = x[i] == '\\' ? '/' : lower(x[i]), cy = y[i] == '\\' ? '/' : lower(y[i]);
    if (cx != cy) return false;
  }
  return true;
#else
  return a == b;
#endif
}

}  // namespace

bool Covers(const std::string& output, const std::string& path) {
  const fs::path out = Resolved(output);
  for (fs::path p = Resolved(path);; p = p.parent_path()) {
    std::error_code ec;
    if (SameName(p, out) || fs::equivalent(p, out, ec)) return true;
    if (!p.has_relative_path()) return false;
  }
}
