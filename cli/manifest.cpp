#include "cli/manifest.h"

// The reader uses std::numeric_limits without including <limits>.
#include <limits>
#define CSV_IO_NO_THREAD
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wstringop-truncation"  // it cuts long file names on purpose
#include <libfccp/csv.h>
#pragma GCC diagnostic pop

#include <cctype>
#include <fstream>
#include <iterator>

namespace {

// The columns besides "file": each is the option of its name.
constexpr const char* kSettings[] = {"sf", "si", "f1", "f2", "x-axis", "x-unit", "nucleus"};

}  // namespace

bool ParseManifest(const std::string& name, std::string text, std::vector<ManifestRow>* rows, std::string* problem) {
  rows->clear();
  // Spreadsheets save with a byte-order mark and name columns as they like.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  for (std::size_t i = 0; i < text.size() && text[i] != '\n'; ++i)
    text[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
  try {
    io::CSVReader<8, io::trim_chars<' ', '\t'>, io::double_quote_escape<',', '"'>, io::throw_on_overflow,
                  io::empty_line_comment>
        in(name, text.data(), text.data() + text.size());
    in.read_header(io::ignore_missing_column, "file", "sf", "si", "f1", "f2", "x-axis", "x-unit", "nucleus");
    if (!in.has_column("file")) {
      *problem = "the manifest \"" + name + "\" has no column \"file\"";
      return false;
    }
    for (;;) {
      std::string cells[8];
      if (!in.read_row(cells[0], cells[1], cells[2], cells[3], cells[4], cells[5], cells[6], cells[7])) break;
      ManifestRow row;
      row.line = in.get_file_line();
      row.file = cells[0];
      if (row.file.empty()) {
        *problem = "the manifest \"" + name + "\" names no file in line " + std::to_string(row.line);
        return false;
      }
      for (std::size_t i = 0; i < std::size(kSettings); ++i)
        if (!cells[i + 1].empty()) row.options.push_back(std::string("--") + kSettings[i] + "=" + cells[i + 1]);
      rows->push_back(std::move(row));
    }
  } catch (const io::error::base& e) {
    *problem = e.what();
    while (!problem->empty() && (problem->back() == '.' || problem->back() == ' ')) problem->pop_back();
    return false;
  }
  return true;
}

bool ReadManifest(const std::string& path, std::vector<ManifestRow>* rows, std::string* problem) {
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) {
    *problem = "the manifest \"" + path + "\" cannot be read";
    return false;
  }
  return ParseManifest(path, std::move(text), rows, problem);
}
