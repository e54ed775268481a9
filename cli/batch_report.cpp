#include "cli/batch_report.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "cli/convert.h"

// Keys in the order a reader expects them, not sorted.
using json = nlohmann::ordered_json;

namespace {

// The fewest digits that read back to `v`: a frequency typed as 400.13 stays 400.13.
std::string Shortest(double v) {
  char text[32];
  // Whole numbers whole: 25000, not 2.5e+04.
  if (v == std::trunc(v) && std::fabs(v) < 1e15) {
    std::snprintf(text, sizeof text, "%.0f", v);
    return text;
  }
  for (int digits = 1; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, v);
    if (std::strtod(text, nullptr) == v) break;
  }
  return text;
}

std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// What a row reports of a trace; null when nothing reached synthesis.
template <typename T>
json Traced(const PictureResult& r, T value) {
  return r.summary.traced ? json(value) : json(nullptr);
}

json Row(const PictureResult& r) {
  const PictureSummary& s = r.summary;
  return {
      {"input", r.input},
      {"status", StatusName(r.status)},
      {"exit_code", r.exitCode >= 0 ? json(r.exitCode) : json(nullptr)},
      {"message", r.message},
      {"output", s.output.empty() ? json(nullptr) : json(s.output)},
      {"points", Traced(r, s.points)},
      {"f1_hz", Traced(r, s.f1)},
      {"f2_hz", Traced(r, s.f2)},
      {"si", Traced(r, s.si)},
      {"trace", Traced(r, s.mode)},
      {"warnings", s.warnings},
      {"milliseconds", r.milliseconds >= 0 ? json(r.milliseconds) : json(nullptr)},
  };
}

}  // namespace

std::string SummaryJson(const PictureSummary& s) {
  json j = {{"exit_code", s.exitCode}, {"message", s.message}, {"output", s.output}, {"warnings", s.warnings}};
  if (s.traced) j.update({{"points", s.points}, {"f1_hz", s.f1}, {"f2_hz", s.f2}, {"si", s.si}, {"trace", s.mode}});
  return j.dump() + "\n";
}

bool ParseSummary(const std::string& text, PictureSummary* s) {
  const json j = json::parse(text, nullptr, false);
  if (!j.is_object()) return false;
  try {
    *s = PictureSummary();
    s->exitCode = j.at("exit_code").get<int>();
    s->message = j.at("message").get<std::string>();
    s->output = j.at("output").get<std::string>();
    s->warnings = j.at("warnings").get<std::vector<std::string>>();
    s->traced = j.contains("points");
    if (s->traced) {
      s->points = j.at("points").get<long long>();
      s->f1 = j.at("f1_hz").get<double>();
      s->f2 = j.at("f2_hz").get<double>();
      s->si = j.at("si").get<int>();
      s->mode = j.at("trace").get<std::string>();
    }
  } catch (const json::exception&) {
    return false;
  }
  return true;
}

const char* StatusName(PictureStatus status) {
  switch (status) {
    case PICTURE_WRITTEN:
      return "written";
    case PICTURE_REFUSED:
      return "refused";
    case PICTURE_FAILED:
      return "failed";
    default:
      return "not converted";
  }
}

PictureStatus StatusOfExit(int code) {
  switch (code) {
    case EXIT_WRITTEN:
      return PICTURE_WRITTEN;
    case EXIT_USAGE:
    case EXIT_BAD_INPUT:
    case EXIT_NOTHING:
      return PICTURE_REFUSED;
    default:
      return PICTURE_FAILED;
  }
}

int WorstExitCode(const std::vector<PictureResult>& results) {
  int worst = EXIT_WRITTEN;
  for (const PictureResult& r : results) {
    if (r.exitCode >= 0) worst = std::max(worst, r.exitCode);
    else if (r.status == PICTURE_FAILED) worst = std::max<int>(worst, EXIT_NOT_WRITTEN);
  }
  return worst;
}

std::string ReportCsv(const std::vector<PictureResult>& results) {
  std::string csv = "input,status,exit_code,message,output,points,f1_hz,f2_hz,si,trace,warnings,milliseconds\n";
  for (const PictureResult& r : results) {
    const PictureSummary& s = r.summary;
    std::string warnings;
    for (const std::string& w : s.warnings) warnings += (warnings.empty() ? "" : " | ") + w;
    const auto traced = [&s](const std::string& v) { return s.traced ? v : std::string(); };
    const std::string cells[] = {
        r.input, StatusName(r.status), r.exitCode >= 0 ? std::to_string(r.exitCode) : "", r.message, s.output,
        traced(std::to_string(s.points)), traced(Shortest(s.f1)), traced(Shortest(s.f2)), traced(std::to_string(s.si)),
        traced(s.mode), warnings, r.milliseconds >= 0 ? std::to_string(r.milliseconds) : ""};
    for (std::size_t i = 0; i < std::size(cells); ++i) csv += (i == 0 ? "" : ",") + CsvCell(cells[i]);
    csv += '\n';
  }
  return csv;
}

std::string ReportJson(const std::vector<PictureResult>& results) {
  json rows = json::array();
  for (const PictureResult& r : results) rows.push_back(Row(r));
  return rows.dump(2) + "\n";
}
