#include "spectrum/messages.h"

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
  if (g_sink != nullptr) g_sink(id, secondId, style);
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
