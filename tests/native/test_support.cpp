#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "picture/bitmap.h"
#include "picture/wpg.h"
#include "shell/state.h"
#include "spectrum/messages.h"
#include "spectrum/pointlog.h"
#include "spectrum/settings.h"

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device rd;
  for (;;) {
    fs::path p = fs::temp_directory_path() / ("quillon-test-" + std::to_string(rd()));
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      path_ = p.generic_string();
      break;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

namespace {
std::vector<int> g_ids;
MessageSink g_previous = nullptr;
void Collect(int id, int, int) { g_ids.push_back(id); }
}  // namespace

MessageCapture::MessageCapture() {
  g_ids.clear();
  g_previous = SetMessageSink(Collect);
}
MessageCapture::~MessageCapture() { SetMessageSink(g_previous); }
const std::vector<int>& MessageCapture::ids() const { return g_ids; }

void ResetProgram() {
  FreePicture();
  ResetSettings();
  MainWindow = nullptr;
  AppInstance = nullptr;
  ClientWidth = ClientHeight = 0;
  DisplayRect = {0, 0, 0, 0};
  CurrentPath[0] = '\0';
}

int ConvertPoints(const std::vector<std::pair<long, long>>& points) {
  char name[qio::kPathSize];
  if (!BeginPointLog(name)) return -1;
  for (const auto& p : points) WritePoint(p.first, p.second);
  return FinishPointLog(name);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::u8path(path), ec);
}

std::vector<std::string> FilesWithPrefix(const std::string& dir, const std::string& prefix) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::u8path(dir), ec)) {
    const std::string n = entry.path().filename().string();
    if (n.compare(0, prefix.size(), prefix) == 0) names.push_back(n);
  }
  return names;
}

JcampData ReadJcampAffn(const std::string& path) {
  JcampData d;
  std::istringstream in(ReadText(path));
  std::string line;
  double yfactor = 1;
  long npoints = 0;
  bool inData = false;
  std::vector<long long> ints;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("##", 0) == 0) {
      inData = false;
      const size_t eq = line.find('=');
      const std::string label = line.substr(2, eq - 2), value = line.substr(eq + 1);
      // A complex spectrum is an NTUPLES block: its lists hold X first and the
      // real page's values second; only the real page is read.
      const auto item = [&value](int n) {
        size_t at = 0;
        for (int i = 0; i < n; ++i) at = value.find(',', at) + 1;
        return std::atof(value.c_str() + at);
      };
      if (label == "FIRSTX" || label == "FIRST") d.firstX = item(0);
      else if (label == "LASTX" || label == "LAST") d.lastX = item(0);
      else if (label == "YFACTOR") yfactor = item(0);
      else if (label == "FACTOR") yfactor = item(1);
      else if (label == "NPOINTS" || label == "VAR_DIM") npoints = static_cast<long>(item(0));
      else if (label == ".OBSERVE FREQUENCY") d.sf = item(0);
      else if (label == "XYDATA" || (label == "DATA TABLE" && value.find("(X++(R..R))") != std::string::npos))
        inData = true;
      continue;
    }
    if (!inData) continue;
    std::istringstream fields(line);
    double x;
    fields >> x;
    long long v;
    while (fields >> v) ints.push_back(v);
  }
  if (npoints <= 0 || static_cast<long>(ints.size()) != npoints) return JcampData{};
  for (long k = 0; k < npoints; ++k) {
    d.x.push_back(npoints > 1 ? d.firstX + k * (d.lastX - d.firstX) / (npoints - 1) : d.firstX);
    d.y.push_back(static_cast<double>(ints[static_cast<size_t>(k)]) * yfactor);
  }
  return d;
}
