#include "spectrum/messages.h"

#include <cstdarg>
#include <cstdio>

namespace {

MessageSink g_sink = nullptr;

struct Entry {
  int id;
  const char* text;
};

#define QSTRING(id, text) {id, text},
const Entry kStrings[] = {
#include "resources/strings.inc"
};
#undef QSTRING

}  // namespace

void ShowMessage(int id, int secondId, int style) {
  if (g_sink != nullptr) g_sink(id, secondId, style, nullptr);
}

void ShowMessageF(int id, ...) {
  const char* format = MessageText(id);
  if (g_sink == nullptr || format == nullptr) return;
  char text[1024];
  va_list args;
  va_start(args, id);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  g_sink(id, 0, 2, text);
}

MessageSink SetMessageSink(MessageSink sink) {
  MessageSink old = g_sink;
  g_sink = sink;
  return old;
}

const char* MessageText(int id) {
  for (const Entry& e : kStrings)
    if (e.id == id) return e.text;
  return nullptr;
}
