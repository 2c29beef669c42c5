#include "platform/message_sink.h"

#include <atomic>
#include <cstdio>

namespace zentrova {

namespace {
std::atomic<IMessageSink*> g_sink{nullptr};
}  // namespace

IMessageSink* SetMessageSink(IMessageSink* sink) { return g_sink.exchange(sink); }

void ShowMessage(const std::string& text) {
  if (IMessageSink* sink = g_sink.load()) {
    sink->ShowMessage(text);
    return;
  }
  std::string line = text;
  for (char& c : line) {
    if (c == '\r') c = '\n';
  }
  std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace zentrova
