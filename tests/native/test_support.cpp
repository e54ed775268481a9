#include "test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

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
MessageCapture::Shown g_shown;
MessageSink g_previous = nullptr;
void Collect(int id, int secondId, int style, const char*) { g_shown.emplace_back(id, secondId, style); }
}  // namespace

MessageCapture::MessageCapture() {
  g_shown.clear();
  g_previous = SetMessageSink(Collect);
}
MessageCapture::~MessageCapture() { SetMessageSink(g_previous); }
std::vector<int> MessageCapture::ids() const {
  std::vector<int> ids;
  for (const auto& m : g_shown) ids.push_back(std::get<0>(m));
  return ids;
}
const MessageCapture::Shown& MessageCapture::shown() const { return g_shown; }
void MessageCapture::clear() { g_shown.clear(); }

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

std::vector<double> ReadCsvReal(const std::string& path) {
  std::istringstream in(ReadText(path));
  std::string line;
  std::vector<double> real;
  std::getline(in, line);  // the column names
  while (std::getline(in, line)) {
    const size_t second = line.find(',', line.find(',') + 1);
    if (second != std::string::npos) real.push_back(std::atof(line.c_str() + second + 1));
  }
  return real;
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
