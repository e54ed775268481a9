#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tavutils.h"
#include "tavutils_win32.h"

// The help document is an HTML file beside the program; a topic is the id of
// an element in it ("CONTENTS", "INDEX", "ZK:CREATE"), opened as the URL's
// fragment in the viewer that Windows associates with .html files.

namespace {

// Opening a file: URL with a fragment must go to the viewer itself: handed to
// the shell as a document, the fragment would be dropped.
int OpenWithAssociatedViewer(const char* document, const char* url) {
  char viewer[MAX_PATH] = {};
  if (reinterpret_cast<INT_PTR>(FindExecutableA(document, nullptr, viewer)) > 32 && viewer[0] != '\0') {
    const std::string quoted = std::string("\"") + url + "\"";
    if (reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", viewer, quoted.c_str(), nullptr, SW_SHOWNORMAL)) > 32)
      return 1;
  }
  return reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", document, nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

CVHelpOpener g_opener = OpenWithAssociatedViewer;

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || std::strchr("-._~/:", c);
}

// Browsers read the escapes of a file: URL as UTF-8; paths come in the ANSI
// code page, where a "é" is one byte that a browser would not find.
std::string Utf8(const char* text) {
  const int wide = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (wide <= 0) return text;
  std::wstring w(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &w[0], wide);
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return text;
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &utf8[0], n, nullptr, nullptr);
  utf8.resize(static_cast<size_t>(n) - 1);
  return utf8;
}

void Append(std::string& url, const char* ansiText) {
  const std::string text = Utf8(ansiText);
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text.c_str()); *p != '\0'; ++p) {
    const unsigned char c = *p == '\\' ? '/' : *p;
    if (Unreserved(c)) {
      url += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      url += escaped;
    }
  }
}

void Complain(const char* problem, const char* document) {
  const std::string text = std::string(problem) + "\n" + document;
  CVMessageBox(GetModuleHandleA(nullptr), text.c_str(), MB_ICONEXCLAMATION);
}

}  // namespace

CVHelpOpener CVSetHelpOpener(CVHelpOpener opener) {
  CVHelpOpener old = g_opener;
  g_opener = opener != nullptr ? opener : OpenWithAssociatedViewer;
  return old;
}

int DisplayPDFHelp(const char* helpPath, const char* topic) {
  if (helpPath == nullptr || helpPath[0] == '\0') return 0;
  const DWORD attributes = GetFileAttributesA(helpPath);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    Complain("The help document cannot be found:", helpPath);
    return 0;
  }
  // file:///C:/folder/quillon-help.html#CONTENTS; a UNC path keeps its host.
  std::string url = "file:";
  url += helpPath[0] == '\\' && helpPath[1] == '\\' ? "" : "///";
  Append(url, helpPath);
  if (topic != nullptr && topic[0] != '\0') {
    url += '#';
    Append(url, topic);
  }
  if (g_opener(helpPath, url.c_str()) != 0) return 1;
  Complain("No program to show the help document was found. Open it with a web browser:", helpPath);
  return 0;
}
